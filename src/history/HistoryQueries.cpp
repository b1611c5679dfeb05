// The history's queries for the windows, the headless check and the
// change-only alerts.
#include "history/HistoryStore.h"

#include "history/HistoryDb.h"
#include "history/HistorySql.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace zelvane {

namespace history {

QList<QStringList> flightsFromText(const QString& text)
{
    QList<QStringList> flights;
    if (text.isEmpty())
        return flights;
    for (const QJsonValue& row : QJsonDocument::fromJson(text.toUtf8()).array()) {
        QStringList cells;
        for (const QJsonValue& c : row.toArray())
            cells << c.toString();
        flights << cells;
    }
    return flights;
}

CheckOutcome outcomeOf(const QVariant& v)
{
    const int o = v.toInt();
    return o >= 0 && o <= int(CheckOutcome::Unreadable) ? CheckOutcome(o) : CheckOutcome::Failed;
}

QDateTime timeOf(const QVariant& v)
{
    return QDateTime::fromSecsSinceEpoch(v.toLongLong());
}

} // namespace history

using history::flightsFromText;
using history::outcomeOf;
using history::timeOf;

std::optional<CheckOutcome> HistoryStore::lastCheckedOutcome(const ItineraryKey& key) const
{
    return lastCheckedOutcomes({key}).value(0);
}

QList<std::optional<CheckOutcome>> HistoryStore::lastCheckedOutcomes(const QList<ItineraryKey>& keys) const
{
    QList<std::optional<CheckOutcome>> out(keys.size());
    if (open_) {
        QSqlQuery& q = statement(QStringLiteral("SELECT outcome FROM checks WHERE itinerary = ? AND outcome IN (0, 1)"
                                               " ORDER BY session DESC LIMIT 1"));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const std::optional<qint64> id = itineraryId(keys[i]);
            if (!id)
                continue;
            q.addBindValue(*id);
            // Unreadable now (held by another program): each further key would
            // only wait as long again.
            if (!q.exec()) {
                q.finish();
                break;
            }
            if (q.next())
                out[i] = outcomeOf(q.value(0));
            q.finish();
        }
    }
    // Sessions not written yet are newer than anything in the file.
    QHash<ItineraryKey, CheckOutcome> unsaved;
    for (const Session& s : unsaved_)
        for (const CheckRecord& c : s.checks)
            if (wasChecked(c.outcome))
                unsaved.insert(c.key, c.outcome);
    for (qsizetype i = 0; i < keys.size() && !unsaved.isEmpty(); ++i)
        if (const auto it = unsaved.constFind(keys[i]); it != unsaved.constEnd())
            out[i] = *it;
    return out;
}

QList<ItinerarySummary> HistoryStore::summaries(const QList<ItineraryKey>& keys) const
{
    QList<ItinerarySummary> out = summariesInFile(keys);
    QHash<ItineraryKey, ItinerarySummary> unsaved;
    for (const Session& s : unsaved_)
        for (const CheckRecord& c : s.checks) {
            ItinerarySummary& u = unsaved[c.key];
            u.lastOutcome = c.outcome;
            u.lastTime = s.start;
            if (c.outcome == CheckOutcome::Available)
                u.lastAvailable = s.start;
        }
    for (qsizetype i = 0; i < keys.size() && !unsaved.isEmpty(); ++i) {
        const auto it = unsaved.constFind(keys[i]);
        if (it == unsaved.constEnd())
            continue;
        out[i].lastOutcome = it->lastOutcome;
        out[i].lastTime = it->lastTime;
        if (it->lastAvailable.isValid())
            out[i].lastAvailable = it->lastAvailable;
    }
    return out;
}

QList<ItinerarySummary> HistoryStore::summariesInFile(const QList<ItineraryKey>& keys) const
{
    QList<ItinerarySummary> out(keys.size());
    if (!open_)
        return out;
    QSqlQuery last(database()), seen(database());
    last.setForwardOnly(true);
    seen.setForwardOnly(true);
    last.prepare(QStringLiteral("SELECT c.outcome, s.started FROM checks c JOIN sessions s"
                                " ON s.id = c.session WHERE c.itinerary = ?"
                                " ORDER BY c.session DESC LIMIT 1"));
    seen.prepare(QStringLiteral("SELECT s.started FROM checks c JOIN sessions s"
                                " ON s.id = c.session WHERE c.itinerary = ? AND c.outcome = 1"
                                " ORDER BY c.session DESC LIMIT 1"));
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const std::optional<qint64> id = itineraryId(keys[i]);
        if (!id)
            continue;
        last.addBindValue(*id);
        if (!last.exec())
            break; // unreadable now, as above
        if (last.next()) {
            out[i].lastOutcome = outcomeOf(last.value(0));
            out[i].lastTime = timeOf(last.value(1));
        }
        last.finish();
        seen.addBindValue(*id);
        if (seen.exec() && seen.next())
            out[i].lastAvailable = timeOf(seen.value(0));
        seen.finish();
    }
    return out;
}

QList<TimelinePoint> HistoryStore::timeline(const ItineraryKey& key) const
{
    QList<TimelinePoint> points = timelineInFile(key);
    for (const Session& s : unsaved_)
        for (const CheckRecord& c : s.checks)
            if (c.key == key)
                points.append({s.start, c.outcome});
    return points;
}

QList<TimelinePoint> HistoryStore::timelineInFile(const ItineraryKey& key) const
{
    QList<TimelinePoint> points;
    const std::optional<qint64> id = open_ ? itineraryId(key) : std::nullopt;
    if (!id)
        return points;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT s.started, c.outcome FROM checks c JOIN sessions s"
                             " ON s.id = c.session WHERE c.itinerary = ? ORDER BY c.session, c.position"));
    q.addBindValue(*id);
    if (q.exec())
        while (q.next())
            points.append({timeOf(q.value(0)), outcomeOf(q.value(1))});
    if (q.lastError().isValid())
        readError_ = history::reason(q.lastError());
    return points;
}

QList<HistoryCheck> HistoryStore::checks(int sessions) const
{
    // The newest sessions may still be in memory only.
    const qsizetype unsaved = sessions > 0 ? std::min<qsizetype>(sessions, unsaved_.size()) : unsaved_.size();
    QList<HistoryCheck> out;
    if (sessions <= 0 || sessions > unsaved)
        out = checksInFile(sessions > 0 ? sessions - int(unsaved) : 0);
    for (qsizetype s = unsaved_.size() - unsaved; s < unsaved_.size(); ++s)
        for (const CheckRecord& c : unsaved_[s].checks)
            out.append({unsaved_[s].start, c});
    return out;
}

QList<HistoryCheck> HistoryStore::checksInFile(int sessions) const
{
    QList<HistoryCheck> out;
    if (!open_)
        return out;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // A file of the first version has one adult and one day per check; one
    // older than legs, outbound checks only.
    const bool hasDays = schema_ >= 2;
    q.prepare(QStringLiteral(
        "SELECT s.started, c.position, i.origin, i.destination, i.date, i.time, i.cabin,"
        " c.outcome, c.flights, t.rows, %1, %2 AS day, %3, %4 FROM checks c JOIN sessions s ON s.id = c.session"
        " JOIN itineraries i ON i.id = c.itinerary LEFT JOIN flight_tables t ON t.id = c.flights"
        " WHERE c.session >= (SELECT coalesce(min(id), 0) FROM"
        " (SELECT id FROM sessions ORDER BY id DESC LIMIT ?))"
        " ORDER BY c.session, c.position, day")
                  .arg(hasDays ? QStringLiteral("i.adults") : QStringLiteral("1"),
                       hasDays ? QStringLiteral("c.day") : QStringLiteral("0"),
                       schema_ >= 3 ? QStringLiteral("c.leg") : QStringLiteral("0"),
                       schema_ >= 4 ? QStringLiteral("i.watch, c.cabins") : QStringLiteral("'', NULL")));
    q.addBindValue(sessions > 0 ? sessions : -1);
    if (!q.exec()) {
        readError_ = history::reason(q.lastError());
        return out;
    }
    // Rows of one session share its time, and most flight tables recur.
    QHash<qint64, QList<QStringList>> tables;
    qint64 started = -1;
    QDateTime session;
    while (q.next()) {
        HistoryCheck h;
        if (q.value(0).toLongLong() != started) {
            started = q.value(0).toLongLong();
            session = timeOf(started);
        }
        h.session = session;
        h.check.position = q.value(1).toInt();
        h.check.key = {q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                       q.value(5).toString(), q.value(6).toString(), q.value(10).toInt()};
        h.check.day = q.value(11).toInt();
        h.check.leg = q.value(12).toInt();
        h.check.key.watch = q.value(13).toString();
        if (!q.value(14).isNull())
            h.check.seatCabins = q.value(14).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
        h.check.outcome = outcomeOf(q.value(7));
        if (!q.value(8).isNull()) {
            const qint64 table = q.value(8).toLongLong();
            auto it = tables.find(table);
            if (it == tables.end())
                it = tables.insert(table, flightsFromText(q.value(9).toString()));
            h.check.flights = *it;
        }
        out << h;
    }
    // A step that failed ends the rows as their end would.
    if (q.lastError().isValid())
        readError_ = history::reason(q.lastError());
    return out;
}

QList<HistoryCheck> HistoryStore::unsavedChecks() const
{
    QList<HistoryCheck> out;
    for (const Session& s : unsaved_)
        for (const CheckRecord& c : s.checks)
            out.append({s.start, c});
    return out;
}

} // namespace zelvane
