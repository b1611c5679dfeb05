// The history's file opened for writing or for reading, brought up to date
// and pruned; its connection and compiled statements; an itinerary's row.
#include "history/HistoryStore.h"

#include "history/HistoryDb.h"
#include "history/HistorySchema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace zelvane {

namespace {

// What quick_check found, without the line naming the database.
QString damageFound(const QString& report)
{
    QStringList lines = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("*** in database")); });
    return lines.join(QStringLiteral("; "));
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

using history::fileIsBad;
using history::reason;

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

} // namespace zelvane
