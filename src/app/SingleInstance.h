#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace zelvane {

// One running copy per user: a lock file in the user's runtime folder, held
// for the life of the process. A lock left by a crashed process is taken over.
// The tray program and the headless check command share it.
class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    // True when this process now holds the lock (or already held it).
    bool acquire();
    void release();
    bool held() const { return lock_ && lock_->isLocked(); }
    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace zelvane
