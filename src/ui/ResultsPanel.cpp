#include "ui/ResultsPanel.h"

#include "app/Clock.h"
#include "itineraries/modMain.h"
#include "notify/ResultsPrint.h"
#include "notify/ResultsViewModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

namespace zelvane {

ResultsPanel::ResultsPanel(PanelHost& host, QWidget* parent) : Panel("PictureResult", host, parent)
{
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(14, 30, 14, 12);
    box->setSpacing(8);
    ResultsViewModel& results = host.resultsModel();
    ListViewQuery_ = named(new QTreeView(this), "ListViewQuery");
    ListViewQuery_->setModel(&results);
    ListViewQuery_->setRootIsDecorated(false);
    ListViewQuery_->setAlternatingRowColors(true);
    ListViewQuery_->setUniformRowHeights(true);
    ListViewQuery_->setIconSize(QSize(16, 16));
    ListViewQuery_->setColumnHidden(4, true);
    ListViewQuery_->setColumnHidden(5, true);
    ListViewQuery_->setColumnWidth(0, 190);
    ListViewQuery_->setColumnWidth(1, 170);
    ListViewQuery_->setColumnWidth(2, 110);
    connect(&results, &QAbstractItemModel::modelReset, this, [this] {
        ListViewQuery_->setColumnHidden(4, true);
        ListViewQuery_->setColumnHidden(5, true);
    });
    // The details follow the current row, however it became current: a click
    // or the arrow keys.
    const auto showDetails = [this](const QModelIndex& i) {
        if (i.isValid())
            RichTextBox1_->setPlainText(ResultsViewModel::rowClickText(host_.resultTable(), i.row() + 1));
    };
    connect(ListViewQuery_, &QTreeView::clicked, this, showDetails);
    connect(ListViewQuery_->selectionModel(), &QItemSelectionModel::currentChanged, this, showDetails);
    box->addWidget(ListViewQuery_, 3);

    auto* details = new QHBoxLayout;
    RichTextBox1_ = named(new QTextEdit(this), "RichTextBox1");
    RichTextBox1_->setAcceptRichText(false);
    RichTextBox1_->setLineWrapMode(QTextEdit::NoWrap);
    RichTextBox1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    RichTextBox1_->setPlaceholderText(QStringLiteral("Flight details of the itinerary you click"));
    details->addWidget(RichTextBox1_, 1);
    auto* print = named(new QPushButton(QStringLiteral("Print"), this), "Command2");
    print->setMinimumWidth(84);
    connect(print, &QPushButton::clicked, this, &ResultsPanel::Command2_Click);
    details->addWidget(print, 0, Qt::AlignBottom);
    box->addLayout(details, 2);
}

void ResultsPanel::Command2_Click()
{
    const QDate today = host_.state().clock.now().date();
    RichTextBox1_->setPlainText(withPrintHeader(RichTextBox1_->toPlainText(), today));
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    const PrintDestination where = choosePrintDestination(
        qEnvironmentVariable("ZELVANE_PRINT_PDF"), !printer.isNull(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), today);
    if (where.printer) {
        QPrinter device(printer, QPrinter::HighResolution);
        RichTextBox1_->document()->print(&device);
        host_.setStatus(device.printerState() == QPrinter::Error ? printFailed(where, QStringLiteral("printer error"))
                                                                 : printedTo(where));
        return;
    }
    const QFileInfo target(where.pdfFile);
    if (!QDir().mkpath(target.absolutePath())) {
        host_.setStatus(printFailed(where, QStringLiteral("no folder")));
        return;
    }
    // Written beside the target and moved over it only when whole.
    const QString part = target.absoluteFilePath() + QStringLiteral(".part");
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(part);
    RichTextBox1_->document()->print(&device);
    const bool written = device.printerState() != QPrinter::Error && QFileInfo(part).size() > 0;
    if (written)
        QFile::remove(target.absoluteFilePath());
    if (!written || !QFile::rename(part, target.absoluteFilePath())) {
        QFile::remove(part);
        host_.setStatus(printFailed(where, QStringLiteral("could not write the file")));
        return;
    }
    host_.setStatus(printedTo(where));
}

} // namespace zelvane
