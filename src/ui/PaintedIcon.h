#pragma once

#include <QIcon>
#include <functional>

class QPainter;
class QRectF;

namespace zelvane {

using PaintedDraw = std::function<void(QPainter&, const QRectF&)>;

// An icon that `draw` paints at the size and scale asked for, sharp at any
// scale. A `kept` icon holds each small picture it paints, so one shown again
// and again (the tray blink, ten times a second) is drawn once, then copied.
QIcon paintedIcon(PaintedDraw draw, bool kept = false);

} // namespace zelvane
