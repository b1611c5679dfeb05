// Reading result pages into the result table, the flight rows and the cabin
// an itinerary asks for, and the rows of the results view.
#include "results/ResultTable.h"
#include "results/ResultsViewModel.h"

#include "Pages.h"

#include <QtTest>

using namespace zelvane;

namespace {

const QString kHeadings = "DepartingArrivingFlightAircraftStopsEcon.Bus.First";
const QString kAvailabilityPage = "Qantas Frequent Flyer - Award Availability\r\nSelect your flights";

const QStringList kHeadingCells = {"Departing", "Arriving", "Flight", "Aircraft",
                                  "Stops", "Econ.", "Bus.", "First"};

QStringList flight(const QString& economy, const QString& business, const QString& first)
{
    return {"09:05 SYD", "10:15 MEL", "QF 400", "738", "0", economy, business, first};
}

// A page that found flights, with its frame's table holding `rows`.
ResultPageReading readWithTable(const QList<QStringList>& rows, Cabin cabin)
{
    return withFlights(readResultPage(kAvailabilityPage, kHeadings + "\r\nQF 400"),
                       QList<HtmlTable>{HtmlTable{kHeadingCells} + rows}, cabin);
}

} // namespace

Q_DECLARE_METATYPE(zelvane::Cabin)

class TestResults : public QObject {
    Q_OBJECT

private slots:
    void pagesDecideAvailability_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<bool>("hasFrame");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("text");
        const QString rows = kHeadings + "\r\n09:05 SYD10:15 MELQF 40073801YesNo";
        QTest::newRow("flights found")
            << kAvailabilityPage << rows << true << true << "\r\n09:05 SYD10:15 MELQF 40073801YesNo";
        QTest::newRow("no-flights page despite the word Availability")
            << "Award Availability\r\nFrequent Flyer - Award Bookings - No available flights"
            << rows << true << false << "";
        QTest::newRow("start-again page") << "Availability < Start again Help? Close" << rows
                                          << true << false << "";
        QTest::newRow("login page") << "Member login" << rows << true << false << "";
        QTest::newRow("no frame") << kAvailabilityPage << "" << false << false << "";
        QTest::newRow("headings and nothing else") << kAvailabilityPage << kHeadings << true
                                                   << false << "";
        QTest::newRow("text before the table is dropped")
            << kAvailabilityPage << "Select a flight\r\n" + kHeadings + "QF1" << true << true << "QF1";
        QTest::newRow("every headings line removed")
            << kAvailabilityPage << kHeadings + "QF1\r\n" + kHeadings + "QF2" << true << true
            << "QF1\r\nQF2";
        QTest::newRow("no table in the frame") << kAvailabilityPage << "Sorry" << true << false << "";
    }
    void pagesDecideAvailability()
    {
        QFETCH(QString, page);
        QFETCH(QString, frame);
        QFETCH(bool, hasFrame);
        QFETCH(bool, available);
        QFETCH(QString, text);
        const ResultPageReading r =
            readResultPage(page, hasFrame ? std::optional<QString>(frame) : std::nullopt);
        QCOMPARE(r.available, available);
        QCOMPARE(r.resultText, text);
        QCOMPARE(readResultPage(std::nullopt, frame).available, false);
    }

    void theCabinAsksForSeatsInItsColumn_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<Cabin>("cabin");
        QTest::addColumn<bool>("available");
        const QString nbsp = QString(QChar(0xA0));
        QTest::newRow("Yes") << QList<QStringList>{flight("Yes", "No", "No")} << Cabin::Economy << true;
        QTest::newRow("Y") << QList<QStringList>{flight("No", "Y", "No")} << Cabin::Business << true;
        QTest::newRow("a count of seats") << QList<QStringList>{flight("No", "No", "4")} << Cabin::First << true;
        QTest::newRow("blanks around Yes") << QList<QStringList>{flight(" Yes ", "", "")} << Cabin::Economy << true;
        QTest::newRow("No") << QList<QStringList>{flight("Yes", "No", "Yes")} << Cabin::Business << false;
        QTest::newRow("no-break space") << QList<QStringList>{flight("Yes", nbsp, "Yes")} << Cabin::Business << false;
        QTest::newRow("&nbsp; left as text") << QList<QStringList>{flight("Yes", " &NBSP; ", "Yes")} << Cabin::Business << false;
        QTest::newRow("-") << QList<QStringList>{flight("-", "Yes", "Yes")} << Cabin::Economy << false;
        QTest::newRow("0") << QList<QStringList>{flight("Yes", "Yes", "0")} << Cabin::First << false;
        QTest::newRow("NONE, n, empty") << QList<QStringList>{flight("NONE", "n", "")} << Cabin::Economy << false;
        QTest::newRow("seats on the second flight")
            << QList<QStringList>{flight("No", "No", "No"), flight("No", "2", "No")} << Cabin::Business << true;
        QTest::newRow("seats only in another cabin") << QList<QStringList>{flight("No", "Yes", "No")} << Cabin::First << false;
        QTest::newRow("Any takes any flight, even without a seat mark")
            << QList<QStringList>{flight("No", "No", "No")} << Cabin::Any << true;
    }
    void theCabinAsksForSeatsInItsColumn()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(Cabin, cabin);
        QFETCH(bool, available);
        const ResultPageReading r = readWithTable(rows, cabin);
        QCOMPARE(r.available, available);
        // The text of the e-mail and print goes with the seats; the rows stay for the table.
        QCOMPARE(r.resultText.isEmpty(), !available);
        QCOMPARE(r.flights.size(), rows.size());
    }

    void flightRowsAreTheRowsUnderTheHeadings()
    {
        const HtmlTable layout = {{"Award Availability"}, {"Step 2 of 4"}};
        const HtmlTable flights = {{"Select a flight"}, kHeadingCells, flight("Yes", "No", "No"),
                                   {"Fares include taxes"}, kHeadingCells,
                                   {"", "", "", "", "", "", "", ""}, flight("No", "Yes", "No")};
        QCOMPARE(flightRows({layout, flights, {kHeadingCells, flight("x", "x", "x")}}),
                 QList<QStringList>({flight("Yes", "No", "No"), flight("No", "Yes", "No")}));
        QVERIFY(flightRows({layout}).isEmpty());
        // The simulator's own page, as its site sends it.
        const QList<QStringList> rows = {{"06:00 SYD", "07:35 MEL", "QF 401 & 7401", "767", "0", "Yes", "<none>", "-"},
                                         {"18:00 SYD", "19:35 MEL", "QF 499", "A330", "1", "No", "4", QString(QChar(0xA0))}};
        const HtmlDocument page = HtmlDocument::parse(sitesim::pages::flightTable(rows).toLatin1(), "ISO-8859-1");
        QList<QStringList> expected = rows;
        expected[1][7] = ""; // a no-break space alone is a blank cell
        QCOMPARE(flightRows(page.tables()), expected);
        // A page without seats leaves no flights, whatever its frame shows.
        QVERIFY(withFlights(readResultPage("Login", "x"), page.tables(), Cabin::Any).flights.isEmpty());
    }

    void iconFollowsTheResultState()
    {
        ResultTable t;
        QCOMPARE(t.icon(0), int(kIconNotChecked));
        t.markNotAvailableIfEmpty(0);
        QCOMPARE(t.icon(0), int(kIconNotAvailable));
        t.setResultText(0, "QF1"); // found later: available, though once not
        QCOMPARE(t.icon(0), int(kIconAvailable));
        t.markNotAvailableIfEmpty(0);
        QCOMPARE(t.icon(0), int(kIconAvailable));
        // Outside the table nothing happens and nothing is found.
        t.setResultText(100, "x");
        t.setResultText(-1, "x");
        QCOMPARE(t.icon(100), int(kIconNotChecked));
    }

    void deletingAPositionMovesLaterResultsUp()
    {
        ResultTable t;
        for (int k = 0; k < 5; ++k)
            t.setResultText(k, QString("R%1").arg(k + 1));
        t.markNotAvailableIfEmpty(3);
        t.clearResultText(3);
        t.markNotAvailableIfEmpty(3); // position 4: not available
        t.removePosition(3, 5);
        QCOMPARE(t.entry(1).resultText, QString("R2"));
        QCOMPARE(t.entry(2).resultText, QString());
        QVERIFY(t.entry(2).notAvailable); // position 4 moved to 3
        QCOMPARE(t.entry(3).resultText, QString("R5"));
        QCOMPARE(t.entry(4).resultText, QString());
        QVERIFY(!t.entry(4).notAvailable);

        // With more lines than the table, the last entry is freed.
        ResultTable big;
        big.setResultText(99, "last");
        big.removePosition(50, 130);
        QCOMPARE(big.entry(98).resultText, QString("last"));
        QCOMPARE(big.entry(99).resultText, QString());
    }

    void viewRowsMirrorTheWatchListUpToAHundred()
    {
        ItineraryStore store;
        for (int i = 1; i <= 130; ++i)
            store.append(QString("City%1;Perth;01/01/2027;Evening").arg(i));
        ResultTable table;
        table.setResultText(1, "QF9");
        table.markNotAvailableIfEmpty(2);
        ResultsViewModel model;
        model.refreshResults(store, table);
        QCOMPARE(model.count(), 100);
        QCOMPARE(model.rowCount(), 100);
        QCOMPARE(model.row(100).cells[0], QString("City100"));
        QCOMPARE(model.row(1).icon, int(kIconNotChecked));
        QCOMPARE(model.row(2).icon, int(kIconAvailable));
        QCOMPARE(model.row(3).icon, int(kIconNotAvailable));
        QCOMPARE(model.row(1).cells[4], QString()); // missing code cells stay empty
        QCOMPARE(model.data(model.index(1, 3)).toString(), QString("Evening"));
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QString("OriCode"));
        QCOMPARE(ResultsViewModel::rowClickText(table, 2), QString("QF9"));
        QCOMPARE(ResultsViewModel::rowClickText(table, 1), QString());
        QCOMPARE(model.row(101).cells[0], QString());
    }

    // A row of several dates speaks for all of them: its last check is the
    // newest session's, seats on any of its dates winning; a session whose
    // dates all went unchecked shows as not checked; its history picture has
    // one point per session.
    void aFlexibleRowSpeaksForItsDates_data()
    {
        using O = CheckOutcome;
        QTest::addColumn<QList<QList<int>>>("days"); // per date: outcome per session, -1 none
        QTest::addColumn<int>("last");               // -1: never checked
        QTest::addColumn<int>("lastSeatsSession");   // -1: none
        QTest::addColumn<QList<int>>("timeline");
        QTest::newRow("seats on the second date")
            << QList<QList<int>>{{int(O::NotAvailable)}, {int(O::Available)}} << int(O::Available) << 0
            << QList<int>{int(O::Available)};
        QTest::newRow("seats earlier, none now")
            << QList<QList<int>>{{int(O::Available), int(O::NotAvailable)}, {int(O::NotAvailable), int(O::NotAvailable)}}
            << int(O::NotAvailable) << 0 << QList<int>{int(O::Available), int(O::NotAvailable)};
        QTest::newRow("a date not searched in the last session")
            << QList<QList<int>>{{int(O::NotAvailable), int(O::LoggedOut)}, {int(O::Available), -1}}
            << int(O::LoggedOut) << 0 << QList<int>{int(O::Available), int(O::LoggedOut)};
        QTest::newRow("never checked") << QList<QList<int>>{{}, {}} << -1 << -1 << QList<int>{};
    }
    void aFlexibleRowSpeaksForItsDates()
    {
        QFETCH(QList<QList<int>>, days);
        QFETCH(int, last);
        QFETCH(int, lastSeatsSession);
        QFETCH(QList<int>, timeline);
        const QDateTime start(QDate(2026, 12, 1), QTime(8, 0));
        QList<ItinerarySummary> summaries;
        QList<QList<TimelinePoint>> points;
        for (const QList<int>& day : days) {
            ItinerarySummary s;
            QList<TimelinePoint> p;
            for (int session = 0; session < day.size(); ++session) {
                if (day[session] < 0)
                    continue;
                const QDateTime when = start.addDays(session);
                s.lastOutcome = CheckOutcome(day[session]);
                s.lastTime = when;
                if (s.lastOutcome == CheckOutcome::Available)
                    s.lastAvailable = when;
                p.append({when, CheckOutcome(day[session])});
            }
            summaries << s;
            points << p;
        }
        const ItinerarySummary row = combinedSummary(summaries);
        QCOMPARE(row.lastOutcome.has_value(), last >= 0);
        if (last >= 0)
            QCOMPARE(int(*row.lastOutcome), last);
        QCOMPARE(row.lastAvailable, lastSeatsSession < 0 ? QDateTime() : start.addDays(lastSeatsSession));
        QList<int> drawn;
        for (const TimelinePoint& p : combinedTimeline(points))
            drawn << int(p.outcome);
        QCOMPARE(drawn, timeline);
    }
};

QTEST_GUILESS_MAIN(TestResults)
#include "test_results.moc"
