#pragma once

#include "app/WholeFile.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

// Lines of a data file, without their line ends; CR LF and bare LF both end a
// line and a missing last line end is fine. Nothing when the file is missing
// or cannot be read.
std::optional<QStringList> readTextLines(const QString& path);

// Rewrites a data file with each line followed by CR LF, as writeWholeFile
// does: a full disk or a crash in the middle leaves the old file whole. The
// file is readable by its owner only. A failure says why ("the data folder
// is full").
FileWrite writeTextFile(const QString& path, const QStringList& lines);

} // namespace zelvane
