#pragma once

// How a stored value reads back, for the history's queries (the writing
// side stores the flight table as the JSON these read).

#include "history/HistoryStore.h"

#include <QVariant>

namespace zelvane::history {

QList<QStringList> flightsFromText(const QString& text);
CheckOutcome outcomeOf(const QVariant& v);
QDateTime timeOf(const QVariant& v);

} // namespace zelvane::history
