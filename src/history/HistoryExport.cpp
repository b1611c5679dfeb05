#include "history/HistoryExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace zelvane {

namespace {

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

// The cells of one check in the order of the CSV.
QStringList cellsOf(const HistoryCheck& h, const QString& session)
{
    const ItineraryKey& k = h.check.key;
    return {session, k.origin, k.destination, k.date, k.time, k.cabin, outcomeName(h.check.outcome)};
}

} // namespace

QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QString tableTime(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

const QString& SessionTimes::of(const QDateTime& t)
{
    if (t != last_ || text_.isNull()) {
        last_ = t;
        text_ = format_(t);
    }
    return text_;
}

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
    // Every trip checked and when: the user's alone, like the history itself,
    // before anything is written into it.
    if (file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(historyCsv(checks)) >= 0 && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace zelvane
