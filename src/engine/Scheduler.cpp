#include "engine/Scheduler.h"

#include "app/Clock.h"
#include "app/TextConversions.h"
#include "itineraries/modMain.h"
#include "engine/CheckEngine.h"

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

Scheduler::Scheduler(modMain& state, CheckEngine& engine, std::function<StatusLine&()> status,
                     QObject* parent)
    : Scheduler(state, EngineSource([&engine](bool) { return &engine; }), std::move(status), parent)
{
}

Scheduler::Scheduler(modMain& state, EngineSource engine, std::function<StatusLine&()> status,
                     QObject* parent)
    : QObject(parent), state_(state), engine_(std::move(engine)), status_(std::move(status))
{
    NextCheckTime = QDateTime(QDate(100, 1, 1), QTime(0, 0));
    Timer1.setInterval(1000);
    Timer2.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

QCoro::Task<> Scheduler::Timer1_Timer()
{
    // A session waiting for its login sets the idle flag too; the schedule
    // still must not start a second one beside it.
    if (!state_.idle || sessionRunning())
        co_return;
    const QDateTime now = state_.clock.now();
    if (state_.settings.m_nCBTimeIndex == 1) {
        const qint64 hours = state_.settings.m_nTimeHou;
        if (!LastCheckTime)
            LastCheckTime = addClockHours(now, -hours);
        NextCheckTime = addClockHours(*LastCheckTime, hours);
    } else {
        if (status_)
            status_().setStatus(kInvalidInterval);
        co_return;
    }
    if (now >= NextCheckTime) {
        LastCheckTime = now;
        if (state_.itineraries.count() == 0)
            co_return;
        co_await engine_(true)->MainPro();
    }
}

QCoro::Task<> Scheduler::Timer2_Timer()
{
    if (!state_.loginLockout || sessionRunning())
        co_return;
    if (minuteChangesBetween(state_.settings.m_dtstrCurrTime, state_.clock.now())
        <= kLockoutRetryMinutes)
        co_return;
    co_await engine_(true)->MainPro();
    state_.loginLockout = false;
}

bool Scheduler::sessionRunning() const
{
    const CheckEngine* engine = engine_(false);
    return engine && engine->running();
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

IntervalControls loadIntervalControls(const clsSettings& s)
{
    IntervalControls c;
    c.combo3Index = s.m_nCBTimeIndex;
    if (s.m_nCBTimeIndex == 1)
        c.combo1Index = combo1IndexOf(QString::number(s.m_nTimeHou)).value_or(-1);
    else if (s.m_nCBTimeIndex == 0)
        c.txtTIme = QString::number(s.m_nTimeMin);
    else
        c.txtTIme = QString::number(s.m_nTimeDay);
    return c;
}

std::optional<int> txtTIme_Change(clsSettings& s, const QString& txtTIme, const QString& combo1Text)
{
    const auto asInt = [](const QString& t) { return strictInt16(t); };
    if (s.m_nCBTimeIndex == 0) {
        if (const auto v = asInt(txtTIme.trimmed()))
            s.m_nTimeMin = *v;
    } else if (s.m_nCBTimeIndex == 1) {
        // The number at the start of "24 Hours".
        if (const auto v = roundToInt16(leadingNumber(combo1Text)))
            s.m_nTimeHou = *v;
    } else {
        if (const auto v = asInt(txtTIme.trimmed()))
            s.m_nTimeDay = *v;
    }
    return combo1IndexOf(txtTIme);
}

void Combo3_Change(clsSettings& s, int index)
{
    s.m_nCBTimeIndex = qint16(index);
}

} // namespace zelvane
