#pragma once

#include "engine/CheckEngine.h"
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

// A main window that records what the session showed, each status with the
// virtual time it appeared at.
class RecordingSessionView final : public SessionView {
public:
    explicit RecordingSessionView(const Clock& clock) : clock_(clock) {}
    void setStatus(const QString& text) override;
    QString status() const override { return status_; }
    void showItineraries() override { ++fillLists; }
    void showResultsPanel() override { ++resultsPanelShown; }
    void showLoginsSent(int count) override { overKillShown << count; }
    void showThrottleMinutes(int minutes) override { checkNowShown << minutes; }
    void showLastLoginTime(const QString& text) override { lastLoginTime = text; }
    void raisePopup(int slot, const QString& text, int noPopup) override;
    void setTrayIcon(int picture) override { trayPictures << picture; }
    void showNewVersion() override { ++newVersionShown; }
    void showLoginTrouble(bool refused) override { loginTroubleShown << refused; }

    struct Popup {
        int slot;
        QString text;
        int noPopup;
    };
    QStringList statuses;
    QList<QDateTime> statusTimes;
    QList<Popup> popups;
    QList<int> overKillShown, checkNowShown, trayPictures;
    QList<bool> loginTroubleShown;
    QString lastLoginTime;
    int fillLists = 0, resultsPanelShown = 0, newVersionShown = 0;
    std::function<void(const QString&)> onStatus;

private:
    const Clock& clock_;
    QString status_;
};

// Records the alerts a session asks for: "sendmail" for a results e-mail
// that is due (which, like the real one, starts the just-sent window),
// "loginRefused" and "gaveUp" for the two ends of a refused login. With
// `forwardTo` the real alerts follow.
class RecordingMail final : public SessionAlerts {
public:
    QCoro::Task<> sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                               QList<CheckRecord> checks = {}) override;
    QList<CheckRecord> lastChecks; // handed over with the last call
    std::function<void()> startJustSent;
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

} // namespace zelvane::test
