#include "ui/SystemDesktop.h"

#include <QSystemTrayIcon>

namespace zelvane {

bool SystemDesktop::trayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace zelvane
