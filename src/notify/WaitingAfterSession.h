#pragma once

#include "engine/CheckEngine.h"
#include "notify/AlertSender.h"

namespace zelvane {

class Clock;

// A session's own alerts first, then what still waits from before that the
// session did not try: a server that was down may be back, and the user
// expects news after a check, not at the next hour's retry. A seat push
// held back for the session has been taken into its own by then.
class WaitingAfterSession final : public SessionAlerts {
public:
    WaitingAfterSession(SessionAlerts& alerts, AlertSender& post, const Clock& clock)
        : alerts_(alerts), post_(post), clock_(clock) {}

    QCoro::Task<> sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                               QList<CheckRecord> checks = {}) override;

private:
    SessionAlerts& alerts_;
    AlertSender& post_;
    const Clock& clock_;
};

} // namespace zelvane
