#pragma once

#include "notify/PopupGeometry.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace zelvane {

// The availability pop-up: grows up out of the bottom right corner, above the
// task bar, and stays on top until it is clicked. Closing deletes it.
class SeatPopup : public QWidget {
    Q_OBJECT
public:
    explicit SeatPopup(QWidget* parent = nullptr);

    // Places, shows and animates the pop-up for an announcement in stacking
    // place `slot` (1-4).
    void start(const Announcement& announcement, int slot);

    QTimer growTimer;     // 10 ms: grow
    QTimer slideTimer; // 20 ms: slide
    const ReminderFrame& frame() const { return frame_; }
    int finalTop() const { return start_.finalTop; }

signals:
    // The message text was clicked: the user wants to see the results.
    void captionClicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QRect captionArea() const; // lblCaption's place as designed
    void setCaption(const QString& text);
    void keepOnTop();
    void applyShape();
    void place();

    QLabel* caption_;
    QLabel* heading_;
    QLabel* image_;
    QPixmap face_;
    QRect screen_;
    double perPixel_ = 15.0;
    ReminderStart start_;
    ReminderFrame frame_;
};

} // namespace zelvane
