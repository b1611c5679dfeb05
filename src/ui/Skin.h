#pragma once

#include "results/Outcome.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QRegion>
#include <QString>
#include <functional>

class QPainter;

namespace zelvane {

// The program's own pictures, drawn as vectors so that they stay sharp at
// any scale. Colours follow the desktop: a dark palette gets the dark skin.
struct Theme {
    bool dark = false;
    QColor card, panel, base, headerTop, headerBottom, text, dim, button, hover, pressed, border,
        accent, onAccent;
};
Theme lightTheme();
Theme darkTheme();
// The skin that suits the application's palette.
Theme currentTheme();
QPalette paletteFor(const Theme& theme);

QIcon applicationIcon();
// The tray's picture while the site refuses the login.
QIcon loginTroubleIcon();

// Picture `index` (1..27) of the image buttons' list: three per button in the
// order pressed, normal, hover.
QIcon imageList1(int index, const Theme& theme);
// The buttons that draw a face of their own rather than one of the list's,
// each pressed, normal and under the pointer.
enum class ButtonFace { CheckNow, DeleteAll, Help, Change, Alerts, Maximise, Restore };
enum class FaceState { Pressed, Normal, Hover };
QIcon buttonFacePicture(ButtonFace face, FaceState state, const Theme& theme);
// "checkNow:hover": which face a button shows, for tests and tooltips.
QString buttonFaceName(ButtonFace face, FaceState state);
// The pictures of the icon list: the result states (told apart by shape as
// well as colour) and the two tray pictures the blink alternates between.
enum ListPicture : int {
    kNotCheckedPicture = 2,
    kBlinkPictureA = 3,
    kBlinkPictureB = 4,
    kNoSeatsPicture = 5,
    kSeatsPicture = 6,
};
QIcon listPicture(int index);
// The picture of a result state.
QIcon availabilityIcon(Availability availability);

// The colour key of the window shapes: a pixel of exactly this colour is a hole.
inline const QColor kColourKey = QColor(255, 0, 255);
// The window's outline from its background picture (logical pixels).
QRegion shapeFromPicture(const QImage& picture);

// The main window's background: a card with rounded corners on the colour
// key (square when it fills the screen), the header band, the panel area and
// the status strip. Drawn for the size it is given, so it stretches to any
// window without blurring.
struct BackgroundLayout {
    QSize size;
    int headerHeight = 0;
    QRect panel;
    int statusTop = 0;
    bool square = false;
};
QImage mainBackground(const BackgroundLayout& layout, qreal devicePixelRatio, const Theme& theme);
// The same, painted straight onto a window.
void drawMainBackground(QPainter& p, const BackgroundLayout& layout, const Theme& theme);
// The outline of that background, as shapeFromPicture reads it from the
// whole picture, but read from a picture of the corners alone: a maximised
// window would otherwise draw and scan two million pixels at every resize.
QRegion mainShape(const BackgroundLayout& layout);
// The little ridges of the corner that resizes the window.
void drawSizeGrip(QPainter& p, const QRectF& r, const QColor& colour);

// The shape of a window whose face is drawn by `draw`: every pixel but those
// of the colour at the face's top-left corner. Drawn without smoothing, so
// no half-keyed pixels fringe the edge.
QRegion colourKeyMask(QSize size, const std::function<void(QPainter&, const QRect&)>& draw);

// The pop-up's face (with `smooth` for the screen, without for its shape) and its banner.
void drawReminderFace(QPainter& p, const QRect& r, bool smooth);
QPixmap reminderBanner(QSize size, qreal dpr);
// The tray menu's background.
void drawMenuFace(QPainter& p, const QRect& r);
// The about window's face, in the theme's light or dark.
void drawAboutFace(QPainter& p, const QRect& r, bool smooth, const Theme& theme);

// Check boxes drawn so that a ticked one is told from an empty one in either
// palette: an empty box is a ringed hollow, a ticked one filled with the
// highlight and ticked in its text colour. For the whole program.
void useClearCheckBoxes();

} // namespace zelvane
