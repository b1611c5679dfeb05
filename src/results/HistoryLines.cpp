#include "results/HistoryLines.h"

#include "history/HistoryExport.h"
#include "itineraries/Itinerary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelvane {

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
                            {QStringLiteral("leg"), legName(h.check.leg)},
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
    // The leg before the cities, which it explains: a way back reads from
    // the destination to the origin.
    QList<QStringList> rows = {{QStringLiteral("Session"), QStringLiteral("Leg"), QStringLiteral("From"),
                                QStringLiteral("To"), QStringLiteral("Date"), QStringLiteral("Time"),
                                QStringLiteral("Cabin"), QStringLiteral("Adults"), QStringLiteral("Outcome"),
                                QStringLiteral("Flights")}};
    SessionTimes times(tableTime);
    for (const HistoryCheck& h : checks) {
        const ItineraryKey& k = h.check.key;
        rows << QStringList{times.of(h.session), legName(h.check.leg), k.origin, k.destination, k.date, k.time,
                            k.cabin, QString::number(k.adults), outcomeName(h.check.outcome),
                            QString::number(h.check.flights.size())};
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
