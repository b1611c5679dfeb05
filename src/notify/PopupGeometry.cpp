#include "notify/PopupGeometry.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace zelvane {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr int kMenuAboveBottom = 400;
constexpr int kMenuFromRight = 50;

int toTwips(int pixels, double perPixel)
{
    return int(std::lround(pixels * perPixel));
}
} // namespace

double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : 15.0;
}

int toPixels(int twips, double perPixel)
{
    return int(std::lround(twips / perPixel));
}

ReminderStart reminderStart(const QRect& screen, const QRect& workArea, double perPixel, int index,
                            QSize window, const QRect& keepClear)
{
    ReminderStart s;
    const int screenHeight = toTwips(screen.height(), perPixel);
    // The work area's bottom and right edges, exclusive, relative to the screen.
    const int workBottom = workArea.y() + workArea.height() - screen.y();
    const int workRight = workArea.x() + workArea.width() - screen.x();
    s.taskbarGap = toTwips(screen.height() - workBottom, perPixel);
    s.left = toTwips(workRight, perPixel) - window.width();
    s.finalTop = screenHeight - (window.height() * index + s.taskbarGap);
    s.fullHeight = window.height();
    // It appears low on the screen, but never over a panel at the bottom.
    s.top = std::min(screenHeight - kReminderStartAboveBottom, screenHeight - s.taskbarGap);
    s.slideRest = screenHeight - s.taskbarGap - kReminderSlideRestAboveBottom;
    if (keepClear.isValid()) {
        // Its way: from where it rests down to the work area's bottom, where it appears.
        const int clearLeft = toTwips(keepClear.x() - screen.x(), perPixel);
        const int clearRight = toTwips(keepClear.x() + keepClear.width() - screen.x(), perPixel);
        const int clearTop = toTwips(keepClear.y() - screen.y(), perPixel);
        const int clearBottom = toTwips(keepClear.y() + keepClear.height() - screen.y(), perPixel);
        const bool across = s.left < clearRight && s.left + window.width() > clearLeft
                            && s.finalTop < clearBottom && screenHeight - s.taskbarGap > clearTop;
        const int besideLeft = clearLeft - window.width();
        if (across && besideLeft >= toTwips(workArea.x() - screen.x(), perPixel))
            s.left = besideLeft;
    }
    return s;
}

std::optional<QPoint> firstWindowPlace(const QRect& workArea, QSize size, double perPixel)
{
    const int room = workArea.width() - toPixels(kReminderWidth, perPixel);
    if (size.width() > room)
        return std::nullopt;
    return QPoint(workArea.x() + (room - size.width()) / 2,
                  workArea.y() + std::max(0, (workArea.height() - size.height()) / 2));
}

int reminderPlaces(const QRect& workArea, double perPixel, int windowHeight)
{
    constexpr int kMostPlaces = 4;
    return std::clamp(toTwips(workArea.height(), perPixel) / std::max(1, windowHeight), 1, kMostPlaces);
}

void growTick(ReminderFrame& f, int fullHeight, int finalTop)
{
    if (!f.growing)
        return;
    if (f.height > fullHeight) {
        f.height = fullHeight;
        f.top = finalTop;
        f.growing = false;
    } else {
        f.top -= kReminderStep;
        f.height += kReminderStep;
    }
}

void slideTick(ReminderFrame& f, int restLine)
{
    if (!f.sliding)
        return;
    if (f.top > restLine) {
        f.top -= kReminderStep;
    } else {
        f.sliding = false;
        f.top = restLine;
    }
}

std::optional<QString> reminderCaption(const Announcement& a)
{
    if (a.origin.isEmpty() && a.destination.isEmpty())
        return std::nullopt;
    const QString on = a.severalDates ? QStringLiteral("\r\n On Dates ") : QStringLiteral("\r\n On Date ");
    QString caption = QStringLiteral("Flight ") + a.origin + QStringLiteral("\r\n To ") + a.destination + on + a.dates;
    if (!a.seats.isEmpty())
        caption += QStringLiteral("\r\n For ") + a.seats;
    caption += QStringLiteral("\r\n is Available!");
    if (!a.counts.isEmpty())
        caption += QStringLiteral("\r\n ") + a.counts;
    return caption;
}

std::optional<QString> reminderCaption(const Announcement& a, int shownDays)
{
    if (a.origin.isEmpty() && a.destination.isEmpty())
        return std::nullopt;
    QString caption = QStringLiteral("Flight ") + a.origin + QStringLiteral("\r\n To ") + a.destination;
    if (!a.seats.isEmpty())
        caption += QStringLiteral("\r\n For ") + a.seats;
    const qsizetype shown = std::clamp<qsizetype>(shownDays, 0, a.days.size());
    for (qsizetype d = 0; d < shown; ++d)
        caption += QStringLiteral("\r\n ") + a.days[d];
    const qsizetype more = a.days.size() - shown;
    if (shown == 0 && more > 0)
        caption += more == 1 ? QStringLiteral("\r\n On 1 day") : QStringLiteral("\r\n On %1 days").arg(more);
    else if (more > 0)
        caption += more == 1 ? QStringLiteral("\r\n and 1 more day") : QStringLiteral("\r\n and %1 more days").arg(more);
    return caption + QStringLiteral("\r\n is Available!");
}

QPoint menuPlace(const QRect& area, const QRect& icon, double perPixel, QSize window)
{
    const QSize size(toPixels(window.width(), perPixel), toPixels(window.height(), perPixel));
    QPoint at;
    if (!icon.isValid()) {
        const int top = toTwips(area.height(), perPixel) - window.height() - kMenuAboveBottom;
        const int left = toTwips(area.width(), perPixel) - window.width() - kMenuFromRight;
        at = {area.x() + toPixels(left, perPixel), area.y() + toPixels(top, perPixel)};
    } else if (icon.top() > area.bottom()) { // a panel at the bottom: above the icon
        at = {icon.right() + 1 - size.width(), area.bottom() + 1 - size.height()};
    } else if (icon.bottom() < area.top()) { // at the top: below it
        at = {icon.right() + 1 - size.width(), area.top()};
    } else if (icon.left() > area.right()) { // at the right: to its left
        at = {area.right() + 1 - size.width(), icon.top()};
    } else if (icon.right() < area.left()) { // at the left: to its right
        at = {area.left(), icon.top()};
    } else { // over the work area (a panel that reserves no room): above it, or below
        const bool above = icon.top() - size.height() >= area.top();
        at = {icon.right() + 1 - size.width(), above ? icon.top() - size.height() : icon.bottom() + 1};
    }
    // Whole inside the work area, however near its corner the icon is.
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    return at;
}

} // namespace zelvane
