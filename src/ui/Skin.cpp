#include "ui/Skin.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelvane {

QIcon applicationIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xC8, 0x10, 0x2E));
    p.setPen(Qt::NoPen);
    p.drawEllipse(1, 1, 30, 30);
    // A small aeroplane seen from above.
    QPainterPath plane;
    plane.moveTo(16, 5);
    plane.lineTo(18, 13);
    plane.lineTo(27, 18);
    plane.lineTo(18, 17);
    plane.lineTo(17, 24);
    plane.lineTo(20, 27);
    plane.lineTo(12, 27);
    plane.lineTo(15, 24);
    plane.lineTo(14, 17);
    plane.lineTo(5, 18);
    plane.lineTo(14, 13);
    plane.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(plane);
    return QIcon(pm);
}

} // namespace zelvane
