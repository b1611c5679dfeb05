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

void RecordingSessionView::setStatus(const QString& text)
{
    status_ = text;
    statuses << text;
    statusTimes << clock_.now();
    if (onStatus)
        onStatus(text);
}

void RecordingSessionView::raisePopup(int slot, const QString& text, int noPopup)
{
    popups.append({slot, text, noPopup});
}

QCoro::Task<> RecordingMail::sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                                          QList<CheckRecord> checks)
{
    lastChecks = checks;
    QString call;
    if (outcome == SessionOutcome::Completed && resultsMailDue) {
        call = QStringLiteral("sendmail");
        if (startJustSent)
            startJustSent();
    } else if (outcome == SessionOutcome::LoginFailed) {
        call = QStringLiteral("loginRefused");
    } else if (outcome == SessionOutcome::GaveUp) {
        call = QStringLiteral("gaveUp");
    }
    if (!call.isEmpty()) {
        calls << call;
        callTimes << (clock ? clock->now() : QDateTime());
    }
    if (forwardTo)
        co_await forwardTo->sessionEnded(outcome, resultsMailDue, checks);
}

void ThrottleDriver::second()
{
    if (!engine_.throttleTimer.isActive()) {
        since_ = QDateTime();
        return;
    }
    if (!since_.isValid()) {
        since_ = clock_.now().addSecs(-1);
        return;
    }
    if (since_.secsTo(clock_.now()) % 60 == 0)
        engine_.onThrottleTick();
}

} // namespace zelvane::test
