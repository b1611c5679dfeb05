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
    // True when this process now holds every lock (or already held them).
    bool acquire();
    void release();
    bool held() const;
    // Beside the settings, which every copy of one user shares whatever its
    // environment (a cron job has no XDG_RUNTIME_DIR); and in the runtime
    // folder, when there is one, where earlier versions look.
    static QStringList defaultLockPaths();

private:
    QStringList paths_;
    std::vector<std::unique_ptr<QLockFile>> locks_;
};

} // namespace zelvane
