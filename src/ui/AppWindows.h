#pragma once

#include "startup/Startup.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

namespace zelvane {

class MessageBoxes;
struct ProductNews;
class AlertSender;
class AboutWindow;
class SeatPopup;
class MainWindow;
class TrayMenu;

// Owns the windows of the run and joins them: the tray window, the main
// window (made the first time anything needs it, then kept, shown or
// hidden), the pop-ups and the about window.
class AppWindows final : public StartupWindows {
public:
    AppWindows(ProgramParts& parts, ProductNews& news, MessageBoxes& boxes);
    // Settings saved, the one-copy lock let go, the process ended.
    [[noreturn]] void endProgram();
    ~AppWindows() override;

    void showFirstRun() override;
    void loadTrayWindow() override;

    MainWindow& mainWindow();
    bool mainWindowMade() const { return main_ != nullptr; }
    // Shown, restored from minimised and brought to the front.
    void showMainWindow();
    TrayMenu* trayWindow() const { return menu_.get(); }

    bool resultsPanelVisible();

    // One availability pop-up in place `slot` (0-based) of the stack.
    void raisePopup(int slot, const QString& announcement, int popupCount);
    SeatPopup* popup(int slot) const;
    // A click on a pop-up's message text.
    void showResultsFromPopup();

    // Opened not modal; asked again while open, it is only brought up.
    AboutWindow& showAbout();

    // Whether the desktop has a tray to put the icon in; tests answer it.
    std::function<bool()> trayAvailable;
    // Whether that tray is a StatusNotifier host (KDE, GNOME with
    // AppIndicator), which reports a click as Trigger and never DoubleClick.
    std::function<bool()> statusNotifierTray;
    // A panel may come up after the program at log-in: how often to look for
    // a tray to put the icon in.
    int trayPollMs = 1000;
    // The icon is in a tray now.
    bool trayShown() const;
    // The main window's city list update, run from the about window.
    std::function<void(MainWindow&)> callUpdates;

private:
    void joinMainWindow(MainWindow& w);
    void lookForTray();
    // No tray: the window is the way in, shown with a notice that says why.
    void showWithoutTray();

    ProgramParts& parts_;
    ProductNews& news_;
    std::unique_ptr<AlertSender> post_;
    MessageBoxes& boxes_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<TrayMenu> menu_;
    std::array<QPointer<SeatPopup>, 100> popups_;
    QPointer<AboutWindow> about_;
    QTimer* trayLook_ = nullptr;
    bool noTrayTold_ = false;
};

inline const QString kNoTrayText = QStringLiteral(
    "This desktop has no system tray, so Zelvane shows its window instead of a tray icon. "
    "Closing the window ends the program.");

} // namespace zelvane
