#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>

class QSqlQuery;

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
    // endpoint (GET) or relay (form POST), a push address, a note on the
    // desktop (an older copy reads it as a kind it does not know, and keeps it).
    enum class Form { Smtp, SiteGet, SitePost, Push, Desktop };

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
    // lines of the text with what each is about (pushLinesJson); Desktop:
    // summary, body, showResults.
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
    // Keeps every alert of a session, and `told` (what the user will have
    // been told, announced.json's text), in one transaction: all of them are
    // on disk or none. What the file cannot take (a full disk) is kept in
    // memory, tried and sent from there, and written when it can be.
    QList<OutboxEntry> keep(QList<OutboxEntry> entries, const QByteArray& told, const QDateTime& now);
    // The memory of what was told that keep() wrote and nobody has yet
    // confirmed written to its own file; empty when none waits.
    QByteArray toldWaiting() const;
    // It is in its own file now.
    void toldWritten();
    // Writes what only memory holds; true when nothing is left there.
    bool writeUnstored();
    // The last keep() found the disk full and wrote into the room kept for it.
    bool spentReserve() const { return spentReserve_; }
    // Alerts the file does not hold (a full disk); they are sent from memory.
    int unstoredCount() const { return int(unstored_.size()); }
    bool isStored(qint64 id) const { return !unstored_.contains(id); }

    enum class Take {
        Taken,         // this process holds it until its deadline
        Gone,          // another sender delivered it
        HeldElsewhere, // a live sender elsewhere holds it
    };
    // Takes the entry for this process until `until`, as the file has it
    // now. An entry only memory holds is taken here: no other program can
    // know it.
    Take lease(qint64 id, const QDateTime& until, const QDateTime& now);
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
    // True when the file holds it now; otherwise memory alone does.
    bool store(const OutboxEntry& entry);
    bool exec(QSqlQuery& q);
    bool ensureFile();
    // One transaction: what store() and remove() do between them is on
    // disk together, or memory keeps it.
    void begin();
    bool commit();
    bool storeTold(const QByteArray& told);
    QString reservePath() const;
    void makeReserve();
    void load();
    bool openFile();
    // Waiting seat pushes become the newest one.
    void mergeSeatPushes(OutboxEntry& into, const QDateTime& now);

    QString path_, connection_, error_;
    QList<OutboxEntry> entries_; // what the file holds, oldest first
    QSet<qint64> unstored_;      // entries memory alone holds (the file could not take them)
    QSet<qint64> unremoved_;     // ids gone here that the file could not drop yet
    QByteArray toldUnstored_;    // a memory of what was told the file could not take
    QList<qint64> stored_, removed_; // in the transaction under way
    bool inTransaction_ = false;
    bool spentReserve_ = false;
    bool transactionFailed_ = false;
    qint64 nextId_ = 1;          // ids for a run without a file
    double pauseScale_ = 1.0;
};

} // namespace zelvane
