#pragma once

#include <QByteArray>
#include <QString>

namespace zelvane {

// What became of a write of a whole file: nothing on success, else the
// system's error and the reason as the user reads it.
struct FileWrite {
    int error = 0;  // errno of the step that failed; 0 when the file was written
    QString reason; // "the data folder is full", "… could not be written (…)"
    bool ok() const { return error == 0 && reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
    bool diskFull() const;
};

// The one way a data file is replaced: the bytes go to a temporary file
// beside it, private to its owner from birth, every write checked, synced;
// only a complete, synced copy takes the file's name (and the folder's entry
// is synced too). On any failure the old file stays as it was and the
// temporary one is removed. `what` names the place in the reason, as the
// user knows it: "the data folder" or the file's own path.
FileWrite writeWholeFile(const QString& path, const QByteArray& bytes, const QString& what = {});

// The reason for a failed write with the system's `error`, as the user reads
// it: "the data folder is full" for ENOSPC or EDQUOT.
QString writeFailureText(int error, const QString& what);

inline const QString kDataFolderFull = QStringLiteral("the data folder is full");

} // namespace zelvane
