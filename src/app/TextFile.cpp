#include "app/TextFile.h"

#include <QFile>
#include <QSaveFile>

namespace zelvane {

std::optional<QStringList> readTextLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The system's 8-bit code page is UTF-8 here.
    const QString text = QString::fromLocal8Bit(f.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an empty line
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

bool writeTextLines(const QString& path, const QStringList& lines)
{
    const bool existed = QFile::exists(path);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // A new file is the user's alone before anything is in it; an existing
    // one keeps its mode.
    if (!existed)
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& line : lines) {
        f.write(line.toLocal8Bit());
        f.write("\r\n", 2);
    }
    return f.commit();
}

} // namespace zelvane
