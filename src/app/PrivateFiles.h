#pragma once

#include <QString>

namespace zelvane {

// The files that hold the user's data (the watch list, the history, the
// outbox with its mails) are readable by their owner only, as the settings
// file is. Nothing here fails loudly: a file that cannot be changed is left
// as it is.

// Takes the group's and everyone's access off an existing file of ours.
// False when the file is there and still open to others.
bool keepPrivate(const QString& path);
// Makes an empty file open to its owner only where there is none, so what
// fills it afterwards (SQLite, which copies a database's mode to its
// journals) is private from the start.
void createPrivate(const QString& path);

} // namespace zelvane
