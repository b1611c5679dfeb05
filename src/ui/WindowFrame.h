#pragma once

#include "app/Settings.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QTimer>
#include <optional>

class QWidget;

namespace zelvane {

// What a title bar and a border give other windows, for a frameless one: a
// drag on its background moves it, its edges and bottom-right corner resize
// it, a double click on its header maximises or restores it, and the size
// and state the user left it in are kept in the settings.
class WindowFrame : public QObject {
public:
    static constexpr int kGrip = 18; // the corner that resizes
    // The size a window never sized by the user opens at, where the screen
    // has 10 % more room.
    static constexpr QSize kFirstSize{940, 620};

    WindowFrame(QWidget& window, SettingsGroup<WindowPlacement>& placement, QSize leastSize, int headerHeight);

    // Before the window is made: the size and state it was left in, the
    // size cut to the screen it opens on; never sized, kFirstSize.
    void restore();
    void toggleMaximized();
    // Into the settings now: a resize is kept once it rests, and the program
    // may end before that.
    void keepPlacement();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void pressed(QPoint at, Qt::MouseButton button);
    void moved(QPoint at, bool buttonHeld);
    void noteSize();
    void noteState();

    QWidget& window_;
    SettingsGroup<WindowPlacement>& kept_;
    WindowPlacement placement_;
    QTimer resting_; // a drag resizes many times a second; the settings are written once
    QSize leastSize_;
    QSize opened_; // the first size, when the user has chosen none yet
    int headerHeight_;
    std::optional<QPoint> dragFrom_; // a press on the background that may become a move
};

} // namespace zelvane
