#include "app/Clock.h"

namespace zelvane {

SystemClock& SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}

} // namespace zelvane
