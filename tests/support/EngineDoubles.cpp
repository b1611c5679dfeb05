#include "support/EngineDoubles.h"

#include "browser/WebBrowser.h"

#include <QCoroTimer>
#include <chrono>

namespace zelvane::test {

using namespace std::chrono_literals;

QCoro::Task<> VirtualWaits::timedWait(int seconds)
{
    timedWaits << seconds;
    for (int s = 0; s < seconds; ++s) {
        clock_.advance(1000);
        if (onSecond)
            onSecond();
    }
    co_await QCoro::sleepFor(0ms);
}

QCoro::Task<bool> VirtualWaits::busyWait(const WebBrowser& browser)
{
    return waitWhileBusy(browser, 60s);
}

QCoro::Task<> VirtualWaits::pumpOnce()
{
    co_await QCoro::sleepFor(0ms);
}

SessionRecorder::SessionRecorder(CheckEngine& engine, const Clock& clock) : clock_(clock)
{
    QObject::connect(&engine, &CheckEngine::statusChanged, &engine, [this](const StatusMessage& m) { setStatus(m); });
    QObject::connect(&engine, &CheckEngine::seatsAnnounced, &engine,
                     [this](const Announcement& a) { announcements << a; });
    QObject::connect(&engine, &CheckEngine::throttleChanged, &engine, [this](int sent, int minutes) {
        loginsSentShown << sent;
        minutesShown << minutes;
    });
    QObject::connect(&engine, &CheckEngine::loginTroubleChanged, &engine,
                     [this](bool refused) { loginTroubleShown << refused; });
    QObject::connect(&engine, &CheckEngine::loginLockoutChanged, &engine,
                     [this](bool locked) { lockoutShown << locked; });
    QObject::connect(&engine, &CheckEngine::sessionEnded, &engine, [this](SessionOutcome o) { ended << o; });
    QObject::connect(&engine, &CheckEngine::lastLoginChanged, &engine,
                     [this](const QDateTime& when) { lastLogin = when; });
}

void SessionRecorder::setStatus(const StatusMessage& message)
{
    const QString text = message.words();
    status_ = text;
    statuses << text;
    statusTimes << clock_.now();
    if (onStatus)
        onStatus(text);
}

QCoro::Task<> RecordingMail::sessionEnded(SessionReport report)
{
    lastChecks = report.checks;
    lastReport = report;
    QString call;
    if (report.outcome == SessionOutcome::Completed)
        call = QStringLiteral("completed");
    else if (report.outcome == SessionOutcome::LoginFailed)
        call = QStringLiteral("loginRefused");
    else if (report.outcome == SessionOutcome::GaveUp)
        call = QStringLiteral("gaveUp");
    if (!call.isEmpty()) {
        calls << call;
        callTimes << (clock ? clock->now() : QDateTime());
    }
    if (forwardTo)
        co_await forwardTo->sessionEnded(std::move(report));
}

void ThrottleDriver::second()
{
    if (!engine_.throttleWindowOpen()) {
        since_ = QDateTime();
        return;
    }
    if (!since_.isValid()) {
        since_ = clock_.now().addSecs(-1);
        return;
    }
    if (since_.secsTo(clock_.now()) % 60 == 0)
        engine_.tickThrottle();
}

void resetThrottle(CheckEngine& engine)
{
    while (engine.loginsSent() > 0 || engine.throttleMinutes() > 0)
        engine.tickThrottle();
}

} // namespace zelvane::test
