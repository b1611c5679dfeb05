// The faces of the program's small windows: the pop-up, the tray menu and
// the about window.
#include "ui/Skin.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace zelvane {

namespace {

const QColor kNavy(0x13, 0x34, 0x5a);
const QColor kSteel(67, 117, 150);

// A rounded panel on the key colour; the corners outside it are cut away.
void drawPanel(QPainter& p, const QRect& r, bool smooth, const QColor& top, const QColor& bottom,
               int radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    if (!smooth)
        p.fillRect(r, kColourKey);
    else
        p.fillRect(r, kNavy);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(smooth ? QPen(kNavy, 2) : Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), radius, radius);
    p.restore();
}

} // namespace

QRegion colourKeyMask(QSize size, const std::function<void(QPainter&, const QRect&)>& draw)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    draw(p, img.rect());
    p.end();
    const QPixmap face = QPixmap::fromImage(img);
    return QRegion(face.createMaskFromColor(img.pixelColor(0, 0), Qt::MaskInColor));
}

void drawReminderFace(QPainter& p, const QRect& r, bool smooth)
{
    drawPanel(p, r, smooth, QColor(0xf4, 0xf8, 0xfc), QColor(0xc9, 0xdc, 0xec), 18);
}

QPixmap reminderBanner(QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kSteel);
    p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), size.height() / 2.0,
                      size.height() / 2.0);
    applicationIcon().paint(&p, QRect(3, 2, size.height() - 4, size.height() - 4));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(size.height() * 6 / 10);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(size.height(), 0, size.width() - size.height() - 4, size.height()),
               Qt::AlignCenter, QStringLiteral("Seats found"));
    return pm;
}

void drawMenuFace(QPainter& p, const QRect& r)
{
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x1d, 0x4a, 0x6e));
    g.setColorAt(1, kNavy);
    p.fillRect(r, g);
    // The side strip carries the program's mark, as a menu of the tray icon.
    const int strip = r.width() * 495 / 2340;
    p.fillRect(QRect(r.left(), r.top(), strip, r.height()), QColor(0xc8, 0x10, 0x2e));
    const int s = std::min(strip - 6, 24);
    applicationIcon().paint(&p, QRect(r.left() + (strip - s) / 2, r.bottom() - s - 6, s, s));
    p.setPen(QColor(0x0b, 0x20, 0x38));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

void drawAboutFace(QPainter& p, const QRect& r, bool smooth, const Theme& theme)
{
    if (theme.dark)
        drawPanel(p, r, smooth, theme.panel, theme.card, 14);
    else
        drawPanel(p, r, smooth, QColor(0xfb, 0xfc, 0xfe), QColor(0xd9, 0xe6, 0xf1), 14);
    if (!smooth)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Title bar band.
    QPainterPath band;
    band.addRoundedRect(QRectF(r).adjusted(2, 2, -2, 0), 12, 12);
    QPainterPath clip;
    clip.addRect(QRectF(r.left(), r.top(), r.width(), 30));
    p.fillPath(band.intersected(clip), kSteel);
    p.restore();
}

} // namespace zelvane
