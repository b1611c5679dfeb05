// Who sends an entry: a sender holds it until its deadline, so no other
// program sends it meanwhile, and the mail program takes over the tray
// program's lease.
#include "notify/Outbox.h"
#include "notify/OutboxStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <algorithm>
#include <cerrno>

#ifndef Q_OS_WIN
#include <signal.h>
#endif

namespace zelvane {

namespace {

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

using outbox::sqlReason;
using outbox::timeFrom;
using outbox::timeText;

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

bool Outbox::held(const OutboxEntry& e, const QDateTime& now)
{
    const bool mine = e.lease.pid == ownPid()
                      && (e.lease.host.isEmpty() || e.lease.host == QSysInfo::machineHostName());
    return e.lease.until.isValid() && e.lease.until > now && (mine || leasedElsewhere(e, now));
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
