// sitesim: a stand-in for the airline's frequent-flyer site and the product
// web site, for end-to-end tests, benchmarks and the demo. See README.md.

#include "Faults.h"
#include "RequestLog.h"
#include "Scenario.h"
#include "Site.h"

#include <QFile>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

// Waiting handlers (silent, slow) each hold a worker, and so does every
// kept-alive connection of the browser; the pool must outlast both.
constexpr size_t kWorkerThreads = 32;
constexpr size_t kKeepAliveRequests = 10000;
constexpr time_t kKeepAliveSeconds = 5;
constexpr time_t kReadTimeoutSeconds = 10;
constexpr time_t kWriteTimeoutSeconds = 10;
// How long a stop waits for open connections before leaving anyway.
constexpr auto kStopGrace = std::chrono::milliseconds(1500);

struct Options {
    std::string scenario;
    int port = 0;
    std::string cert, key;
    std::string log;
    std::string portFile;
};

int usage(const char* why)
{
    std::fprintf(stderr,
                 "sitesim: %s\n"
                 "usage: sitesim --scenario FILE [--port N] [--tls CERT.pem KEY.pem] "
                 "[--log FILE] [--port-file FILE]\n",
                 why);
    return 2;
}

bool parseOptions(int argc, char** argv, Options* o, const char** why)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](std::string* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        std::string value;
        if (a == "--scenario") {
            if (!next(&o->scenario))
                return *why = "--scenario needs a file", false;
        } else if (a == "--port") {
            if (!next(&value))
                return *why = "--port needs a number", false;
            char* end = nullptr;
            const long port = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || port < 0 || port > 65535)
                return *why = "--port needs a number from 0 to 65535", false;
            o->port = int(port);
        } else if (a == "--tls") {
            if (!next(&o->cert) || !next(&o->key))
                return *why = "--tls needs a certificate file and a key file", false;
        } else if (a == "--log") {
            if (!next(&o->log))
                return *why = "--log needs a file", false;
        } else if (a == "--port-file") {
            if (!next(&o->portFile))
                return *why = "--port-file needs a file", false;
        } else {
            return *why = "unknown argument", false;
        }
    }
    if (o->scenario.empty())
        return *why = "--scenario is required", false;
    return true;
}

// Readers poll for the file; renaming a finished temporary file means they
// never see half a number.
bool writePortFile(const std::string& path, int port)
{
    const std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fprintf(f, "%d\n", port) > 0;
    if (std::fclose(f) != 0 || !written)
        return false;
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::optional<sitesim::Scenario> loadScenario(const std::string& path)
{
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "sitesim: cannot read the scenario %s\n", path.c_str());
        return std::nullopt;
    }
    QString error;
    auto scenario = sitesim::parseScenario(file.readAll(), &error);
    if (!scenario)
        std::fprintf(stderr, "sitesim: bad scenario %s: %s\n", path.c_str(), qPrintable(error));
    return scenario;
}

// A client that hangs up mid-answer must not kill the server, and the stop
// signals are taken by one thread instead of interrupting any handler.
sigset_t blockStopSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

// Plain or TLS, set up for the waiting handlers; nothing when the certificate
// or key cannot be used.
std::unique_ptr<httplib::Server> makeServer(const Options& options)
{
    std::unique_ptr<httplib::Server> server;
    if (!options.cert.empty())
        server = std::make_unique<httplib::SSLServer>(options.cert.c_str(), options.key.c_str());
    else
        server = std::make_unique<httplib::Server>();
    if (!server->is_valid()) {
        std::fprintf(stderr, "sitesim: cannot use the certificate %s and key %s\n",
                     options.cert.c_str(), options.key.c_str());
        return nullptr;
    }
    server->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server->set_keep_alive_max_count(kKeepAliveRequests);
    server->set_keep_alive_timeout(kKeepAliveSeconds);
    server->set_read_timeout(kReadTimeoutSeconds);
    server->set_write_timeout(kWriteTimeoutSeconds);
    server->set_tcp_nodelay(true);
    return server;
}

// The port bound on the loopback address (any free one for 0); 0 or less
// when it cannot be had.
int bindLoopback(httplib::Server& server, int port)
{
    if (port == 0)
        return server.bind_to_any_port("127.0.0.1");
    return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

// Waits for a stop signal, stops the server and gives the open connections
// a moment to finish once `done` is ready.
std::thread watchStopSignals(httplib::Server& server, sitesim::RequestLog& log, std::shared_future<void> done,
                             sigset_t stopSignals, int port)
{
    return std::thread([&server, &log, done, stopSignals, port] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        sitesim::requestStop();
        server.stop();
        sitesim::cutConnections(port);
        if (done.wait_for(kStopGrace) != std::future_status::ready) {
            // A connection still hangs on somewhere; nothing is lost by
            // leaving it.
            log.flush();
            std::fflush(stdout);
            std::_Exit(0);
        }
    });
}

// Announces the port and answers until a stop signal; the exit status.
int serve(httplib::Server& server, sitesim::RequestLog& log, sigset_t stopSignals, int port, bool tls,
          const std::string& portFile)
{
    std::promise<void> finished;
    std::thread stopper = watchStopSignals(server, log, finished.get_future().share(), stopSignals, port);

    if (!portFile.empty() && !writePortFile(portFile, port)) {
        std::fprintf(stderr, "sitesim: cannot write the port file %s\n", portFile.c_str());
        return 1;
    }
    std::printf("listening on %s://127.0.0.1:%d\n", tls ? "https" : "http", port);
    std::fflush(stdout);

    const bool ok = server.listen_after_bind();
    finished.set_value();
    if (!sitesim::stopRequested()) {
        // listen ended on its own: wake the signal thread so it can be joined.
        std::fprintf(stderr, "sitesim: the listener stopped unexpectedly\n");
        log.flush();
        std::_Exit(1);
    }
    stopper.join();
    log.flush();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const char* why = nullptr;
    if (!parseOptions(argc, argv, &options, &why))
        return usage(why);

    auto scenario = loadScenario(options.scenario);
    if (!scenario)
        return 2;

    sitesim::RequestLog log;
    if (!options.log.empty() && !log.open(options.log)) {
        std::fprintf(stderr, "sitesim: cannot write the log %s\n", options.log.c_str());
        return 2;
    }

    const sigset_t stopSignals = blockStopSignals();
    const std::unique_ptr<httplib::Server> server = makeServer(options);
    if (!server)
        return 2;
    const int port = bindLoopback(*server, options.port);
    if (port <= 0) {
        std::fprintf(stderr, "sitesim: cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }

    const bool tls = !options.cert.empty();
    sitesim::Site site(std::move(*scenario), tls, port, log);
    site.install(*server);
    return serve(*server, log, stopSignals, port, tls, options.portFile);
}
