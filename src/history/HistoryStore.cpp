#include "history/HistoryStore.h"

#include "history/HistorySchema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

// SQLite's primary result codes that mean the file itself is damaged. Any
// other failure (busy, read-only, a full disk, a file that cannot be opened
// now) says nothing about the file, which is kept as it is.
bool fileIsBad(int code)
{
    const int primary = code & 0xff;
    return primary == 11   // SQLITE_CORRUPT
        || primary == 26;  // SQLITE_NOTADB
}

// Another connection holds the lock: worth waiting for and trying again.
bool isBusy(int code)
{
    const int primary = code & 0xff;
    return primary == 5    // SQLITE_BUSY
        || primary == 6;   // SQLITE_LOCKED
}

// SQLite's own words ("file is not a database"), without Qt's.
// SQLite says "disk I/O error" for a write the disk had no room for, at
// times: the disk itself tells the real reason.
bool dataFolderFull(const QString& folder, int sqliteCode)
{
    if ((sqliteCode & 0xff) == 13) // SQLITE_FULL
        return true;
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.isReady() && !disk.isReadOnly() && disk.bytesAvailable() < 64 * 1024;
}

QString reason(const QSqlError& e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

// What quick_check found, without the line naming the database.
QString damageFound(const QString& report)
{
    QStringList lines = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("*** in database")); });
    return lines.join(QStringLiteral("; "));
}

QString flightsText(const QList<QStringList>& flights)
{
    QJsonArray rows;
    for (const QStringList& r : flights)
        rows.append(QJsonArray::fromStringList(r));
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

// A null text would bind as NULL.
QString watchText(const ItineraryKey& k)
{
    return k.watch.isEmpty() ? QStringLiteral("") : k.watch;
}

void bindKey(QSqlQuery& q, const ItineraryKey& k)
{
    q.addBindValue(k.origin);
    q.addBindValue(k.destination);
    q.addBindValue(k.date);
    q.addBindValue(k.time);
    q.addBindValue(k.cabin);
}

} // namespace

QString outcomeName(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::Available: return QStringLiteral("available");
    case CheckOutcome::NotAvailable: return QStringLiteral("not available");
    case CheckOutcome::LoggedOut: return QStringLiteral("not checked (logged out)");
    case CheckOutcome::Unreadable: return QStringLiteral("not checked (page not read)");
    case CheckOutcome::Failed: break;
    }
    return QStringLiteral("not checked (failed)");
}

size_t qHash(const ItineraryKey& k, size_t seed)
{
    return qHashMulti(seed, k.origin, k.destination, k.date, k.time, k.cabin, k.adults, k.watch);
}

// Keeps the last SQL error of a store: its text and SQLite's code.
struct HistoryStore::Db {
    static bool run(QSqlQuery& q, HistoryStore& store)
    {
        if (q.exec())
            return true;
        ++store.failures_;
        store.error_ = reason(q.lastError());
        store.lastCode_ = q.lastError().nativeErrorCode().toInt();
        return false;
    }
    static bool run(QSqlQuery& q, const QString& sql, HistoryStore& store)
    {
        if (q.exec(sql))
            return true;
        ++store.failures_;
        store.error_ = reason(q.lastError());
        store.lastCode_ = q.lastError().nativeErrorCode().toInt();
        return false;
    }
};

HistoryStore::HistoryStore() = default;

HistoryStore::~HistoryStore()
{
    close();
}

QSqlDatabase HistoryStore::database() const
{
    return QSqlDatabase::database(connection_, false);
}

void HistoryStore::close()
{
    // Sessions not yet written get one more try, and the journal goes into
    // the file, which a backup then copies alone.
    if (!unsaved_.isEmpty() && !off_ && !readOnly_
        && (open_ || openFileForWriting(unsaved_.last().start)))
        writeUnsaved(unsaved_.last().start);
    if (open_ && !readOnly_)
        checkpoint();
    disconnect();
    unsaved_.clear();
}

QSqlQuery& HistoryStore::statement(const QString& sql) const
{
    auto [it, made] = statements_.try_emplace(sql, database());
    QSqlQuery& q = it->second;
    // One that failed (to compile, or the file was busy) is compiled again.
    if (made || q.lastError().isValid()) {
        q.setForwardOnly(true);
        q.prepare(sql);
    }
    return q;
}

void HistoryStore::disconnect()
{
    // Before the connection goes: they belong to it.
    statements_.clear();
    if (!connection_.isEmpty()) {
        {
            QSqlDatabase db = database();
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
        connection_.clear();
    }
    open_ = false;
    createLater_ = false;
    itineraryIds_.clear();
    tableIds_.clear();
}

QString HistoryStore::takeNotice()
{
    return std::exchange(notice_, QString());
}

void HistoryStore::fail(const QString& why)
{
    disconnect();
    off_ = true;
    tell(QStringLiteral("History not kept: ") + why);
}

void HistoryStore::tell(const QString& text)
{
    // Told through notice() alone: the windows and the headless check each
    // show it once, where their user looks.
    notice_ = notice_.isEmpty() ? text : notice_ + QStringLiteral("; ") + text;
}

void HistoryStore::checkpoint()
{
    QSqlQuery q(database());
    Db::run(q, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), *this);
}

QSqlDatabase HistoryStore::addConnection(bool forWriting)
{
    disconnect();
    static QAtomicInt serial;
    connection_ = QStringLiteral("zelvane-history-%1").arg(serial.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyWait_.count());
    if (!forWriting)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    readOnly_ = !forWriting;
    return db;
}

bool HistoryStore::openFile(bool forWriting)
{
    QSqlDatabase db = addConnection(forWriting);
    if (db.open())
        return true;
    error_ = reason(db.lastError());
    lastCode_ = db.lastError().nativeErrorCode().toInt();
    return false;
}

int HistoryStore::schemaVersion()
{
    QSqlQuery q(database());
    if (!Db::run(q, QStringLiteral("PRAGMA user_version"), *this) || !q.next())
        return -1;
    return q.value(0).toInt();
}

bool HistoryStore::prepareForWriting(const QDateTime& now)
{
    newerSchema_ = false;
    const int version = schemaVersion();
    if (version < 0)
        return false;
    if (version > kSchemaVersion) {
        newerSchema_ = true;
        error_ = QStringLiteral("%1 was written by a newer Zelvane").arg(kHistoryFile);
        return false;
    }
    QSqlQuery q(database());
    if (!Db::run(q, QStringLiteral("PRAGMA quick_check"), *this))
        return false;
    if (!q.next() || q.value(0).toString() != QLatin1String("ok")) {
        error_ = QStringLiteral("the file is damaged");
        lastCode_ = 11;
        return false;
    }
    q.finish();
    // WAL: a kill in the middle of a write leaves the last whole session;
    // NORMAL syncs at checkpoints only, which WAL keeps safe.
    if (!Db::run(q, QStringLiteral("PRAGMA journal_mode=WAL"), *this)
        || !Db::run(q, QStringLiteral("PRAGMA synchronous=NORMAL"), *this))
        return false;
    if (version < kSchemaVersion) {
        // All or nothing: a file left half way would be read by neither version.
        QSqlDatabase db = database();
        db.transaction();
        const auto run = [&] {
            for (const QString& sql : schemaSteps(version))
                if (!Db::run(q, sql, *this))
                    return false;
            return true;
        };
        if (!run() || !Db::run(q, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), *this)
            || !db.commit()) {
            db.rollback();
            return false;
        }
    }
    schema_ = kSchemaVersion;
    // Dropping old checks can wait for a start when nobody holds the file.
    return prune(now) || !fileIsBad(lastCode_);
}

bool HistoryStore::prune(const QDateTime& now)
{
    QSqlDatabase db = database();
    QSqlQuery q(db);
    const qint64 before = now.addDays(-kHistoryKeepDays).toSecsSinceEpoch();
    q.prepare(QStringLiteral("SELECT count(*) FROM sessions WHERE started < ?"));
    q.addBindValue(before);
    if (!Db::run(q, *this) || !q.next())
        return false;
    if (q.value(0).toLongLong() == 0)
        return true;
    q.finish();
    db.transaction();
    const QStringList steps = {
        QStringLiteral("DELETE FROM checks WHERE session IN (SELECT id FROM sessions WHERE started < ?)"),
        QStringLiteral("DELETE FROM sessions WHERE started < ?"),
        QStringLiteral("DELETE FROM itineraries WHERE id NOT IN (SELECT itinerary FROM checks)"),
        QStringLiteral("DELETE FROM flight_tables WHERE id NOT IN"
                       " (SELECT flights FROM checks WHERE flights IS NOT NULL)"),
    };
    for (const QString& sql : steps) {
        q.prepare(sql);
        if (sql.contains(QLatin1Char('?')))
            q.addBindValue(before);
        if (!Db::run(q, *this)) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

bool HistoryStore::open(const QString& folder, const QDateTime& now)
{
    close();
    off_ = false;
    toldUnsaved_ = false;
    folder_ = folder;
    path_ = QDir(folder).filePath(kHistoryFile);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        fail(QStringLiteral("Qt's SQLite driver is not installed"));
        return false;
    }
    // A start leaves no file behind: it is made with the first session. The
    // connection and a query on it are made now all the same: Qt makes its
    // SQL state when first asked, and exit() tears down what was made last
    // first, so a hook set up after this start that closes the store at exit
    // still finds that state there.
    if (!QFile::exists(path_)) {
        const QSqlQuery madeNow(addConnection(true));
        createLater_ = true;
        return true;
    }
    return openFileForWriting(now);
}

bool HistoryStore::openFileForWriting(const QDateTime& now)
{
    const bool existed = QFile::exists(path_);
    repairModes();
    if (openFile(true) && prepareForWriting(now)) {
        createLater_ = false;
        return open_ = true;
    }
    if (newerSchema_) {
        fail(error_);
        return false;
    }
    // Busy, read-only, full: the file stays as it is and is tried again later.
    const QString why = error_;
    if (!existed || !fileIsBad(lastCode_) || !moveAside(now, why)) {
        disconnect();
        return false;
    }
    if (openFile(true) && prepareForWriting(now))
        return open_ = true;
    disconnect();
    return false;
}

bool HistoryStore::openForReading(const QString& folder)
{
    close();
    folder_ = folder;
    path_ = QDir(folder).filePath(kHistoryFile);
    holdsNothing_ = false;
    if (!QFile::exists(path_)) {
        error_ = QStringLiteral("there is no history yet");
        holdsNothing_ = true;
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        error_ = QStringLiteral("Qt's SQLite driver is not installed");
        return false;
    }
    if (!openFile(false))
        return false;
    const int version = schemaVersion();
    // An older file is read as it is; the next check brings it up to date.
    if (version < 1 || version > kSchemaVersion) {
        if (version > kSchemaVersion)
            error_ = QStringLiteral("it was written by a newer Zelvane");
        else if (version == 0) {
            error_ = QStringLiteral("it holds no history");
            holdsNothing_ = true;
        }
        disconnect();
        return false;
    }
    schema_ = version;
    // The header alone can be whole over damaged tables, which would read as
    // an empty history.
    bool whole = false;
    {
        QSqlQuery q(database());
        if (Db::run(q, QStringLiteral("PRAGMA quick_check"), *this) && q.next()) {
            whole = q.value(0).toString() == QLatin1String("ok");
            if (!whole)
                error_ = QStringLiteral("the file is damaged (%1)").arg(damageFound(q.value(0).toString()));
        }
    }
    if (!whole) {
        disconnect();
        return false;
    }
    return open_ = true;
}

std::optional<qint64> HistoryStore::itineraryId(const ItineraryKey& key, bool create)
{
    if (const auto it = itineraryIds_.constFind(key); it != itineraryIds_.constEnd())
        return *it;
    // A file of the first version, read as it is, knows one adult only.
    const bool knowsAdults = schema_ >= 2;
    if (!knowsAdults && key.adults != 1)
        return std::nullopt;
    // The watch's own row, else one recorded before watches were told apart.
    const bool knowsWatches = schema_ >= 4;
    QSqlQuery& find = statement(QStringLiteral("SELECT id%1 FROM itineraries WHERE origin = ? AND destination = ?"
                                              " AND date = ? AND time = ? AND cabin = ?%2%3")
                                   .arg(knowsWatches ? QStringLiteral(", watch") : QString(),
                                        knowsAdults ? QStringLiteral(" AND adults = ?") : QString(),
                                        knowsWatches ? QStringLiteral(" AND watch IN (?, '') ORDER BY watch = '' LIMIT 1")
                                                     : QString()));
    bindKey(find, key);
    if (knowsAdults)
        find.addBindValue(key.adults);
    if (knowsWatches)
        find.addBindValue(watchText(key));
    const bool found = Db::run(find, *this);
    std::optional<qint64> id;
    bool older = false;
    if (found && find.next()) {
        id = find.value(0).toLongLong();
        older = knowsWatches && find.value(1).toString().isEmpty() && !key.watch.isEmpty();
    }
    find.finish();
    if (!found)
        return std::nullopt;
    QSqlQuery q(database());
    if (create && id && older) {
        // The first watch recorded of a search takes over what was recorded
        // of it before; another watch of the same search starts its own.
        q.prepare(QStringLiteral("UPDATE itineraries SET watch = ? WHERE id = ?"));
        q.addBindValue(key.watch);
        q.addBindValue(*id);
        if (!Db::run(q, *this))
            return std::nullopt;
    } else if (create && !id) {
        q.prepare(QStringLiteral("INSERT INTO itineraries(origin, destination, date, time, cabin, adults, watch)"
                                 " VALUES(?, ?, ?, ?, ?, ?, ?)"));
        bindKey(q, key);
        q.addBindValue(key.adults);
        q.addBindValue(watchText(key));
        if (!Db::run(q, *this))
            return std::nullopt;
        id = q.lastInsertId().toLongLong();
    }
    if (id && (create || !older))
        itineraryIds_.insert(key, *id);
    return id;
}

std::optional<qint64> HistoryStore::itineraryId(const ItineraryKey& key) const
{
    auto* self = const_cast<HistoryStore*>(this);
    const int failures = failures_;
    const std::optional<qint64> id = self->itineraryId(key, false);
    if (failures_ != failures)
        readError_ = error_;
    return id;
}

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
