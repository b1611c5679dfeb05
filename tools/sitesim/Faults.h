#pragma once

#include "Scenario.h"

#include <httplib.h>
#include <string>

namespace sitesim {

// Set once SIGTERM or SIGINT arrives; every handler that waits gives up then,
// so stopping never hangs on a silent or slow connection.
bool stopRequested();
void requestStop();
// Shuts down every connection accepted on port, so idle kept-alive ones do
// not hold the stop up for their time-out.
void cutConnections(int port);

// Waits up to ms milliseconds (forever when ms < 0), returning early when the
// simulator stops or the client of req has gone away. Returns false in those
// two cases.
bool waitOnClient(const httplib::Request& req, qint64 ms);

// A 302 to url, with the little "moved" page servers of the time sent along.
void redirect(httplib::Response& res, const std::string& url);

// The "portal" fault's sign-in page is served under this simulator's other
// name, as if by another host: a network that sends every request to its
// own page.
inline const std::string kPortalHost = "localhost";
bool isPortalHost(const httplib::Request& req);

// Where the faults that redirect send the client, as absolute addresses.
struct FaultAddresses {
    std::string loop;   // the redirect loop: the address itself
    std::string portal; // the sign-in page under kPortalHost
};

// Answers req with the given fault.
void answerFault(const FaultSpec& fault, const httplib::Request& req, httplib::Response& res,
                 const FaultAddresses& addresses);

// The fault named by a /fault/<name>?<args> address, or nothing.
std::optional<FaultSpec> faultFromAddress(const QString& path, const QString& rawQuery);

} // namespace sitesim
