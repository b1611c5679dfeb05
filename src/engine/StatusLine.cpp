#include "engine/StatusLine.h"

namespace zelvane {

QString StatusMessage::words() const
{
    using K = Kind;
    switch (kind) {
    case K::Said:
    case K::Outbox: return detail;
    case K::WaitingNewSession: return status::kWaitingNewSession;
    case K::WaitingItineraries: return status::kWaitingItineraries;
    case K::WaitingLogin: return status::kWaitingLogin;
    case K::SendingLogin: return status::kSendingLogin;
    case K::MaxLogins: return status::kMaxLogins;
    case K::LoginOk: return status::kLoginOk;
    case K::GaveUp: return status::kGaveUp;
    case K::LoginFailed: return status::kLoginFailed;
    case K::LoginIncorrect: return status::kLoginIncorrect;
    case K::Attempting: return status::kAttempting;
    case K::TestFailed: return status::kTestFailed;
    case K::Completed:
        return (number > 0 ? status::completedLeavingOut(number) : status::kCompleted)
               + (paused > 0 ? status::pausedNotChecked(paused) : QString());
    case K::SiteUnreachable: return status::kSiteUnreachable;
    case K::SiteNotUsable: return status::siteNotUsable(detail);
    case K::Checking: return date.isValid() ? status::checkingDay(number, date, detail) : status::checking(number);
    case K::Processed: return status::processed(number);
    }
    return detail;
}

} // namespace zelvane
