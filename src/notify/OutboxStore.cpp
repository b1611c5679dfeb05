// The outbox's file: opening it, the room kept beside it, writing and
// removing entries in transactions, and what memory holds while the file
// cannot take it.
#include "notify/Outbox.h"
#include "notify/OutboxStore.h"

#include "app/PrivateFiles.h"
#include "app/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zelvane {

namespace outbox {

QString sqlReason(const QSqlError& e)
{
    if (e.nativeErrorCode() == QLatin1String("13"))
        return kDataFolderFull;
    return e.text();
}

QString timeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeFrom(const QVariant& v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
}

} // namespace outbox

namespace {

const QString kFileName = QStringLiteral("outbox.sqlite");
// Room kept beside the outbox for the one write that must not fail: a
// session's alerts and what they tell, on a disk that filled up.
const QString kReserveName = QStringLiteral("outbox.reserve");
constexpr qint64 kReserveBytes = 256 * 1024;

} // namespace

using outbox::sqlReason;
using outbox::timeFrom;
using outbox::timeText;

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

} // namespace zelvane
