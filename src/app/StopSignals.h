#pragma once

#include <QObject>
#include <functional>

namespace zelvane {

// SIGTERM (log-off, a service manager), SIGHUP (the terminal goes away) and
// SIGINT (Ctrl+C). The handler only wakes the event loop; what to do is
// decided there, by `stop`, which gets the signal's number.
void onStopSignal(QObject* context, std::function<void(int signal)> stop);

} // namespace zelvane
