#pragma once

#include <QIcon>
#include <QTimer>
#include <QWidget>

namespace zelvane {

// A picture that acts as a button: normal, hover and pressed pictures. A press
// of any mouse button shows the pressed picture, movement over it the hover
// picture; going back to normal is the business of the surface the pointer
// moves on to (resetPicture), not of the button.
class ImageButton : public QWidget {
    Q_OBJECT
public:
    struct Picture {
        QIcon icon;
        QString name; // the picture number or the holder's name, for tests and tooltips
    };
    // Click: the release sets the normal picture and a left click acts.
    // Release: any button's release acts and sets no picture.
    enum class Trigger { Click, Release };

    ImageButton(const QString& objectName, Picture pressed, Picture normal, Picture hover,
                Trigger trigger, QWidget* parent);

    void resetPicture() { setPicture(normal_); }
    // A button whose action turns into another (maximise, then restore).
    void setPictures(Picture pressed, Picture normal, Picture hover);
    QString picture() const { return current_; }

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void setPicture(const Picture& p);
    void actOnKeyUp();

    Picture pressed_, normal_, hover_;
    Trigger trigger_;
    QString current_;
    QIcon currentIcon_;
    Qt::MouseButton pressedWith_ = Qt::NoButton;
    int keyDown_ = 0; // Space or Enter pressed on this button and not yet released
    QTimer keyUpWait_; // a release waiting to be told from half of a repeat
};

} // namespace zelvane
