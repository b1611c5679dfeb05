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

} // namespace zelvane
