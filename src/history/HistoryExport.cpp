#include "history/HistoryExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace zelvane {

namespace {

// Local time with its offset, so a script reading it needs no time zone.
QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QString flightLines(const QList<QStringList>& flights)
{
    QStringList lines;
    for (const QStringList& f : flights)
        lines << f.join(QStringLiteral(" | "));
    return lines.join(QLatin1Char('\n'));
}

QString csvField(const QString& s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"'))
        && !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')))
        return s;
    QString q = s;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The cells of one check in the order of the CSV and the table.
QStringList cellsOf(const HistoryCheck& h, const QString& session)
{
    const ItineraryKey& k = h.check.key;
    return {session, k.origin, k.destination, k.date, k.time, k.cabin, outcomeName(h.check.outcome)};
}
constexpr qsizetype kOutcomeCell = 6; // of cellsOf

// The session's time as text, worked out once for all checks of a session.
class SessionTimes {
public:
    explicit SessionTimes(QString (*format)(const QDateTime&)) : format_(format) {}
    const QString& of(const QDateTime& t)
    {
        if (t != last_ || text_.isNull()) {
            last_ = t;
            text_ = format_(t);
        }
        return text_;
    }

private:
    QString (*format_)(const QDateTime&);
    QDateTime last_;
    QString text_;
};

QString tableTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QByteArray historyCsv(const QList<HistoryCheck>& checks)
{
    // Adults came later: last, so a reader of the older columns finds them where they were.
    QString out = QStringLiteral("session,origin,destination,date,time,cabin,outcome,flights,adults\r\n");
    SessionTimes times(isoTime);
    for (const HistoryCheck& h : checks) {
        QStringList fields;
        const QStringList cells = cellsOf(h, times.of(h.session)) << flightLines(h.check.flights)
                                                                  << QString::number(h.check.key.adults);
        for (const QString& c : cells)
            fields << csvField(c);
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

bool exportHistoryCsv(const HistoryStore& store, const QString& path, QString* error)
{
    const QList<HistoryCheck> checks = store.checks();
    // A file of headings alone would look like a lost history.
    if (checks.isEmpty()) {
        if (error)
            *error = store.isOpen() || store.error().isEmpty()
                         ? QStringLiteral("no check has been recorded yet")
                         : QStringLiteral("there is no history (%1)").arg(store.error());
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(historyCsv(checks)) >= 0 && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

QByteArray historyJsonLines(const QList<HistoryCheck>& checks)
{
    QByteArray out;
    SessionTimes times(isoTime);
    for (const HistoryCheck& h : checks) {
        const ItineraryKey& k = h.check.key;
        QJsonArray flights;
        for (const QStringList& f : h.check.flights)
            flights.append(QJsonArray::fromStringList(f));
        const QJsonObject o{{QStringLiteral("session"), times.of(h.session)},
                            {QStringLiteral("position"), h.check.position},
                            {QStringLiteral("origin"), k.origin},
                            {QStringLiteral("destination"), k.destination},
                            {QStringLiteral("date"), k.date},
                            {QStringLiteral("time"), k.time},
                            {QStringLiteral("cabin"), k.cabin},
                            {QStringLiteral("adults"), k.adults},
                            {QStringLiteral("outcome"), outcomeName(h.check.outcome)},
                            {QStringLiteral("flights"), flights}};
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

QString historyTable(const QList<HistoryCheck>& checks)
{
    QList<QStringList> rows = {{QStringLiteral("Session"), QStringLiteral("From"),
                                QStringLiteral("To"), QStringLiteral("Date"),
                                QStringLiteral("Time"), QStringLiteral("Cabin"),
                                QStringLiteral("Adults"), QStringLiteral("Outcome"),
                                QStringLiteral("Flights")}};
    SessionTimes times(tableTime);
    for (const HistoryCheck& h : checks) {
        QStringList cells = cellsOf(h, times.of(h.session));
        // Beside the cabin, where a reader of the terminal looks for the seats.
        cells.insert(kOutcomeCell, QString::number(h.check.key.adults));
        rows << (cells << QString::number(h.check.flights.size()));
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c)
            widths[c] = std::max(widths[c], r[c].size());
    QString out;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c)
            line += c + 1 < r.size() ? r[c].leftJustified(widths[c] + 2) : r[c];
        out += line + QLatin1Char('\n');
    }
    return out;
}

} // namespace zelvane
