#include "app/DataFolder.h"

#include "app/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelvane {

namespace {

bool folderWritable(const QString& folder)
{
    // Ask the file system rather than trust permission bits: a read-only
    // mount or an ACL says no only when a file is really made.
    QFile probe(QDir(folder).filePath(QStringLiteral(".zelvane-write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

QString chooseDataFolder(const QString& programFolder, const QString& userFolder)
{
    if (folderWritable(programFolder))
        return programFolder;
    QDir().mkpath(userFolder);
    for (const QString& name : {kCityFile, kCityCodeFile}) {
        const QString target = QDir(userFolder).filePath(name);
        const QString shipped = QDir(programFolder).filePath(name);
        if (!QFileInfo::exists(target) && QFileInfo::exists(shipped)) {
            QFile::copy(shipped, target);
            // Copies keep the installed file's read-only bits; the user's copy must be writable.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    return userFolder;
}

} // namespace

QString userDataFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Zelvane"));
}

QString resolveDataFolder(const QString& programFolder, const QString& userFolder)
{
    const QString folder = chooseDataFolder(programFolder, userFolder);
    // The user's trips, the history and the mails waiting are the user's
    // alone: the folder and what an older version left open in it are
    // closed. A program folder is shared with the program itself and keeps
    // its mode; its watch list is closed all the same.
    if (folder == userFolder) {
        keepPrivate(folder);
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
            keepPrivate(f.filePath());
    }
    keepPrivate(QDir(folder).filePath(kQueryFile));
    return folder;
}

} // namespace zelvane
