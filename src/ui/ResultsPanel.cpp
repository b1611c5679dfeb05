#include "ui/ResultsPanel.h"

#include "app/Clock.h"
#include "app/Dialogs.h"
#include "engine/BookingLink.h"
#include "history/HistoryExport.h"
#include "history/HistoryStore.h"
#include "itineraries/WatchList.h"
#include "net/Addresses.h"
#include "notify/ResultsPrint.h"
#include "notify/SessionAlerter.h"
#include "results/CheckRecords.h"
#include "results/CheckResults.h"
#include "results/FlightTable.h"
#include "results/HistoryRead.h"
#include "results/ResultsViewModel.h"
#include "ui/ColumnFit.h"
#include "ui/FlightTableModel.h"
#include "ui/FlightTableView.h"
#include "ui/HistoryWindow.h"
#include "ui/ShowWebPage.h"
#include "ui/Skin.h"
#include "ui/WatchHolds.h"

#include <QComboBox>
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QResizeEvent>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

namespace zelvane {

namespace {

// Flights of one day that the table shows without scrolling once the window
// is tall enough; few days have more.
constexpr int kFlightsInView = 12;

// The rows with the picture of their state beside the origin.
class RowPictures final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DecorationRole && index.column() == ResultsViewModel::kOriginColumn)
            return availabilityIcon(Availability(index.data(ResultsViewModel::kAvailabilityRole).toInt()));
        // A paused watch keeps its row, greyed: it is not checked.
        if (role == Qt::ForegroundRole && index.data(ResultsViewModel::kPausedRole).toBool())
            return QPalette().brush(QPalette::Disabled, QPalette::Text);
        return QIdentityProxyModel::data(index, role);
    }
};

// The flights as the Text tab shows them and Print prints them: a line per
// flight under the headings, each cell in a column of its own. The page's
// own text runs the cells together ("16:00 SYD05:35 LHRQF1").
QString flightsText(const QList<FlightRow>& flights)
{
    if (flights.isEmpty())
        return {};
    QList<QStringList> lines{flightColumns()};
    for (const FlightRow& f : flights)
        lines << f.cells();
    QList<qsizetype> widths;
    for (const QStringList& line : lines)
        for (qsizetype c = 0; c < line.size(); ++c) {
            if (widths.size() <= c)
                widths << 0;
            widths[c] = std::max(widths[c], line[c].trimmed().size());
        }
    QStringList text;
    for (const QStringList& line : lines) {
        QString row;
        for (qsizetype c = 0; c < line.size(); ++c)
            row += c + 1 < line.size() ? line[c].trimmed().leftJustified(widths[c] + 2) : line[c].trimmed();
        text << row.trimmed();
    }
    return text.join(QStringLiteral("\r\n"));
}

// What the Text tab shows of an itinerary's last check: its flights, under
// each day's name for several days; the page's text where no flight table
// could be read. A trip of several days, legs or pairs starts with its whole
// text, which its row may show only in part.
QString detailsTextOf(const Itinerary& it, const ItineraryResult& result)
{
    QString trip;
    if (const QString days = result.daysSummary(QStringLiteral("\r\n")); !days.isEmpty())
        trip = flightLine(it.originNames(), it.destinationNames(), it.datesText(), it.timeOfDay, it.seatsText())
               + QStringLiteral("\r\n") + days + QStringLiteral("\r\n\r\n");
    if (result.days.size() > 1) {
        QStringList days;
        bool anyFlights = false;
        for (const SearchOutcome& d : result.days) {
            const QString flights = flightsText(d.flights);
            anyFlights = anyFlights || !flights.isEmpty();
            days << result.dayName(d) + (flights.isEmpty() ? QString() : QStringLiteral("\r\n") + flights);
        }
        return trip + (anyFlights ? days.join(QStringLiteral("\r\n\r\n")) : result.pageText());
    }
    const QString flights = flightsText(result.flights());
    return trip + (flights.isEmpty() ? result.pageText() : flights);
}

} // namespace

ResultsPanel::ResultsPanel(ResultsViewModel& rows, const WatchList& list, const CheckResults& results,
                           HistoryStore& history, const Clock& clock, Dialogs& dialogs, const Theme& theme,
                           QWidget* parent)
    : Panel("resultsPanel", theme, parent),
      rows_(rows),
      list_(list),
      results_(results),
      historyStore_(history),
      clock_(clock),
      dialogs_(dialogs)
{
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(14, 30, 14, 10);
    box->setSpacing(6);
    box->addWidget(makeResultsList(rows), 1);
    auto* details = new QHBoxLayout;
    details->setSpacing(8);
    details->addWidget(makeDetailTabs(), 1);
    details->addLayout(makeCommands());
    box->addLayout(details);
    setTabOrder(resultsList_, dayChoice_);
    setTabOrder(dayChoice_, detailTabs_);
}

QTreeView* ResultsPanel::makeResultsList(ResultsViewModel& results)
{
    resultsList_ = named(new QTreeView(this), "resultsList");
    auto* pictures = new RowPictures(this);
    pictures->setSourceModel(&results);
    resultsList_->setModel(pictures);
    resultsList_->setRootIsDecorated(false);
    resultsList_->setAlternatingRowColors(true);
    resultsList_->setUniformRowHeights(true);
    // The columns are fitted to its width: nothing to scroll sideways to.
    resultsList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    growRowsWithWrappedCells(*resultsList_);
    resultsList_->setIconSize(QSize(16, 16));
    // Only a flexible itinerary's check has days to show; without one the
    // column would push "Last seen" out of sight for nothing. So for a
    // column of why a check could not answer.
    const auto anyIn = [&results](int column) {
        for (int r = 0; r < results.rowCount(); ++r)
            if (!results.index(r, column).data().toString().isEmpty())
                return true;
        return false;
    };
    const auto arrangeColumns = [this, anyIn] {
        for (const int column : {ResultsViewModel::kDaysColumn, ResultsViewModel::kNotCheckedColumn})
            resultsList_->setColumnHidden(column, !anyIn(column));
        fitColumns();
    };
    // A session changes its rows one by one: a row shows a column it needs
    // at once, the whole list is looked through only when a shown column
    // may have emptied, and the widths are fitted once the changes rest.
    fitLater_.setSingleShot(true);
    fitLater_.setInterval(0);
    connect(&fitLater_, &QTimer::timeout, this, &ResultsPanel::fitColumns);
    const auto rowsChanged = [this, &results, anyIn](const QModelIndex& from, const QModelIndex& to) {
        for (const int column : {ResultsViewModel::kDaysColumn, ResultsViewModel::kNotCheckedColumn}) {
            bool filled = false;
            for (int r = from.row(); r <= to.row() && !filled; ++r)
                filled = !results.index(r, column).data().toString().isEmpty();
            if (filled)
                resultsList_->setColumnHidden(column, false);
            else if (!resultsList_->isColumnHidden(column))
                resultsList_->setColumnHidden(column, !anyIn(column));
        }
        fitLater_.start();
    };
    resultsList_->viewport()->installEventFilter(this);
    // The columns are given their widths here: a header that stretches its
    // last section keeps room for a hidden section that no cell fills.
    resultsList_->header()->setStretchLastSection(false);
    arrangeColumns();
    connect(&results, &QAbstractItemModel::modelReset, this, arrangeColumns);
    connect(&results, &QAbstractItemModel::dataChanged, this, rowsChanged);
    // What a check finds about the itinerary in view shows as it comes.
    connect(&results_, &CheckResults::changed, this, [this](int position) {
        if (position == shownPosition_)
            showDetails(position);
    });
    // The details follow the current row, however it became current: a click
    // or the arrow keys.
    const auto follow = [this](const QModelIndex& i) {
        if (i.isValid())
            showDetails(i.row() + 1);
    };
    connect(resultsList_, &QTreeView::clicked, this, follow);
    connect(resultsList_->selectionModel(), &QItemSelectionModel::currentChanged, this, follow);
    connect(resultsList_, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid())
            showHistory(i.row() + 1);
    });
    resultsList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(resultsList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex i = resultsList_->indexAt(at);
        if (!holds_ || !i.isValid())
            return;
        QMenu menu;
        menu.setObjectName(QStringLiteral("resultsMenu"));
        holds_->fillMenu(menu, i.row() + 1);
        if (!menu.isEmpty())
            menu.exec(resultsList_->viewport()->mapToGlobal(at));
    });
    return resultsList_;
}

QTabWidget* ResultsPanel::makeDetailTabs()
{
    detailTabs_ = named(new QTabWidget(this), "detailTabs");
    detailTabs_->setDocumentMode(true);
    flights_ = new FlightTableModel(this);
    flightTable_ = named(new FlightTableView(this), "flightTable");
    flightTable_->setModel(flights_);
    flightTable_->setEmptyText(QStringLiteral("Click an itinerary to see the flights its last check found"));
    // Each column as wide as what it holds; no sideways scrolling in a table
    // this small: short of room the widest cells are shortened, whole in
    // their tooltips.
    flightTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    flightTable_->viewport()->installEventFilter(this);
    connect(flights_, &QAbstractItemModel::modelReset, this, [this] {
        fitColumnsToContents(*flightTable_, *flightTable_->horizontalHeader(), false);
    });
    detailTabs_->addTab(flightTable_, QStringLiteral("&Flights"));
    detailsText_ = named(new QTextEdit(this), "detailsText");
    detailsText_->setAcceptRichText(false);
    detailsText_->setLineWrapMode(QTextEdit::NoWrap);
    detailsText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    detailsText_->setPlaceholderText(QStringLiteral("Flight details of the itinerary you click, as printed"));
    detailTabs_->addTab(detailsText_, QStringLiteral("&Text"));
    // The days of a flexible itinerary, beside the tabs and so above the
    // flights; a single date hides it without moving anything.
    dayChoice_ = named(new QComboBox(this), "dayChoice");
    dayChoice_->setToolTip(QStringLiteral("The day whose flights the table shows"));
    dayChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    dayChoice_->hide();
    detailTabs_->setCornerWidget(dayChoice_, Qt::TopRightCorner);
    connect(dayChoice_, &QComboBox::activated, this, &ResultsPanel::showDay);
    return detailTabs_;
}

QVBoxLayout* ResultsPanel::makeCommands()
{
    auto* commands = new QVBoxLayout;
    commands->setSpacing(6);
    auto* historyButton = named(new QPushButton(QStringLiteral("&History"), this), "historyButton");
    historyButton->setToolTip(QStringLiteral("What every check of this itinerary found, as a picture"));
    connect(historyButton, &QPushButton::clicked, this, [this] { showHistory(currentPosition()); });
    auto* exporter = named(new QPushButton(QStringLiteral("E&xport History"), this), "exportHistoryButton");
    exporter->setToolTip(QStringLiteral("Every check of every itinerary as a CSV file"));
    connect(exporter, &QPushButton::clicked, this, &ResultsPanel::exportHistory);
    auto* print = named(new QPushButton(QStringLiteral("Print"), this), "printButton");
    connect(print, &QPushButton::clicked, this, &ResultsPanel::printResults);
    // Beside the flights of the day in view: signing in on the site is the user's own step.
    bookButton_ = named(new QPushButton(QStringLiteral("&") + kBookOnAirlineSite, this), "bookButton");
    connect(bookButton_, &QPushButton::clicked, this, [this] {
        QString address = bookingAddress_;
        showWebPage(address, dialogs_);
    });
    offerBooking(nullptr);
    for (QPushButton* b : {historyButton, exporter, bookButton_, print}) {
        b->setMinimumWidth(118);
        b->setAutoDefault(false);
    }
    commands->addWidget(historyButton);
    commands->addWidget(exporter);
    commands->addWidget(bookButton_);
    commands->addStretch(1);
    commands->addWidget(print);
    return commands;
}

void ResultsPanel::resizeEvent(QResizeEvent* e)
{
    Panel::resizeEvent(e);
    // The flights take half the height until a day's worth of them fits; the
    // list, which may hold a hundred itineraries, takes the rest.
    const QMargins m = layout()->contentsMargins();
    const int room = height() - m.top() - m.bottom() - layout()->spacing();
    const int dayOfFlights = detailTabs_->tabBar()->sizeHint().height() + flightTable_->heightForRows(kFlightsInView);
    detailTabs_->setFixedHeight(std::min(room / 2, dayOfFlights));
}

bool ResultsPanel::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Resize) {
        if (watched == resultsList_->viewport())
            fitColumns();
        else if (watched == flightTable_->viewport())
            fitColumnsToContents(*flightTable_, *flightTable_->horizontalHeader(), false);
    }
    return Panel::eventFilter(watched, e);
}

void ResultsPanel::fitColumns()
{
    // Short of room, a long date or list of days takes a second line rather
    // than being cut; the rows take the height their cells then need.
    const bool wraps = fitColumnsToContents(*resultsList_, *resultsList_->header(), true);
    if (wraps != resultsList_->wordWrap()) {
        resultsList_->setWordWrap(wraps);
        resultsList_->setUniformRowHeights(!wraps);
    }
    resultsList_->doItemsLayout();
}

int ResultsPanel::currentPosition() const
{
    const QModelIndex i = resultsList_->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void ResultsPanel::showDetails(int position)
{
    shownPosition_ = position;
    const ItineraryResult& result = results_.at(position);
    detailsText_->setPlainText(detailsTextOf(list_.at(position), result));
    if (const SearchOutcome* day = result.shownDay())
        flights_->setFlights(day->flights, day->offers, list_.at(position).cabin);
    else
        flights_->setFlights({}, {}, list_.at(position).cabin);
    offerBooking(result.availability() == Availability::Seats ? result.shownDay() : nullptr);
    flightTable_->setEmptyText(result.paused    ? QStringLiteral("Paused: not checked until it is resumed")
                               : !result.checked() ? QStringLiteral("Not checked since Zelvane started")
                               : result.availability() == Availability::NotKnown
                                   ? QStringLiteral("Not checked: ") + result.reason()
                                   : QStringLiteral("The check found no flight table"));
    dayChoice_->clear();
    dayChoice_->setVisible(result.days.size() > 1);
    if (result.days.size() < 2)
        return;
    // The table shows the first day with seats, or the first day.
    int shown = -1;
    for (const SearchOutcome& d : result.days) {
        dayChoice_->addItem(result.dayName(d)
                            + (d.seats()                                       ? QStringLiteral(" — seats")
                               : d.availability == Availability::NoSeats ? QStringLiteral(" — no seats")
                                                                         : QStringLiteral(" — not checked")));
        if (shown < 0 && d.seats())
            shown = dayChoice_->count() - 1;
    }
    dayChoice_->setCurrentIndex(std::max(shown, 0));
}

void ResultsPanel::showDay(int day)
{
    const ItineraryResult& result = results_.at(shownPosition_);
    if (day < 0 || day >= result.days.size())
        return;
    flights_->setFlights(result.days[day].flights, result.days[day].offers, list_.at(shownPosition_).cabin);
    offerBooking(result.availability() == Availability::Seats ? &result.days[day] : nullptr);
}

void ResultsPanel::offerBooking(const SearchOutcome* day)
{
    const bool seats = day && day->seats() && shownPosition_ >= 1 && shownPosition_ <= list_.count();
    bookingAddress_ = seats ? bookingAddress(airlineBase(), list_.at(shownPosition_), *day) : QString();
    bookButton_->setEnabled(seats);
    bookButton_->setToolTip(
        seats ? QStringLiteral("Opens the airline's award search for %1 → %2 on %3, %4, in your browser. The "
                               "search works once you have signed in there.")
                    .arg(day->from.name, day->to.name, fullDayName(day->date), list_.at(shownPosition_).partyText())
              : QStringLiteral("Choose a day with seats to open its award search on the airline's site"));
}

ResultsPanel::~ResultsPanel()
{
    // A read still running ends before the program can.
    HistoryRead::stopAll();
}

void ResultsPanel::showHistory(int position)
{
    if (position < 1 || position > list_.count()) {
        emit statusMessage(QStringLiteral("Please Select An Itinerary To See Its History"));
        return;
    }
    const Itinerary& it = list_.at(position);
    QString title = flightLine(it.originNames(), it.destinationNames(), it.datesText(), it.timeOfDay);
    if (!it.seatsChoice().isEmpty())
        title += QStringLiteral(", ") + it.seatsChoice();
    if (historyWindow_)
        historyWindow_->close();
    // The window opens at once; the history is read on a thread of its own
    // (a year of it takes a second), the timeline first.
    HistoryReadRequest request{historyStore_.folder(), historyKeys(it), historyStore_.unsavedChecks(), {}};
    for (int p = 1; p <= list_.count(); ++p)
        if (!request.positions.contains(list_.at(p).identity()))
            request.positions.insert(list_.at(p).identity(), p);
    auto* window = new HistoryWindow(title, theme_, this);
    historyWindow_ = window;
    historyWindow_->setWindowFlag(Qt::Window);
    HistoryRead* read = HistoryRead::start(std::move(request));
    connect(read, &HistoryRead::timelineRead, window, &HistoryWindow::showTimeline);
    connect(read, &HistoryRead::checksRead, window,
            [window, route = Route{it.origin.code, it.destination.code}, watch = it.identity(),
             date = it.dates().value(0)](const QList<HistoryCheck>& checks, const QList<RouteCalendar>& calendars) {
                window->showChecks(checks, calendars, route, watch, date);
            });
    connect(read, &HistoryRead::failed, window, &HistoryWindow::showFailure);
    // Closed before it is read: the read stops at its next step.
    connect(window, &QObject::destroyed, read, &HistoryRead::cancel);
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void ResultsPanel::exportHistory()
{
    // The documents folder when there is one; a dialog opened on a missing
    // folder would start wherever the program happened to be started.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString suggested =
        QDir(folder).filePath(QStringLiteral("zelvane-history-%1.csv")
                          .arg(clock_.now().date().toString(Qt::ISODate)));
    const QString path = dialogs_.chooseExportFile(suggested);
    if (path.isEmpty())
        return;
    QString error;
    if (exportHistoryCsv(historyStore_, path, &error))
        emit statusMessage(kHistoryExported + QDir::toNativeSeparators(path));
    else
        emit statusMessage(kHistoryNotExported + error);
}

void ResultsPanel::printResults()
{
    const QDate today = clock_.now().date();
    detailsText_->setPlainText(withPrintHeader(detailsText_->toPlainText(), today));
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    const PrintDestination where = choosePrintDestination(
        qEnvironmentVariable("ZELVANE_PRINT_PDF"), !printer.isNull(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), today);
    if (where.printer) {
        QPrinter device(printer, QPrinter::HighResolution);
        detailsText_->document()->print(&device);
        emit statusMessage(device.printerState() == QPrinter::Error ? printFailed(where, QStringLiteral("printer error"))
                                                                 : printedTo(where));
        return;
    }
    const QFileInfo target(where.pdfFile);
    if (!QDir().mkpath(target.absolutePath())) {
        emit statusMessage(printFailed(where, QStringLiteral("no folder")));
        return;
    }
    // Written beside the target and moved over it only when whole.
    const QString part = target.absoluteFilePath() + QStringLiteral(".part");
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(part);
    detailsText_->document()->print(&device);
    const bool written = device.printerState() != QPrinter::Error && QFileInfo(part).size() > 0;
    if (written)
        QFile::remove(target.absoluteFilePath());
    if (!written || !QFile::rename(part, target.absoluteFilePath())) {
        QFile::remove(part);
        emit statusMessage(printFailed(where, QStringLiteral("could not write the file")));
        return;
    }
    emit statusMessage(printedTo(where));
}

} // namespace zelvane
