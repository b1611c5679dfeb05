#include "app/SingleInstance.h"

#include "app/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <utility>

namespace zelvane {

namespace {

const QString kLockName = QStringLiteral("Zelvane.lock");
const QString kCheckLockName = QStringLiteral("Zelvane-check.lock");

QString settingsFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Zelvapp"));
}

// A lock file taken for the whole run, its folder made private when new.
// Null, with `refused` set, when another live process holds it; null alone
// when it cannot be made here.
std::unique_ptr<QLockFile> takeLock(const QString& path, bool& refused)
{
    refused = false;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto lock = std::make_unique<QLockFile>(path);
    // Held for the whole run: never stale by age, only when its process is gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        // Made with the usual mode; it names this machine and process.
        keepPrivate(path);
        return lock;
    }
    refused = lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

} // namespace

SingleInstance::SingleInstance(QStringList lockPaths) : paths_(std::move(lockPaths)) {}

QStringList SingleInstance::defaultLockPaths()
{
    QStringList paths{QDir(settingsFolder()).filePath(kLockName)};
    // Asked of the environment, not of Qt: without the variable Qt picks a
    // folder of its own, which another copy started otherwise would not see.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        paths << QDir(runtime).filePath(kLockName);
    return paths;
}

QString SingleInstance::checkLockPath()
{
    // Beside the settings alone: a check from cron and a tray program at
    // log-in share that folder whatever their environments.
    return QDir(settingsFolder()).filePath(kCheckLockName);
}

bool SingleInstance::checkRunning() const
{
    if (checkLock_)
        return true;
    QLockFile lock(checkLockPath());
    qint64 pid = 0;
    QString host, program;
    // Read, never taken: taking it even for a moment could turn a starting
    // check away.
    if (!lock.getLockInfo(&pid, &host, &program) || pid <= 0 || host != QSysInfo::machineHostName())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
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
    bool refused = false;
    if (!checkPath_.isEmpty()) {
        checkLock_ = takeLock(checkPath_, refused);
        if (refused)
            return false;
    }
    bool usable = false;
    for (const QString& path : std::as_const(paths_)) {
        if (auto lock = takeLock(path, refused)) {
            usable = true;
            locks_.push_back(std::move(lock));
        } else if (refused) {
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
    // Last: while the shared locks are held, so is this one.
    checkLock_.reset();
}

} // namespace zelvane
