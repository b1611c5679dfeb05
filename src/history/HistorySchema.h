#pragma once

#include <QStringList>

namespace zelvane {

// The version of the history's tables this program writes.
inline constexpr int kSchemaVersion = 4;

// The statements that bring a file of `version` (0: no tables yet) to
// kSchemaVersion; they run in one transaction.
QStringList schemaSteps(int version);

} // namespace zelvane
