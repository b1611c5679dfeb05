#pragma once

#include <QWidget>
#include <functional>

class QSystemTrayIcon;

namespace zelvane {

class modMain;

// The hidden tray window: it owns the tray icon and stays loaded, unseen, for
// the whole run.
class frmmenu : public QWidget {
    Q_OBJECT
public:
    frmmenu(modMain& state, std::function<void()> showMainWindow, QWidget* parent = nullptr);

    // The window's load: tray icon, autostart entry when asked for.
    void load();

private:
    modMain& state_;
    std::function<void()> showMainWindow_;
    QSystemTrayIcon* tray_ = nullptr;
};

} // namespace zelvane
