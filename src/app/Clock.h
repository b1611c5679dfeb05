#pragma once

#include <QDateTime>

namespace zelvane {

// Everything that asks "what time is it" goes through here, so schedules and
// waits can be tested on a virtual clock instead of by sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    static SystemClock& instance();
};

// The system clock moved by whole days: a simulated site's tests and demo
// keep their trips' dates inside the airline's year ahead whenever they run.
class ShiftedClock final : public Clock {
public:
    explicit ShiftedClock(qint64 days) : days_(days) {}
    QDateTime now() const override { return QDateTime::currentDateTime().addDays(days_); }

private:
    qint64 days_;
};

} // namespace zelvane
