#pragma once

#include <QStringList>

#include <optional>

namespace zelvane::check {

// --list [--json], --add LINE, --remove N, --pause N, --resume N: the watch
// list read or changed without logging in, also while the tray program runs.
// The exit status, or nothing when the arguments ask for something else.
std::optional<int> watchListCommand(const QStringList& args);

} // namespace zelvane::check
