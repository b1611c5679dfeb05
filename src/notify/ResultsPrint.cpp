#include "notify/ResultsPrint.h"

#include "net/Addresses.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace zelvane {

QString withPrintHeader(const QString& boxText, const QDate& today)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Zelvane Results") + crlf + kProductWebAddress + crlf
           + QLocale().toString(today, QLocale::ShortFormat) + crlf + crlf + boxText;
}

PrintDestination choosePrintDestination(const QString& pdfOverride, bool hasDefaultPrinter,
                                        const QString& documents, const QDate& today)
{
    if (!pdfOverride.isEmpty())
        return {false, pdfOverride};
    if (hasDefaultPrinter)
        return {true, QString()};
    const QString stem = QStringLiteral("Zelvane Results ") + today.toString(Qt::ISODate);
    const QDir dir(documents);
    QString name = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = stem + QStringLiteral(" (%1).pdf").arg(n);
    return {false, dir.filePath(name)};
}

QString printedTo(const PrintDestination& where)
{
    return where.printer ? QStringLiteral("Results sent to the printer.")
                         : QStringLiteral("Results printed to ") + QDir::toNativeSeparators(where.pdfFile);
}

QString printFailed(const PrintDestination& where, const QString& why)
{
    const QString target = where.printer ? QStringLiteral("the printer")
                                         : QDir::toNativeSeparators(where.pdfFile);
    return QStringLiteral("Print failed (") + why + QStringLiteral("): ") + target;
}

} // namespace zelvane
