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
    // waiting login warning, a check that works drops a waiting site notice,
    // pages read again a waiting notice that they could not be; waiting seat
    // pushes become one.
    enum class Topic { Results, Seats, LoginWarning, SiteNotice, PagesNotice };
    // How it leaves: the user's mail server, the product site's mail
    // endpoint (GET) or relay (form POST), a push address.
    enum class Form { Smtp, SiteGet, SitePost, Push };

    // A sender trying the entry holds it until its deadline, so no other
    // program (a restarted tray program, the next check) sends it meanwhile.
    // A holder that is gone from this machine holds nothing.
    struct Lease {
        QDateTime until;
        qint64 pid = 0;
        QString host;
    };

    qint64 id = 0;
    Topic topic = Topic::Results;
    Form form = Form::Smtp;
    // Smtp: subject, html, plain, messageId, date; SiteGet: address;
    // SitePost: address, form; Push: title, text, priority, tags, and the
    // lines of the text with what each is about (pushLinesJson).
    QJsonObject payload;
    QDateTime created;
    int tries = 0;
    QDateTime nextTry;
    QString lastReason; // why the last try failed
    QDateTime lastTry;  // invalid before the first
    Lease lease;

    QString describe() const; // "Results e-mail of 09/12/2026 10:00", as the Alerts panel lists it
    bool isSeatsPush() const { return topic == Topic::Seats && form == Form::Push; }
};

// The pause before try n + 1 after n failed tries: 1, 2, 4, ... minutes, at
// most an hour.
int retryMinutes(int failedTries);

// The outbox: a SQLite file in the data folder, so what waits survives a
// restart. Every alert for a server is written here before it is sent and
// removed only when a server took it or a newer one replaced it. The file is
// readable by its owner only: it holds the mails.
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
    // The pauses between tries, shortened by this factor against a
    // simulated site (ZELVANE_TIME_SCALE).
    void setPauseScale(double scale) { pauseScale_ = scale; }

    // Keeps the entry (its id set), replacing what it makes obsolete. A
    // seat push takes in the lines of one that waits and no sender holds.
    OutboxEntry add(OutboxEntry entry, const QDateTime& now);
    // Takes the entry for this process until `until`, as the file has it
    // now. False when it is gone (another sender delivered it) or a live
    // sender elsewhere holds it.
    bool lease(qint64 id, const QDateTime& until, const QDateTime& now);
    void delivered(qint64 id);
    void failed(qint64 id, const QString& reason, const QDateTime& now);
    void drop(OutboxEntry::Topic topic);

    QList<OutboxEntry> waiting() const;
    // What may be tried now, oldest first: due by `dueBy` and held by no
    // other sender.
    QList<OutboxEntry> due(const QDateTime& now, const QDateTime& dueBy) const;
    QList<OutboxEntry> due(const QDateTime& now) const { return due(now, now); }
    // When something may next be tried: the next entry due, or a lease
    // running out; invalid when nothing waits.
    QDateTime nextDue(const QDateTime& now) const;
    // Another live sender holds the entry.
    static bool leasedElsewhere(const OutboxEntry& entry, const QDateTime& now);
    // This program or another live sender holds it.
    static bool held(const OutboxEntry& entry, const QDateTime& now);
    int count() const { return int(entries_.size()); }
    bool contains(qint64 id) const;
    // "1 alert waiting to be sent: <the reason of the last try>"; empty when none waits.
    QString summary() const;

    // For the mail program, which sends the tray program's mails: the lease
    // of entry `id` in the outbox file `path` passes to this process, and a
    // mail the server took is marked delivered there, so a tray program
    // ended meanwhile does not send it again.
    static void takeOverLease(const QString& path, qint64 id);
    static void markDelivered(const QString& path, qint64 id);

private:
    void remove(qint64 id);
    void store(const OutboxEntry& entry);
    void load();
    bool openFile();
    // Waiting seat pushes become the newest one.
    void mergeSeatPushes(OutboxEntry& into, const QDateTime& now);

    QString path_, connection_, error_;
    QList<OutboxEntry> entries_; // what the file holds, oldest first
    qint64 nextId_ = 1;          // ids for a run without a file
    double pauseScale_ = 1.0;
};

} // namespace zelvane
