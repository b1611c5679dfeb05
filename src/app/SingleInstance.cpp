#include "app/SingleInstance.h"

#include "app/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

namespace zelvane {

namespace {

const QString kLockName = QStringLiteral("Zelvane.lock");

} // namespace

SingleInstance::SingleInstance(QStringList lockPaths) : paths_(std::move(lockPaths)) {}

QStringList SingleInstance::defaultLockPaths()
{
    const QString settingsFolder =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("Zelvapp"));
    QStringList paths{QDir(settingsFolder).filePath(kLockName)};
    // Asked of the environment, not of Qt: without the variable Qt picks a
    // folder of its own, which another copy started otherwise would not see.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        paths << QDir(runtime).filePath(kLockName);
    return paths;
}

bool SingleInstance::held() const
{
    if (locks_.empty())
        return false;
    for (const auto& lock : locks_)
        if (!lock->isLocked())
            return false;
    return true;
}

bool SingleInstance::acquire()
{
    if (held())
        return true;
    release();
    bool usable = false;
    for (const QString& path : std::as_const(paths_)) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto lock = std::make_unique<QLockFile>(path);
        // Held for the whole run: never stale by age, only when its process is gone.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            // Made with the usual mode; it names this machine and process.
            keepPrivate(path);
            usable = true;
            locks_.push_back(std::move(lock));
        } else if (lock->error() == QLockFile::LockFailedError) {
            release();
            return false;
        }
        // A folder that cannot be written holds no other copy's lock either.
    }
    if (!usable)
        release();
    return usable;
}

void SingleInstance::release()
{
    for (const auto& lock : locks_)
        lock->unlock();
    locks_.clear();
}

} // namespace zelvane
