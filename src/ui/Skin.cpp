#include "ui/Skin.h"

#include "ui/PaintedIcon.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProxyStyle>
#include <QStyleOption>
#include <QPainter>
#include <QPainterPath>
#include <QBitmap>
#include <QPixmap>
#include <array>
#include <functional>

namespace zelvane {

namespace {


void drawPlane(QPainter& p, const QRectF& r, const QColor& colour)
{
    // An aeroplane seen from above, nose up, on a 32-unit grid.
    QPainterPath plane;
    const QPointF pts[] = {{16, 3},  {18.2, 12}, {29, 18}, {29, 20.5}, {18, 17.5}, {17.4, 25},
                           {21, 28}, {21, 29.5}, {16, 28.4}, {11, 29.5}, {11, 28},  {14.6, 25},
                           {14, 17.5}, {3, 20.5}, {3, 18},   {13.8, 12}};
    plane.moveTo(pts[0]);
    for (const QPointF& pt : pts)
        plane.lineTo(pt);
    plane.closeSubpath();
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 32.0, r.height() / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(plane);
    p.restore();
}

enum class Glyph {
    None, Person, List, Results, Check, Trash, TrashAll, Close, Minimise, Maximise, Restore, Help, Play, Pencil, Bell
};
using State = FaceState;

struct Face {
    QString caption;
    Glyph glyph = Glyph::None;
    bool accent = false; // the one command that starts something
    bool round = false;  // the small window buttons of the header
};

void drawGlyph(QPainter& p, Glyph g, const QRectF& box, const QColor& c)
{
    const qreal s = box.width();
    QPen pen(c, std::max<qreal>(1.4, s * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal x = box.x(), y = box.y();
    auto at = [&](qreal fx, qreal fy) { return QPointF(x + fx * s, y + fy * s); };
    switch (g) {
    case Glyph::None: break;
    case Glyph::Person:
        p.drawEllipse(QRectF(at(0.32, 0.05), QSizeF(s * 0.36, s * 0.36)));
        p.drawArc(QRectF(at(0.12, 0.5), QSizeF(s * 0.76, s * 0.8)), 0, 180 * 16);
        break;
    case Glyph::List:
        for (qreal fy : {0.2, 0.5, 0.8}) {
            p.drawPoint(at(0.1, fy));
            p.drawLine(at(0.32, fy), at(0.92, fy));
        }
        break;
    case Glyph::Results:
        p.drawLine(at(0.08, 0.92), at(0.92, 0.92));
        p.drawLine(at(0.22, 0.92), at(0.22, 0.55));
        p.drawLine(at(0.5, 0.92), at(0.5, 0.15));
        p.drawLine(at(0.78, 0.92), at(0.78, 0.4));
        break;
    case Glyph::Check: p.drawPolyline(QPolygonF{at(0.1, 0.52), at(0.4, 0.82), at(0.92, 0.2)}); break;
    case Glyph::Trash:
    case Glyph::TrashAll:
        p.drawLine(at(0.1, 0.2), at(0.9, 0.2));
        p.drawLine(at(0.38, 0.2), at(0.42, 0.06));
        p.drawLine(at(0.42, 0.06), at(0.58, 0.06));
        p.drawLine(at(0.58, 0.06), at(0.62, 0.2));
        p.drawPolyline(QPolygonF{at(0.2, 0.2), at(0.26, 0.94), at(0.74, 0.94), at(0.8, 0.2)});
        if (g == Glyph::TrashAll) {
            p.drawLine(at(0.42, 0.4), at(0.42, 0.76));
            p.drawLine(at(0.58, 0.4), at(0.58, 0.76));
        }
        break;
    case Glyph::Close:
        p.drawLine(at(0.2, 0.2), at(0.8, 0.8));
        p.drawLine(at(0.8, 0.2), at(0.2, 0.8));
        break;
    case Glyph::Minimise: p.drawLine(at(0.2, 0.72), at(0.8, 0.72)); break;
    case Glyph::Maximise: p.drawRoundedRect(QRectF(at(0.2, 0.2), at(0.8, 0.8)), s * 0.06, s * 0.06); break;
    case Glyph::Restore:
        // The window it goes back to, in front of the one it fills now.
        p.drawRoundedRect(QRectF(at(0.14, 0.34), at(0.66, 0.86)), s * 0.05, s * 0.05);
        p.drawPolyline(QPolygonF{at(0.34, 0.34), at(0.34, 0.14), at(0.86, 0.14), at(0.86, 0.66), at(0.66, 0.66)});
        break;
    case Glyph::Help: {
        QFont f = p.font();
        f.setPixelSize(std::max(6, int(s * 1.0)));
        f.setBold(true);
        p.setFont(f);
        p.drawText(box.adjusted(-s, -s, s, s), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyph::Play:
        p.setBrush(c);
        p.drawPolygon(QPolygonF{at(0.22, 0.1), at(0.9, 0.5), at(0.22, 0.9)});
        break;
    case Glyph::Pencil:
        p.drawLine(at(0.15, 0.85), at(0.75, 0.25));
        p.drawLine(at(0.75, 0.25), at(0.88, 0.38));
        p.drawLine(at(0.88, 0.38), at(0.28, 0.98));
        p.drawLine(at(0.15, 0.85), at(0.12, 0.98));
        break;
    case Glyph::Bell: {
        QPainterPath bell;
        bell.moveTo(at(0.12, 0.78));
        bell.cubicTo(at(0.28, 0.62), at(0.2, 0.12), at(0.5, 0.12));
        bell.cubicTo(at(0.8, 0.12), at(0.72, 0.62), at(0.88, 0.78));
        bell.closeSubpath();
        p.drawPath(bell);
        p.drawLine(at(0.42, 0.92), at(0.58, 0.92));
        break;
    }
    }
}

void drawFace(QPainter& p, const QRectF& r, const Face& f, State s, const Theme& t)
{
    const QRectF box = r.adjusted(1, 1, -1, -1).translated(s == State::Pressed ? QPointF(0, 1) : QPointF());
    QColor fill, ink, edge;
    if (f.round) {
        // On the header band: light ink, a disc only under the pointer.
        ink = Qt::white;
        fill = s == State::Normal ? QColor(255, 255, 255, 0)
               : s == State::Hover ? (f.glyph == Glyph::Close ? QColor(0xe0, 0x3e, 0x3e) : QColor(255, 255, 255, 60))
                                   : (f.glyph == Glyph::Close ? QColor(0xb0, 0x2a, 0x2a) : QColor(255, 255, 255, 110));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(box);
        const qreal g = box.width() * 0.5;
        drawGlyph(p, f.glyph, QRectF(box.center() - QPointF(g / 2, g / 2), QSizeF(g, g)), ink);
        return;
    }
    if (f.accent) {
        fill = s == State::Normal ? t.accent : s == State::Hover ? t.accent.lighter(115) : t.accent.darker(125);
        ink = t.onAccent;
        edge = fill.darker(120);
    } else {
        fill = s == State::Normal ? t.button : s == State::Hover ? t.hover : t.pressed;
        ink = s == State::Pressed ? t.onAccent : t.text;
        edge = s == State::Normal ? t.border : t.pressed;
    }
    const qreal radius = std::min<qreal>(6, box.height() / 2);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const qreal g = std::min<qreal>(16, box.height() * 0.5);
    QFont font = p.font();
    font.setPixelSize(std::max(7, int(box.height() * 0.42)));
    font.setBold(f.accent);
    p.setFont(font);
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(f.caption);
    const qreal gap = f.glyph == Glyph::None ? 0 : g + box.height() * 0.25;
    const qreal left = box.center().x() - (gap + textWidth) / 2;
    if (f.glyph != Glyph::None)
        drawGlyph(p, f.glyph, QRectF(left, box.center().y() - g / 2, g, g), ink);
    p.setPen(ink);
    p.drawText(QRectF(left + gap, box.top(), textWidth + 2, box.height()), Qt::AlignVCenter | Qt::AlignLeft,
               f.caption);
}

QIcon faceIcon(const Face& face, State state, const Theme& theme)
{
    return paintedIcon([=](QPainter& p, const QRectF& r) { drawFace(p, r, face, state, theme); });
}

} // namespace

Theme lightTheme()
{
    Theme t;
    t.dark = false;
    t.card = QColor(0xf3, 0xf5, 0xf9);
    t.panel = QColor(0xff, 0xff, 0xff);
    t.base = QColor(0xff, 0xff, 0xff);
    t.headerTop = QColor(0x12, 0x3a, 0x6b);
    t.headerBottom = QColor(0x1f, 0x6f, 0xb2);
    t.text = QColor(0x1d, 0x25, 0x33);
    t.dim = QColor(0x55, 0x60, 0x70);
    t.button = QColor(0xe6, 0xeb, 0xf2);
    t.hover = QColor(0xd2, 0xe3, 0xf7);
    t.pressed = QColor(0x1f, 0x6f, 0xb2);
    t.border = QColor(0xbf, 0xc8, 0xd4);
    t.accent = QColor(0xd9, 0x48, 0x0f);
    t.onAccent = Qt::white;
    return t;
}

Theme darkTheme()
{
    Theme t;
    t.dark = true;
    t.card = QColor(0x1c, 0x22, 0x2d);
    t.panel = QColor(0x25, 0x2c, 0x39);
    t.base = QColor(0x1a, 0x1f, 0x29);
    t.headerTop = QColor(0x0c, 0x22, 0x40);
    t.headerBottom = QColor(0x17, 0x46, 0x7a);
    t.text = QColor(0xe8, 0xec, 0xf2);
    t.dim = QColor(0xa3, 0xad, 0xbb);
    t.button = QColor(0x31, 0x3a, 0x4b);
    t.hover = QColor(0x3b, 0x4e, 0x6b);
    t.pressed = QColor(0x4a, 0x8f, 0xd8);
    t.border = QColor(0x45, 0x50, 0x63);
    t.accent = QColor(0xe8, 0x65, 0x2a);
    t.onAccent = Qt::white;
    return t;
}

Theme currentTheme()
{
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightness() < 128 ? darkTheme() : lightTheme();
}

QPalette paletteFor(const Theme& t)
{
    QPalette p;
    p.setColor(QPalette::Window, t.card);
    p.setColor(QPalette::WindowText, t.text);
    p.setColor(QPalette::Base, t.base);
    p.setColor(QPalette::AlternateBase, t.dark ? t.panel : QColor(0xf6, 0xf8, 0xfb));
    p.setColor(QPalette::Text, t.text);
    p.setColor(QPalette::PlaceholderText, t.dim);
    p.setColor(QPalette::Button, t.button);
    p.setColor(QPalette::ButtonText, t.text);
    p.setColor(QPalette::Highlight, t.pressed);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, t.panel);
    p.setColor(QPalette::ToolTipText, t.text);
    p.setColor(QPalette::Light, t.panel.lighter(110));
    p.setColor(QPalette::Midlight, t.button);
    p.setColor(QPalette::Mid, t.border);
    p.setColor(QPalette::Dark, t.border.darker(130));
    p.setColor(QPalette::Shadow, t.dark ? Qt::black : t.border.darker(160));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, t.dim);
    p.setColor(QPalette::Disabled, QPalette::Base, t.dark ? t.card : QColor(0xee, 0xf1, 0xf5));
    return p;
}

QIcon applicationIcon()
{
    return listPicture(3);
}

QIcon loginTroubleIcon()
{
    // The program's icon with a warning sign over its corner, drawn at the
    // sizes a tray asks for so that it stays sharp at 200 %.
    static QIcon drawn;
    if (!drawn.isNull())
        return drawn;
    const QIcon base = applicationIcon();
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        base.paint(&p, QRect(0, 0, size, size));
        const qreal s = size * 0.62, x = size - s, y = size - s;
        QPainterPath sign;
        sign.moveTo(x + s / 2, y);
        sign.lineTo(x + s, y + s);
        sign.lineTo(x, y + s);
        sign.closeSubpath();
        p.setPen(QPen(QColor(0x3d, 0x2c, 0x00), qMax(1.0, size / 24.0)));
        p.setBrush(QColor(0xfc, 0xc4, 0x19));
        p.drawPath(sign);
        p.setPen(QPen(QColor(0x3d, 0x2c, 0x00), qMax(1.5, size / 12.0), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x + s / 2, y + s * 0.36), QPointF(x + s / 2, y + s * 0.66));
        p.drawPoint(QPointF(x + s / 2, y + s * 0.84));
        p.end();
        drawn.addPixmap(pm);
    }
    return drawn;
}

QIcon imageList1(int index, const Theme& theme)
{
    static const Face faces[] = {
        {QStringLiteral("My Details"), Glyph::Person},  {QStringLiteral("Itineraries"), Glyph::List},
        {},                                              {},
        {QStringLiteral("Results"), Glyph::Results},   {QStringLiteral("Save"), Glyph::Check},
        {QStringLiteral("Delete"), Glyph::Trash},      {QString(), Glyph::Close, false, true},
        {QString(), Glyph::Minimise, false, true},
    };
    if (index < 1 || index > 27)
        return {};
    const State state = static_cast<State>((index - 1) % 3);
    return faceIcon(faces[(index - 1) / 3], state, theme);
}

QIcon buttonFacePicture(ButtonFace face, FaceState state, const Theme& theme)
{
    static const Face faces[] = {
        {QStringLiteral("Check Now"), Glyph::Play, true},  // CheckNow
        {QStringLiteral("Delete All"), Glyph::TrashAll},   // DeleteAll
        {QString(), Glyph::Help, false, true},             // Help
        {QStringLiteral("Change"), Glyph::Pencil},         // Change
        {QStringLiteral("Alerts"), Glyph::Bell},           // Alerts
        {QString(), Glyph::Maximise, false, true},         // Maximise
        {QString(), Glyph::Restore, false, true},          // Restore
    };
    return faceIcon(faces[int(face)], state, theme);
}

QString buttonFaceName(ButtonFace face, FaceState state)
{
    static const char* const faces[] = {"checkNow", "deleteAll", "help", "change", "alerts", "maximise", "restore"};
    static const char* const states[] = {"pressed", "normal", "hover"};
    return QLatin1String(faces[int(face)]) + QLatin1Char(':') + QLatin1String(states[int(state)]);
}

static PaintedDraw drawImageList2(int index)
{
    switch (index) {
    case 2: // not checked yet: an open ring with a dash
        return PaintedDraw([](QPainter& p, const QRectF& r) {
            const QRectF c = r.adjusted(r.width() * 0.12, r.height() * 0.12, -r.width() * 0.12, -r.height() * 0.12);
            p.setPen(QPen(QColor(0x86, 0x8e, 0x9a), std::max<qreal>(1.2, r.width() * 0.1)));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c);
            p.drawLine(QPointF(c.left() + c.width() * 0.3, c.center().y()),
                       QPointF(c.right() - c.width() * 0.3, c.center().y()));
        });
    case 5: // not available: a filled disc with a cross
    case 6: // available: a filled disc with a tick
        return PaintedDraw([index](QPainter& p, const QRectF& r) {
            const QRectF c = r.adjusted(r.width() * 0.06, r.height() * 0.06, -r.width() * 0.06, -r.height() * 0.06);
            p.setPen(Qt::NoPen);
            p.setBrush(index == 6 ? QColor(0x2b, 0x8a, 0x3e) : QColor(0xc9, 0x2a, 0x2a));
            p.drawEllipse(c);
            const QRectF g = c.adjusted(c.width() * 0.26, c.height() * 0.26, -c.width() * 0.26, -c.height() * 0.26);
            drawGlyph(p, index == 6 ? Glyph::Check : Glyph::Close, g, Qt::white);
        });
    case 3: // the program's own picture
    case 4: // its other face while the tray blinks
        return PaintedDraw([index](QPainter& p, const QRectF& r) {
            const bool lit = index == 4;
            p.setPen(lit ? QPen(QColor(0xd9, 0x48, 0x0f), std::max<qreal>(1, r.width() * 0.06)) : Qt::NoPen);
            p.setBrush(lit ? QColor(Qt::white) : QColor(0x1f, 0x6f, 0xb2));
            p.drawEllipse(r.adjusted(1, 1, -1, -1));
            drawPlane(p, r.adjusted(r.width() * 0.14, r.height() * 0.14, -r.width() * 0.14, -r.height() * 0.14),
                      lit ? QColor(0xd9, 0x48, 0x0f) : QColor(Qt::white));
        });
    default: return {};
    }
}

QIcon listPicture(int index)
{
    // Each drawn once for the run: the blink and the results list ask many
    // times a second, and every new icon would fill the pixmap cache afresh.
    static std::array<QIcon, 7> drawn;
    if (index < 0 || index >= int(drawn.size()))
        return {};
    QIcon& icon = drawn[size_t(index)];
    if (icon.isNull()) {
        if (PaintedDraw draw = drawImageList2(index))
            icon = paintedIcon(std::move(draw), true);
    }
    return icon;
}

QIcon availabilityIcon(Availability availability)
{
    switch (availability) {
    case Availability::Seats: return listPicture(kSeatsPicture);
    case Availability::NoSeats: return listPicture(kNoSeatsPicture);
    case Availability::NotKnown: break;
    }
    return listPicture(kNotCheckedPicture);
}

QRegion shapeFromPicture(const QImage& picture)
{
    // Read in logical pixels: a window's mask is set in them.
    const QSize size = (QSizeF(picture.size()) / picture.devicePixelRatio()).toSize();
    QImage logical = picture.convertToFormat(QImage::Format_RGB32);
    logical.setDevicePixelRatio(1);
    if (logical.size() != size)
        logical = logical.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QRgb key = kColourKey.rgb();
    QRegion shape;
    for (int y = 0; y < logical.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(logical.constScanLine(y));
        for (int x = 0; x < logical.width();) {
            while (x < logical.width() && (line[x] | 0xff000000) == key)
                ++x;
            const int start = x;
            while (x < logical.width() && (line[x] | 0xff000000) != key)
                ++x;
            if (x > start)
                shape += QRect(start, y, x - start, 1);
        }
    }
    return shape;
}

QImage mainBackground(const BackgroundLayout& l, qreal dpr, const Theme& t)
{
    QImage img(l.size * dpr, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    drawMainBackground(p, l, t);
    return img;
}

namespace {

constexpr int kCardRadius = 14;

// The card on the colour key; its outline, for what is drawn on it.
QPainterPath drawCard(QPainter& p, QSize size, bool square, const QColor& card)
{
    p.fillRect(QRect(QPoint(0, 0), size), kColourKey);
    // The outline is drawn without smoothing: a blended edge pixel would be
    // neither the key nor the card, and would show as a pink fringe.
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath outline;
    const int radius = square ? 0 : kCardRadius;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), radius, radius);
    p.setPen(Qt::NoPen);
    p.fillPath(outline, card);
    return outline;
}

} // namespace

QRegion mainShape(const BackgroundLayout& l)
{
    const QRect whole(QPoint(0, 0), l.size);
    const int c = kCardRadius + 1; // a corner's arc lies within c x c
    if (l.square || l.size.width() < 2 * c || l.size.height() < 2 * c)
        return whole;
    QImage corners(2 * c, 2 * c, QImage::Format_RGB32);
    QPainter p(&corners);
    drawCard(p, corners.size(), false, Qt::white);
    p.end();
    const QRegion small = shapeFromPicture(corners);
    // The middle and the straight edges are whole; each quarter of the small
    // card goes to its own corner of the window.
    QRegion shape = QRegion(whole.adjusted(c, 0, -c, 0)) + QRegion(whole.adjusted(0, c, 0, -c));
    for (const QPoint quarter : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
        QRegion part = small & QRect(quarter * c, QSize(c, c));
        part.translate(quarter.x() * (l.size.width() - 2 * c), quarter.y() * (l.size.height() - 2 * c));
        shape += part;
    }
    return shape;
}

void drawSizeGrip(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap));
    // Three ridges across the corner, shorter towards it.
    for (qreal f : {0.15, 0.45, 0.75})
        p.drawLine(QPointF(r.left() + r.width() * f, r.bottom()), QPointF(r.right(), r.top() + r.height() * f));
    p.restore();
}

void drawMainBackground(QPainter& p, const BackgroundLayout& l, const Theme& t)
{
    p.save();
    const QPainterPath outline = drawCard(p, l.size, l.square, t.card);
    QLinearGradient header(0, 0, 0, l.headerHeight);
    header.setColorAt(0, t.headerTop);
    header.setColorAt(1, t.headerBottom);
    p.fillPath(outline.intersected([&] {
        QPainterPath band;
        band.addRect(0, 0, l.size.width(), l.headerHeight);
        return band;
    }()), header);
    p.fillPath(outline.intersected([&] {
        QPainterPath strip;
        strip.addRect(0, l.statusTop, l.size.width(), l.size.height() - l.statusTop);
        return strip;
    }()), t.dark ? t.base : t.button);

    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(t.border, 1));
    p.setBrush(t.panel);
    p.drawRoundedRect(QRectF(l.panel).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    // Logo and name in the header.
    const qreal logo = l.headerHeight * 0.62;
    const QRectF logoBox(14, (l.headerHeight - logo) / 2, logo, logo);
    drawPlane(p, logoBox, Qt::white);
    QFont f = p.font();
    f.setPixelSize(int(l.headerHeight * 0.46));
    f.setBold(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(f);
    p.setPen(Qt::white);
    const QString name = QStringLiteral("Zelvane");
    p.drawText(QRectF(logoBox.right() + 8, 0, 200, l.headerHeight), Qt::AlignVCenter | Qt::AlignLeft, name);
    const qreal taglineLeft = logoBox.right() + 18 + QFontMetricsF(f).horizontalAdvance(name);
    f.setBold(false);
    f.setLetterSpacing(QFont::PercentageSpacing, 100);
    f.setPixelSize(int(l.headerHeight * 0.26));
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 190));
    p.drawText(QRectF(taglineLeft, 2, 220, l.headerHeight), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("award seat watch"));
    p.restore();
}

} // namespace zelvane

namespace zelvane {

namespace {

// Only the check box's indicator is drawn here; everything else is the
// desktop's own style.
class ClearCheckBoxStyle final : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                       const QWidget* widget) const override
    {
        if (element != PE_IndicatorCheckBox)
            return QProxyStyle::drawPrimitive(element, option, p, widget);
        const QPalette& pal = option->palette;
        const bool on = option->state & (State_On | State_NoChange);
        const bool enabled = option->state & State_Enabled;
        const QRectF box = QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5);
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const QColor ring = pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text);
        p->setPen(QPen(on ? pal.color(QPalette::Highlight) : ring, 1.2));
        p->setBrush(on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
        p->drawRoundedRect(box, 2.5, 2.5);
        if (option->state & State_On) {
            QPen tick(pal.color(QPalette::HighlightedText), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p->setPen(tick);
            const QPointF tl = box.topLeft();
            const qreal w = box.width(), h = box.height();
            p->drawPolyline(QPolygonF{tl + QPointF(w * 0.22, h * 0.52), tl + QPointF(w * 0.42, h * 0.72),
                                      tl + QPointF(w * 0.78, h * 0.28)});
        } else if (option->state & State_NoChange) {
            p->setPen(QPen(pal.color(QPalette::HighlightedText), 2, Qt::SolidLine, Qt::RoundCap));
            p->drawLine(QPointF(box.left() + box.width() * 0.25, box.center().y()),
                        QPointF(box.right() - box.width() * 0.25, box.center().y()));
        }
        p->restore();
    }
};

} // namespace

void useClearCheckBoxes()
{
    if (!dynamic_cast<ClearCheckBoxStyle*>(QApplication::style()))
        QApplication::setStyle(new ClearCheckBoxStyle);
}

} // namespace zelvane
