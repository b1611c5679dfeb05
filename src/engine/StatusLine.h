#pragma once

#include <QString>

namespace zelvane {

// The main window's status line, as the logic sees it.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    // What waits in the outbox: what later tries of it say takes its place.
    virtual void setOutboxStatus(const QString& text) { setStatus(text); }
};

} // namespace zelvane
