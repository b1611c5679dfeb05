#pragma once

#include <QCoro/QCoroTask>
#include <chrono>

namespace zelvane {

class Clock;
class WebBrowser;

// The fixed pauses of a check session, in seconds: the airline's pages get
// time to load and the site sees a person's pace. The itinerary panel tells
// the length of a check from these same figures.
inline constexpr int kPauseBeforeLogin = 10;
inline constexpr int kPauseAfterLogin = 5;
inline constexpr int kPauseAfterSearchSent = 15;
inline constexpr int kPauseAfterSearchLoaded = 15;

// The two ways the check session waits, both keeping the event loop running.
class Waits {
public:
    virtual ~Waits() = default;
    // Whole seconds on the clock: the wait ends once the clock's second count
    // has moved on by `seconds` since the start.
    virtual QCoro::Task<> timedWait(int seconds) = 0;
    // While the browser is loading. False when the bound ran out first; the
    // page then counts as not read.
    virtual QCoro::Task<bool> busyWait(const WebBrowser& browser) = 0;
    // Lets everything that is waiting in the event loop run once.
    virtual QCoro::Task<> pumpOnce() = 0;
};

// The browser's own time-outs end every load well within this; it is only a
// last guard so that a browser that never settles cannot hold a session.
inline constexpr int kBusyWaitLimitSeconds = 300;

// While `browser` is busy, for at most `limit`; woken by the browser's
// busyEnded(). False when the limit ran out first.
QCoro::Task<bool> waitWhileBusy(const WebBrowser& browser, std::chrono::milliseconds limit);

// Real time. `scale` shortens the fixed pauses (tests and the demo against a
// local site); 1 is the real pace.
class RealWaits final : public Waits {
public:
    RealWaits(const Clock& clock, double scale,
              std::chrono::milliseconds busyLimit = std::chrono::seconds(kBusyWaitLimitSeconds));
    QCoro::Task<> timedWait(int seconds) override;
    QCoro::Task<bool> busyWait(const WebBrowser& browser) override;
    QCoro::Task<> pumpOnce() override;

private:
    const Clock& clock_;
    double scale_;
    std::chrono::milliseconds busyLimit_;
};

} // namespace zelvane
