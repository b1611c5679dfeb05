#pragma once

#include "Faults.h"
#include "RequestLog.h"
#include "Scenario.h"

#include <httplib.h>
#include <mutex>
#include <string>
#include <unordered_map>

namespace sitesim {

// Both web sites behind one listener: the airline's frequent-flyer pages with
// their sessions, and the product site's files and mail endpoints.
class Site {
public:
    Site(Scenario scenario, bool tls, int port, RequestLog& log);

    // Routes every request of the server here.
    void install(httplib::Server& server);

private:
    struct Session {
        int searches = 0;
        bool dead = false;
    };
    struct Incoming;

    void handle(const httplib::Request& req, httplib::Response& res, const std::string& body);
    void login(Incoming& in, httplib::Response& res);
    void search(Incoming& in, httplib::Response& res);
    void frame(Incoming& in, httplib::Response& res);
    void productSite(Incoming& in, httplib::Response& res);

    // The live session named by the request's cookie, or an empty text.
    std::string liveSession(const std::string& cookieHeader);
    std::string liveSessionLocked(const std::string& cookieHeader) const;
    std::string newSession();
    std::string absolute(const httplib::Request& req, const std::string& pathAndQuery) const;
    FaultAddresses faultAddresses(const httplib::Request& req, const std::string& loopPath) const;
    int matchAvailability(const QDate& date, const QString& from, const QString& to) const;
    // The frame of the `index`-th available entry.
    QString frameSource(int index) const;
    // "Sydney (SYD)" for a code of the city list; other codes as they are.
    QString cityLabel(const QString& code) const;

    const Scenario scenario_;
    const bool tls_;
    const int port_;
    RequestLog& log_;

    // Pages that never change, made once for speed.
    const std::string accountPage_;
    const std::string loginPage_;
    const std::string loginFailedPage_;
    std::vector<std::string> framePages_;

    std::mutex mutex_;
    std::unordered_map<std::string, Session> sessions_;
    int logins_ = 0;
    int searches_ = 0;
};

} // namespace sitesim
