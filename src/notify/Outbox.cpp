#include "notify/Outbox.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace zelvane {

namespace {

const QString kFileName = QStringLiteral("outbox.sqlite");

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
    return f == OutboxEntry::Form::Push ? QStringLiteral("push") : QStringLiteral("e-mail");
}

QString timeText(const QDateTime& t)
{
    return t.toString(Qt::ISODateWithMs);
}

QDateTime timeFrom(const QVariant& v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
}

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
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        QSqlQuery q(db);
        if (!db.open()
            || !q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox(id INTEGER PRIMARY KEY, "
                                      "topic INTEGER, form INTEGER, payload TEXT, created TEXT, "
                                      "tries INTEGER, next_try TEXT, last_reason TEXT)"))) {
            error_ = db.isOpen() ? q.lastError().text() : db.lastError().text();
        }
    }
    if (!error_.isEmpty()) {
        QSqlDatabase::removeDatabase(connection_);
        return false;
    }
    return true;
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
    if (!q.exec(QStringLiteral("SELECT id, topic, form, payload, created, tries, next_try, last_reason "
                               "FROM outbox ORDER BY id")))
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
        entries_ << e;
        nextId_ = std::max(nextId_, e.id + 1);
    }
}

void Outbox::store(const OutboxEntry& e)
{
    if (!QSqlDatabase::contains(connection_) && (path_.isEmpty() || !openFile()))
        return;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO outbox(id, topic, form, payload, created, tries, "
                             "next_try, last_reason) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& v : {QVariant(e.id), QVariant(int(e.topic)), QVariant(int(e.form)),
                              QVariant(QString::fromUtf8(QJsonDocument(e.payload).toJson(QJsonDocument::Compact))),
                              QVariant(timeText(e.created)), QVariant(e.tries), QVariant(timeText(e.nextTry)),
                              QVariant(e.lastReason)})
        q.addBindValue(v);
    if (!q.exec())
        error_ = q.lastError().text();
}

void Outbox::remove(qint64 id)
{
    entries_.removeIf([id](const OutboxEntry& e) { return e.id == id; });
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE id = ?"));
    q.addBindValue(id);
    q.exec();
}

OutboxEntry Outbox::add(OutboxEntry entry, const QDateTime& now)
{
    // Every seat opening is its own news; the other topics keep only the newest.
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
    entries_ << entry;
    store(entry);
    return entry;
}

void Outbox::delivered(qint64 id)
{
    remove(id);
}

void Outbox::failed(qint64 id, const QString& reason, const QDateTime& now)
{
    for (OutboxEntry& e : entries_) {
        if (e.id != id)
            continue;
        ++e.tries;
        e.lastReason = reason;
        e.nextTry = now.addSecs(60 * retryMinutes(e.tries));
        store(e);
    }
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

QList<OutboxEntry> Outbox::due(const QDateTime& now) const
{
    QList<OutboxEntry> due;
    for (const OutboxEntry& e : entries_)
        if (e.nextTry <= now)
            due << e;
    return due;
}

QDateTime Outbox::nextDue() const
{
    QDateTime next;
    for (const OutboxEntry& e : entries_)
        if (!next.isValid() || e.nextTry < next)
            next = e.nextTry;
    return next;
}

QString Outbox::summary() const
{
    if (entries_.isEmpty())
        return {};
    QString reason;
    for (const OutboxEntry& e : entries_)
        if (!e.lastReason.isEmpty())
            reason = e.lastReason;
    const int n = int(entries_.size());
    QString text = n == 1 ? QStringLiteral("1 alert waiting to be sent")
                          : QStringLiteral("%1 alerts waiting to be sent").arg(n);
    return reason.isEmpty() ? text : text + QStringLiteral(": ") + reason;
}

} // namespace zelvane
