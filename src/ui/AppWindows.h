#pragma once

#include "startup/Startup.h"

#include <QPointer>
#include <QTimer>
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

    // One availability pop-up, in the lowest place free in the work area. With
    // every place taken, the last one tells how many more wait for a place,
    // and each takes the next place that frees; none hides another.
    void raisePopup(const QString& announcement);
    // The pop-up resting in place `place` (0 at the bottom), if any.
    SeatPopup* popup(int place) const;
    // A click on a pop-up's message text or "Check Results!".
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
    int popupPlaces() const;
    int freePopupPlace() const;
    void showPopupIn(int place, const QString& announcement);
    // The last place tells of the announcements waiting, or frees when none does.
    void tellWaitingPopups();
    void fillFreedPlaces();
    void lookForTray();
    // No tray: the window is the way in, shown with a notice that says why.
    void showWithoutTray();

    ProgramParts& parts_;
    ProductNews& news_;
    std::unique_ptr<AlertSender> post_;
    MessageBoxes& boxes_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<TrayMenu> menu_;
    QList<QPointer<SeatPopup>> places_; // from the bottom; null where none rests
    QStringList waitingPopups_;          // announcements without a place yet
    QPointer<SeatPopup> morePopup_;      // "and N more", in the last place
    QObject popupContext_;
    QPointer<AboutWindow> about_;
    QTimer* trayLook_ = nullptr;
    bool noTrayTold_ = false;
};

inline const QString kNoTrayText = QStringLiteral(
    "This desktop has no system tray, so Zelvane shows its window instead of a tray icon. "
    "Closing the window ends the program.");

} // namespace zelvane
