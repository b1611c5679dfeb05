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

std::optional<QString> reminderCaption(const Announcement& a)
{
    if (a.origin.isEmpty() && a.destination.isEmpty())
        return std::nullopt;
    const QString on = a.severalDates ? QStringLiteral("\r\n On Dates ") : QStringLiteral("\r\n On Date ");
    QString caption = QStringLiteral("Flight ") + a.origin + QStringLiteral("\r\n To ") + a.destination + on + a.dates;
    if (!a.seats.isEmpty())
        caption += QStringLiteral("\r\n For ") + a.seats;
    return caption + QStringLiteral("\r\n is Available!");
}

QPoint menuPlace(const QRect& area, double perPixel, QSize window)
{
    const int top = toTwips(area.height(), perPixel) - window.height() - kMenuAboveBottom;
    const int left = toTwips(area.width(), perPixel) - window.width() - kMenuFromRight;
    return {area.x() + toPixels(left, perPixel), area.y() + toPixels(top, perPixel)};
}

} // namespace zelvane
