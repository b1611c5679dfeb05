#include "ui/HeldKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

namespace zelvane {

HeldKeys& HeldKeys::watch()
{
    static QPointer<HeldKeys> record;
    if (!record) {
        record = new HeldKeys(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(record);
    }
    return *record;
}

bool HeldKeys::isRepeat(const QKeyEvent& press) const
{
    if (press.isAutoRepeat())
        return true;
    // Events made without a time (timestamp 0) say nothing either way.
    const auto last = lastRelease_.constFind(press.key());
    return press.timestamp() != 0 && last != lastRelease_.constEnd() && *last == press.timestamp();
}

void HeldKeys::note(const QKeyEvent& e)
{
    if (e.type() == QEvent::KeyPress) {
        down_.insert(e.key());
    } else if (e.type() == QEvent::KeyRelease) {
        lastRelease_.insert(e.key(), e.timestamp());
        // A release Qt marks as a repeat leaves the key down.
        if (!e.isAutoRepeat())
            down_.remove(e.key());
    }
}

bool HeldKeys::eventFilter(QObject*, QEvent* e)
{
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)
        note(*static_cast<QKeyEvent*>(e));
    // Keys that come up while another program has the keyboard are never
    // told to us: what was down is no longer known.
    else if (e->type() == QEvent::ApplicationStateChange
             && static_cast<QApplicationStateChangeEvent*>(e)->applicationState() != Qt::ApplicationActive)
        down_.clear();
    return false;
}

} // namespace zelvane
