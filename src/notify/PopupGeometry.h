#pragma once

#include "results/SeatTexts.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace zelvane {

// Positions and sizes of the tray's own windows are worked out in twips, so
// they come out the same at any resolution; they turn into pixels only when
// a window is moved.
inline constexpr int kReminderWidth = 3975;  // client area of the pop-up
inline constexpr int kReminderHeight = 2715;
inline constexpr int kReminderStep = 100;    // per animation tick, both timers
// The slide's rest line lies this far above the bottom of the work area:
// 8320 twips from the top of an 800-pixel screen without a task bar. Measured
// from the top, it left every pop-up of a taller screen on the same line.
inline constexpr int kReminderSlideRestAboveBottom = 3680;
inline constexpr int kReminderStartAboveBottom = 500;
inline constexpr int kMenuWidth = 2340;      // the tray menu window
inline constexpr int kMenuHeight = 1770;

double twipsPerPixel(double logicalDpi);
int toPixels(int twips, double perPixel);

// Where a pop-up is placed when it is raised in stacking place `index` (1 at
// the bottom). It keeps to the work area, whichever edge a panel takes: its
// right edge on the work area's, resting one window higher for each place.
struct ReminderStart {
    int taskbarGap = 0; // strip between the work area and the screen's bottom
    int finalTop = 0;   // where the grow animation leaves the window's top
    int left = 0;
    int top = 0;        // where it appears, collapsed to height 0
    int fullHeight = 0;
    int slideRest = 0;  // where slideTimer stops
};
// `screen` and `workArea` in pixels, as the screen reports them; the result
// in twips from the screen's top left. Where `keepClear` (the main window
// while it is shown, in pixels) lies across its way from where it appears to
// where it rests, it goes beside the window's left edge when the work area
// has the room there.
ReminderStart reminderStart(const QRect& screen, const QRect& workArea, double perPixel, int index,
                            QSize window = {kReminderWidth, kReminderHeight}, const QRect& keepClear = {});
// Where a window of `size` (pixels) first opens in `workArea`: centred in the
// room the pop-ups leave beside their column, so none comes over it. Nothing
// where that room is too narrow for it: the window manager places it then.
std::optional<QPoint> firstWindowPlace(const QRect& workArea, QSize size, double perPixel);
// How many pop-ups stack in the work area without one reaching over its top:
// four at most, one at least.
int reminderPlaces(const QRect& workArea, double perPixel, int windowHeight = kReminderHeight);

// One frame of the two animations that run side by side.
struct ReminderFrame {
    int top = 0;
    int height = 0;
    bool growing = true; // growTimer
    bool sliding = true; // slideTimer
};
// growTimer: grows by one step; a height past the full one is clamped on the
// tick after it went past, and the window comes to rest at its final top.
void growTick(ReminderFrame& f, int fullHeight, int finalTop);
// slideTimer: moves up until it reaches its rest line.
void slideTick(ReminderFrame& f, int restLine);

// "Flight A\r\n To B\r\n On Date D\r\n is Available!"; nothing for an
// announcement without its cities. The seats asked for, when other than one
// in any cabin, get a line of their own before the last ("\r\n For 2 adults").
std::optional<QString> reminderCaption(const Announcement& announcement);
// The caption of a trip too long to read whole in a pop-up: the route, the
// seats asked for, the first `shownDays` of its days with seats, how many
// more ("and 4 more days"; a click shows them in the results) and "is
// Available!"; the seat counts are left to the results.
std::optional<QString> reminderCaption(const Announcement& announcement, int shownDays);

// The tray menu's top-left, in pixels, inside `area` (the work area): beside
// `icon`, the tray icon's place on the screen (or the pointer's), on the side
// of the work area the icon's panel is; without an icon, near the area's
// bottom right, 400 twips up and 50 in.
QPoint menuPlace(const QRect& area, const QRect& icon, double perPixel,
                 QSize window = {kMenuWidth, kMenuHeight});

} // namespace zelvane
