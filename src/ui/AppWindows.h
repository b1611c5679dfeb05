#pragma once

#include "startup/Startup.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

namespace zelvane {

class AboutWindow;
class AlertSender;
class CheckRig;
class MainWindow;
class MessageBoxes;
class SeatPopup;
class TrayBlink;
class TrayMenu;
struct Announcement;
struct ProductNews;

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

    // The main window and the check sessions it shows, made together the
    // first time either is needed.
    MainWindow& mainWindow();
    CheckRig& checkRig();
    bool mainWindowMade() const { return main_ != nullptr; }
    // Shown, restored from minimised and brought to the front.
    void showMainWindow();
    TrayMenu* trayWindow() const { return menu_.get(); }

    bool resultsPanelVisible();

    // Seats were found: a pop-up in the next place of the stack and the
    // tray icon's blink until the main window is seen.
    void announce(const Announcement& announcement);
    // "test popup": the last announcement again, in the next place.
    void raiseTestPopup();
    SeatPopup* popup(int slot) const;
    TrayBlink& blink() { return *blink_; }
    // A click on a pop-up's message text.
    void showResultsFromPopup();

    // Opened not modal; asked again while open, it is only brought up.
    AboutWindow& showAbout();

    // Whether the desktop has a tray to put the icon in; tests answer it.
    std::function<bool()> trayAvailable;
    // Whether that tray is a StatusNotifier host (KDE, GNOME with
    // AppIndicator), which reports a click as Trigger and never DoubleClick.
    std::function<bool()> statusNotifierTray;
    // A panel may come up after the program at log-in: how long to wait for a
    // tray before the window is shown instead, and how often to look.
    int trayWaitMs = 30000;
    int trayPollMs = 1000;
    // How often a session the history could not take is tried again.
    int historyRetryMs = 30000;
    // Every alert for a server goes through this one sender.
    AlertSender& alertSender() { return *post_; }
    // The icon is in a tray now.
    bool trayShown() const;
    // The main window's city list update, run from the about window.
    std::function<void(MainWindow&)> callUpdates;

private:
    void joinMainWindow(MainWindow& w);
    void lookForTray();
    // One availability pop-up in place `slot` (0-based) of the stack.
    void raisePopup(int slot, const Announcement& announcement, int popupCount);

    ProgramParts& parts_;
    ProductNews& news_;
    std::unique_ptr<AlertSender> post_;
    MessageBoxes& boxes_;
    std::unique_ptr<CheckRig> rig_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<TrayMenu> menu_;
    std::unique_ptr<TrayBlink> blink_;
    std::array<QPointer<SeatPopup>, 100> popups_;
    int popupCount_ = 0; // pop-ups raised, wrapping after four
    std::unique_ptr<Announcement> lastAnnouncement_;
    QPointer<AboutWindow> about_;
    QTimer* trayLook_ = nullptr;
    bool noTrayTold_ = false;
    qint64 trayWaited_ = 0;
};

inline const QString kNoTrayText = QStringLiteral(
    "This desktop has no system tray, so Zelvane shows its window instead of a tray icon. "
    "Closing the window ends the program.");

} // namespace zelvane
