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

// A session's start as the files give it: local time with its offset, so a
// script reading it needs no time zone ("2026-12-08T10:00:00+01:00").
QString isoTime(const QDateTime& t);
// As a terminal's table gives it: "2026-12-08 10:00:00".
QString tableTime(const QDateTime& t);

// The session's time as text, worked out once for all checks of a session.
class SessionTimes {
public:
    explicit SessionTimes(QString (*format)(const QDateTime&)) : format_(format) {}
    const QString& of(const QDateTime& t);

private:
    QString (*format_)(const QDateTime&);
    QDateTime last_;
    QString text_;
};

} // namespace zelvane
