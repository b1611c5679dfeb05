#include "Faults.h"

#include "Pages.h"
#include "SearchCheck.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>

namespace sitesim {

namespace {

std::atomic<bool> g_stop{false};

constexpr int kPollStepMs = 100;
constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kOversizeChunk = 64 * 1024;
constexpr qint64 kDefaultBinaryKb = 64;
constexpr qint64 kMaxBinaryKb = 64 * 1024; // held in memory, unlike oversize
constexpr size_t kDropAfterBytes = 1500;

// Calls fn(fd, local port, peer port) for every IPv4 socket of the process;
// fn returns false to stop.
template <typename Fn>
void forEachSocket(Fn fn)
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    while (dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || fd < 0 || fd == dirfd(dir))
            continue;
        sockaddr_in local{}, peer{};
        socklen_t len = sizeof local;
        if (getsockname(int(fd), reinterpret_cast<sockaddr*>(&local), &len) != 0 || local.sin_family != AF_INET)
            continue;
        len = sizeof peer;
        if (getpeername(int(fd), reinterpret_cast<sockaddr*>(&peer), &len) != 0)
            continue;
        if (!fn(int(fd), int(ntohs(local.sin_port)), int(ntohs(peer.sin_port))))
            break;
    }
    closedir(dir);
}

// The handler is not given its connection, so find the socket whose two ends
// are the request's. Only the client's going away is read from it.
int connectionSocket(const httplib::Request& req)
{
    int found = -1;
    forEachSocket([&](int fd, int localPort, int peerPort) {
        if (localPort != req.local_port || peerPort != req.remote_port)
            return true;
        found = fd;
        return false;
    });
    return found;
}

QString queryValue(const QString& rawQuery, const QString& key)
{
    for (const auto& [k, v] : splitQuery(rawQuery)) {
        if (k == key)
            return v;
    }
    return QString();
}

void plainAnswer(httplib::Response& res, int status, const QString& title, const QString& text)
{
    res.status = status;
    res.set_content(pages::plain(title, text).toStdString(), pages::kHtmlType);
}

} // namespace

void redirect(httplib::Response& res, const std::string& url)
{
    res.status = 302;
    res.set_header("Location", url);
    const QString href = pages::escape(QString::fromStdString(url));
    res.set_content(pages::plain(QStringLiteral("Object moved"),
                                 QStringLiteral("This document may be found <A HREF=\"") + href
                                     + QStringLiteral("\">here</A>."))
                        .toLatin1()
                        .toStdString(),
                    pages::kHtmlType);
}

bool stopRequested()
{
    return g_stop.load();
}

void requestStop()
{
    g_stop.store(true);
}

void cutConnections(int port)
{
    forEachSocket([port](int fd, int localPort, int) {
        if (localPort == port)
            shutdown(fd, SHUT_RDWR);
        return true;
    });
}

bool waitOnClient(const httplib::Request& req, qint64 ms)
{
    using clock = std::chrono::steady_clock;
    const int fd = connectionSocket(req);
    const auto deadline = clock::now() + std::chrono::milliseconds(std::max<qint64>(ms, 0));
    while (!stopRequested()) {
        int step = kPollStepMs;
        if (ms >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0)
                return true;
            step = int(std::min<qint64>(left, kPollStepMs));
        }
        if (fd >= 0) {
            pollfd p{fd, POLLRDHUP, 0};
            if (poll(&p, 1, step) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)))
                return false;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(step));
        }
    }
    return false;
}

bool isPortalHost(const httplib::Request& req)
{
    const std::string host = req.get_header_value("Host");
    return host.substr(0, host.rfind(':')) == kPortalHost;
}

std::optional<FaultSpec> faultFromAddress(const QString& path, const QString& rawQuery)
{
    if (!path.startsWith(QLatin1String("/fault/")))
        return std::nullopt;
    const QString name = path.mid(7);
    QString argument;
    if (name == QLatin1String("status"))
        argument = queryValue(rawQuery, QStringLiteral("code"));
    else if (name == QLatin1String("slow"))
        argument = queryValue(rawQuery, QStringLiteral("ms"));
    else if (name == QLatin1String("oversize"))
        argument = queryValue(rawQuery, QStringLiteral("mb"));
    else if (name == QLatin1String("binary"))
        argument = queryValue(rawQuery, QStringLiteral("kb"));
    return parseFault(argument.isEmpty() ? name : name + QLatin1Char(':') + argument);
}

void answerFault(const FaultSpec& fault, const httplib::Request& req, httplib::Response& res,
                 const FaultAddresses& addresses)
{
    const QString& name = fault.name;
    if (name == QLatin1String("status")) {
        const int code = int(fault.argument);
        if (code < 200 || code > 599) {
            plainAnswer(res, 400, QStringLiteral("Bad fault"), QStringLiteral("code must be 200 to 599"));
            return;
        }
        plainAnswer(res, code, QStringLiteral("Error %1").arg(code),
                    QStringLiteral("The server answered with status %1.").arg(code));
    } else if (name == QLatin1String("slow")) {
        waitOnClient(req, fault.argument);
        plainAnswer(res, 200, QStringLiteral("Slow page"),
                    QStringLiteral("Answered after %1 ms.").arg(fault.argument));
    } else if (name == QLatin1String("silent")) {
        waitOnClient(req, -1);
        // Stopping or not, the client must never get an answer: cut the
        // connection so the server's reply goes nowhere.
        const int fd = connectionSocket(req);
        if (fd >= 0)
            shutdown(fd, SHUT_RDWR);
        res.status = 503;
    } else if (name == QLatin1String("drop")) {
        QStringList filler;
        for (int i = 0; i < 400; ++i)
            filler << QStringLiteral("Row %1 of a page that never ends").arg(i);
        auto page = std::make_shared<std::string>(
            pages::plain(QStringLiteral("Award Availability"), filler.join(QStringLiteral("<BR>\n")))
                .toStdString());
        res.status = 200;
        res.set_content_provider(page->size(), pages::kHtmlType,
                                 [page](size_t, size_t, httplib::DataSink& sink) {
                                     sink.write(page->data(), std::min(page->size(), kDropAfterBytes));
                                     return false; // and the connection is closed mid-page
                                 });
    } else if (name == QLatin1String("oversize")) {
        const qint64 total = std::max<qint64>(fault.argument, 1) * kMiB;
        auto chunk = std::make_shared<std::string>();
        while (qint64(chunk->size()) < kOversizeChunk)
            chunk->append("<P>This page goes on and on and on and on and on and on.</P>\n");
        chunk->resize(size_t(kOversizeChunk));
        res.status = 200;
        res.set_content_provider(size_t(total), pages::kHtmlType,
                                 [chunk](size_t offset, size_t length, httplib::DataSink& sink) {
                                     (void)offset;
                                     if (stopRequested())
                                         return false;
                                     return sink.write(chunk->data(), std::min(length, chunk->size()));
                                 });
    } else if (name == QLatin1String("redirectloop")) {
        redirect(res, addresses.loop);
    } else if (name == QLatin1String("portal")) {
        if (isPortalHost(req)) {
            plainAnswer(res, 200, QStringLiteral("Sign in to the network"),
                        QStringLiteral("Welcome! Accept the terms of use to get on the internet."));
        } else {
            redirect(res, addresses.portal);
        }
    } else if (name == QLatin1String("redesigned")) {
        // An availability page as a changed site might send it: its frame
        // holds the flights under headings of a new design.
        res.status = 200;
        res.set_content(pages::availability(QStringLiteral("/fault/redesignedframe"), false).toLatin1().toStdString(),
                        pages::kHtmlType);
    } else if (name == QLatin1String("redesignedframe")) {
        res.status = 200;
        res.set_content(pages::redesignedFlightTable().toLatin1().toStdString(), pages::kHtmlType);
    } else if (name == QLatin1String("binary")) {
        const qint64 kb = fault.argument > 0 ? std::min(fault.argument, kMaxBinaryKb) : kDefaultBinaryKb;
        std::string bytes(size_t(kb * 1024), '\0');
        std::mt19937 random(std::random_device{}());
        for (char& b : bytes)
            b = char(random() & 0xFF);
        res.status = 200;
        res.set_content(bytes, "application/octet-stream");
    } else {
        plainAnswer(res, 404, QStringLiteral("Not found"), QStringLiteral("No such fault."));
    }
}

} // namespace sitesim
