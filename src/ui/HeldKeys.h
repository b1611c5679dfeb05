#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

class QKeyEvent;

namespace zelvane {

// Which keys are down, as the application's key events tell it. A key held
// under X repeats as a release and a press with one timestamp, and Qt marks
// only some of those pairs as repeats; this record tells the rest apart.
class HeldKeys final : public QObject {
public:
    // The one record of the application, watching every key event from its
    // first use on.
    static HeldKeys& watch();

    // A press that only continues a key held down: marked as a repeat, or
    // coming with the very timestamp of that key's last release.
    bool isRepeat(const QKeyEvent& press) const;
    // Keys pressed and not released yet.
    QSet<int> down() const { return down_; }
    // Takes in one key event; seeing the same event twice changes nothing.
    void note(const QKeyEvent& e);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit HeldKeys(QObject* parent) : QObject(parent) {}

    QSet<int> down_;
    QHash<int, quint64> lastRelease_; // key → timestamp of its last release
};

} // namespace zelvane
