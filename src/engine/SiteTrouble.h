#pragma once

#include "app/Settings.h"

#include <QString>
#include <optional>

namespace zelvane {

class WebBrowser;

// Why a page of the session is not the airline's own answer. Either way it
// is the site's trouble, never the member's details.
struct SiteTrouble {
    bool pageArrived = false; // false: no page at all (no network, refused, time-out, TLS)
    QString reason;           // in words: "HTTP 503 Service Unavailable"
};

// What `browser` shows after a navigation on the airline's site at
// `airlineBase`: nothing when it is the site's own page (HTTP 2xx from the
// site's host, after redirects), otherwise the trouble. `loaded` is false
// when the wait for the page ran out first.
std::optional<SiteTrouble> siteTrouble(const WebBrowser& browser, bool loaded,
                                       const QString& airlineBase);

// The streak after one more check, made at `checkTime`: `trouble` is why
// the site could not be used, nothing when the check got through.
SiteTroubleStreak nextSiteTroubleStreak(SiteTroubleStreak streak,
                                        const std::optional<QString>& trouble,
                                        const QDateTime& checkTime);

inline constexpr int kSiteTroubleChecksBeforeNotice = 3;
inline constexpr int kUnreadableChecksBeforeNotice = 2;

// The streak after a check that read `read` result pages and could not read
// `unread`, keeping `keptPage` of the last of them: a check with none
// unread ends it, a check without result pages leaves it as it was.
UnreadablePagesStreak nextUnreadablePagesStreak(UnreadablePagesStreak streak, int read, int unread,
                                                const QString& keptPage, const QDateTime& checkTime);
// What the user is told now about it, or nothing: once per streak, from its
// second check on.
std::optional<QString> unreadablePagesNotice(const UnreadablePagesStreak& streak);

// What the user is told now about the streak, or nothing: once per streak,
// from its third check on, until a check gets through again.
std::optional<QString> siteTroubleNotice(const SiteTroubleStreak& streak);

} // namespace zelvane
