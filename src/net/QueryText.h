#pragma once

#include <QString>

namespace zelvane {

// Escapes the four characters that would end or change a query value pasted
// into an address ("&", "+", "#", "%") and nothing else, so a text without
// them goes out byte for byte.
QString escapeQueryBreakers(const QString& text);

} // namespace zelvane
