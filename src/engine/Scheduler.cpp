#include "engine/Scheduler.h"

#include "app/Clock.h"
#include "app/TextConversions.h"
#include "app/Settings.h"
#include "itineraries/WatchList.h"
#include "engine/CheckEngine.h"
#include "engine/StatusLine.h"

#include <utility>

namespace zelvane {

namespace {

std::optional<int> combo1IndexOf(const QString& count)
{
    const int i = QStringList{QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("36"),
                              QStringLiteral("48")}
                      .indexOf(count);
    return i < 0 ? std::nullopt : std::optional<int>(i);
}

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

Scheduler::Scheduler(const Settings& settings, const WatchList& itineraries, const Clock& clock,
                     CheckEngine& engine, std::function<StatusLine&()> status, QObject* parent)
    : Scheduler(settings, itineraries, clock, EngineSource([&engine](bool) { return &engine; }), std::move(status), parent)
{
}

Scheduler::Scheduler(const Settings& settings, const WatchList& itineraries, const Clock& clock,
                     EngineSource engine, std::function<StatusLine&()> status, QObject* parent)
    : QObject(parent), settings_(settings), itineraries_(itineraries), clock_(clock), engine_(std::move(engine)), status_(std::move(status))
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
    const CheckEngine* made = engine_(false);
    if (made && (!made->idle() || made->running()))
        co_return;
    const QDateTime now = clock_.now();
    if (settings_.intervalChoice == 1) {
        const qint64 hours = settings_.intervalHours;
        if (!lastCheckTime)
            lastCheckTime = addClockHours(now, -hours);
        nextCheckTime = addClockHours(*lastCheckTime, hours);
    } else {
        if (status_)
            status_().setStatus(kInvalidInterval);
        co_return;
    }
    if (now >= nextCheckTime) {
        lastCheckTime = now;
        if (itineraries_.count() == 0)
            co_return;
        co_await engine_(true)->runCheck();
    }
}

QCoro::Task<> Scheduler::onLockoutRetryTick()
{
    CheckEngine* made = engine_(false);
    if (!made || !made->loginLockout() || made->running())
        co_return;
    if (minuteChangesBetween(settings_.lastSessionTime, clock_.now())
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

IntervalControls loadIntervalControls(const Settings& s)
{
    IntervalControls c;
    c.combo3Index = s.intervalChoice;
    if (s.intervalChoice == 1)
        c.combo1Index = combo1IndexOf(QString::number(s.intervalHours)).value_or(-1);
    else if (s.intervalChoice == 0)
        c.txtTIme = QString::number(s.intervalMinutes);
    else
        c.txtTIme = QString::number(s.intervalDays);
    return c;
}

std::optional<int> setIntervalCount(Settings& s, const QString& txtTIme, const QString& combo1Text)
{
    const auto asInt = [](const QString& t) { return strictInt16(t); };
    if (s.intervalChoice == 0) {
        if (const auto v = asInt(txtTIme.trimmed()))
            s.intervalMinutes = *v;
    } else if (s.intervalChoice == 1) {
        // The number at the start of "24 Hours".
        if (const auto v = roundToInt16(leadingNumber(combo1Text)))
            s.intervalHours = *v;
    } else {
        if (const auto v = asInt(txtTIme.trimmed()))
            s.intervalDays = *v;
    }
    return combo1IndexOf(txtTIme);
}

void setIntervalUnit(Settings& s, int index)
{
    s.intervalChoice = qint16(index);
}

} // namespace zelvane
