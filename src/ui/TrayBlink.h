#pragma once

#include "ui/Skin.h"

#include <QObject>
#include <QTimer>

namespace zelvane {

// The tray icon's blink while seats were announced and not yet seen: two
// pictures in turn, ten times a second, until the user opens the window.
class TrayBlink final : public QObject {
    Q_OBJECT
public:
    explicit TrayBlink(QObject* parent = nullptr);

    void start();
    // Back to the first picture, which is the icon's usual one.
    void stop();
    bool blinking() const { return timer_.isActive(); }
    int picture() const { return picture_; }

signals:
    void pictureChanged(int picture);

private:
    QTimer timer_;
    int picture_ = kBlinkPictureA;
};

} // namespace zelvane
