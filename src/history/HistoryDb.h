#pragma once

// What the history's opening, writing and reading share: how a failed
// statement is kept, and what SQLite's codes say. Not for use outside
// src/history.

#include "history/HistoryStore.h"

#include <QSqlError>
#include <QSqlQuery>

namespace zelvane {

namespace history {

// SQLite's own words ("file is not a database"), without Qt's.
inline QString reason(const QSqlError& e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

// SQLite's primary result codes that mean the file itself is damaged. Any
// other failure (busy, read-only, a full disk, a file that cannot be opened
// now) says nothing about the file, which is kept as it is.
inline bool fileIsBad(int code)
{
    const int primary = code & 0xff;
    return primary == 11   // SQLITE_CORRUPT
        || primary == 26;  // SQLITE_NOTADB
}

} // namespace history

// Keeps the last SQL error of a store: its text and SQLite's code.
struct HistoryStore::Db {
    static bool run(QSqlQuery& q, HistoryStore& store)
    {
        if (q.exec())
            return true;
        ++store.failures_;
        store.error_ = history::reason(q.lastError());
        store.lastCode_ = q.lastError().nativeErrorCode().toInt();
        return false;
    }
    static bool run(QSqlQuery& q, const QString& sql, HistoryStore& store)
    {
        if (q.exec(sql))
            return true;
        ++store.failures_;
        store.error_ = history::reason(q.lastError());
        store.lastCode_ = q.lastError().nativeErrorCode().toInt();
        return false;
    }
};

} // namespace zelvane
