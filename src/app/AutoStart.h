#pragma once

#include <QString>

namespace zelvane {

// Enters (enable) or removes the program in the user's list of programs started
// with the desktop session. Fails silently.
void SetAutoStart(bool enable);

// Where the entry lives and what it runs; exposed so tests can point it elsewhere.
QString autoStartEntryPath();
QString autoStartEntryText(const QString& executablePath);

inline const QString kAutoStartName = QStringLiteral("Zelvane");

} // namespace zelvane
