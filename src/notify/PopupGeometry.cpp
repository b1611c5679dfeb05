#include "notify/PopupGeometry.h"

#include <QStringList>
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
                            QSize window)
{
    ReminderStart s;
    const int screenHeight = toTwips(screen.height(), perPixel);
    const int screenWidth = toTwips(screen.width(), perPixel);
    // The work area's bottom edge, exclusive, relative to the screen.
    const int workBottom = workArea.y() + workArea.height() - screen.y();
    s.taskbarGap = toTwips(screen.height() - workBottom, perPixel);
    s.left = screenWidth - window.width();
    s.finalTop = screenHeight - (window.height() * index + s.taskbarGap);
    s.fullHeight = window.height();
    s.top = screenHeight - kReminderStartAboveBottom;
    s.slideRest = screenHeight - s.taskbarGap - kReminderSlideRestAboveBottom;
    return s;
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

std::optional<QString> reminderCaption(const QString& announcement)
{
    const QStringList parts = announcement.split(QLatin1Char(':'));
    if (parts.size() < 3)
        return std::nullopt;
    // One date has two slashes; the days with seats of a flexible itinerary may have more.
    const QString on = parts[2].count(QLatin1Char('/')) > 2 ? QStringLiteral("\r\n On Dates ")
                                                             : QStringLiteral("\r\n On Date ");
    QString caption =
        QStringLiteral("Flight ") + parts[0] + QStringLiteral("\r\n To ") + parts[1] + on + parts[2];
    if (parts.size() > 3 && !parts[3].isEmpty())
        caption += QStringLiteral("\r\n For ") + parts[3];
    return caption + QStringLiteral("\r\n is Available!");
}

QPoint menuPlace(const QRect& area, double perPixel, QSize window)
{
    const int top = toTwips(area.height(), perPixel) - window.height() - kMenuAboveBottom;
    const int left = toTwips(area.width(), perPixel) - window.width() - kMenuFromRight;
    return {area.x() + toPixels(left, perPixel), area.y() + toPixels(top, perPixel)};
}

} // namespace zelvane
