#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace zelvane {

// One running copy per user: lock files held for the life of the process. A
// lock left by a crashed process is taken over. The tray program and the
// headless check command share them.
class SingleInstance {
public:
    explicit SingleInstance(QStringList lockPaths = defaultLockPaths());
    explicit SingleInstance(const QString& lockPath) : SingleInstance(QStringList{lockPath}) {}
    // The check command also holds a lock of its own, taken before the
    // shared ones and let go after them, so that a copy finding the shared
    // ones held can tell a check, which ends by itself, from another copy of
    // the tray program.
    void markAsCheck() { checkPath_ = checkLockPath(); }
    // True when this process now holds every lock (or already held them).
    bool acquire();
    void release();
    bool held() const;
    // True when a running check command holds its lock.
    bool checkRunning() const;
    static QString checkLockPath();
    // Beside the settings, which every copy of one user shares whatever its
    // environment (a cron job has no XDG_RUNTIME_DIR); and in the runtime
    // folder, when there is one, where earlier versions look.
    static QStringList defaultLockPaths();

private:
    QStringList paths_;
    QString checkPath_; // empty but in the check command
    std::vector<std::unique_ptr<QLockFile>> locks_;
    std::unique_ptr<QLockFile> checkLock_;
};

} // namespace zelvane
