#pragma once

#include "app/Settings.h"
#include "ui/Skin.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace zelvane {

class Dialogs;

// Help / about: the version, the start-with-the-desktop choice, the city list
// update and the product site's pages. Borderless, moved by its background;
// Tab reaches every link and the close button, Escape closes it; closing it
// deletes it.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // The product site's pages are handed over through `dialogs`.
    AboutWindow(SettingsGroup<StartChoice>& start, Dialogs& dialogs, QWidget* parent = nullptr);

    void saveLaunchAtLogin();
    void toggleLaunchAtLogin();
signals:
    // "Check For Updates": the main window's city list update.
    void updatesAsked();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Theme theme_ = currentTheme();
    enum Picture { kPressed = 1, kNormal = 2, kHover = 3 };
    void setClosePicture(Picture picture);
    enum class Text { Plain, Heading, Link };
    QLabel* text_(const char* name, const QString& text, int left, int top, Text kind);
    QLabel* link(const char* name, const QString& text, int left, int top);
    // What a click on a link, or Return on it, does.
    void follow(QObject* link);

    SettingsGroup<StartChoice>& start_;
    Dialogs& dialogs_;
    QCheckBox* launchAtLoginCheck_;
    QLabel* image_;
    QLabel* launchAtLoginLink_;
    QLabel* updatesLink_;
};

// The start-with-the-desktop caption, in the words of the desktop it runs on.
#ifdef Q_OS_WIN
inline const QString kLaunchAtStartText = QStringLiteral("Launch When Windows Starts");
#else
inline const QString kLaunchAtStartText = QStringLiteral("Launch When I Log In");
#endif

} // namespace zelvane
