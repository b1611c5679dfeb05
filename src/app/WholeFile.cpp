#include "app/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelvane {

bool FileWrite::diskFull() const
{
#ifndef Q_OS_WIN
    return error == ENOSPC || error == EDQUOT;
#else
    return error == ENOSPC;
#endif
}

QString writeFailureText(int error, const QString& what)
{
    const QString place = what.isEmpty() ? QStringLiteral("the data folder") : what;
#ifndef Q_OS_WIN
    if (error == ENOSPC || error == EDQUOT)
        return place + QStringLiteral(" is full");
    if (error == EROFS)
        return place + QStringLiteral(" is on a read-only disk");
#else
    if (error == ENOSPC)
        return place + QStringLiteral(" is full");
#endif
    return QStringLiteral("%1 could not be written (%2)").arg(place, QString::fromLocal8Bit(std::strerror(error)));
}

#ifndef Q_OS_WIN

namespace {

FileWrite failedWith(int error, const QString& what)
{
    return {error == 0 ? EIO : error, writeFailureText(error == 0 ? EIO : error, what)};
}

} // namespace

FileWrite writeWholeFile(const QString& path, const QByteArray& bytes, const QString& what)
{
    const QFileInfo info(path);
    const QString place = what.isEmpty() ? QDir::toNativeSeparators(path) : what;
    QByteArray temp = QFile::encodeName(info.absoluteFilePath()) + ".XXXXXX";
    // Born private: mkstemp makes it 0600.
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return failedWith(errno, place);
    const auto giveUp = [&temp, fd, &place](int error) {
        ::close(fd);
        ::unlink(temp.constData());
        return failedWith(error, place);
    };
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return giveUp(n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        return giveUp(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return failedWith(error, place);
    }
    if (::rename(temp.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return failedWith(error, place);
    }
    // The new name lasts a crash of the machine too.
    const int dir = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

#else

FileWrite writeWholeFile(const QString& path, const QByteArray& bytes, const QString& what)
{
    const QString place = what.isEmpty() ? QDir::toNativeSeparators(path) : what;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {EIO, writeFailureText(EIO, place)};
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return {EIO, writeFailureText(EIO, place)};
    }
    if (!file.commit())
        return {EIO, writeFailureText(EIO, place)};
    return {};
}

#endif

} // namespace zelvane
