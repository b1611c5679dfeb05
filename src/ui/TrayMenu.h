#pragma once

#include "app/Settings.h"

#include <QCoro/QCoroTask>
#include <QIcon>
#include <QWidget>

class QLabel;
class QSystemTrayIcon;

namespace zelvane {

class AppWindows;
struct ProductNews;

// The tray window: owns the tray icon, stays loaded for the whole run, and is
// itself the menu of the icon, shown on a right click.
class TrayMenu : public QWidget {
    Q_OBJECT
public:
    TrayMenu(const SettingsGroup<StartChoice>& start, ProductNews& news, AppWindows& windows,
             QWidget* parent = nullptr);

    // The window's load: tray icon, autostart entry when asked for, then the
    // version check, waited for without holding up the tray.
    QCoro::Task<> onLoad();
    // The version check; a newer version shows its notice on the main window.
    QCoro::Task<> checkVersion();
    void makeTrayIcon();
    void addTrayIcon();
    // The tray icon takes the main window's icon, and the tooltip says the
    // program is on.
    void setTrayIcon(const QIcon& mainIcon);
    // While the site refuses the login the icon shows a warning and the
    // tooltip says why; a good login puts the usual picture back.
    void showLoginTrouble(bool refused);
    // "1 alert waiting to be sent: …", or empty when nothing waits.
    void showWaiting(const QString& summary);
    // Shows this window as the icon's menu, beside the icon inside the work
    // area; the arrow keys (or Tab) choose an item, Return takes it, Escape
    // closes the menu.
    void onActivate();

    void openSettings();
    void showResults();
    [[noreturn]] void exitProgram();

    QSystemTrayIcon* tray() const { return tray_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;

private:
    void highlight(QLabel* item);
    void choose(QLabel* item);

    const SettingsGroup<StartChoice>& start_;
    ProductNews& news_;
    bool loginTrouble_ = false; // shown until a login gets through
    QString waiting_;
    AppWindows& windows_;
    QSystemTrayIcon* tray_ = nullptr;
    QIcon lastMainIcon_;
    QLabel* heading_;
    QLabel* settingsItem_;
    QLabel* resultsItem_;
    QLabel* exitItem_;
    QLabel* highlighted_ = nullptr;
};

inline const QString kTrayToolTip = QStringLiteral("Zelvane") + QStringLiteral("Enabled");
inline const QString kTrayLoginTrouble = QStringLiteral("Login failed — check your details");
inline const QColor kMenuItemColour(67, 117, 150);

} // namespace zelvane
