#pragma once

// What the outbox's parts share of its file: how times are written there
// and how SQLite's errors are told. Not for use outside src/notify.

#include <QDateTime>
#include <QString>

class QSqlError;
class QVariant;

namespace zelvane::outbox {

// SQLite's SQLITE_FULL is told as what it is.
QString sqlReason(const QSqlError& e);
QString timeText(const QDateTime& t);
QDateTime timeFrom(const QVariant& v);

} // namespace zelvane::outbox
