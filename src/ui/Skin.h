#pragma once

#include <QIcon>
#include <QRegion>
#include <functional>

class QPainter;

namespace zelvane {

// The program's own pictures, drawn rather than shipped as binaries, so they
// stay sharp at any scale.
QIcon applicationIcon();

// The see-through colour of the shaped windows' faces.
inline constexpr QRgb kColourKey = 0xFFFF00FF;

// The shape of a window whose face is drawn by `draw`: every pixel but those
// of the colour at the face's top-left corner. Drawn without smoothing, so
// no half-keyed pixels fringe the edge.
QRegion colourKeyMask(QSize size, const std::function<void(QPainter&, const QRect&)>& draw);

// The pop-up's face (with `smooth` for the screen, without for its shape) and its banner.
void drawReminderFace(QPainter& p, const QRect& r, bool smooth);
QPixmap reminderBanner(QSize size, qreal dpr);
// The tray menu's background.
void drawMenuFace(QPainter& p, const QRect& r);
// The about window's face.
void drawAboutFace(QPainter& p, const QRect& r, bool smooth);

} // namespace zelvane
