#include "engine/Waits.h"

#include "app/Clock.h"
#include "browser/WebBrowser.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace zelvane {

using namespace std::chrono_literals;

namespace {

qint64 wholeSeconds(const QDateTime& t)
{
    return t.toSecsSinceEpoch();
}

// busy is looked at again at least this often, so a browser that settles
// without saying so costs a second rather than the whole bound.
constexpr auto kBusyRecheck = 1000ms;

// QCoro's own signal await with a time-out resumes a second time when the
// signal comes twice (it queues one resume per emission). Here the signal
// only restarts a timer, and the one timeout resumes, from the event loop.
QCoro::Task<> untilBusyEnds(const WebBrowser& browser, std::chrono::milliseconds limit)
{
    QTimer wake;
    wake.setSingleShot(true);
    QObject::connect(&browser, &WebBrowser::busyEnded, &wake, [&wake] { wake.start(0); });
    wake.start(limit);
    co_await wake;
}

} // namespace

RealWaits::RealWaits(const Clock& clock, double scale, std::chrono::milliseconds busyLimit)
    : clock_(clock), scale_(scale), busyLimit_(busyLimit)
{
}

QCoro::Task<> RealWaits::timedWait(int seconds)
{
    if (scale_ < 1.0) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(qint64(seconds * 1000 * scale_)));
        co_return;
    }
    const qint64 start = wholeSeconds(clock_.now());
    for (;;) {
        const QDateTime now = clock_.now();
        const qint64 left = (start + seconds) * 1000 - now.toMSecsSinceEpoch();
        if (wholeSeconds(now) - start >= seconds || left <= 0)
            co_return;
        co_await QCoro::sleepFor(std::chrono::milliseconds(left));
    }
}

QCoro::Task<bool> RealWaits::busyWait(const WebBrowser& browser)
{
    return waitWhileBusy(browser, busyLimit_);
}

QCoro::Task<bool> waitWhileBusy(const WebBrowser& browser, std::chrono::milliseconds limit)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (browser.busy()) {
        const auto left = limit - std::chrono::milliseconds(elapsed.elapsed());
        if (left <= 0ms)
            co_return false;
        co_await untilBusyEnds(browser, std::min(left, kBusyRecheck));
    }
    co_return true;
}

QCoro::Task<> RealWaits::pumpOnce()
{
    co_await QCoro::sleepFor(0ms);
}

} // namespace zelvane
