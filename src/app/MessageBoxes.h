#pragma once

#include <QString>

namespace zelvane {

enum class MsgIcon { Information, Exclamation, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// Every modal message of the program goes through this seam: the windows
// show a real box, tests answer in advance and read what was asked.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(const QString& text, const QString& title, MsgIcon icon,
                           MsgButtons buttons) = 0;
};

inline const QString kProductTitle = QStringLiteral("Zelvane");

} // namespace zelvane
