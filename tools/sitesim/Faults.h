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

// Answers req with the given fault. selfUrl is the absolute address of the
// redirect loop.
void answerFault(const FaultSpec& fault, const httplib::Request& req, httplib::Response& res,
                 const std::string& loopUrl);

// The fault named by a /fault/<name>?<args> address, or nothing.
std::optional<FaultSpec> faultFromAddress(const QString& path, const QString& rawQuery);

} // namespace sitesim
