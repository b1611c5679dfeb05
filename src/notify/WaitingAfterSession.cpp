#include "notify/WaitingAfterSession.h"

#include "app/Clock.h"

namespace zelvane {

QCoro::Task<> WaitingAfterSession::sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                                                QList<CheckRecord> checks)
{
    WaitingRound rest;
    rest.untriedSince = clock_.now();
    co_await alerts_.sessionEnded(outcome, resultsMailDue, std::move(checks));
    co_await post_.sendWaiting(rest);
}

} // namespace zelvane
