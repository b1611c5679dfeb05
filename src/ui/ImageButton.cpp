#include "ui/ImageButton.h"

#include "ui/HeldKeys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace zelvane {

namespace {
// Half of a repeat comes straight after its release, from the same moment at
// the display; a press that has not come by then never will.
constexpr int kRepeatPairWaitMs = 60;
} // namespace

ImageButton::ImageButton(const QString& objectName, Picture pressed, Picture normal, Picture hover,
                         Trigger trigger, QWidget* parent)
    : QWidget(parent), pressed_(std::move(pressed)), normal_(std::move(normal)), hover_(std::move(hover)),
      trigger_(trigger)
{
    setObjectName(objectName);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    // Reachable from the keyboard too: Space or Enter act like a click.
    setFocusPolicy(Qt::TabFocus);
    // Watching from now on, so the release before a repeat's press is known.
    HeldKeys::watch();
    keyUpWait_.setSingleShot(true);
    keyUpWait_.setInterval(kRepeatPairWaitMs);
    connect(&keyUpWait_, &QTimer::timeout, this, &ImageButton::actOnKeyUp);
    setPicture(normal_);
}

void ImageButton::setPictures(Picture pressed, Picture normal, Picture hover)
{
    pressed_ = std::move(pressed);
    normal_ = std::move(normal);
    hover_ = std::move(hover);
    setPicture(normal_);
}

void ImageButton::setPicture(const Picture& p)
{
    current_ = p.name;
    currentIcon_ = p.icon;
    update();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A button that cannot act must not look as if it could.
    if (!isEnabled())
        p.setOpacity(0.35);
    currentIcon_.paint(&p, rect());
    if (hasFocus()) {
        // Dots of the highlight colour on a light line: seen on a light face
        // and on a strong one (Check Now) alike.
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        const QRectF ring = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
        p.setPen(QPen(QColor(255, 255, 255, 235), 2.5));
        p.drawRoundedRect(ring, 5, 5);
        p.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 1.5, Qt::DotLine));
        p.drawRoundedRect(ring, 5, 5);
    }
}

void ImageButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
    QWidget::changeEvent(e);
}

void ImageButton::mousePressEvent(QMouseEvent* e)
{
    pressedWith_ = e->button();
    setPicture(pressed_);
}

void ImageButton::mouseMoveEvent(QMouseEvent*)
{
    setPicture(hover_);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressedWith_ == Qt::LeftButton && e->button() == Qt::LeftButton
                       && rect().contains(e->position().toPoint());
    pressedWith_ = Qt::NoButton;
    if (trigger_ == Trigger::Release) {
        emit activated();
        return;
    }
    setPicture(normal_);
    if (click)
        emit activated();
}

namespace {
bool actionKey(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}
} // namespace

// A key acts once, when it comes up: held down, it would repeat the action
// (fifteen identical itineraries) and, still down when a question opens,
// answer it unseen. Under X a held key repeats as a release and a press with
// one timestamp, which Qt does not always mark as a repeat: a release acts
// only once no such press has followed it.
void ImageButton::keyPressEvent(QKeyEvent* e)
{
    if (!actionKey(e))
        return QWidget::keyPressEvent(e);
    if (HeldKeys::watch().isRepeat(*e)) {
        if (e->key() == keyDown_)
            keyUpWait_.stop(); // the key never came up
        return;
    }
    if (keyUpWait_.isActive()) {
        keyUpWait_.stop();
        actOnKeyUp();
    }
    keyDown_ = e->key();
    setPicture(pressed_);
}

void ImageButton::keyReleaseEvent(QKeyEvent* e)
{
    if (!actionKey(e))
        return QWidget::keyReleaseEvent(e);
    if (e->isAutoRepeat() || e->key() != keyDown_)
        return;
    // An event without a time has no repeat to pair with.
    if (e->timestamp() == 0)
        actOnKeyUp();
    else
        keyUpWait_.start();
}

void ImageButton::actOnKeyUp()
{
    keyDown_ = 0;
    setPicture(normal_);
    emit activated();
}

} // namespace zelvane
