#pragma once

#include <QProcess>
#include <QString>

namespace zelvane::test {

// A virtual display with a panel holding a tray at the bottom right (Xvfb
// and trayer), for the real tray program. Both end with this object.
class VirtualDesktop {
public:
    ~VirtualDesktop();
    // The first of the tools it needs that is not installed; empty when all are.
    static QString missingTool();
    // False, with a warning, when the display or the panel did not come up.
    bool start();
    QString display() const { return display_; }

private:
    QProcess xvfb_, trayer_;
    QString display_;
};

} // namespace zelvane::test
