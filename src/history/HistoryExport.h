#pragma once

#include "history/HistoryStore.h"

#include <QByteArray>
#include <QString>

namespace zelvane {

// The checks as CSV (RFC 4180: CR LF line ends, fields quoted when they hold
// a comma, quote or line break, quotes doubled), UTF-8, one row per check
// after a heading row. The flights column holds one flight a line, its cells
// joined by " | "; the adults come after it, the last column.
QByteArray historyCsv(const QList<HistoryCheck>& checks);
// Writes historyCsv to `path` through a temporary file; false with `error`
// set when it could not be written or there is no check to write.
bool exportHistoryCsv(const HistoryStore& store, const QString& path, QString* error = nullptr);

// One JSON object a line per check, for scripts.
QByteArray historyJsonLines(const QList<HistoryCheck>& checks);
// A table in columns for a terminal, one line per check.
QString historyTable(const QList<HistoryCheck>& checks);

} // namespace zelvane
