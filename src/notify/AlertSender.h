#pragma once

#include "notify/Delivery.h"
#include "notify/MailRoute.h"
#include "notify/Outbox.h"
#include "notify/Push.h"

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace zelvane {

class Clock;
class MessageBoxes;
class Settings;

// The ways an alert leaves, as outbox entries. A mail gets its Message-ID
// and date here, so every try of it is the same message.
OutboxEntry mailEntry(OutboxEntry::Topic topic, const Settings& settings, const QString& subject,
                      const QString& html, const QString& plain);
OutboxEntry siteGetEntry(OutboxEntry::Topic topic, const QString& address);
OutboxEntry sitePostEntry(OutboxEntry::Topic topic, const QString& address, const QString& form);
OutboxEntry pushEntry(OutboxEntry::Topic topic, const PushMessage& message);

inline const QString kWaitingAlertsSent = QStringLiteral("Alerts that waited have been sent");

// Sends the alerts meant for a server through the outbox: written there
// first, removed when the server took it, tried again with a growing pause
// while it did not. The server settings are read at each try, so a mail
// server the user mends is used by the next one.
class AlertSender final : public QObject {
    Q_OBJECT
public:
    AlertSender(Outbox& outbox, const Settings& settings, MessageBoxes& boxes, const Clock& clock,
                QObject* parent = nullptr);

    // Into the outbox and tried at once; a failure waits there.
    QCoro::Task<Delivery> send(OutboxEntry entry);
    // Tried once and kept nowhere (a test alert).
    QCoro::Task<Delivery> sendOnce(OutboxEntry entry);
    // Tries what waits: all of it, or what is due.
    QCoro::Task<> sendWaiting(bool dueOnly);
    void drop(OutboxEntry::Topic topic);

    // From now on what waits is tried whenever it falls due.
    void retryWhenDue();

    const Outbox& outbox() const { return outbox_; }
    MailDeadlines deadlines;

signals:
    // Something was added to, tried from or left the outbox.
    void waitingChanged();

private:
    QCoro::Task<Delivery> deliver(OutboxEntry entry);
    QCoro::Task<Delivery> tryEntry(OutboxEntry entry);
    void armRetry();

    Outbox& outbox_;
    const Settings& settings_;
    MessageBoxes& boxes_;
    const Clock& clock_;
    QSet<qint64> inFlight_; // a retry never sends what a send is still sending
    QTimer retry_;
    bool retrying_ = false;
};

} // namespace zelvane
