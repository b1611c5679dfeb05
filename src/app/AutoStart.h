#pragma once

#include <QString>

namespace zelvane {

// Enters (enable) or removes the program in the user's list of programs started
// with the desktop session. Fails silently.
void setAutoStart(bool enable);

// Where the entry lives and what it runs; exposed so tests can point it elsewhere.
QString autoStartEntryPath();
QString autoStartEntryText(const QString& executablePath);

// The path to start the program by: PREFIX/bin/NAME when that leads to this
// very program in PREFIX/lib/zelvane, else the program itself.
QString launcherPath(const QString& programFile);

inline const QString kAutoStartName = QStringLiteral("Zelvane");

} // namespace zelvane
