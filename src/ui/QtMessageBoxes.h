#pragma once

#include "app/MessageBoxes.h"

namespace zelvane {

// Real modal boxes. Each message also goes to the error output, so a box shown
// where nobody looks (a second copy started from a script) leaves a trace.
class QtMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const QString& text, const QString& title, MsgIcon icon,
                   MsgButtons buttons) override;
};

} // namespace zelvane
