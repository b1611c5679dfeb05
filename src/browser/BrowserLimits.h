#pragma once

#include <QtGlobal>
#include <chrono>

namespace zelvane {

// How long and how far the browser goes for one navigation. The engine waits
// on busy without a limit of its own, so these bound every wait whatever the
// site does: never answers, answers a byte a minute, loops, or sends a film.
struct BrowserLimits {
    // From starting a request until it has been sent (TCP and TLS set up).
    std::chrono::milliseconds connectTimeout{30'000};
    // Longest silence while a reply is under way.
    std::chrono::milliseconds transferTimeout{60'000};
    // The whole navigation: page, redirects and frame 0 together.
    std::chrono::milliseconds navigationDeadline{180'000};
    // Redirects followed per document before giving up (a loop ends here).
    int maxRedirects = 20;
    // Result pages are tens of kilobytes; a larger reply is not a page of the site.
    qint64 maxPageBytes = 8 * 1024 * 1024;
};

} // namespace zelvane
