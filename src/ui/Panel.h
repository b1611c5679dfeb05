#pragma once

#include "ui/ImageButton.h"
#include "ui/Skin.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace zelvane {

struct Theme;

// A panel's size in the main window at its least size. The forms were laid
// out for it and keep it in a larger window, where the lists take the room.
inline constexpr QSize kPanelLeastSize(626, 290);

// One of the panels that take turns in the middle of the main window. It is
// a surface of its own for the pointer: a press on it never moves the window,
// and moving over it puts its own image buttons back to their normal picture.
class Panel : public QWidget {
    Q_OBJECT
public:
    Panel(const char* name, const Theme& theme, QWidget* parent);

signals:
    // A text for the main window's status line.
    void statusMessage(const QString& text);

protected:
    bool event(QEvent* e) override;

    const Theme& theme_;
    QList<ImageButton*> resetOnMove_;
};

// Builders shared by the main window and its panels.
template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
QLabel* caption(const QString& text, QWidget* parent);
// A button of the picture list: `pressed`, the normal one after it, then the hover one.
ImageButton* listButton(const char* name, int pressed, const Theme& theme, QWidget* parent);
// One state of a button's own face.
ImageButton::Picture facePicture(ButtonFace face, FaceState state, const Theme& theme);
// Rings `target` in the highlight colour while it has the keyboard focus, just
// outside its frame: a list's own focus mark is one dotted cell, if any.
void ringWhenFocused(QWidget* target);
// A button that draws a face of its own.
ImageButton* faceButton(const char* name, ButtonFace face, ImageButton::Trigger trigger, const Theme& theme,
                        QWidget* parent);
void setButtonFace(ImageButton& button, ButtonFace face, const Theme& theme);

} // namespace zelvane
