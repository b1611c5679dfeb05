#include "notify/Outbox.h"

#include "app/PrivateFiles.h"
#include "app/WholeFile.h"
#include "notify/Push.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <algorithm>
#include <cerrno>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace zelvane {

namespace {

const QString kFileName = QStringLiteral("outbox.sqlite");
// Room kept beside the outbox for the one write that must not fail: a
// session's alerts and what they tell, on a disk that filled up.
const QString kReserveName = QStringLiteral("outbox.reserve");
constexpr qint64 kReserveBytes = 256 * 1024;
// How often an entry held by another live sender is looked at again.
constexpr qint64 kLeaseLookMs = 5000;

QString topicText(OutboxEntry::Topic t)
{
    switch (t) {
    case OutboxEntry::Topic::Results: return QStringLiteral("Results");
    case OutboxEntry::Topic::Seats: return QStringLiteral("Seats found");
    case OutboxEntry::Topic::LoginWarning: return QStringLiteral("Login warning");
    case OutboxEntry::Topic::SiteNotice: return QStringLiteral("Site notice");
    case OutboxEntry::Topic::PagesNotice: return QStringLiteral("Result pages notice");
    }
    return {};
}

QString formText(OutboxEntry::Form f)
{
    switch (f) {
    case OutboxEntry::Form::Push: return QStringLiteral("push");
    case OutboxEntry::Form::Desktop: return QStringLiteral("desktop note");
    default: return QStringLiteral("e-mail");
    }
}

// SQLite's SQLITE_FULL is told as what it is.
QString sqlReason(const QSqlError& e)
{
    if (e.nativeErrorCode() == QLatin1String("13"))
        return kDataFolderFull;
    return e.text();
}

// How often what memory alone holds is tried to be written.
constexpr qint64 kUnstoredLookMs = 30000;

QString timeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeFrom(const QVariant& v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
}

qint64 ownPid()
{
    return QCoreApplication::applicationPid();
}

bool processAlive(qint64 pid)
{
#ifndef Q_OS_WIN
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    return pid > 0;
#endif
}

// A seat push's lines; an entry of an older copy has its text alone.
QList<PushLine> linesOf(const OutboxEntry& e)
{
    const QJsonArray lines = e.payload.value(QLatin1String("lines")).toArray();
    if (!lines.isEmpty())
        return pushLinesFromJson(lines);
    const QString text = e.payload.value(QLatin1String("text")).toString();
    return {{text, text, e.created, false}};
}

void setLines(OutboxEntry& e, const QList<PushLine>& lines)
{
    e.payload.insert(QStringLiteral("lines"), pushLinesJson(lines));
    e.payload.insert(QStringLiteral("text"), pushText(lines, false));
}

// A connection of its own to an outbox file that is there; nothing otherwise.
class FileConnection {
public:
    explicit FileConnection(const QString& path)
        : name_(QStringLiteral("outbox-file-%1").arg(quintptr(this)))
    {
        if (!QFile::exists(path))
            return;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        open_ = db.open();
    }
    ~FileConnection()
    {
        if (!QSqlDatabase::contains(name_))
            return;
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    bool run(const QString& sql, const QVariantList& values)
    {
        if (!open_)
            return false;
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        return q.exec();
    }

private:
    QString name_;
    bool open_ = false;
};

} // namespace

QString OutboxEntry::describe() const
{
    return topicText(topic) + QLatin1Char(' ') + formText(form) + QStringLiteral(" of ")
           + created.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

int retryMinutes(int failedTries)
{
    int minutes = 1;
    for (int i = 1; i < failedTries && minutes < 60; ++i)
        minutes *= 2;
    return std::min(minutes, 60);
}

Outbox::Outbox() : connection_(QStringLiteral("outbox-%1").arg(quintptr(this))) {}

Outbox::~Outbox()
{
    close();
}

bool Outbox::open(const QString& folder)
{
    close();
    path_ = QDir(folder).filePath(kFileName);
    error_.clear();
    entries_.clear();
    unstored_.clear();
    unremoved_.clear();
    toldUnstored_.clear();
    // Made with the first alert that waits, not before.
    if (!QFile::exists(path_))
        return true;
    if (!openFile())
        return false;
    load();
    return true;
}

bool Outbox::openFile()
{
    error_.clear();
    // Born private, and an older file made private: it holds the mails.
    if (QFile::exists(path_))
        keepPrivate(path_);
    else
        createPrivate(path_);
    keepPrivate(path_ + QStringLiteral("-journal"));
    keepPrivate(reservePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        QSqlQuery q(db);
        if (!db.open()
            || !q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox(id INTEGER PRIMARY KEY, "
                                      "topic INTEGER, form INTEGER, payload TEXT, created TEXT, "
                                      "tries INTEGER, next_try TEXT, last_reason TEXT, last_try TEXT, "
                                      "leased_until TEXT, lease_pid INTEGER, lease_host TEXT)"))) {
            error_ = sqlReason(db.isOpen() ? q.lastError() : db.lastError());
        } else {
            // The memory of what was told, written with the alerts that tell
            // it; an older file gains it when it can (a full disk may not
            // let it now, which stops nothing else).
            q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS told(id INTEGER PRIMARY KEY, body BLOB)"));
            // A file of an earlier version gains the columns it lacks; older
            // copies read the columns they know.
            QStringList columns;
            q.exec(QStringLiteral("PRAGMA table_info(outbox)"));
            while (q.next())
                columns << q.value(1).toString();
            for (const char* column : {"last_try TEXT", "leased_until TEXT", "lease_pid INTEGER", "lease_host TEXT"}) {
                const QString c = QString::fromLatin1(column);
                if (!columns.contains(c.section(QLatin1Char(' '), 0, 0)))
                    q.exec(QStringLiteral("ALTER TABLE outbox ADD COLUMN ") + c);
            }
        }
    }
    if (!error_.isEmpty()) {
        QSqlDatabase::removeDatabase(connection_);
        return false;
    }
    makeReserve();
    return true;
}

QString Outbox::reservePath() const
{
    return QFileInfo(path_).absoluteDir().filePath(kReserveName);
}

void Outbox::makeReserve()
{
#ifndef Q_OS_WIN
    if (path_.isEmpty() || QFile::exists(reservePath()))
        return;
    const QByteArray name = QFile::encodeName(reservePath());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool ok = ::posix_fallocate(fd, 0, kReserveBytes) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    // Only whole, or not at all: a disk without the room keeps none.
    if (!ok)
        ::unlink(name.constData());
#endif
}

void Outbox::close()
{
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

void Outbox::load()
{
    entries_.clear();
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT id, topic, form, payload, created, tries, next_try, last_reason, "
                               "last_try, leased_until, lease_pid, lease_host FROM outbox ORDER BY id")))
        return;
    while (q.next()) {
        OutboxEntry e;
        e.id = q.value(0).toLongLong();
        e.topic = OutboxEntry::Topic(q.value(1).toInt());
        e.form = OutboxEntry::Form(q.value(2).toInt());
        e.payload = QJsonDocument::fromJson(q.value(3).toString().toUtf8()).object();
        e.created = timeFrom(q.value(4));
        e.tries = q.value(5).toInt();
        e.nextTry = timeFrom(q.value(6));
        e.lastReason = q.value(7).toString();
        e.lastTry = timeFrom(q.value(8));
        e.lease = {timeFrom(q.value(9)), q.value(10).toLongLong(), q.value(11).toString()};
        entries_ << e;
        nextId_ = std::max(nextId_, e.id + 1);
    }
}

bool Outbox::ensureFile()
{
    return QSqlDatabase::contains(connection_) || (!path_.isEmpty() && openFile());
}

bool Outbox::exec(QSqlQuery& q)
{
    if (q.exec())
        return true;
    error_ = sqlReason(q.lastError());
    if (inTransaction_)
        transactionFailed_ = true;
    return false;
}

bool Outbox::store(const OutboxEntry& e)
{
    // An outbox of no folder keeps its entries in memory by design.
    if (path_.isEmpty())
        return true;
    bool ok = ensureFile();
    if (ok) {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO outbox(id, topic, form, payload, created, tries, "
                                 "next_try, last_reason, last_try, leased_until, lease_pid, lease_host) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& v : {QVariant(e.id), QVariant(int(e.topic)), QVariant(int(e.form)),
                                  QVariant(QString::fromUtf8(QJsonDocument(e.payload).toJson(QJsonDocument::Compact))),
                                  QVariant(timeText(e.created)), QVariant(e.tries), QVariant(timeText(e.nextTry)),
                                  QVariant(e.lastReason), QVariant(timeText(e.lastTry)),
                                  QVariant(timeText(e.lease.until)), QVariant(e.lease.pid), QVariant(e.lease.host)})
            q.addBindValue(v);
        ok = exec(q);
    } else if (inTransaction_) {
        transactionFailed_ = true;
    }
    if (inTransaction_) {
        stored_ << e.id;
        return ok;
    }
    if (ok)
        unstored_.remove(e.id);
    else
        unstored_.insert(e.id);
    return ok;
}

void Outbox::remove(qint64 id)
{
    entries_.removeIf([id](const OutboxEntry& e) { return e.id == id; });
    unstored_.remove(id);
    if (!QSqlDatabase::contains(connection_)) {
        // The file may hold it still: it goes when the file can be written.
        if (QFile::exists(path_))
            unremoved_.insert(id);
        return;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ?"));
    q.addBindValue(id);
    const bool ok = exec(q);
    if (inTransaction_)
        removed_ << id;
    else if (!ok)
        unremoved_.insert(id);
    else
        unremoved_.remove(id);
}

void Outbox::begin()
{
    inTransaction_ = true;
    transactionFailed_ = false;
    stored_.clear();
    removed_.clear();
    if (path_.isEmpty())
        return;
    if (!ensureFile()) {
        transactionFailed_ = true;
        return;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        error_ = sqlReason(q.lastError());
        transactionFailed_ = true;
    }
}

bool Outbox::commit()
{
    inTransaction_ = false;
    bool ok = !transactionFailed_;
    if (QSqlDatabase::contains(connection_)) {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        if (ok && !q.exec(QStringLiteral("COMMIT"))) {
            error_ = sqlReason(q.lastError());
            ok = false;
        }
        if (!ok)
            q.exec(QStringLiteral("ROLLBACK"));
    }
    // Undone as a whole: memory keeps what the file did not take.
    for (qint64 id : std::as_const(stored_)) {
        if (ok || !contains(id))
            unstored_.remove(id);
        else
            unstored_.insert(id);
    }
    for (qint64 id : std::as_const(removed_)) {
        if (ok)
            unremoved_.remove(id);
        else
            unremoved_.insert(id);
    }
    stored_.clear();
    removed_.clear();
    return ok;
}

bool Outbox::writeUnstored()
{
    if (unstored_.isEmpty() && unremoved_.isEmpty() && toldUnstored_.isEmpty())
        return true;
    begin();
    const QSet<qint64> ids = unstored_;
    for (const OutboxEntry& e : std::as_const(entries_))
        if (ids.contains(e.id))
            store(e);
    const QSet<qint64> gone = unremoved_;
    for (qint64 id : gone) {
        if (!QSqlDatabase::contains(connection_))
            break;
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ?"));
        q.addBindValue(id);
        exec(q);
        removed_ << id;
    }
    const QByteArray told = toldUnstored_;
    if (!told.isEmpty())
        storeTold(told);
    const bool ok = commit();
    if (ok && toldUnstored_ == told)
        toldUnstored_.clear();
    return ok;
}

bool Outbox::storeTold(const QByteArray& told)
{
    if (path_.isEmpty())
        return true;
    if (!QSqlDatabase::contains(connection_)) {
        transactionFailed_ = true;
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO told(id, body) VALUES(1, ?)"));
    q.addBindValue(told);
    return exec(q);
}

QList<OutboxEntry> Outbox::keep(QList<OutboxEntry> entries, const QByteArray& told, const QDateTime& now)
{
    // What an earlier session left in memory goes first, in its own transaction.
    writeUnstored();
    begin();
    QList<OutboxEntry> kept;
    for (OutboxEntry& e : entries)
        kept << add(std::move(e), now);
    if (!told.isEmpty()) {
        toldUnstored_ = told;
        storeTold(told);
    }
    spentReserve_ = false;
    if (commit()) {
        toldUnstored_.clear();
        makeReserve(); // room again, after a session that spent it
    } else if (error_ == kDataFolderFull && QFile::remove(reservePath())) {
        // The disk is full: the room kept for this takes the session, the
        // user is told, and the room is kept again once there is some.
        spentReserve_ = true;
        writeUnstored();
    }
    for (OutboxEntry& e : kept)
        for (const OutboxEntry& w : std::as_const(entries_))
            if (w.id == e.id)
                e = w;
    return kept;
}

QByteArray Outbox::toldWaiting() const
{
    if (!toldUnstored_.isEmpty())
        return toldUnstored_;
    if (!QSqlDatabase::contains(connection_))
        return {};
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT body FROM told WHERE id = 1")) || !q.next())
        return {};
    return q.value(0).toByteArray();
}

void Outbox::toldWritten()
{
    toldUnstored_.clear();
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // Left there, it is only written again: the same text.
    q.exec(QStringLiteral("DELETE FROM told"));
}

bool Outbox::leasedElsewhere(const OutboxEntry& e, const QDateTime& now)
{
    const OutboxEntry::Lease& l = e.lease;
    if (!l.until.isValid() || l.until <= now)
        return false;
    const bool here = l.host.isEmpty() || l.host == QSysInfo::machineHostName();
    if (here && l.pid == ownPid())
        return false;
    // A sender on another machine is believed until its deadline.
    return !here || processAlive(l.pid);
}

void Outbox::mergeSeatPushes(OutboxEntry& into, const QDateTime& now)
{
    QList<PushLine> older;
    QList<qint64> merged;
    for (const OutboxEntry& e : std::as_const(entries_)) {
        // One a sender holds may be delivered any moment: it stays apart.
        if (e.id == into.id || !e.isSeatsPush() || (e.lease.until.isValid() && e.lease.until > now))
            continue;
        older = mergePushLines(older, linesOf(e));
        merged << e.id;
    }
    if (merged.isEmpty())
        return;
    setLines(into, mergePushLines(older, linesOf(into)));
    for (qint64 id : merged)
        remove(id);
}

OutboxEntry Outbox::add(OutboxEntry entry, const QDateTime& now)
{
    if (entry.topic != OutboxEntry::Topic::Seats) {
        QList<qint64> obsolete;
        for (const OutboxEntry& e : std::as_const(entries_))
            if (e.topic == entry.topic && e.form == entry.form)
                obsolete << e.id;
        for (qint64 id : obsolete)
            remove(id);
    }
    entry.id = nextId_++;
    entry.created = entry.created.isValid() ? entry.created : now;
    entry.tries = 0;
    entry.nextTry = now;
    entry.lastTry = QDateTime();
    entry.lease = {};
    if (entry.isSeatsPush())
        mergeSeatPushes(entry, now);
    entries_ << entry;
    store(entry);
    return entry;
}

Outbox::Take Outbox::lease(qint64 id, const QDateTime& until, const QDateTime& now)
{
    if (unstored_.contains(id))
        writeUnstored();
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [id](const OutboxEntry& e) { return e.id == id; });
    if (it == entries_.end())
        return Take::Gone;
    const OutboxEntry::Lease mine{until, ownPid(), QSysInfo::machineHostName()};
    // Only memory holds it (no file, or a full disk): no other program knows it.
    if (!QSqlDatabase::contains(connection_) || unstored_.contains(id)) {
        if (leasedElsewhere(*it, now))
            return Take::HeldElsewhere;
        it->lease = mine;
        return Take::Taken;
    }
    // As the file has it now: another program may have sent it meanwhile.
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    const bool locked = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    // Another program writes the file this very moment (past the busy
    // wait): it may be taking this entry; it is looked at again later.
    if (!locked) {
        const QString code = q.lastError().nativeErrorCode();
        if (code == QLatin1String("5") || code == QLatin1String("6"))
            return Take::HeldElsewhere;
    }
    const auto commit = [&q, locked] {
        if (locked && !q.exec(QStringLiteral("COMMIT")))
            q.exec(QStringLiteral("ROLLBACK"));
    };
    q.prepare(QStringLiteral("SELECT leased_until, lease_pid, lease_host FROM outbox WHERE id = ?"));
    q.addBindValue(id);
    if (q.exec()) {
        if (!q.next()) {
            q.finish();
            commit();
            entries_.erase(it);
            return Take::Gone;
        }
        it->lease = {timeFrom(q.value(0)), q.value(1).toLongLong(), q.value(2).toString()};
        q.finish();
    }
    if (leasedElsewhere(*it, now)) {
        commit();
        return Take::HeldElsewhere;
    }
    it->lease = mine;
    q.prepare(QStringLiteral("UPDATE outbox SET leased_until = ?, lease_pid = ?, lease_host = ? WHERE id = ?"));
    for (const QVariant& v : {QVariant(timeText(mine.until)), QVariant(mine.pid), QVariant(mine.host), QVariant(id)})
        q.addBindValue(v);
    // A lease the file could not take (a full disk) is held here all the same.
    if (!q.exec())
        error_ = sqlReason(q.lastError());
    commit();
    return Take::Taken;
}

void Outbox::delivered(qint64 id)
{
    remove(id);
}

void Outbox::failed(qint64 id, const QString& reason, const QDateTime& now)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [id](const OutboxEntry& e) { return e.id == id; });
    if (it == entries_.end())
        return;
    ++it->tries;
    it->lastReason = reason;
    it->lastTry = now;
    it->lease = {};
    const qint64 pauseMs = qint64(60000.0 * retryMinutes(it->tries) * pauseScale_);
    it->nextTry = now.addMSecs(std::max<qint64>(pauseMs, 1));
    OutboxEntry e = *it;
    if (e.isSeatsPush()) {
        // A newer seat push came while this one was tried: they go as one.
        const auto newer = std::find_if(entries_.crbegin(), entries_.crend(), [&e, &now](const OutboxEntry& n) {
            return n.id > e.id && n.isSeatsPush() && !(n.lease.until.isValid() && n.lease.until > now);
        });
        if (newer != entries_.crend()) {
            OutboxEntry into = *newer;
            mergeSeatPushes(into, now);
            for (OutboxEntry& n : entries_)
                if (n.id == into.id)
                    n = into;
            store(into);
            return;
        }
    }
    store(e);
}

void Outbox::drop(OutboxEntry::Topic topic)
{
    QList<qint64> ids;
    for (const OutboxEntry& e : std::as_const(entries_))
        if (e.topic == topic)
            ids << e.id;
    for (qint64 id : ids)
        remove(id);
}

bool Outbox::contains(qint64 id) const
{
    return std::any_of(entries_.cbegin(), entries_.cend(), [id](const OutboxEntry& e) { return e.id == id; });
}

QList<OutboxEntry> Outbox::waiting() const
{
    return entries_;
}

QList<OutboxEntry> Outbox::due(const QDateTime& now, const QDateTime& dueBy) const
{
    QList<OutboxEntry> due;
    for (const OutboxEntry& e : entries_)
        if (e.nextTry <= dueBy && !held(e, now))
            due << e;
    return due;
}

bool Outbox::held(const OutboxEntry& e, const QDateTime& now)
{
    const bool mine = e.lease.pid == ownPid()
                      && (e.lease.host.isEmpty() || e.lease.host == QSysInfo::machineHostName());
    return e.lease.until.isValid() && e.lease.until > now && (mine || leasedElsewhere(e, now));
}

QDateTime Outbox::nextDue(const QDateTime& now) const
{
    QDateTime next;
    // What memory alone holds is written once the disk has room again.
    if (!unstored_.isEmpty() || !unremoved_.isEmpty() || !toldUnstored_.isEmpty())
        next = now.addMSecs(kUnstoredLookMs);
    for (const OutboxEntry& e : entries_) {
        // One this program is sending comes back when its try ends.
        if (held(e, now) && !leasedElsewhere(e, now))
            continue;
        const QDateTime at = leasedElsewhere(e, now)
                                 ? std::min(e.lease.until, now.addMSecs(kLeaseLookMs))
                                 : e.nextTry;
        if (!next.isValid() || at < next)
            next = at;
    }
    return next;
}

QString Outbox::summary() const
{
    if (entries_.isEmpty())
        return {};
    // The reason of the try that came last, whichever entry it was.
    const OutboxEntry* last = nullptr;
    for (const OutboxEntry& e : entries_)
        if (!e.lastReason.isEmpty() && (!last || e.lastTry >= last->lastTry))
            last = &e;
    const int n = int(entries_.size());
    QString text = n == 1 ? QStringLiteral("1 alert waiting to be sent")
                          : QStringLiteral("%1 alerts waiting to be sent").arg(n);
    // Kept in memory only: lost if this program ends before the disk has room.
    if (!unstored_.isEmpty())
        text += QStringLiteral(" (%1 kept in memory only: %2)")
                    .arg(unstored_.size() == n ? QStringLiteral("all") : QString::number(unstored_.size()),
                         error_.isEmpty() ? QStringLiteral("the outbox file could not be written") : error_);
    return last ? text + QStringLiteral(": ") + last->lastReason : text;
}

void Outbox::takeOverLease(const QString& path, qint64 id)
{
    FileConnection file(path);
    file.run(QStringLiteral("UPDATE outbox SET lease_pid = ?, lease_host = ? WHERE id = ?"),
             {ownPid(), QSysInfo::machineHostName(), id});
}

void Outbox::markDelivered(const QString& path, qint64 id)
{
    FileConnection file(path);
    file.run(QStringLiteral("DELETE FROM outbox WHERE id = ?"), {id});
}

} // namespace zelvane
