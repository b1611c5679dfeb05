#pragma once

#include "app/Clock.h"
#include "notify/AlertSender.h"
#include "notify/Outbox.h"
#include "support/TestSupport.h"

namespace zelvane::test {

// A sender over an outbox of its own, held in memory: for tests of one alert.
struct TestPost {
    explicit TestPost(const Settings& settings, MailDeadlines deadlines = {}, MessageBoxes* boxes = nullptr)
        : sender(outbox, settings.channels, {settings.member, &Member::email}, boxes ? *boxes : ownBoxes, SystemClock::instance())
    {
        sender.deadlines = deadlines;
    }
    RecordingMessageBoxes ownBoxes;
    Outbox outbox;
    AlertSender sender;
};

} // namespace zelvane::test
