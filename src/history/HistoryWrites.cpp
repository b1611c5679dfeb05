// The history's write side: a session's checks in one transaction, tried
// again while another program holds the file, and kept in memory while the
// file cannot take them.
#include "history/HistoryStore.h"

#include "history/HistoryDb.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QVariant>

namespace zelvane {

namespace {

// How long a statement waits for another connection's lock, and how often a
// session's transaction is tried while the database stays busy.
constexpr int kWriteAttempts = 2;
// Sessions kept in memory while the file cannot be written: a month at the
// shortest interval, so a history broken for long cannot eat the memory.
constexpr int kUnsavedSessionsKept = 60;
// Flight tables whose ids are kept in memory: most checks find the table
// their itinerary had last time.
constexpr int kKnownTables = 4096;

// Another connection holds the lock: worth waiting for and trying again.
bool isBusy(int code)
{
    const int primary = code & 0xff;
    return primary == 5    // SQLITE_BUSY
        || primary == 6;   // SQLITE_LOCKED
}

// SQLite says "disk I/O error" for a write the disk had no room for, at
// times: the disk itself tells the real reason.
bool dataFolderFull(const QString& folder, int sqliteCode)
{
    if ((sqliteCode & 0xff) == 13) // SQLITE_FULL
        return true;
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.isReady() && !disk.isReadOnly() && disk.bytesAvailable() < 64 * 1024;
}

QString flightsText(const QList<QStringList>& flights)
{
    QJsonArray rows;
    for (const QStringList& r : flights)
        rows.append(QJsonArray::fromStringList(r));
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

} // namespace

using history::fileIsBad;
using history::reason;

bool HistoryStore::writeSession(const QDateTime& start, bool completed,
                                const QList<CheckRecord>& checks)
{
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // The write lock is taken first, through the busy wait: a transaction
    // that read first is refused at once when another one wrote meanwhile.
    if (!Db::run(q, QStringLiteral("BEGIN IMMEDIATE"), *this))
        return false;
    const auto rollback = [&] {
        db.rollback();
        // Ids made in this transaction are gone.
        itineraryIds_.clear();
        tableIds_.clear();
        return false;
    };
    q.prepare(QStringLiteral("INSERT INTO sessions(started, completed) VALUES(?, ?)"));
    q.addBindValue(start.toSecsSinceEpoch());
    q.addBindValue(completed ? 1 : 0);
    if (!Db::run(q, *this))
        return rollback();
    const qint64 session = q.lastInsertId().toLongLong();

    QSqlQuery addTable(db), findTable(db), addCheck(db);
    findTable.setForwardOnly(true);
    addTable.prepare(QStringLiteral("INSERT OR IGNORE INTO flight_tables(rows) VALUES(?)"));
    findTable.prepare(QStringLiteral("SELECT id FROM flight_tables WHERE rows = ?"));
    addCheck.prepare(QStringLiteral("INSERT INTO checks(session, position, day, itinerary,"
                                    " outcome, flights, leg, cabins) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const CheckRecord& c : checks) {
        const std::optional<qint64> itinerary = itineraryId(c.key, true);
        if (!itinerary)
            return rollback();
        QVariant table(QMetaType::fromType<qint64>());
        if (!c.flights.isEmpty()) {
            const QString text = flightsText(c.flights);
            if (const auto known = tableIds_.constFind(text); known != tableIds_.constEnd()) {
                table = *known;
            } else {
                addTable.addBindValue(text);
                findTable.addBindValue(text);
                if (!Db::run(addTable, *this) || !Db::run(findTable, *this) || !findTable.next())
                    return rollback();
                table = findTable.value(0);
                findTable.finish();
                if (tableIds_.size() > kKnownTables)
                    tableIds_.clear();
                tableIds_.insert(text, table.toLongLong());
            }
        }
        addCheck.addBindValue(session);
        addCheck.addBindValue(c.position);
        addCheck.addBindValue(c.day);
        addCheck.addBindValue(*itinerary);
        addCheck.addBindValue(int(c.outcome));
        addCheck.addBindValue(table);
        addCheck.addBindValue(c.leg);
        addCheck.addBindValue(c.seatCabins ? QVariant(c.seatCabins->join(QLatin1Char(',')))
                                           : QVariant(QMetaType::fromType<QString>()));
        if (!Db::run(addCheck, *this))
            return rollback();
    }
    if (!db.commit()) {
        error_ = reason(db.lastError());
        lastCode_ = db.lastError().nativeErrorCode().toInt();
        return rollback();
    }
    return true;
}

bool HistoryStore::writeWithRetry(const Session& session)
{
    for (int attempt = 1;; ++attempt) {
        if (writeSession(session.start, session.completed, session.checks))
            return true;
        if (!isBusy(lastCode_) || attempt == kWriteAttempts)
            return false;
    }
}

bool HistoryStore::writeUnsaved(const QDateTime& now)
{
    if (!open_ || readOnly_)
        return false;
    bool movedAside = false;
    while (!unsaved_.isEmpty()) {
        if (writeWithRetry(unsaved_.first())) {
            unsaved_.removeFirst();
            continue;
        }
        // Busy, read-only, full: the file stays open for reading, and the
        // sessions wait for the next write.
        if (movedAside || !fileIsBad(lastCode_))
            return false;
        // A file that went bad under us is moved aside, once, and the
        // sessions go into a new one.
        const QString why = error_;
        if (!moveAside(now, why) || !openFile(true) || !prepareForWriting(now)) {
            disconnect();
            return false;
        }
        movedAside = open_ = true;
    }
    toldUnsaved_ = false; // the next failure is told again
    return true;
}

void HistoryStore::recordSession(const QDateTime& start, bool completed, const QList<CheckRecord>& checks)
{
    // A file that could not be opened before may be back; a missing one is
    // made now.
    if (!open_ && !off_ && !readOnly_ && (!checks.isEmpty() || QFile::exists(path_)))
        openFileForWriting(start);
    if (checks.isEmpty() || readOnly_)
        return;
    unsaved_.append({start, completed, checks});
    if (unsaved_.size() > kUnsavedSessionsKept)
        unsaved_.removeFirst();
    if (!writeUnsaved(start) && !off_ && !std::exchange(toldUnsaved_, true)) {
        const QString companion = unwritableCompanion();
        tell(QStringLiteral("History Not Saved: ")
             + (companion.isEmpty() ? (dataFolderFull(folder_, lastCode_) ? QStringLiteral("the data folder is full")
                                                                          : error_)
                                    : QStringLiteral("%1 is read-only and could not be made writable")
                                          .arg(companion)));
    }
}

bool HistoryStore::hasUnsaved() const
{
    return !unsaved_.isEmpty() && !off_;
}

bool HistoryStore::saveUnsaved(const QDateTime& now)
{
    if (unsaved_.isEmpty())
        return true;
    if (off_ || (!open_ && !openFileForWriting(now)))
        return false;
    return writeUnsaved(now);
}

} // namespace zelvane
