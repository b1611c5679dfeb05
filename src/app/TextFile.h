#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

// Lines of a data file, without their line ends; CR LF and bare LF both end a
// line and a missing last line end is fine. Nothing when the file is missing
// or cannot be read.
std::optional<QStringList> readTextLines(const QString& path);

// Rewrites a data file with each line followed by CR LF. The text goes to a
// temporary file beside it that replaces the old file only when complete, so
// a crash in the middle leaves the old file whole. A file that was not there
// is made readable by its owner only.
bool writeTextLines(const QString& path, const QStringList& lines);

} // namespace zelvane
