#pragma once

#include "results/SeatTexts.h"
#include "engine/Scheduler.h"
#include "startup/Startup.h"
#include "ui/MainWindow.h"

#include <QPointer>
#include <QTimer>
#include <memory>

namespace zelvane {

class AboutWindow;
class AlertSender;
class CheckRig;
class DesktopFacts;
class Dialogs;
class MessageBoxes;
class SeatPopup;
class TrayBlink;
class TrayMenu;
struct ProductNews;

// Owns the windows of the run and joins them: the tray window, the main
// window (made the first time anything needs it, then kept, shown or
// hidden), the pop-ups and the about window.
class AppWindows final : public StartupWindows, public MainWindowHost, public ScheduledSessions {
public:
    AppWindows(ProgramParts& parts, ProductNews& news, MessageBoxes& boxes, Dialogs& dialogs,
               const DesktopFacts& desktop);
    // Settings saved, the one-copy lock let go, the process ended.
    [[noreturn]] void endProgram() override;
    void openPage(const QString& address) override;
    void openAbout() override { showAbout(); }
    QCoro::Task<> checkVersion() override;
    ~AppWindows() override;

    void showFirstRun() override;
    void loadTrayWindow() override;

    // The main window and the check sessions it shows, made together the
    // first time either is needed: by the window, or by the schedule when a
    // session falls due.
    MainWindow& mainWindow();
    CheckRig& checkRig();
    bool mainWindowMade() const { return main_ != nullptr; }
    // Shown, restored from minimised and brought to the front.
    void showMainWindow();
    TrayMenu* trayWindow() const { return menu_.get(); }
    // The regular checks and the retry after a lockout, ticking once the tray window is loaded.
    Scheduler& scheduler() { return scheduler_; }
    CheckEngine* engine(bool make) override;
    StatusLine& statusLine() override { return mainWindow(); }

    bool resultsPanelVisible();

    // Seats were found: a pop-up in the lowest free place and the tray
    // icon's blink until the main window is seen. With every place taken,
    // the last one tells how many more wait for a place, and each takes the
    // next place that frees; none hides another.
    void announce(const Announcement& announcement);
    // "test popup": a sample flight marked as a test, gone after testPopupMs.
    void raiseTestPopup();
    // The pop-up resting in place `place` (0 at the bottom), if any.
    SeatPopup* popup(int place) const;
    TrayBlink& blink() { return *blink_; }
    // A click on a pop-up's message text or "Check Results!".
    void showResultsFromPopup();

    // Opened not modal; asked again while open, it is only brought up.
    AboutWindow& showAbout();

    // The tray and the notification service the desktop offers.
    const DesktopFacts& desktop() const { return desktop_; }
    // A panel may come up after the program at log-in: how often to look for
    // a tray to put the icon in.
    int trayPollMs = 1000;
    int testPopupMs = 8000;
    // How often a session the history could not take is tried again.
    int historyRetryMs = 30000;
    // Every alert for a server goes through this one sender.
    AlertSender& alertSender() { return *post_; }
    // The icon is in a tray now.
    bool trayShown() const override;

private:
    void joinMainWindow(MainWindow& w);
    int popupPlaces() const;
    // Where the main window is while it is shown; nothing while it is not.
    QRect mainWindowPlace() const;
    int freePopupPlace() const;
    void raisePopup(const Announcement& announcement);
    SeatPopup* showPopupIn(int place, const Announcement& announcement);
    // The last place tells of the announcements waiting, or frees when none does.
    void tellWaitingPopups();
    void fillFreedPlaces();
    void lookForTray();
    // No tray: the window is the way in, shown with a notice that says why.
    void showWithoutTray();
    // The tray window's load, then the schedule.
    QCoro::Task<> loadTrayThenSchedule();

    ProgramParts& parts_;
    ProductNews& news_;
    std::unique_ptr<AlertSender> post_;
    MessageBoxes& boxes_;
    Dialogs& dialogs_;
    const DesktopFacts& desktop_;
    std::unique_ptr<CheckRig> rig_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<TrayMenu> menu_;
    std::unique_ptr<TrayBlink> blink_;
    Scheduler scheduler_;
    QList<QPointer<SeatPopup>> places_; // from the bottom; null where none rests
    QList<Announcement> waitingPopups_;  // announcements without a place yet
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
