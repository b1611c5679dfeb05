#include "ui/QtMessageBoxes.h"

#include "ui/HeldKeys.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <cstdio>

namespace zelvane {

namespace {

// A key held down since before the box opened (Enter in a field that asked
// the question) goes on arriving as repeats, and under X not all of them are
// marked so; only a fresh press may answer. Held keys' events may also have
// gone to the window the box now blocks, unseen: such a key counts as pressed
// afresh only after the box has seen it come up.
class FreshKeysOnly final : public QObject {
public:
    explicit FreshKeysOnly(HeldKeys& keys) : keys_(keys), held_(keys.down()) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        const QEvent::Type type = e->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return false;
        const auto& key = *static_cast<QKeyEvent*>(e);
        // Installed after the record, this filter sees each key first: what it
        // drops must still be recorded.
        keys_.note(key);
        const int k = key.key();
        if (type == QEvent::KeyRelease) {
            if (key.isAutoRepeat())
                return true;
            if (!held_.contains(k))
                return false;
            cameUp_.insert(k);
            return true;
        }
        const bool repeat = keys_.isRepeat(key);
        if (type == QEvent::ShortcutOverride)
            return repeat || held_.contains(k);
        if (held_.contains(k)) {
            if (repeat || !cameUp_.contains(k)) {
                cameUp_.remove(k); // still the same hold
                return true;
            }
            held_.remove(k);
            cameUp_.remove(k);
            return false;
        }
        return repeat;
    }

private:
    HeldKeys& keys_;
    QSet<int> held_;   // down since before the box, until pressed afresh
    QSet<int> cameUp_; // of those, seen coming up since
};

} // namespace

MsgAnswer QtMessageBoxes::show(const QString& text, const QString& title, MsgIcon icon,
                               MsgButtons buttons)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    QMessageBox box(dialogParent());
    box.setWindowTitle(title);
    FreshKeysOnly freshKeys(HeldKeys::watch());
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
