#include "ui/Panel.h"

#include "ui/Skin.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QLabel>
#include <QPainter>

namespace zelvane {

Panel::Panel(const char* name, const Theme& theme, QWidget* parent) : QWidget(parent), theme_(theme)
{
    setObjectName(QLatin1String(name));
    setMouseTracking(true);
    // Its own, so the window's resizing cursor never spreads over it.
    setCursor(Qt::ArrowCursor);
}

bool Panel::event(QEvent* e)
{
    // Taken here, before any handler: an unhandled press or move would go on
    // to the window, whose background is the title bar.
    switch (e->type()) {
    case QEvent::MouseMove:
        for (ImageButton* b : resetOnMove_)
            b->resetPicture();
        return true;
    case QEvent::MouseButtonPress: return true;
    case QEvent::KeyPress: {
        // A button outside a dialog lets Return pass: here it presses the
        // button the keyboard is on, as Space does.
        const int key = static_cast<QKeyEvent*>(e)->key();
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && button && isAncestorOf(button)
            && button->isEnabled()) {
            button->animateClick();
            return true;
        }
        return QWidget::event(e);
    }
    default: return QWidget::event(e);
    }
}

namespace {

// Drawn over the band just outside its target, on the target's parent, and
// only there: the target itself and the pointer are not touched.
class FocusRing final : public QWidget {
public:
    explicit FocusRing(QWidget* target) : QWidget(target->parentWidget()), target_(target)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        target_->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::FocusIn:
        case QEvent::FocusOut: follow(); break;
        default: break;
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kWidth));
        p.drawRoundedRect(QRectF(rect()).adjusted(kWidth / 2, kWidth / 2, -kWidth / 2, -kWidth / 2), 3, 3);
    }

private:
    static constexpr qreal kWidth = 2;
    static constexpr int kOut = 3; // beyond the target's edge

    void follow()
    {
        const bool shown = target_->isVisible() && target_->hasFocus();
        setVisible(shown);
        if (!shown)
            return;
        setGeometry(target_->geometry().adjusted(-kOut, -kOut, kOut, kOut));
        const QRect outer = rect();
        setMask(QRegion(outer).subtracted(QRegion(outer.adjusted(kOut, kOut, -kOut, -kOut))));
        raise();
    }

    QWidget* target_;
};

} // namespace

void ringWhenFocused(QWidget* target)
{
    new FocusRing(target);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

ImageButton* listButton(const char* name, int pressed, const Theme& theme, QWidget* parent)
{
    const auto picture = [&](int index) { return ImageButton::Picture{imageList1(index, theme), QString::number(index)}; };
    return new ImageButton(QLatin1String(name), picture(pressed), picture(pressed + 1), picture(pressed + 2),
                           ImageButton::Trigger::Click, parent);
}

ImageButton::Picture facePicture(ButtonFace face, FaceState state, const Theme& theme)
{
    return {buttonFacePicture(face, state, theme), buttonFaceName(face, state)};
}

ImageButton* faceButton(const char* name, ButtonFace face, ImageButton::Trigger trigger, const Theme& theme,
                        QWidget* parent)
{
    return new ImageButton(QLatin1String(name), facePicture(face, FaceState::Pressed, theme),
                           facePicture(face, FaceState::Normal, theme), facePicture(face, FaceState::Hover, theme),
                           trigger, parent);
}

void setButtonFace(ImageButton& button, ButtonFace face, const Theme& theme)
{
    button.setPictures(facePicture(face, FaceState::Pressed, theme), facePicture(face, FaceState::Normal, theme),
                       facePicture(face, FaceState::Hover, theme));
}

} // namespace zelvane
