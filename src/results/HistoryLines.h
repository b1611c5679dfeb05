#pragma once

#include "history/HistoryStore.h"

#include <QByteArray>
#include <QString>

namespace zelvane {

// The history's checks for a terminal and for scripts, each check with the
// leg of its journey by name.

// One JSON object a line per check, flights included.
QByteArray historyJsonLines(const QList<HistoryCheck>& checks);
// A table in columns, one line per check.
QString historyTable(const QList<HistoryCheck>& checks);

} // namespace zelvane
