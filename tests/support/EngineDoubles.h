#pragma once

#include "engine/CheckEngine.h"
#include "engine/StatusLine.h"
#include "engine/Waits.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QStringList>
#include <functional>

namespace zelvane::test {

// Waits on a virtual clock: a timed wait moves the clock on by whole seconds
// (calling `onSecond` after each one, so tests can fire the timers that would
// have ticked), a busy wait waits for the real browser.
class VirtualWaits final : public Waits {
public:
    explicit VirtualWaits(VirtualClock& clock) : clock_(clock) {}
    QCoro::Task<> timedWait(int seconds) override;
    QCoro::Task<bool> busyWait(const WebBrowser& browser) override;
    QCoro::Task<> pumpOnce() override;

    std::function<void()> onSecond;
    QList<int> timedWaits; // every timed wait, in seconds, in order

private:
    VirtualClock& clock_;
};

// Records what a session told through the engine's signals, each status
// with the virtual time it appeared at. It is a status line too, for what
// writes to one (the schedule, the city update).
class SessionRecorder final : public StatusLine {
public:
    SessionRecorder(CheckEngine& engine, const Clock& clock);
    void setStatus(const StatusMessage& message) override;
    QString status() const override { return status_; }

    QStringList statuses;
    QList<QDateTime> statusTimes;
    QList<Announcement> announcements;
    QList<int> loginsSentShown, minutesShown;
    QList<bool> loginTroubleShown, lockoutShown;
    QList<SessionOutcome> ended;
    QDateTime lastLogin;
    std::function<void(const QString&)> onStatus;

private:
    const Clock& clock_;
    QString status_;
};

// A status line that keeps every text it was given.
class RecordingStatus final : public StatusLine {
public:
    void setStatus(const StatusMessage& message) override { texts << message.words(); }
    QString status() const override { return texts.value(texts.size() - 1); }
    QStringList texts;
};

// Records the alerts a session asks for: "completed" for a session through
// the list, "loginRefused" and "gaveUp" for the two ends of a refused login.
// With `forwardTo` the real alerts follow.
class RecordingMail final : public SessionAlerts {
public:
    QCoro::Task<> sessionEnded(SessionReport report) override;
    QList<CheckRecord> lastChecks; // handed over with the last call
    SessionReport lastReport;
    QStringList calls;
    QList<QDateTime> callTimes;
    const Clock* clock = nullptr;
    SessionAlerts* forwardTo = nullptr;
};

// Fires the engine's throttle tick every 60 virtual seconds while it runs,
// as its real timer would.
class ThrottleDriver {
public:
    ThrottleDriver(CheckEngine& engine, VirtualClock& clock) : engine_(engine), clock_(clock) {}
    void second();

private:
    CheckEngine& engine_;
    VirtualClock& clock_;
    QDateTime since_;
};

// Closes the throttle's window at once, for sessions back to back.
void resetThrottle(CheckEngine& engine);

} // namespace zelvane::test
