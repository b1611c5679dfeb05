#include "notify/DesktopFacts.h"

#include "notify/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusInterface>

namespace zelvane {

bool SessionBusDesktop::statusNotifierTray() const
{
    // Qt puts its icon on a StatusNotifier host when the watcher says one is
    // registered, and on an XEmbed tray otherwise.
    QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                           QStringLiteral("/StatusNotifierWatcher"),
                           QStringLiteral("org.kde.StatusNotifierWatcher"), QDBusConnection::sessionBus());
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool SessionBusDesktop::notesAvailable() const
{
    return DesktopNotifier::available();
}

const SessionBusDesktop& SessionBusDesktop::instance()
{
    static const SessionBusDesktop desktop{};
    return desktop;
}

} // namespace zelvane
