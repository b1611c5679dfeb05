#include "engine/Waits.h"

#include "app/Clock.h"
#include "engine/WebBrowser.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <chrono>

namespace zelvane {

using namespace std::chrono_literals;

namespace {

qint64 wholeSeconds(const QDateTime& t)
{
    return t.toSecsSinceEpoch();
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
    QElapsedTimer elapsed;
    elapsed.start();
    while (browser.Busy()) {
        if (elapsed.elapsed() > busyLimit_.count())
            co_return false;
        // Polled: a load can end without a signal, and awaiting a signal with
        // a time-out crashes this QCoro when the signal comes twice.
        co_await QCoro::sleepFor(1ms);
    }
    co_return true;
}

QCoro::Task<> RealWaits::pumpOnce()
{
    co_await QCoro::sleepFor(0ms);
}

} // namespace zelvane
