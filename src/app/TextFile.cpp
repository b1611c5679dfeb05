#include "app/TextFile.h"

#include <QFile>

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

FileWrite writeTextFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    // Complete and synced before it takes the old file's place; the user's alone.
    return writeWholeFile(path, bytes, QStringLiteral("the data folder"));
}

} // namespace zelvane
