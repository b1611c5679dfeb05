#pragma once

#include "notify/PopupGeometry.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace zelvane {

class Dialogs;

// The availability pop-up: grows up out of the bottom right corner, above the
// task bar, and stays on top until it is clicked. Closing deletes it.
class SeatPopup : public QWidget {
    Q_OBJECT
public:
    // "Book on the airline's site" hands its page over through `dialogs`.
    explicit SeatPopup(Dialogs& dialogs, QWidget* parent = nullptr);

    // Places, shows and animates the pop-up for an announcement in stacking
    // place `slot` (1 at the bottom), beside `keepClear` (the main window
    // while it is shown) rather than over it where there is room.
    void start(const Announcement& announcement, int slot, const QRect& keepClear = {});
    // The same in the last place, telling of `more` announcements that found
    // no place; a click anywhere on it asks for the results.
    void startMore(int more, int slot, const QRect& keepClear = {});
    void setMore(int more);
    const Announcement& announcement() const { return announcement_; }

    QTimer growTimer;     // 10 ms: grow
    QTimer slideTimer; // 20 ms: slide
    const ReminderFrame& frame() const { return frame_; }
    int finalTop() const { return start_.finalTop; }

signals:
    // The message text or "Check Results!" was clicked: the user wants to see
    // the results.
    void resultsAsked();
    // "Snooze this trip for a week": the watch told of, by its identity.
    void snoozeAsked(const QString& watch);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QRect captionArea() const; // the caption's place as designed
    // The caption of `announcement`, shortened where it does not fit whole.
    void showCaption(const Announcement& announcement);
    // Whether `text` fits the label, in a font no smaller than the desktop's.
    bool setCaption(const QString& text);
    void keepOnTop();
    void applyShape();
    void place();

    Dialogs& dialogs_;
    QLabel* caption_;
    QLabel* heading_;
    QLabel* snooze_;
    QLabel* book_; // "Book on the airline's site", for an announcement with seats to book
    QLabel* image_;
    QPixmap face_;
    Announcement announcement_;
    bool more_ = false; // tells of the announcements without a place
    QRect screen_;
    double perPixel_ = 15.0;
    ReminderStart start_;
    ReminderFrame frame_;
};

} // namespace zelvane
