// The results panel beyond its list: the flights of the row in view as a
// table with a seat mark per cabin, "Last seen" and the last outcome from the
// history (also after a restart, while every row is still not checked), the
// history as a picture and its export; the cabin an itinerary is added with;
// and a history moved aside, told when the window opens. Offscreen.
#include "WindowRig.h"
#include "support/CheckedDays.h"

#include "history/HistoryStore.h"
#include "ui/FlightTableModel.h"
#include "ui/ImageButton.h"
#include "ui/ResultsPanel.h"
#include "ui/HistoryWindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QTabWidget>
#include <QChart>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <sys/stat.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QString kSydPer = "Sydney;Perth;01/01/2027;Morning;SYD;PER";
const ItineraryKey kSydPerAny{"SYD", "PER", "01/01/2027", "Morning", "Any"};
const ItineraryKey kSydPerBusiness{"SYD", "PER", "01/01/2027", "Morning", "Business"};

// Sessions twelve hours apart before the rig's clock, each checking the
// given itineraries with the given outcomes; their start times, oldest first.
QList<QDateTime> recordSessions(WindowRig& rig, const QList<ItineraryKey>& keys,
                                const QList<QList<CheckOutcome>>& sessions)
{
    QList<QDateTime> times;
    HistoryStore history;
    history.open(rig.folder, rig.clock.now());
    for (qsizetype s = 0; s < sessions.size(); ++s) {
        QList<CheckRecord> checks;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            CheckRecord c;
            c.position = int(i + 1);
            c.key = keys[i];
            c.outcome = sessions[s][i];
            checks << c;
        }
        times << rig.clock.now().addSecs(-12 * 3600 * (sessions.size() - s));
        history.recordSession(times.last(), true, checks);
    }
    return times;
}

// `n` flights of one day, told apart by their flight numbers; seats on the
// first of them when `seats`.
QList<QStringList> flightsOfDay(int n, int firstNumber, bool seats)
{
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i)
        rows << QStringList{"09:05 SYD", "11:15 PER", QString("QF %1").arg(firstNumber + i), "738", "0",
                            seats && i == 0 ? "Yes" : "No", "No", "No"};
    return rows;
}

// Whether a cell's text shows whole in its place, as the view lays it out:
// on one line, or wrapped where the view wraps. Shortened, it does not.
bool readsWhole(QAbstractItemView* view, const QModelIndex& i, bool wraps)
{
    const QString text = i.data().toString();
    QRect place = view->visualRect(i);
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    place.adjust(margin, 0, -margin, 0);
    if (!i.data(Qt::DecorationRole).isNull())
        place.setLeft(place.left() + view->iconSize().width() + 2 * margin);
    const QRect needed = QFontMetrics(view->font())
                             .boundingRect(place, Qt::AlignLeft | Qt::AlignVCenter | (wraps ? Qt::TextWordWrap : 0), text);
    return needed.width() <= place.width() && needed.height() <= place.height();
}

// The rows of a view whole in sight.
int rowsInSight(QAbstractItemView* view)
{
    int n = 0;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        n += view->viewport()->rect().contains(view->visualRect(view->model()->index(r, 0))) ? 1 : 0;
    return n;
}

QString day(const QDateTime& t)
{
    return t.toString("dd/MM/yyyy");
}

template <typename Series>
Series* seriesNamed(QChart* chart, const QString& name)
{
    for (QAbstractSeries* s : chart->series())
        if (s->name() == name)
            return qobject_cast<Series*>(s);
    return nullptr;
}

} // namespace

class TestResultsPanel : public QObject {
    Q_OBJECT

    // The rig's window, opened at the results panel with `lines` watched, the
    // history of the rig's folder open as at start-up.
    MainWindow& openResults(WindowRig& rig, const QStringList& lines)
    {
        rig.storeMember();
        for (const QString& l : lines)
            rig.watchLine(l);
        rig.state.history.open(rig.folder, rig.clock.now());
        MainWindow& w = rig.open();
        w.showResultsPanel();
        return w;
    }

    void makeCurrent(WindowRig& rig, int row)
    {
        auto* list = rig.find<QTreeView>("resultsList");
        list->setCurrentIndex(list->model()->index(row, 0));
    }

private slots:
    void initTestCase()
    {
        freshHome();
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
    }

    // Each cabin cell marked by what the site's word means, the cabin the
    // itinerary asks for marked in the heading; the text to print has each
    // cell apart, where the page's own text runs them together.
    void flightsOfTheRowInView()
    {
        WindowRig rig("flights");
        openResults(rig, {kSydPer + ";Business", kSydPer});
        ItineraryResult found = checkedDays(QDate(2027, 1, 1), "Y");
        found.days[0].pageText = "09:05 SYD 11:15 PER QF 401";
        setFlights(found.days[0], {{"09:05 SYD", "11:15 PER", "QF 401", "738", "0", "Y", "None", "-"},
                                   {"13:05 SYD", "15:15 PER", "QF 409", "A330", "1", "0", "4", ""}},
                   Cabin::Business);
        rig.checks.results().set(1, found);
        makeCurrent(rig, 0);

        const QAbstractItemModel* m = rig.find<QTableView>("flightTable")->model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->index(1, 2).data().toString(), QString("QF 409"));
        QList<QList<bool>> seats;
        for (int r = 0; r < 2; ++r)
            seats << QList<bool>{m->index(r, 5).data(FlightTableModel::kSeatsRole).toBool(),
                                 m->index(r, 6).data(FlightTableModel::kSeatsRole).toBool(),
                                 m->index(r, 7).data(FlightTableModel::kSeatsRole).toBool()};
        // Marked as the search decided: the Economy seats are not what a
        // Business watch asks for, and say so.
        QCOMPARE(seats, (QList<QList<bool>>{{false, false, false}, {false, true, false}}));
        QCOMPARE(m->index(1, 6).data(Qt::ToolTipRole).toString(), QString("Business: 4 seats"));
        QCOMPARE(m->index(0, 5).data(Qt::ToolTipRole).toString(),
                 QString("Seats in Economy (Y) — not the cabin this itinerary asks for"));
        // Every cell tells its whole text when hovered, however narrow its column.
        for (int r = 0; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                QVERIFY2(m->index(r, c).data(Qt::ToolTipRole).toString().contains(m->index(r, c).data().toString()),
                         qPrintable(QString("row %1, column %2").arg(r).arg(c)));
        QVERIFY(!m->index(0, 4).data(FlightTableModel::kSeatsRole).isValid()); // stops are no cabin
        QVERIFY(m->headerData(6, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
        QVERIFY(!m->headerData(5, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
        QStringList lines;
        for (const QString& line : rig.find<QTextEdit>("detailsText")->toPlainText().split('\n'))
            lines << line.split(QRegularExpression("\\s{2,}")).join('|');
        QCOMPARE(lines, QStringList({"Departing|Arriving|Flight|Aircraft|Stops|Econ.|Bus.|First",
                                     "09:05 SYD|11:15 PER|QF 401|738|0|Y|None|-",
                                     "13:05 SYD|15:15 PER|QF 409|A330|1|0|4"}));

        // The row below was not checked in this run: no flights, no text.
        makeCurrent(rig, 1);
        QCOMPARE(m->rowCount(), 0);
        QVERIFY(rig.find<QTextEdit>("detailsText")->toPlainText().isEmpty());
    }

    // A flexible itinerary's days with seats stand beside its seats once it
    // was checked; a list without any keeps the column out of the way.
    void daysWithSeatsStandBesideTheSeats()
    {
        WindowRig rig("days");
        openResults(rig, {kSydPer, kSydPer + ";Any;1;3"});
        auto* list = rig.find<QTreeView>("resultsList");
        QVERIFY(list->isColumnHidden(ResultsViewModel::kDaysColumn));
        rig.found(2, "-Y--");
        QVERIFY(!list->isColumnHidden(ResultsViewModel::kDaysColumn));
        // The columns follow one another: no stretch of header that no cell fills.
        const QHeaderView* header = list->header();
        int end = 0;
        for (int v = 0; v < header->count(); ++v) {
            const int l = header->logicalIndex(v);
            if (header->isSectionHidden(l))
                continue;
            QCOMPARE(header->sectionPosition(l), end);
            end += header->sectionSize(l);
        }
        QCOMPARE(list->model()->index(1, ResultsViewModel::kDaysColumn).data().toString(), QString("1 of 4 days: Sat 2"));
        QCOMPARE(list->header()->visualIndex(ResultsViewModel::kDaysColumn),
                 list->header()->visualIndex(ResultsViewModel::kSeatsColumn) + 1);
    }

    // A check that could not answer says so, and why, in the list and in the
    // row's tooltip, never as a row without seats; the column stays out of
    // the way while every row was answered.
    void aRowNotCheckedSaysWhy()
    {
        WindowRig rig("why");
        openResults(rig, {kSydPer, "Perth;Darwin;03/01/2027;Evening;PER;DRW"});
        auto* list = rig.find<QTreeView>("resultsList");
        QVERIFY(list->isColumnHidden(ResultsViewModel::kNotCheckedColumn));
        rig.found(1, "-");
        ItineraryResult unread = checkedDays(QDate(2027, 1, 3), "?");
        unread.days[0].reason = "the flight table of the result page could not be read";
        rig.checks.results().set(2, unread);
        QVERIFY(!list->isColumnHidden(ResultsViewModel::kNotCheckedColumn));
        const QAbstractItemModel* m = list->model();
        QCOMPARE(m->index(0, ResultsViewModel::kNotCheckedColumn).data().toString(), QString());
        QCOMPARE(m->index(1, ResultsViewModel::kNotCheckedColumn).data().toString(),
                 QString("not checked: the flight table of the result page could not be read"));
        QVERIFY(m->index(1, 0).data(Qt::ToolTipRole).toString().startsWith(
            "Not checked: the flight table of the result page could not be read\n"));
        QCOMPARE(m->index(1, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::NotKnown));
    }

    // An itinerary of several dates has its days to choose above the flights,
    // the first with seats chosen; Tab from the list reaches them, and Down
    // shows the next day's flights. A single date shows no choice, and the
    // flights stay where they were.
    void dayChoiceShowsThatDaysFlights_data()
    {
        QTest::addColumn<QList<int>>("seats"); // per day searched: 1 seats, 0 none, -1 not checked
        QTest::addColumn<int>("chosen");
        QTest::newRow("one date") << QList<int>{1} << -1;
        QTest::newRow("seats on the second of three") << QList<int>{0, 1, 1} << 1;
        QTest::newRow("no seats on any") << QList<int>{0, 0} << 0;
        QTest::newRow("the first not checked") << QList<int>{-1, 0, 1} << 2;
    }
    void dayChoiceShowsThatDaysFlights()
    {
        QFETCH(QList<int>, seats);
        QFETCH(int, chosen);
        WindowRig rig("days");
        MainWindow& w = openResults(rig, {kSydPer + ";Any;1;" + QString::number(seats.size() - 1)});
        w.show();
        ItineraryResult days;
        QStringList names;
        for (int d = 0; d < seats.size(); ++d) {
            const QDate date = QDate(2027, 2, 2).addDays(d);
            const bool found = seats[d] > 0;
            SearchOutcome o = seats[d] < 0 ? SearchOutcome::notKnown(date, "the result page did not load") : SearchOutcome();
            o.availability = seats[d] < 0 ? Availability::NotKnown : found ? Availability::Seats : Availability::NoSeats;
            o.date = date;
            o.pageText = found ? "QF 1" : "";
            setFlights(o, flightsOfDay(d + 1, 100 * d, found));
            days.days << o;
            names << fullDayName(date) + (found ? " — seats" : seats[d] == 0 ? " — no seats" : " — not checked");
        }
        rig.checks.results().set(1, days);
        auto* table = rig.find<QTableView>("flightTable");
        const QRect flightsWithoutChoice = table->geometry();
        makeCurrent(rig, 0);
        auto* choice = rig.find<QComboBox>("dayChoice");
        QCOMPARE(table->geometry(), flightsWithoutChoice);
        QCOMPARE(choice->isVisible(), chosen >= 0);
        QStringList items;
        for (int i = 0; i < choice->count(); ++i)
            items << choice->itemText(i);
        QCOMPARE(items, chosen < 0 ? QStringList() : names);
        QCOMPARE(table->model()->rowCount(), std::max(chosen, 0) + 1);
        if (chosen < 0)
            return;
        QCOMPARE(choice->currentIndex(), chosen);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        rig.find<QTreeView>("resultsList")->setFocus();
        QTest::keyClick(rig.find<QTreeView>("resultsList"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), choice);
        QTest::keyClick(choice, Qt::Key_Down);
        const int next = std::min(chosen + 1, int(seats.size()) - 1);
        QCOMPARE(table->model()->index(0, 2).data().toString(), QString("QF %1").arg(100 * next));
        QCOMPARE(table->model()->rowCount(), next + 1);
    }

    // What a check found reads whole, not cut short with a tooltip to say the
    // rest: in the results list at the least size, a long date or list of
    // days on a second line where need be; maximised, the flights' cells
    // too, each column as wide as what it holds.
    void cellsReadWhole_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("least size") << QSize(660, 452);
        QTest::newRow("1920x1080 less a panel, maximised") << QSize(1920, 1056);
    }
    void cellsReadWhole()
    {
        QFETCH(QSize, size);
        WindowRig rig("whole");
        MainWindow& w = openResults(rig, {kSydPer, "Brisbane;London;25/02/2027;Evening;BNE;LHR;Business;2;6"});
        QList<QStringList> flights = flightsOfDay(3, 401, true);
        flights[1][2] = "QF 1 / BA 7 / QF 9"; // the flight, and the aircraft
        flights[1][3] = "Boeing 787-9 Dreamliner";
        ItineraryResult days = checkedDays(QDate(2027, 2, 25), "Y-Y-Y--");
        setFlights(days.days[0], flights);
        rig.checks.results().set(2, days);
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        makeCurrent(rig, 1);
        QCoreApplication::processEvents();
        auto* list = rig.find<QTreeView>("resultsList");
        QVERIFY(!list->isColumnHidden(ResultsViewModel::kDaysColumn));
        for (int r = 0; r < list->model()->rowCount(); ++r)
            for (int c = 0; c < list->model()->columnCount(); ++c)
                if (!list->isColumnHidden(c))
                    QVERIFY2(readsWhole(list, list->model()->index(r, c), list->wordWrap()),
                             qPrintable(list->model()->index(r, c).data().toString()));
        if (size.width() < 1920)
            return;
        auto* table = rig.find<QTableView>("flightTable");
        QCOMPARE(table->model()->rowCount(), 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < table->model()->columnCount(); ++c)
                if (!table->model()->index(r, c).data(FlightTableModel::kSeatsRole).isValid())
                    QVERIFY2(readsWhole(table, table->model()->index(r, c), false),
                             qPrintable(table->model()->index(r, c).data().toString()));
    }

    // A return journey from three airports, with seats on many days of both
    // legs: its row is never taller than three lines, its last line ending on
    // "…"; its whole text, a leg to a line, is in its tooltip and in the Text tab.
    void aLongTripRowStaysAFewLinesTall_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("first size") << QSize(940, 620);
        QTest::newRow("least size") << QSize(660, 452);
    }
    void aLongTripRowStaysAFewLinesTall()
    {
        QFETCH(QSize, size);
        WindowRig rig("longtrip");
        const QString line = "Sydney;Melbourne;15/06/2027;Morning;SYD;MEL;Business;2;3;3;27/06/2027;3;3;;"
                             "Newcastle/NTL|Canberra/CBR";
        MainWindow& w = openResults(rig, {kSydPer, line});
        const ItineraryResult found = checkedFromEveryOrigin(rig.state.watchList.at(2));
        rig.checks.results().set(2, found);
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        makeCurrent(rig, 1);
        QCoreApplication::processEvents();
        auto* list = rig.find<QTreeView>("resultsList");
        const QModelIndex row = list->model()->index(1, ResultsViewModel::kDaysColumn);
        const QString days = found.daysSummary();
        QCOMPARE(row.data().toString(), days);
        const QFontMetrics fm(list->font());
        QVERIFY2(list->visualRect(row).height() <= 3 * fm.lineSpacing() + 8,
                 qPrintable(QString("%1 px for lines of %2").arg(list->visualRect(row).height()).arg(fm.lineSpacing())));
        QVERIFY(!readsWhole(list, row, true)); // cut short, so the rest must be somewhere
        const QStringList legs = found.daysSummary("\n").split('\n');
        QCOMPARE(legs.size(), 2);
        const QString tip = row.data(Qt::ToolTipRole).toString();
        const QString text = rig.find<QTextEdit>("detailsText")->toPlainText();
        for (const QString& leg : legs) {
            QVERIFY2(tip.split('\n').contains(leg), qPrintable(tip));
            QVERIFY2(text.split('\n').contains(leg), qPrintable(text));
        }
        QVERIFY(tip.startsWith("Sydney or Newcastle or Canberra → Melbourne\n"));
    }

    // Maximised on a 1920x1080 screen above a panel, twenty itineraries and a
    // dozen flights are in sight at once; at the least size, what always was.
    void aLargerWindowShowsMoreRows_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("itineraries");
        QTest::addColumn<int>("flights");
        QTest::newRow("least size") << QSize(660, 452) << 5 << 3;
        QTest::newRow("1920x1080 less a panel") << QSize(1920, 1056) << 20 << 12;
    }
    void aLargerWindowShowsMoreRows()
    {
        QFETCH(QSize, size);
        QFETCH(int, itineraries);
        QFETCH(int, flights);
        WindowRig rig("rows");
        rig.storeMember();
        rig.watch(30);
        MainWindow& w = rig.open();
        ItineraryResult found = checkedDays(QDate(2027, 1, 1), "Y");
        setFlights(found.days[0], flightsOfDay(20, 100, true));
        rig.checks.results().set(1, found);
        w.showResultsPanel();
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        makeCurrent(rig, 0);
        QCoreApplication::processEvents(); // the layout, as before the window is painted
        QVERIFY(rowsInSight(rig.find<QTreeView>("resultsList")) >= itineraries);
        QVERIFY(rowsInSight(rig.find<QTableView>("flightTable")) >= flights);
    }

    // After a restart every row is "Not Checked Yet", and beside it the
    // history tells when seats were last seen and how the last check went.
    void lastSeenAndLastOutcomeSurviveARestart()
    {
        WindowRig rig("lastseen");
        using O = CheckOutcome;
        const QList<QDateTime> t = recordSessions(rig, {kSydPerAny, kSydPerBusiness},
                                                  {{O::Available, O::NotAvailable},
                                                   {O::NotAvailable, O::LoggedOut}});
        openResults(rig, {kSydPer, kSydPer + ";Business", "Perth;Darwin;03/01/2027;Evening;PER;DRW"});
        const QAbstractItemModel* m = rig.find<QTreeView>("resultsList")->model();
        QCOMPARE(m->headerData(ResultsViewModel::kLastSeenColumn, Qt::Horizontal).toString(), QString("Last seen"));
        QStringList lastSeen, tips;
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(m->index(r, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::NotKnown));
            lastSeen << m->index(r, ResultsViewModel::kLastSeenColumn).data().toString();
            tips << m->index(r, 0).data(Qt::ToolTipRole).toString();
        }
        const QString last = t[1].toString("dd/MM/yyyy HH:mm");
        QCOMPARE(lastSeen, QStringList({day(t[0]), "", ""}));
        QCOMPARE(tips, QStringList({"Last checked " + last + ": not available\nSeats last seen "
                                        + t[0].toString("dd/MM/yyyy HH:mm"),
                                    "Last checked " + last + ": not checked (logged out)",
                                    "No check of this itinerary recorded yet"}));
    }

    // A double click opens the itinerary's checks as a picture: one mark per
    // check on its outcome's level, a step line through the real checks
    // only, and the figures under it.
    void historyPictureShowsEveryCheck()
    {
        WindowRig rig("chart");
        using O = CheckOutcome;
        const QList<QDateTime> t = recordSessions(rig, {kSydPerAny}, {{O::Available}, {O::NotAvailable},
                                                                      {O::LoggedOut}, {O::NotAvailable},
                                                                      {O::Available}});
        openResults(rig, {kSydPer, "Perth;Darwin;03/01/2027;Evening;PER;DRW"});
        auto* list = rig.find<QTreeView>("resultsList");
        emit list->doubleClicked(list->model()->index(0, 0));
        QPointer<HistoryWindow> history = rig.window->findChild<HistoryWindow*>("historyWindow");
        QVERIFY(history && history->isVisible());
        QVERIFY(history->windowTitle().endsWith("Sydney → Perth, 01/01/2027, Morning"));
        QTRY_VERIFY(history->isRead());

        const auto points = [](QXYSeries* s) {
            QList<QPointF> p;
            for (int i = 0; s && i < s->count(); ++i)
                p << s->at(i);
            return p;
        };
        const auto at = [&](int i, qreal level) { return QPointF(qreal(t[i].toMSecsSinceEpoch()), level); };
        QChart* chart = history->chart();
        QCOMPARE(points(seriesNamed<QScatterSeries>(chart, "Available")), QList<QPointF>({at(0, 2), at(4, 2)}));
        QCOMPARE(points(seriesNamed<QScatterSeries>(chart, "Not available")), QList<QPointF>({at(1, 1), at(3, 1)}));
        QCOMPARE(points(seriesNamed<QScatterSeries>(chart, "Not checked")), QList<QPointF>({at(2, 0)}));
        QCOMPARE(points(seriesNamed<QLineSeries>(chart, "Seats")),
                 QList<QPointF>({at(0, 2), at(1, 2), at(1, 1), at(3, 1), at(4, 1), at(4, 2)}));
        QCOMPARE(history->findChild<QLabel*>("historyFigures")->text(),
                 QString("5 checks from %1 to %2 · seats found: 2 · last seen %2").arg(day(t[0]), day(t[4])));

        // The button opens the row in view instead; one never checked says so.
        makeCurrent(rig, 1);
        rig.find<QPushButton>("historyButton")->click();
        QTRY_VERIFY(history.isNull());
        history = rig.window->findChild<HistoryWindow*>("historyWindow");
        QVERIFY(history && history->isVisible());
        QTRY_VERIFY(history->isRead());
        QVERIFY(history->findChild<QWidget*>("historyChart")->isHidden());
        QCOMPARE(history->findChild<QLabel*>("historyFigures")->text(),
                 QString("No check of this itinerary has been recorded yet."));
    }

    // The history window of a return journey lists each check with its leg,
    // and its calendar is walked by the keyboard: the arrow keys move over
    // the days, PageDown to the next month, and the line below the calendar
    // tells the day under focus what its tooltip tells.
    void historyCalendarIsWalkedByTheKeyboard()
    {
        WindowRig rig("calendar");
        const auto record = [](int day, int leg, const ItineraryKey& key, CheckOutcome outcome,
                               const QList<QStringList>& flights = {}) {
            CheckRecord c;
            c.position = 1;
            c.day = day;
            c.leg = leg;
            c.key = key;
            c.outcome = outcome;
            c.flights = flights;
            return c;
        };
        const ItineraryKey first = kSydPerAny, second{"SYD", "PER", "02/01/2027", "Morning", "Any"},
                           back{"PER", "SYD", "10/01/2027", "Morning", "Any"},
                           later{"SYD", "PER", "03/02/2027", "Morning", "Any"};
        {
            HistoryStore history;
            history.open(rig.folder, rig.clock.now());
            QList<CheckRecord> checks{
                record(0, 0, first, CheckOutcome::Available,
                       {QStringList{"09:05 SYD", "11:15 PER", "QF 1", "738", "0", "No", "Yes", "No"}}),
                record(1, 0, second, CheckOutcome::LoggedOut), record(2, 1, back, CheckOutcome::NotAvailable)};
            history.recordSession(rig.clock.now().addDays(-1), true, checks);
            QList<CheckRecord> another{record(0, 0, later, CheckOutcome::NotAvailable)};
            history.recordSession(rig.clock.now().addDays(-1).addSecs(60), true, another);
        }
        openResults(rig, {kSydPer + ";Any;1;1;0;10/01/2027"});
        auto* list = rig.find<QTreeView>("resultsList");
        emit list->doubleClicked(list->model()->index(0, 0));
        auto* history = rig.window->findChild<HistoryWindow*>("historyWindow");
        QVERIFY(history && history->isVisible());
        QTRY_VERIFY(history->isRead());

        auto* checks = history->findChild<QTreeWidget*>("historyChecks");
        QCOMPARE(checks->headerItem()->text(1), QString("Leg"));
        QStringList legs;
        for (int i = 0; i < checks->topLevelItemCount(); ++i)
            legs << checks->topLevelItem(i)->text(1) + " " + checks->topLevelItem(i)->text(2);
        QCOMPARE(legs, QStringList({"Return PER", "Outbound SYD", "Outbound SYD"}));

        auto* tabs = history->findChild<QTabWidget*>("historyTabs");
        tabs->setCurrentWidget(history->findChild<QWidget*>("seatCalendarView"));
        auto* route = history->findChild<QComboBox*>("routeChoice");
        QCOMPARE(route->currentText(), QString("SYD -> PER"));
        QCOMPARE(route->count(), 2);
        auto* calendar = history->findChild<QCalendarWidget*>("seatCalendar");
        auto* line = history->findChild<QLabel*>("calendarDayLine");
        const auto tells = [&](const QString& start) {
            const QString text = line->text();
            return text.startsWith(start) && text == calendar->dateTextFormat(calendar->selectedDate()).toolTip()
                       ? QString() : text + " | " + calendar->dateTextFormat(calendar->selectedDate()).toolTip();
        };
        QCOMPARE(calendar->selectedDate(), QDate(2027, 1, 1));
        QVERIFY2(line->text().startsWith("Fri 01/01/2027: seats in Business · last checked "), qPrintable(line->text()));
        QCOMPARE(tells("Fri 01/01/2027: seats in Business"), QString());

        // Tab from the route choice reaches the days.
        QApplication::setActiveWindow(history);
        QVERIFY(QTest::qWaitForWindowActive(history));
        route->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), route);
        QTest::keyClick(route, Qt::Key_Tab);
        QWidget* days = QApplication::focusWidget();
        QVERIFY2(days && calendar->isAncestorOf(days), days ? qPrintable(days->objectName() + " " + days->metaObject()->className()) : "none");
        QTest::keyClick(days, Qt::Key_Right);
        QCOMPARE(tells("Sat 02/01/2027: not known, never checked · last tried "), QString());
        QTest::keyClick(days, Qt::Key_PageDown);
        QCOMPARE(calendar->selectedDate(), QDate(2027, 2, 2));
        QCOMPARE(line->text(), QString("Tue 02/02/2027: not searched"));
        QTest::keyClick(days, Qt::Key_Right);
        QCOMPARE(tells("Wed 03/02/2027: no seats · last checked "), QString());

        // The way back is a route of its own.
        route->setCurrentIndex(route->findText("PER -> SYD"));
        QCOMPARE(calendar->selectedDate(), QDate(2027, 1, 10));
        QCOMPARE(tells("Sun 10/01/2027: no seats"), QString());
    }

    // A year of history is read off the window's thread: the window shows at
    // once, saying it reads, and the main window keeps answering clicks while
    // the checks are read. A fault check, not a speed test (bench_history
    // measures the times): the event loop must turn, a click on the main
    // window be handled, before the read ends.
    void historyIsReadWhileTheMainWindowAnswers()
    {
        WindowRig rig("bigHistory");
        QList<ItineraryKey> keys;
        QStringList lines;
        for (int i = 0; i < 50; ++i) {
            const QString date = QDate(2027, 1, 1).addDays(i).toString("dd/MM/yyyy");
            keys << ItineraryKey{"SYD", "PER", date, "Morning", "Any"};
            lines << "Sydney;Perth;" + date + ";Morning;SYD;PER";
        }
        QList<QList<CheckOutcome>> sessions;
        for (int s = 0; s < 300; ++s) {
            QList<CheckOutcome> outcomes;
            for (int i = 0; i < keys.size(); ++i)
                outcomes << ((s + i) % 3 ? CheckOutcome::NotAvailable : CheckOutcome::Available);
            sessions << outcomes;
        }
        recordSessions(rig, keys, sessions);
        MainWindow& w = openResults(rig, lines);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        rig.find<ResultsPanel>("resultsPanel")->showHistory(1);
        QPointer<HistoryWindow> history = rig.window->findChild<HistoryWindow*>("historyWindow");
        QVERIFY(history && history->isVisible());
        // Shown before anything is read, saying so.
        QVERIFY(!history->isRead());
        QCOMPARE(history->findChild<QLabel*>("historyFigures")->text(), kReadingHistory);

        // A click on the main window (its Itineraries tab) and the ticks of a
        // timer, while the history is read.
        auto* tab = rig.find<QWidget>("itineraryTabButton");
        QVERIFY(tab);
        bool clickHandled = false, clickBeforeRead = false;
        connect(qobject_cast<ImageButton*>(tab), &ImageButton::activated, this,
                [&] { clickHandled = true; clickBeforeRead = history && !history->isRead(); });
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            if (history && !history->isRead()) {
                longestGap = std::max(longestGap, sinceTick.restart());
                ++ticks;
            }
        });
        sinceTick.start();
        tick.start(5);
        const QPoint centre = tab->rect().center();
        QCoreApplication::postEvent(tab, new QMouseEvent(QEvent::MouseButtonPress, centre, tab->mapToGlobal(centre),
                                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(tab, new QMouseEvent(QEvent::MouseButtonRelease, centre, tab->mapToGlobal(centre),
                                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        QTRY_VERIFY_WITH_TIMEOUT(history->isRead(), 60000);
        QVERIFY(clickHandled);
        QVERIFY2(clickBeforeRead, "the click on the main window waited for the history");
        QVERIFY2(ticks >= 1, "the event loop never turned while the history was read");
        // Generous: a fault check, not a figure.
        QVERIFY2(longestGap < 2000, qPrintable(QString("the event loop stood %1 ms").arg(longestGap)));
        QCOMPARE(history->findChild<QTreeWidget*>("historyChecks")->topLevelItemCount(), 300);
        QVERIFY(history->findChild<QLabel*>("historyFigures")->text().startsWith("300 checks from "));
    }

    // A history that cannot be read is told as such in every tab, never as
    // a history with no check.
    void unreadableHistoryIsTold()
    {
        WindowRig rig("unreadableHistory");
        recordSessions(rig, {kSydPerAny}, {{CheckOutcome::Available}, {CheckOutcome::NotAvailable}});
        openResults(rig, {kSydPer});
        // Damaged after the window opened it.
        rig.state.history.close();
        QFile file(rig.folder + "/" + kHistoryFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8192, 'x'));
        file.close();
        rig.find<ResultsPanel>("resultsPanel")->showHistory(1);
        auto* history = rig.window->findChild<HistoryWindow*>("historyWindow");
        QVERIFY(history);
        QTRY_VERIFY(history->isRead());
        const QString figures = history->findChild<QLabel*>("historyFigures")->text();
        QVERIFY2(figures.startsWith(kHistoryUnreadable), qPrintable(figures));
        QVERIFY(!figures.contains("No check"));
        QVERIFY(history->findChild<QWidget*>("historyChart")->isHidden());
        QVERIFY(!history->findChild<QTreeWidget*>("historyChecks"));
        for (auto* waiting : history->findChildren<QLabel*>("historyWaiting"))
            QVERIFY2(waiting->text().startsWith(kHistoryUnreadable), qPrintable(waiting->text()));
        QCOMPARE(history->findChildren<QLabel*>("historyWaiting").size(), 2);
    }

    void exportWritesEveryCheckOrSaysWhy_data()
    {
        QTest::addColumn<int>("sessions");
        QTest::addColumn<QString>("file"); // in the rig's folder; empty: the dialog was cancelled
        QTest::addColumn<QString>("status");
        QTest::newRow("three sessions") << 3 << "out.csv" << "History Exported To ";
        QTest::newRow("nothing recorded yet") << 0 << "out.csv"
                                              << "History Not Exported: no check has been recorded yet";
        QTest::newRow("no such folder") << 3 << "gone/out.csv" << "History Not Exported: ";
        QTest::newRow("cancelled") << 3 << "" << "before";
    }
    void exportWritesEveryCheckOrSaysWhy()
    {
        QFETCH(int, sessions);
        QFETCH(QString, file);
        QFETCH(QString, status);
        WindowRig rig("export");
        RecordingDialogs dialogs;
        rig.dialogs = &dialogs;
        recordSessions(rig, {kSydPerAny, kSydPerBusiness},
                       QList<QList<CheckOutcome>>(sessions, {CheckOutcome::Available, CheckOutcome::NotAvailable}));
        MainWindow& w = openResults(rig, {kSydPer});
        const QString path = file.isEmpty() ? QString() : rig.folder + "/" + file;
        // Made open to everyone unless the program closes it.
        const mode_t mask = ::umask(022);
        const auto restoreMask = qScopeGuard([mask] { ::umask(mask); });
        dialogs.exportFile = path;
        w.setStatus("before");
        rig.find<QPushButton>("exportHistoryButton")->click();
        QCOMPARE(dialogs.suggestedFiles.size(), 1);
        QVERIFY(dialogs.suggestedFiles[0].endsWith("/zelvane-history-2026-12-08.csv"));
        QVERIFY2(w.status().startsWith(status), qPrintable(w.status()));
        const bool written = status == "History Exported To ";
        QCOMPARE(QFile::exists(path), written);
        if (written) {
            QCOMPARE(w.status(), "History Exported To " + path);
            const QList<QByteArray> lines = readFile(path).split('\n');
            QCOMPARE(lines.first(), QByteArray("session,origin,destination,date,time,cabin,outcome,flights,adults\r"));
            QCOMPARE(lines.size(), 1 + 2 * sessions + 1); // the heading, a row per check, the last line end
            QCOMPARE(QFileInfo(path).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                     QFileDevice::Permissions());
        }
    }

    // The cabin is the seventh field of the line; Any writes the six-field
    // line older copies wrote. The list shows it.
    void cabinChoiceIsTheSeventhField_data()
    {
        QTest::addColumn<QString>("cabin");
        QTest::addColumn<QString>("line");
        QTest::newRow("any") << "Any" << "Sydney;Perth;09/12/2026;Morning;SYD;PER";
        QTest::newRow("business") << "Business" << "Sydney;Perth;09/12/2026;Morning;SYD;PER;Business";
    }
    void cabinChoiceIsTheSeventhField()
    {
        QFETCH(QString, cabin);
        QFETCH(QString, line);
        WindowRig rig("cabin");
        rig.storeMember();
        MainWindow& w = rig.open();
        w.showItineraryPanel();
        auto* choice = rig.find<QComboBox>("cabinChoice");
        QCOMPARE(choice->currentText(), QString("Any"));
        rig.find<QComboBox>("originChoice")->setCurrentIndex(rig.find<QComboBox>("originChoice")->findText("Sydney"));
        rig.find<QComboBox>("destinationChoice")->setCurrentIndex(rig.find<QComboBox>("destinationChoice")->findText("Perth"));
        choice->setCurrentIndex(choice->findText(cabin));
        click(rig.find<ImageButton>("addItineraryButton"));
        QCOMPARE(readFile(rig.folder + "/Query.txt"), (line + "\r\n").toUtf8());
        QCOMPARE(rig.find<QTreeWidget>("itineraryList")->topLevelItem(0)->text(6), cabin);
        QCOMPARE(rig.state.watchList.at(1).cabin, cabinFromName(cabin));
        QCOMPARE(w.results().index(0, ResultsViewModel::kSeatsColumn).data().toString(),
                 rig.state.watchList.at(1).seatsText());
    }

    // A history found unreadable at start-up is told as soon as the window
    // opens, and only then.
    void historyMovedAsideIsToldWhenTheWindowOpens()
    {
        WindowRig rig("notice");
        writeFile(rig.folder + "/history.sqlite", QByteArray(4096, 'x'));
        QVERIFY(rig.state.history.open(rig.folder, rig.clock.now()));
        MainWindow& w = rig.open();
        QVERIFY2(w.status().startsWith("History unreadable"), qPrintable(w.status()));
        QVERIFY(w.status().contains("moved to history-broken-"));
        QVERIFY(rig.state.history.takeNotice().isEmpty());
    }
};

QTEST_MAIN(TestResultsPanel)
#include "test_results_panel.moc"
