#include "engine/Scheduler.h"

#include "app/Clock.h"
#include "itineraries/WatchList.h"
#include "engine/CheckEngine.h"
#include "engine/StatusLine.h"

#include <utility>


namespace zelvane {

namespace {

// Hours on the wall clock: a session at 08:00 with 24 hours is due at 08:00
// the next day, also on the days the clock is put forward or back.
QDateTime addClockHours(const QDateTime& t, qint64 hours)
{
    const QDateTime wall = QDateTime(t.date(), t.time(), Qt::UTC).addSecs(hours * 3600);
    QDateTime out = t;
    out.setDate(wall.date());
    out.setTime(wall.time());
    // A clock time the change skips has no moment; count real hours then.
    return out.isValid() ? out : t.addSecs(hours * 3600);
}

} // namespace

Scheduler::Scheduler(const SettingsGroup<Schedule>& schedule, const WatchList& itineraries, const Clock& clock,
                     ScheduledSessions& sessions, QObject* parent)
    : QObject(parent), schedule_(schedule), itineraries_(itineraries), clock_(clock), sessions_(sessions)
{
    nextCheckTime = QDateTime(QDate(100, 1, 1), QTime(0, 0));
    scheduleTimer.setInterval(1000);
    lockoutRetryTimer.setInterval(1000);
    connect(&scheduleTimer, &QTimer::timeout, this, [this] { onScheduleTick(); });
    connect(&lockoutRetryTimer, &QTimer::timeout, this, [this] { onLockoutRetryTick(); });
}

QCoro::Task<> Scheduler::onScheduleTick()
{
    // A session waiting for its login sets the idle flag too; the schedule
    // still must not start a second one beside it.
    const CheckEngine* made = sessions_.engine(false);
    if (made && (!made->idle() || made->running()))
        co_return;
    const QDateTime now = clock_.now();
    // No interval chosen, or one of none: nothing is due, which the status says.
    if (const qint64 hours = schedule_->everyHours; hours > 0) {
        // The missing interval the line spoke of is chosen now.
        if (std::exchange(toldNoInterval_, false))
            sessions_.statusLine().setStatus(StatusMessage::Kind::WaitingNewSession);
        if (!lastCheckTime)
            lastCheckTime = addClockHours(now, -hours);
        nextCheckTime = addClockHours(*lastCheckTime, hours);
    } else {
        // Only a list waiting to be checked makes the interval matter; a
        // first run's line says what to do first.
        if (itineraries_.count() > 0 && !std::exchange(toldNoInterval_, true))
            sessions_.statusLine().setStatus(kInvalidInterval);
        co_return;
    }
    if (now >= nextCheckTime) {
        lastCheckTime = now;
        if (itineraries_.count() == 0)
            co_return;
        co_await sessions_.engine(true)->runCheck();
    }
}

QCoro::Task<> Scheduler::onLockoutRetryTick()
{
    CheckEngine* made = sessions_.engine(false);
    if (!made || !made->loginLockout() || made->running())
        co_return;
    if (minuteChangesBetween(schedule_->lastSessionTime, clock_.now())
        <= kLockoutRetryMinutes)
        co_return;
    co_await made->runCheck();
    made->endLoginLockout();
}

qint64 minuteChangesBetween(const QDateTime& from, const QDateTime& to)
{
    const auto minuteOf = [](const QDateTime& t) { return t.toSecsSinceEpoch() / 60; };
    return minuteOf(to) - minuteOf(from);
}

const QStringList& intervalChoices()
{
    static const QStringList choices = {QStringLiteral("12 Hours"), QStringLiteral("24 Hours"),
                                        QStringLiteral("36 Hours"), QStringLiteral("48 Hours")};
    return choices;
}

int intervalHoursAt(int index)
{
    return (index + 1) * 12;
}

int intervalIndexOf(int hours)
{
    return hours > 0 && hours % 12 == 0 && hours / 12 <= intervalChoices().size() ? hours / 12 - 1 : -1;
}

} // namespace zelvane
