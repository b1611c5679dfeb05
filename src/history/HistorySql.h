#pragma once

// What the history's writing and its queries share: how a stored value
// reads back.

#include "history/HistoryStore.h"

#include <QVariant>

namespace zelvane::history {

QList<QStringList> flightsFromText(const QString& text);
CheckOutcome outcomeOf(const QVariant& v);
QDateTime timeOf(const QVariant& v);

} // namespace zelvane::history
