#include "app/PrivateFiles.h"

#include <QFile>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelvane {

#ifndef Q_OS_WIN

namespace {

bool ownMode(const QString& path, mode_t& mode)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || st.st_uid != ::geteuid())
        return false;
    mode = st.st_mode & 07777;
    return true;
}

} // namespace

bool keepPrivate(const QString& path)
{
    mode_t mode = 0;
    if (!ownMode(path, mode))
        return !QFile::exists(path);
    if ((mode & 077) == 0)
        return true;
    return ::chmod(QFile::encodeName(path).constData(), mode & 0700) == 0;
}

void createPrivate(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

#else

bool keepPrivate(const QString&) { return true; }
void createPrivate(const QString&) {}

#endif

} // namespace zelvane
