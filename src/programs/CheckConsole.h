#pragma once

// What zelvane-check tells whoever runs it: its help, its lines on standard
// output, its failures on standard error, and the status it ends with.

#include <QString>

namespace zelvane::check {

enum ExitCode {
    kExitCompleted = 0,
    kExitAlreadyRunning = 2,
    kExitNoMember = 3,
    kExitNoItineraries = 4,
    kExitThrottled = 5,
    kExitLoginFailed = 6,
    kExitGaveUp = 7,
    kExitAlertUndelivered = 8,
    kExitSiteUnreachable = 9,
    kExitPageUnreadable = 10,
    kExitListFull = 11,
    kExitWatchDates = 12,
    kExitWatchRoute = 13,
    kExitWatchSearches = 14,
    kExitNoSuchWatch = 15,
    kExitListBusy = 16,
    kExitListNotWritten = 17,
    kExitUsage = 64,
    kExitNoHistory = 66,
    kExitStoredDetailWrong = 78,
};

extern const char* const kHelp;

void out(const QString& line);
void fail(const QString& reason);

} // namespace zelvane::check
