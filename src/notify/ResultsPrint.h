#pragma once

#include <QDate>
#include <QString>

namespace zelvane {

// The three header lines and the blank line a print puts above the details
// box's text; the box keeps them, so each print adds one more.
QString withPrintHeader(const QString& boxText, const QDate& today);

// Where a print goes: the default printer, or a PDF file when the tests or
// the demo name one (ZELVANE_PRINT_PDF) or when no printer is set up.
struct PrintDestination {
    bool printer = false;
    QString pdfFile;
};

// `documents` is the user's documents folder; a file of the same name
// already there is kept and the new one gets a number.
PrintDestination choosePrintDestination(const QString& pdfOverride, bool hasDefaultPrinter,
                                        const QString& documents, const QDate& today);

// Status line texts of a print.
QString printedTo(const PrintDestination& where);
QString printFailed(const PrintDestination& where, const QString& why);

} // namespace zelvane
