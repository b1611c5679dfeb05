#include "app/StopSignals.h"

#include <QSocketNotifier>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zelvane {

#ifndef Q_OS_WIN

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char byte = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void onStopSignal(QObject* context, std::function<void(int)> stop)
{
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [stop = std::move(stop)] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1)
            stop(int(byte));
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &action, nullptr);
}

#else

void onStopSignal(QObject*, std::function<void(int)>) {}

#endif

} // namespace zelvane
