// Reading result pages, the flight rows and the cabin an itinerary asks
// for, what an itinerary's dates come to, and the rows of the results view.
#include "app/Clock.h"
#include "itineraries/WatchList.h"
#include "itineraries/WatchListFile.h"
#include "results/CheckResults.h"
#include "results/ResultPage.h"
#include "results/ResultsViewModel.h"
#include "engine/SiteTrouble.h"
#include "results/SeatTexts.h"
#include "support/CheckedDays.h"

#include "Pages.h"

#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QString kHeadings = "DepartingArrivingFlightAircraftStopsEcon.Bus.First";
const QString kAvailabilityPage = "Qantas Frequent Flyer - Award Availability\r\nSelect your flights";

const QStringList kHeadingCells = {"Departing", "Arriving", "Flight", "Aircraft",
                                  "Stops", "Econ.", "Bus.", "First"};

QStringList flight(const QString& economy, const QString& business, const QString& first)
{
    return {"09:05 SYD", "10:15 MEL", "QF 400", "738", "0", economy, business, first};
}

// The cells of the flights read, as the site wrote them.
std::optional<QList<QStringList>> cellsOf(const std::optional<QList<FlightRow>>& flights)
{
    if (!flights)
        return std::nullopt;
    QList<QStringList> cells;
    for (const FlightRow& f : *flights)
        cells << f.cells();
    return cells;
}

// An availability page whose frame's table holds `rows`, read for `adults` in `cabin`.
SearchOutcome readWithTable(const QList<QStringList>& rows, Cabin cabin, int adults = 1)
{
    return withFlights(readResultPage(kAvailabilityPage, kHeadings + "\r\nQF 400"),
                       QList<HtmlTable>{HtmlTable{kHeadingCells} + rows}, SeatsWanted{cabin, adults});
}

} // namespace

Q_DECLARE_METATYPE(zelvane::Cabin)
Q_DECLARE_METATYPE(zelvane::UnreadablePage)

class TestResults : public QObject {
    Q_OBJECT

private slots:
    // Three answers, never two: seats, none (the site said so, or a flight
    // table it can read shows none), or not known with why, and the kind of
    // page kept for a report.
    void pagesDecideAvailability_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("hasFrame");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QList<HtmlTable>>("tables");
        QTest::addColumn<int>("availability");
        QTest::addColumn<UnreadablePage>("unreadable");
        QTest::addColumn<QString>("text");
        const QString rows = kHeadings + "\r\n09:05 SYD10:15 MELQF 40073801YesNo";
        const QList<HtmlTable> table{HtmlTable{kHeadingCells, flight("Yes", "No", "No")}};
        const int seats = int(Availability::Seats), none = int(Availability::NoSeats),
                  unknown = int(Availability::NotKnown);
        QTest::newRow("flights found")
            << kAvailabilityPage << true << rows << table << seats << UnreadablePage::None
            << "\r\n09:05 SYD10:15 MELQF 40073801YesNo";
        QTest::newRow("the site's no-flights page, the word Availability on it too")
            << "Award Availability\r\nFrequent Flyer - Award Bookings - No available flights" << true << rows << table
            << none << UnreadablePage::None << "";
        QTest::newRow("a flight table without a flight")
            << kAvailabilityPage << true << kHeadings << QList<HtmlTable>{HtmlTable{kHeadingCells}} << none
            << UnreadablePage::None << "";
        QTest::newRow("text before the table is dropped")
            << kAvailabilityPage << true << "Select a flight\r\n" + kHeadings + "QF1" << table << seats
            << UnreadablePage::None << "QF1";
        QTest::newRow("every headings line removed")
            << kAvailabilityPage << true << kHeadings + "QF1\r\n" + kHeadings + "QF2" << table << seats
            << UnreadablePage::None << "QF1\r\nQF2";
        QTest::newRow("start-again page") << "Availability < Start again Help? Close" << true << rows << table
                                          << unknown << UnreadablePage::StartAgain << "";
        QTest::newRow("a page of another kind") << "Member login" << true << rows << table << unknown
                                                << UnreadablePage::OtherPage << "";
        QTest::newRow("no frame") << kAvailabilityPage << false << "" << table << unknown << UnreadablePage::NoFrame
                                  << "";
        QTest::newRow("no table in the frame") << kAvailabilityPage << true << "Sorry" << QList<HtmlTable>{}
                                               << unknown << UnreadablePage::FlightTable << "";
        QTest::newRow("a flight table of new headings")
            << kAvailabilityPage << true << "Depart Arrive Flight Economy Business First"
            << QList<HtmlTable>{HtmlTable{{"Depart", "Arrive", "Flight", "Economy", "Business", "First"},
                                          {"09:05 SYD", "10:15 MEL", "QF 400", "Yes", "Yes", "Yes"}}}
            << unknown << UnreadablePage::FlightTable << "";
    }
    void pagesDecideAvailability()
    {
        QFETCH(QString, page);
        QFETCH(bool, hasFrame);
        QFETCH(QString, frame);
        QFETCH(QList<HtmlTable>, tables);
        QFETCH(int, availability);
        QFETCH(UnreadablePage, unreadable);
        QFETCH(QString, text);
        const SearchOutcome r = withFlights(
            readResultPage(page, hasFrame ? std::optional<QString>(frame) : std::nullopt), tables, SeatsWanted{});
        QCOMPARE(int(r.availability), availability);
        QCOMPARE(r.unreadable, unreadable);
        QCOMPARE(r.reason.isEmpty(), availability != int(Availability::NotKnown));
        QCOMPARE(r.pageText, text);
        QCOMPARE(int(readResultPage(std::nullopt, frame).availability), int(Availability::NotKnown));
    }

    // Seats for the whole party in the cabin asked: a count below the party
    // is no seats for it.
    void theCabinAsksForSeatsInItsColumn_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<Cabin>("cabin");
        QTest::addColumn<int>("adults");
        QTest::addColumn<bool>("available");
        const QString nbsp = QString(QChar(0xA0));
        QTest::newRow("Yes") << QList<QStringList>{flight("Yes", "No", "No")} << Cabin::Economy << 1 << true;
        QTest::newRow("Y") << QList<QStringList>{flight("No", "Y", "No")} << Cabin::Business << 1 << true;
        QTest::newRow("a count of seats") << QList<QStringList>{flight("No", "No", "4")} << Cabin::First << 1 << true;
        QTest::newRow("blanks around Yes") << QList<QStringList>{flight(" Yes ", "", "")} << Cabin::Economy << 1 << true;
        QTest::newRow("No") << QList<QStringList>{flight("Yes", "No", "Yes")} << Cabin::Business << 1 << false;
        QTest::newRow("no-break space") << QList<QStringList>{flight("Yes", nbsp, "Yes")} << Cabin::Business << 1 << false;
        QTest::newRow("&nbsp; left as text") << QList<QStringList>{flight("Yes", " &NBSP; ", "Yes")} << Cabin::Business << 1 << false;
        QTest::newRow("-") << QList<QStringList>{flight("-", "Yes", "Yes")} << Cabin::Economy << 1 << false;
        QTest::newRow("0") << QList<QStringList>{flight("Yes", "Yes", "0")} << Cabin::First << 1 << false;
        QTest::newRow("NONE, n, empty") << QList<QStringList>{flight("NONE", "n", "")} << Cabin::Economy << 1 << false;
        QTest::newRow("seats on the second flight")
            << QList<QStringList>{flight("No", "No", "No"), flight("No", "2", "No")} << Cabin::Business << 1 << true;
        QTest::newRow("seats only in another cabin") << QList<QStringList>{flight("No", "Yes", "No")} << Cabin::First << 1 << false;
        QTest::newRow("Any takes seats in any cabin")
            << QList<QStringList>{flight("No", "No", "Yes")} << Cabin::Any << 1 << true;
        QTest::newRow("Any finds none in a flight without seats")
            << QList<QStringList>{flight("No", "No", "No")} << Cabin::Any << 1 << false;
        QTest::newRow("two seats for nine") << QList<QStringList>{flight("No", "2", "No")} << Cabin::Business << 9 << false;
        QTest::newRow("nine seats for nine") << QList<QStringList>{flight("No", "9", "No")} << Cabin::Business << 9 << true;
        QTest::newRow("Yes for nine: the site gives no count") << QList<QStringList>{flight("No", "Yes", "No")}
                                                               << Cabin::Business << 9 << true;
        QTest::newRow("Any: one cabin seats the party")
            << QList<QStringList>{flight("4", "2", "No"), flight("1", "3", "No")} << Cabin::Any << 3 << true;
        QTest::newRow("Any: no cabin seats the party")
            << QList<QStringList>{flight("2", "2", "No")} << Cabin::Any << 3 << false;
    }
    void theCabinAsksForSeatsInItsColumn()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(Cabin, cabin);
        QFETCH(int, adults);
        QFETCH(bool, available);
        const SearchOutcome r = readWithTable(rows, cabin, adults);
        QCOMPARE(r.seats(), available);
        // The text of the e-mail and print goes with the seats; the rows stay for the table.
        QCOMPARE(r.pageText.isEmpty(), !available);
        QCOMPARE(r.flights.size(), rows.size());
    }

    // A leg's choice of stops and hours decides which flights are seats, as
    // the page is read: one outside it is none, and one whose stops or time
    // cannot be read is neither seats nor taken for none.
    void theLegsChoiceOfFlightsDecidesSeats_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("line"); // the watch-list line whose outbound choice reads the page
        QTest::addColumn<int>("availability");
        QTest::addColumn<QList<int>>("offered"); // the flights that seat it
        const auto row = [](const char* departing, const char* stops, const char* economy) {
            return QStringList{departing, "17:45 MEL", "QF 9", "738", stops, economy, "No", "No"};
        };
        const QString direct = "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;0";
        const QString morning = "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;;07:00-12:00";
        const int seats = int(Availability::Seats), none = int(Availability::NoSeats),
                  notKnown = int(Availability::NotKnown);
        QTest::newRow("direct only: seats on a one-stop flight only")
            << QList<QStringList>{row("09:05 SYD", "1", "Yes"), row("10:05 SYD", "0", "No")} << direct << none
            << QList<int>{};
        QTest::newRow("direct only: the direct flight of two")
            << QList<QStringList>{row("09:05 SYD", "1", "Yes"), row("10:05 SYD", "0", "4")} << direct << seats
            << QList<int>{1};
        QTest::newRow("direct only: \"Non-stop\" is direct")
            << QList<QStringList>{row("09:05 SYD", "Non-stop", "Yes")} << direct << seats << QList<int>{0};
        QTest::newRow("direct only: \"2 stops\" is not")
            << QList<QStringList>{row("09:05 SYD", "2 stops", "Yes")} << direct << none << QList<int>{};
        QTest::newRow("direct only: stops that cannot be read")
            << QList<QStringList>{row("09:05 SYD", "via SIN", "Yes")} << direct << notKnown << QList<int>{};
        QTest::newRow("direct only: unread stops beside a direct flight with seats")
            << QList<QStringList>{row("09:05 SYD", "via SIN", "Yes"), row("11:00 SYD", "0", "Yes")} << direct << seats
            << QList<int>{1};
        QTest::newRow("direct only: unread stops on a flight without seats")
            << QList<QStringList>{row("09:05 SYD", "via SIN", "No")} << direct << none << QList<int>{};
        QTest::newRow("at most 1 stop")
            << QList<QStringList>{row("09:05 SYD", "2", "Yes"), row("13:05 SYD", "1", "Yes")}
            << "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;1" << seats << QList<int>{1};
        QTest::newRow("07:00-12:00: both ends taken, the evening left out")
            << QList<QStringList>{row("07:00 SYD", "0", "Yes"), row("12:00 SYD", "0", "Y"), row("18:30 SYD", "0", "2")}
            << morning << seats << QList<int>{0, 1};
        QTest::newRow("07:00-12:00: seats only at 06:59 and 12:01")
            << QList<QStringList>{row("06:59 SYD", "0", "Yes"), row("SYD 12:01", "0", "Yes")} << morning << none
            << QList<int>{};
        QTest::newRow("07:00-12:00: a time written 9:15am")
            << QList<QStringList>{row("9:15am", "0", "Yes")} << morning << seats << QList<int>{0};
        QTest::newRow("07:00-12:00: no time in the cell")
            << QList<QStringList>{row("SYD", "0", "Yes")} << morning << notKnown << QList<int>{};
        QTest::newRow("a window past midnight")
            << QList<QStringList>{row("23:40 SYD", "0", "Yes"), row("05:10 SYD", "0", "Yes"), row("12:00 SYD", "0", "Yes")}
            << "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;;22:00-06:00" << seats
            << QList<int>{0, 1};
        QTest::newRow("direct in the morning: out on stops though in hours")
            << QList<QStringList>{row("09:05 SYD", "1", "Yes"), row("19:05 SYD", "0", "Yes")}
            << "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;0;07:00-12:00" << none << QList<int>{};
        QTest::newRow("no choice: every flight, unread stops too")
            << QList<QStringList>{row("--", "via SIN", "Yes")} << "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL" << seats
            << QList<int>{0};
    }
    void theLegsChoiceOfFlightsDecidesSeats()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, line);
        QFETCH(int, availability);
        QFETCH(QList<int>, offered);
        const Itinerary watch = readItineraryLine(line).itinerary;
        const SearchOutcome r = withFlights(readResultPage(kAvailabilityPage, kHeadings + "\r\nQF 9"),
                                            QList<HtmlTable>{HtmlTable{kHeadingCells} + rows},
                                            seatsWanted(watch, Itinerary::Outbound));
        QCOMPARE(int(r.availability), availability);
        QList<int> flights;
        for (const SeatOffer& o : r.offers)
            flights << o.flight;
        QCOMPARE(flights, offered);
        // Not known always says why; the flights stay for the table.
        QCOMPARE(r.reason.isEmpty(), availability != int(Availability::NotKnown));
        QCOMPARE(r.flights.size(), rows.size());
    }

    // Where the site gives a number, the alerts say how many seats the
    // cabin has: the most one flight that seats the party offers, and on
    // which day when several were searched; a party told of fewer seats
    // hears of them. A "Yes" gives no count and hides none.
    void theAlertsSayHowManySeats_data()
    {
        QTest::addColumn<QList<QList<QStringList>>>("days"); // the flights of each date
        QTest::addColumn<Cabin>("cabin");
        QTest::addColumn<int>("adults");
        QTest::addColumn<bool>("fewer");
        QTest::addColumn<QString>("counts"); // "-" for no seats
        using Days = QList<QList<QStringList>>;
        QTest::newRow("two") << Days{{flight("No", "2", "No")}} << Cabin::Business << 2 << false << "Business: 2 seats";
        QTest::newRow("one for two") << Days{{flight("No", "1", "No")}} << Cabin::Business << 2 << false << "-";
        QTest::newRow("one for two who hear of fewer")
            << Days{{flight("No", "1", "No")}} << Cabin::Business << 2 << true << "Business: 1 seat";
        QTest::newRow("the most one flight offers")
            << Days{{flight("No", "2", "No"), flight("No", "4", "No")}} << Cabin::Business << 2 << false
            << "Business: 4 seats";
        QTest::newRow("Yes beside a count") << Days{{flight("No", "Yes", "No"), flight("No", "3", "No")}}
                                            << Cabin::Business << 2 << false << "Business: 3 seats";
        QTest::newRow("Any, a date without seats for two")
            << Days{{flight("1", "1", "No")}, {flight("4", "2", "No")}} << Cabin::Any << 2 << false
            << "Economy: 4 seats on Tue 2, Business: 2 seats on Tue 2";
        // Three in Business seat no family of four, and a "Y" on another
        // day hides no Economy count that seats it.
        QTest::newRow("a family of four")
            << Days{{flight("Y", "3", "No")}, {flight("4", "No", "No")}} << Cabin::Any << 4 << false
            << "Economy: 4 seats on Tue 2";
    }
    void theAlertsSayHowManySeats()
    {
        QFETCH(QList<QList<QStringList>>, days);
        QFETCH(Cabin, cabin);
        QFETCH(int, adults);
        QFETCH(bool, fewer);
        QFETCH(QString, counts);
        Itinerary it{{"Sydney", "SYD"}, {"Melbourne", "MEL"}, QDate(2027, 2, 1), "Morning", cabin, adults};
        it.fewerThanParty = fewer;
        ItineraryResult result;
        for (const QList<QStringList>& flights : days) {
            SearchOutcome page = readWithTable(flights, cabin, it.seatsNeeded());
            page.date = it.date.addDays(result.days.size());
            result.days << page;
        }
        QCOMPARE(result.availability() == Availability::Seats, counts != "-");
        QCOMPARE(seatTexts(it, result).counts, counts == "-" ? QString() : counts);
    }

    // Result pages that cannot be read are told from the second check in a
    // row that could read none, once a streak; a check that read its pages
    // ends the streak, one without result pages leaves it as it was.
    void unreadablePagesAreToldOncePerStreak_data()
    {
        QTest::addColumn<QString>("checks"); // U: pages not read, R: read, -: no result page
        QTest::addColumn<QList<int>>("told");  // the checks after which the user is told
        QTest::newRow("one check is no streak") << "URUR" << QList<int>{};
        QTest::newRow("told from the second") << "UUU" << QList<int>{1};
        QTest::newRow("told again after pages were read") << "UURUUU" << QList<int>{1, 4};
        QTest::newRow("a check without pages keeps it") << "U-U" << QList<int>{2};
    }
    void unreadablePagesAreToldOncePerStreak()
    {
        QFETCH(QString, checks);
        QFETCH(QList<int>, told);
        UnreadablePagesStreak streak;
        QList<int> tellings;
        const QDateTime first(QDate(2026, 12, 1), QTime(8, 0));
        for (int i = 0; i < checks.size(); ++i) {
            const int read = checks[i] == 'R' ? 3 : 0, unread = checks[i] == 'U' ? 3 : 0;
            streak = nextUnreadablePagesStreak(streak, read, unread, {}, first.addSecs(i * 3600));
            // As the alerts do: a notice handed on is not told again in its streak.
            if (unreadablePagesNotice(streak)) {
                tellings << i;
                streak.told = true;
            }
        }
        QCOMPARE(tellings, told);
    }

    void flightRowsAreTheRowsUnderTheHeadings()
    {
        const HtmlTable layout = {{"Award Availability"}, {"Step 2 of 4"}};
        const HtmlTable flights = {{"Select a flight"}, kHeadingCells, flight("Yes", "No", "No"),
                                   {"Fares include taxes"}, kHeadingCells,
                                   {"", "", "", "", "", "", "", ""}, flight("No", "Yes", "No")};
        QCOMPARE(cellsOf(readFlightTable({layout, flights, {kHeadingCells, flight("x", "x", "x")}})),
                 QList<QStringList>({flight("Yes", "No", "No"), flight("No", "Yes", "No")}));
        QVERIFY(!readFlightTable({layout})); // no flight table at all: nothing to read
        // The simulator's own page, as its site sends it.
        const QList<QStringList> rows = {{"06:00 SYD", "07:35 MEL", "QF 401 & 7401", "767", "0", "Yes", "<none>", "-"},
                                         {"18:00 SYD", "19:35 MEL", "QF 499", "A330", "1", "No", "4", QString(QChar(0xA0))}};
        const HtmlDocument page = HtmlDocument::parse(sitesim::pages::flightTable(rows).toLatin1(), "ISO-8859-1");
        QList<QStringList> expected = rows;
        expected[1][7] = ""; // a no-break space alone is a blank cell
        QCOMPARE(cellsOf(readFlightTable(page.tables())), expected);
        // A page of another kind leaves no flights, whatever its frame shows.
        QVERIFY(withFlights(readResultPage("Login", "x"), page.tables(), SeatsWanted{}).flights.isEmpty());
    }

    // Seats on any date are an answer; "no seats" only when every date was
    // read; anything else is not known, with the reason of the first date
    // that is not.
    void anItinerarysDatesComeToOneAnswer_data()
    {
        QTest::addColumn<QString>("marks"); // per date: Y seats, - none, ? not read
        QTest::addColumn<int>("availability");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not checked yet") << "" << int(Availability::NotKnown) << "";
        QTest::newRow("no seats") << "-" << int(Availability::NoSeats) << "";
        QTest::newRow("seats") << "Y" << int(Availability::Seats) << "";
        QTest::newRow("no seats on the days read, one not read")
            << "-?-" << int(Availability::NotKnown) << "the result page did not load";
        QTest::newRow("seats beside a day not read") << "?Y" << int(Availability::Seats) << "the result page did not load";
    }
    void anItinerarysDatesComeToOneAnswer()
    {
        QFETCH(QString, marks);
        QFETCH(int, availability);
        QFETCH(QString, reason);
        const ItineraryResult r = checkedDays(QDate(2027, 2, 1), marks);
        QCOMPARE(int(r.availability()), availability);
        QCOMPARE(r.reason(), reason);
        QCOMPARE(r.pageText().isEmpty(), !marks.contains('Y'));
    }

    // Each itinerary keeps its result when others are added or deleted; a
    // new one and a list loaded again start not checked.
    void resultsFollowTheWatchList()
    {
        WatchList list;
        for (int i = 1; i <= 5; ++i)
            list.add(readItineraryLine(QString("City%1;Perth;01/01/2027;Evening;SYD;PER").arg(i)).itinerary);
        CheckResults results(list);
        QCOMPARE(results.count(), 5);
        results.set(2, checkedDays(QDate(2027, 1, 1), "Y"));
        results.set(4, checkedDays(QDate(2027, 1, 1), "-"));
        list.removeAt(3);
        QCOMPARE(results.count(), 4);
        QCOMPARE(results.at(2).availability(), Availability::Seats);
        QCOMPARE(results.at(3).availability(), Availability::NoSeats); // position 4 moved to 3
        QVERIFY(!results.at(4).checked());
        list.add(list.at(1));
        QCOMPARE(results.count(), 5);
        QVERIFY(!results.at(5).checked());
        list.clear();
        QCOMPARE(results.count(), 0);
        results.set(1, checkedDays(QDate(2027, 1, 1), "Y")); // nowhere to go
        QCOMPARE(results.count(), 0);
    }

    void viewRowsMirrorTheWatchList()
    {
        WatchList list;
        for (int i = 1; i <= 130; ++i)
            list.add(readItineraryLine(QString("City%1;Perth;01/01/2027;Evening;SYD;PER").arg(i)).itinerary);
        CheckResults results(list);
        ResultsViewModel model(list, results, SystemClock::instance());
        results.set(2, checkedDays(QDate(2027, 1, 1), "Y"));
        results.set(3, checkedDays(QDate(2027, 1, 1), "-"));
        QCOMPARE(model.rowCount(), 130); // past the hundred a check makes too: they say why they wait
        QCOMPARE(model.index(129, 0).data().toString(), QString("City130"));
        const auto state = [&model](int row) {
            return Availability(model.index(row, 0).data(ResultsViewModel::kAvailabilityRole).toInt());
        };
        QCOMPARE(state(0), Availability::NotKnown);
        QCOMPARE(state(1), Availability::Seats);
        QCOMPARE(state(2), Availability::NoSeats);
        QCOMPARE(model.data(model.index(1, 3)).toString(), QString("Evening"));
        QCOMPARE(model.headerData(ResultsViewModel::kSeatsColumn, Qt::Horizontal).toString(), QString("Seats"));
        QVERIFY(!model.index(130, 0).isValid());
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
