#include "app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>
#include <utility>

namespace zelvane {

SingleInstance::SingleInstance(QString lockPath) : path_(std::move(lockPath)) {}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("Zelvane.lock"));
}

bool SingleInstance::acquire()
{
    if (held())
        return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // Held for the whole run: never stale by age, only when its process is gone.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

void SingleInstance::release()
{
    if (lock_)
        lock_->unlock();
}

} // namespace zelvane
