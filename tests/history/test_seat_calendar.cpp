// The history's checks folded into a route's days: the last check that was
// made decides seats or none, a search that was not checked leaves what was
// known, the cabins with seats for the party are gathered, and every route,
// a way back included, keeps its own days.
#include "results/CheckRecords.h"
#include "results/SeatCalendar.h"

#include <QtTest>

using namespace zelvane;

namespace {

const QDateTime kFirst(QDate(2026, 12, 1), QTime(10, 0), Qt::UTC);
const QDate kDay(2027, 2, 4);

HistoryCheck checkAt(int session, const QString& from, const QString& to, CheckOutcome outcome,
                     const QList<QStringList>& flights = {}, int adults = 1)
{
    HistoryCheck h;
    h.session = kFirst.addDays(session);
    h.check.key = {from, to, dateText(kDay), "Morning", "Any", adults};
    h.check.outcome = outcome;
    h.check.flights = flights;
    return h;
}

// A check of the watch named `watch`, with the cabins that seated it.
HistoryCheck checkOf(const QString& watch, CheckOutcome outcome, const QStringList& cabins,
                     const QList<QStringList>& flights = {})
{
    HistoryCheck h = checkAt(0, "SYD", "MEL", outcome, flights, 2);
    h.check.key.watch = watch;
    h.check.seatCabins = cabins;
    return h;
}

QStringList flight(const QString& econ, const QString& bus, const QString& first)
{
    return {"09:05 SYD", "10:35 MEL", "QF 401", "738", "0", econ, bus, first};
}

using O = CheckOutcome;

} // namespace

class TestSeatCalendar : public QObject {
    Q_OBJECT

private slots:
    void eachDayTellsWhatItsLastCheckFound_data()
    {
        QTest::addColumn<QList<HistoryCheck>>("checks");
        QTest::addColumn<QString>("route");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("state"); // Availability
        QTest::addColumn<QStringList>("cabins");
        QTest::addColumn<int>("lastChecked"); // the session, -1 for none
        QTest::addColumn<int>("routes");

        const QList<QStringList> business{flight("No", "Yes", "-")};
        QTest::newRow("last outcome wins: seats went")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::Available, business),
                                   checkAt(1, "SYD", "MEL", O::NotAvailable)}
            << "SYD -> MEL" << kDay << int(Availability::NoSeats) << QStringList{} << 1 << 1;
        QTest::newRow("last outcome wins: seats came")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::NotAvailable),
                                   checkAt(1, "SYD", "MEL", O::Available, business)}
            << "SYD -> MEL" << kDay << int(Availability::Seats) << QStringList{"Business"} << 1 << 1;
        QTest::newRow("not checked after seats keeps them")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::Available, business),
                                   checkAt(1, "SYD", "MEL", O::Failed), checkAt(2, "SYD", "MEL", O::LoggedOut)}
            << "SYD -> MEL" << kDay << int(Availability::Seats) << QStringList{"Business"} << 0 << 1;
        QTest::newRow("not checked after no seats keeps them")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::NotAvailable), checkAt(1, "SYD", "MEL", O::Unreadable)}
            << "SYD -> MEL" << kDay << int(Availability::NoSeats) << QStringList{} << 0 << 1;
        QTest::newRow("only ever not checked")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::LoggedOut), checkAt(1, "SYD", "MEL", O::Unreadable)}
            << "SYD -> MEL" << kDay << int(Availability::NotKnown) << QStringList{} << -1 << 1;
        QTest::newRow("never searched")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::Available, business)}
            << "SYD -> MEL" << kDay.addDays(1) << int(Availability::NotKnown) << QStringList{} << -1 << 1;
        QTest::newRow("cabins gathered over the flights, for the party")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::Available,
                                           {flight("No", "1", "No"), flight("2", "-", ""), flight("", "", "Yes")}, 2)}
            << "SYD -> MEL" << kDay << int(Availability::Seats) << QStringList{"Economy", "First"} << 0 << 1;
        QTest::newRow("two routes kept apart")
            << QList<HistoryCheck>{checkAt(0, "SYD", "MEL", O::Available, business),
                                   checkAt(0, "PER", "DRW", O::NotAvailable)}
            << "PER -> DRW" << kDay << int(Availability::NoSeats) << QStringList{} << 0 << 2;

        // Two watches of one route: each keeps its own days, whichever is listed first.
        const HistoryCheck business2 = checkOf("in Business", O::Available, {"Business"}),
                           economy2 = checkOf("in Economy", O::NotAvailable, {});
        QTest::newRow("two watches of a route, the one with seats first")
            << QList<HistoryCheck>{business2, economy2} << "SYD -> MEL (watch in Business)" << kDay
            << int(Availability::Seats) << QStringList{"Business"} << 0 << 2;
        QTest::newRow("two watches of a route, the one with seats second")
            << QList<HistoryCheck>{economy2, business2} << "SYD -> MEL (watch in Business)" << kDay
            << int(Availability::Seats) << QStringList{"Business"} << 0 << 2;
        // The cabins that seated the watch are as its check decided: one
        // seat for two who hear of fewer.
        QTest::newRow("cabins as the check decided them")
            << QList<HistoryCheck>{checkOf("or fewer", O::Available, {"Business"}, {flight("No", "1", "No")})}
            << "SYD -> MEL" << kDay << int(Availability::Seats) << QStringList{"Business"} << 0 << 1;

        // A return journey as a check records it: the way back under its own route.
        Itinerary trip;
        trip.origin = {"Sydney", "SYD"};
        trip.destination = {"Melbourne", "MEL"};
        trip.date = kDay;
        trip.timeOfDay = "Morning";
        trip.returnDate = kDay.addDays(10);
        QList<HistoryCheck> both;
        int day = 0;
        for (const Itinerary::Search& s : trip.plannedSearches()) {
            SearchOutcome o;
            o.date = s.date;
            o.leg = s.leg;
            o.availability = s.leg == Itinerary::Return ? Availability::Seats : Availability::NoSeats;
            o.from = trip.searched(s).origin;
            o.to = trip.searched(s).destination;
            o.flights = {FlightRow::fromCells(flight("Yes", "No", "No"))};
            if (o.seats())
                o.offers = seatOffers(o.flights, seatsWanted(trip, s.leg));
            both << HistoryCheck{kFirst, historyRecord(1, day++, trip, o)};
        }
        QTest::newRow("return leg under its own route")
            << both << "MEL -> SYD" << kDay.addDays(10) << int(Availability::Seats) << QStringList{"Economy"} << 0 << 2;
        QTest::newRow("outbound leg beside it")
            << both << "SYD -> MEL" << kDay << int(Availability::NoSeats) << QStringList{} << 0 << 2;
    }
    void eachDayTellsWhatItsLastCheckFound()
    {
        QFETCH(QList<HistoryCheck>, checks);
        QFETCH(QString, route);
        QFETCH(QDate, day);
        QFETCH(int, state);
        QFETCH(QStringList, cabins);
        QFETCH(int, lastChecked);
        QFETCH(int, routes);

        const QList<RouteCalendar> calendars = seatCalendars(checks);
        QCOMPARE(calendars.size(), routes);
        const auto it = std::find_if(calendars.cbegin(), calendars.cend(),
                                     [&](const RouteCalendar& c) { return c.name == route; });
        QVERIFY(it != calendars.cend());
        const CalendarDay d = it->day(day);
        QCOMPARE(int(d.state), state);
        QStringList names;
        for (Cabin c : d.cabins)
            names << cabinName(c);
        QCOMPARE(names, cabins);
        QCOMPARE(d.lastChecked, lastChecked < 0 ? QDateTime() : kFirst.addDays(lastChecked));
        // What the window's line and tooltip say of it names the same.
        const QString told = dayDescription(d);
        QVERIFY2(told.startsWith(fullDayName(day) + ": "), qPrintable(told));
        if (!cabins.isEmpty())
            QVERIFY2(told.contains("seats in " + cabins.join(", ")), qPrintable(told));
    }
};

QTEST_GUILESS_MAIN(TestSeatCalendar)
#include "test_seat_calendar.moc"
