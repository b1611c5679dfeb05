#pragma once

#include <QDir>
#include <QTemporaryDir>

// A folder of the run's own for the files a target writes, in memory where
// there is a memory file system: every save is synced to disk, and at disk
// speed a run gets through a few inputs a second instead of thousands.
inline QString fuzzFolder()
{
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                        : QDir::tempPath())
                             + QStringLiteral("/zelvane-fuzz-XXXXXX"));
    return dir.path();
}
