#pragma once

#include <QString>

namespace zelvane {

// The main window's status line, as the logic sees it.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
};

} // namespace zelvane
