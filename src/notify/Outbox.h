#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace zelvane {

// An alert for a server (a mail, a push), kept until the server takes it.
struct OutboxEntry {
    // What the alert is about decides what replaces or drops it: a newer
    // results mail replaces a waiting one, a login that gets through drops a
    // waiting login warning, a check that works drops a waiting site notice.
    enum class Topic { Results, Seats, LoginWarning, SiteNotice, PagesNotice };
    // How it leaves: the user's mail server, the product site's mail
    // endpoint (GET) or relay (form POST), a push address.
    enum class Form { Smtp, SiteGet, SitePost, Push };

    qint64 id = 0;
    Topic topic = Topic::Results;
    Form form = Form::Smtp;
    // Smtp: subject, html, plain, messageId, date; SiteGet: address;
    // SitePost: address, form; Push: title, text, priority, tags.
    QJsonObject payload;
    QDateTime created;
    int tries = 0;
    QDateTime nextTry;
    QString lastReason; // why the last try failed

    QString describe() const; // "Results e-mail of 09/12/2026 10:00", as the Alerts panel lists it
};

// The pause before try n + 1 after n failed tries: 1, 2, 4, ... minutes, at
// most an hour.
int retryMinutes(int failedTries);

// The outbox: a SQLite file in the data folder, so what waits survives a
// restart. Every alert for a server is written here before it is sent and
// removed only when a server took it or a newer one replaced it.
class Outbox {
public:
    Outbox();
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // The outbox of `folder`, made there when the first alert waits. False,
    // with error(), when the file cannot be used; the outbox then keeps its
    // entries in memory for this run.
    bool open(const QString& folder);
    void close();
    QString error() const { return error_; }
    QString filePath() const { return path_; }

    // Keeps the entry (its id set), replacing what it makes obsolete.
    OutboxEntry add(OutboxEntry entry, const QDateTime& now);
    void delivered(qint64 id);
    void failed(qint64 id, const QString& reason, const QDateTime& now);
    void drop(OutboxEntry::Topic topic);

    QList<OutboxEntry> waiting() const;
    // What may be tried again now, oldest first.
    QList<OutboxEntry> due(const QDateTime& now) const;
    // When the next entry falls due; invalid when nothing waits.
    QDateTime nextDue() const;
    int count() const { return int(entries_.size()); }
    bool contains(qint64 id) const;
    // "1 alert waiting to be sent: <the last reason>"; empty when none waits.
    QString summary() const;

private:
    void remove(qint64 id);
    void store(const OutboxEntry& entry);
    void load();
    bool openFile();

    QString path_, connection_, error_;
    QList<OutboxEntry> entries_; // what the file holds, oldest first
    qint64 nextId_ = 1;          // ids for a run without a file
};

} // namespace zelvane
