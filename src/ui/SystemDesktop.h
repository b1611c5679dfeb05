#pragma once

#include "notify/DesktopFacts.h"

namespace zelvane {

// The desktop the tray program runs on: the bus's answers, and the tray as
// the windows' toolkit finds it (a StatusNotifier host or an XEmbed tray).
class SystemDesktop final : public SessionBusDesktop {
public:
    bool trayAvailable() const override;
};

} // namespace zelvane
