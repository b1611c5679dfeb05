#pragma once

#include "notify/Delivery.h"
#include "notify/MailRoute.h"
#include "notify/Outbox.h"
#include "notify/Push.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace zelvane {

class Clock;
class DesktopNotifier;
class MessageBoxes;

// The ways an alert leaves, as outbox entries. A mail gets its Message-ID
// and date here, so every try of it is the same message.
OutboxEntry mailEntry(OutboxEntry::Topic topic, const MailTarget& target, const QString& subject,
                      const QString& html, const QString& plain);
OutboxEntry siteGetEntry(OutboxEntry::Topic topic, const QString& address);
OutboxEntry sitePostEntry(OutboxEntry::Topic topic, const QString& address, const QString& form);
// A push; given `lines` (each about one itinerary, with when it was seen),
// its text is made of them, and a seat push waiting for its server takes
// in a newer one line by line instead of going twice.
OutboxEntry pushEntry(OutboxEntry::Topic topic, const PushMessage& message,
                      const QList<PushLine>& lines = {});
// A note on the desktop, kept like the others until the desktop showed it.
OutboxEntry desktopEntry(OutboxEntry::Topic topic, const QString& summary, const QString& body, bool showResults);

inline const QString kWaitingAlertsSent = QStringLiteral("Alerts that waited have been sent");

// Which of what waits one round of tries takes.
struct WaitingRound {
    bool dueOnly = false;        // only what has fallen due
    bool holdSeatPushes = false; // a check follows whose own seat push takes them in
    QDateTime untriedSince{};    // leaves what was tried at or after this
};

// Sends the alerts meant for a server through the outbox: written there
// first, removed when the server took it, tried again with a growing pause
// while it did not. The server settings are read at each try, so a mail
// server the user mends is used by the next one. While an alert is tried it
// is leased to its sender (the mail program, for the tray program's mail)
// until its deadline, so no other program sends it meanwhile.
class AlertSender final : public QObject {
    Q_OBJECT
public:
    AlertSender(Outbox& outbox, const SettingsGroup<AlertChannels>& channels, SettingsField<Member, QString> email,
                MessageBoxes& boxes, const Clock& clock, QObject* parent = nullptr);

    // Where alerts go as the settings say now.
    const AlertChannels& channels() const { return *channels_; }
    MailTarget mailTarget() const { return {*channels_, *email_}; }

    // Into the outbox and tried at once; a failure waits there.
    QCoro::Task<Delivery> send(OutboxEntry entry);
    // A session's alerts and its memory of what was told into the outbox,
    // in one transaction, before any is tried; what the file could not take
    // waits in memory. The entries as kept, to be tried with sendKept().
    QList<OutboxEntry> keep(QList<OutboxEntry> entries, const QByteArray& told);
    // Tries an entry keep() returned; a failure waits in the outbox.
    QCoro::Task<Delivery> sendKept(OutboxEntry entry);
    // Where desktop notes are shown; none: they wait for a program that has one.
    void setDesktop(DesktopNotifier* desktop) { desktop_ = desktop; }
    std::chrono::milliseconds desktopDeadline{5000};
    Outbox& outboxToWrite() { return outbox_; }
    // Tried once and kept nowhere (a test alert).
    QCoro::Task<Delivery> sendOnce(OutboxEntry entry);
    // Tries what waits, as the round says. Every push of one round shares
    // one deadline: a push server that does not answer holds the round up
    // once, not once per push.
    QCoro::Task<> sendWaiting(WaitingRound round = {});
    void drop(OutboxEntry::Topic topic);

    // From now on what waits is tried at once and then whenever it falls due.
    void retryWhenDue();
    // The pauses between tries, shortened against a simulated site.
    void setPauseScale(double scale) { outbox_.setPauseScale(scale); }
    // Nothing more is tried from now on (the program is told to stop); a
    // send under way goes on to its end, within its deadline.
    void stop();
    bool sending() const { return !inFlight_.isEmpty(); }

    const Outbox& outbox() const { return outbox_; }
    MailDeadlines deadlines;

signals:
    // Something was added to, tried from or left the outbox.
    void waitingChanged();
    // The last send under way has ended.
    void idle();

private:
    QCoro::Task<Delivery> deliver(OutboxEntry entry, NetTimeouts http);
    QCoro::Task<Delivery> tryEntry(OutboxEntry entry, NetTimeouts http);
    std::chrono::milliseconds leaseLength(const OutboxEntry& entry) const;
    void armRetry();

    Outbox& outbox_;
    const SettingsGroup<AlertChannels>& channels_;
    SettingsField<Member, QString> email_; // where mail goes when no other address is set
    MessageBoxes& boxes_;
    const Clock& clock_;
    DesktopNotifier* desktop_ = nullptr;
    QSet<qint64> inFlight_; // a retry never sends what a send is still sending
    QTimer retry_;
    bool retrying_ = false;
    bool stopping_ = false;
};

} // namespace zelvane
