#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <cstdio>

namespace zelvane {

namespace {

// A key held down since before the box opened (Enter on a button that asked
// the question) arrives as repeats; only a fresh press may answer.
class FreshKeysOnly final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease
            || e->type() == QEvent::ShortcutOverride)
            return static_cast<QKeyEvent*>(e)->isAutoRepeat();
        return false;
    }
};

// Over the window the user is looking at, else over the main window when it
// is up; boxes of the tray alone sit in the middle of the screen.
QWidget* boxParent()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmmain") && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

MsgAnswer QtMessageBoxes::show(const QString& text, const QString& title, MsgIcon icon,
                               MsgButtons buttons)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    QMessageBox box(boxParent());
    box.setWindowTitle(title);
    FreshKeysOnly freshKeys;
    QApplication::instance()->installEventFilter(&freshKeys);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

} // namespace zelvane
