// Where the history lives on disk: its file and journals kept private, the
// journals a read-only spell left made writable again, a damaged file moved
// aside.
#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace zelvane {

namespace {

// What SQLite keeps beside the file while it is open or was not closed.
const QStringList kCompanions = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};

// The history holds the user's trips: it and its journals are readable by
// their owner only. (This folder builds on nothing else, so the few lines
// live here.)
constexpr QFileDevice::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                             | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
constexpr QFileDevice::Permissions kOwnerRw = QFile::ReadOwner | QFile::WriteOwner;

bool ours(const QString& path)
{
    const QFileInfo f(path);
    return f.exists() && f.ownerId() == uint(::geteuid());
}

void keepPrivate(const QString& path)
{
    if (ours(path) && (QFile::permissions(path) & kOthers))
        QFile::setPermissions(path, QFile::permissions(path) & ~kOthers);
}

// A journal its owner cannot write is made writable, and private.
void makeWritable(const QString& path)
{
    if (ours(path))
        QFile::setPermissions(path, (QFile::permissions(path) & ~kOthers) | kOwnerRw);
}

// Made empty and private before SQLite fills it, which gives its journals
// the file's own mode.
void createPrivate(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerRw))
        f.close();
}

} // namespace

void HistoryStore::repairModes()
{
    createPrivate(path_);
    keepPrivate(path_);
    // A run that could only read the file leaves its journals with the
    // file's read-only mode, and SQLite could then never write again: a
    // file its owner may write gets journals he may write too.
    const bool writable = QFileInfo(path_).isWritable();
    for (const QString& suffix : kCompanions) {
        if (writable)
            makeWritable(path_ + suffix);
        else
            keepPrivate(path_ + suffix);
    }
}

QString HistoryStore::unwritableCompanion() const
{
    if (!QFileInfo(path_).isWritable())
        return {};
    for (const QString& suffix : kCompanions) {
        const QFileInfo companion(path_ + suffix);
        if (companion.exists() && !companion.isWritable())
            return companion.fileName();
    }
    return {};
}

bool HistoryStore::moveAside(const QDateTime& now, const QString& why)
{
    disconnect();
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 0;; ++n) {
        aside = QDir(folder_).filePath(QStringLiteral("history-broken-%1%2.sqlite")
                                           .arg(stamp, n ? QStringLiteral("-%1").arg(n) : QString()));
        if (!QFile::exists(aside))
            break;
    }
    if (!QFile::rename(path_, aside)) {
        error_ = QStringLiteral("%1 is unreadable (%2) and could not be moved aside").arg(kHistoryFile, why);
        return false;
    }
    // Its journal goes with it: left behind, it would be read into the new file.
    keepPrivate(aside);
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(path_ + suffix) && !QFile::rename(path_ + suffix, aside + suffix))
            QFile::remove(path_ + suffix);
        keepPrivate(aside + suffix);
    }
    // The new one is as private as the old.
    createPrivate(path_);
    tell(QStringLiteral("History unreadable (%1): moved to %2, a new one started")
             .arg(why, QDir(folder_).relativeFilePath(aside)));
    return true;
}

} // namespace zelvane
