// The watch list file: loading, composing, saving, and surviving a crash mid-save.
#include "itineraries/CityLists.h"
#include "itineraries/ItineraryEditing.h"
#include "itineraries/WatchList.h"
#include "itineraries/WatchListFile.h"
#include "support/TestSupport.h"

#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

using namespace zelvane;
using namespace zelvane::test;

Q_DECLARE_METATYPE(zelvane::Cabin)

class TestWatchList : public QObject {
    Q_OBJECT

    QString folder;

private slots:
    void init() { folder = freshFolder("store"); }

    void loadTrimsAndSkipsBlankLines()
    {
        writeFile(folder + "/Query.txt",
                  "  Sydney;London;01/02/2009;Morning;SYD;LHR  \r\n"
                  "\r\n"
                  "   \r\n"
                  "Perth;Tokyo;03/04/2027;13:00;PER;NRT\n"   // a bare LF line end
                  "Cairns;Darwin;05/06/2027;Evening;CNS;DRW"); // no last line end
        WatchList store(folder);
        store.load();
        QCOMPARE(store.count(), 3);
        QCOMPARE(store.at(1).origin, (City{"Sydney", "SYD"}));
        QCOMPARE(store.at(2).timeOfDay, QString("13:00"));
        QCOMPARE(store.at(3).destination, (City{"Darwin", "DRW"}));
        QCOMPARE(store.at(3).date, QDate(2027, 6, 5));

        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"),
                 QByteArray("Sydney;London;01/02/2009;Morning;SYD;LHR\r\n"
                            "Perth;Tokyo;03/04/2027;13:00;PER;NRT\r\n"
                            "Cairns;Darwin;05/06/2027;Evening;CNS;DRW\r\n"));
    }

    void missingFileLoadsNothingAndEmptyListSavesZeroBytes()
    {
        WatchList store(folder);
        store.load();
        QCOMPARE(store.count(), 0);
        QVERIFY(!QFile::exists(folder + "/Query.txt"));
        QVERIFY(store.save());
        QVERIFY(QFile::exists(folder + "/Query.txt"));
        QCOMPARE(QFileInfo(folder + "/Query.txt").size(), 0);
    }

    void composesTheLineFromTheChoices()
    {
        CityLists codes;
        codes.names = {"Adelaide", "Albany", "Sydney"};
        codes.codes = {"ADL", " ALH ", "SYD"};
        const std::optional<Itinerary> made = itineraryOf({"Adelaide", 0, "Albany", 1, QDate(2005, 6, 5), " Evening "}, codes);
        QVERIFY(made);
        QCOMPARE(itineraryLine(*made), QString("Adelaide;Albany;05/06/2005;Evening;ADL;ALH"));

        // A choice without a code at its position makes nothing.
        QVERIFY(!itineraryOf({"Sydney", 2, "Nowhere", 3, QDate(2027, 1, 1), "Morning"}, codes));
        QVERIFY(!itineraryOf({"Sydney", 2, "", -1, QDate(2027, 1, 1), "Morning"}, codes));
    }

    // A list written before cabins existed, one with cabins, and lines with
    // adults and extra days all come back from a load and a save byte for
    // byte.
    void watchListsRoundTripUnchanged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<Cabin>>("cabins");
        QTest::addColumn<QList<int>>("adults");
        QTest::addColumn<QList<int>>("extraDays");
        QTest::addColumn<QList<int>>("daysBefore");
        QTest::newRow("six fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON\r\nPerth;Darwin;03/04/2027;13:00;PER;DRW\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any} << QList<int>{1, 1} << QList<int>{0, 0} << QList<int>{0, 0};
        QTest::newRow("seven fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Business\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;first\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER; economy\r\n")
            << QList<Cabin>{Cabin::Business, Cabin::First, Cabin::Any, Cabin::Economy}
            << QList<int>{1, 1, 1, 1} << QList<int>{0, 0, 0, 0} << QList<int>{0, 0, 0, 0};
        QTest::newRow("a cabin this program does not know")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Premium Economy\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;;\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any} << QList<int>{1, 1} << QList<int>{0, 0} << QList<int>{0, 0};
        QTest::newRow("eight fields: adults")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;2\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;Business;9\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;;1\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Business, Cabin::Any} << QList<int>{2, 9, 1}
            << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
        QTest::newRow("nine fields: extra days")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;1;3\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;First;4;6\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Economy;2;0\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::First, Cabin::Economy} << QList<int>{1, 4, 2}
            << QList<int>{3, 6, 0} << QList<int>{0, 0, 0};
        QTest::newRow("adults and days out of range or unreadable")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;0;7\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;Business;10;-1\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any;two;3 days\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER;Any;2;2;later fields\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Business, Cabin::Any, Cabin::Any} << QList<int>{1, 1, 1, 2}
            << QList<int>{0, 0, 0, 2} << QList<int>{0, 0, 0, 0};
        QTest::newRow("ten fields: days before")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;1;0;3\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;First;2;3;2\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any;1;0;0\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER;Any;1;1;1;;0;0;;;;;;;;;;;later fields\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::First, Cabin::Any, Cabin::Any} << QList<int>{1, 2, 1, 1}
            << QList<int>{0, 3, 0, 1} << QList<int>{3, 2, 0, 1};
        QTest::newRow("seventeen fields: nearby airports and fewer seats")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;2;0;0;;0;0;;Melbourne/MEL;Manchester/MAN;fewer\r\n")
            << QList<Cabin>{Cabin::Any} << QList<int>{2} << QList<int>{0} << QList<int>{0};
        QTest::newRow("days before out of range or past seven days in all")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;1;0;4\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;Any;1;6;2\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any;1;5;3\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER;Any;1;2;-1\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any, Cabin::Any, Cabin::Any} << QList<int>{1, 1, 1, 1}
            << QList<int>{0, 6, 5, 2} << QList<int>{0, 0, 1, 0};
    }
    void watchListsRoundTripUnchanged()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<Cabin>, cabins);
        QFETCH(QList<int>, adults);
        QFETCH(QList<int>, extraDays);
        QFETCH(QList<int>, daysBefore);
        writeFile(folder + "/Query.txt", file);
        WatchList store(folder);
        store.load();
        QCOMPARE(store.count(), cabins.size());
        for (int p = 1; p <= store.count(); ++p) {
            QVERIFY(store.readable(p));
            QCOMPARE(store.at(p).cabin, cabins[p - 1]);
            QCOMPARE(store.at(p).adults, adults[p - 1]);
            QCOMPARE(store.at(p).extraDays, extraDays[p - 1]);
            QCOMPARE(store.at(p).daysBefore, daysBefore[p - 1]);
            QCOMPARE(store.at(p).destination.code.size(), 3); // the six fields are as before
        }
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), file);
    }

    // A line ends at its last field that is not the default, so older
    // copies read every line they can.
    void choicesWriteOnlyTheFieldsTheyNeed_data()
    {
        QTest::addColumn<Cabin>("cabin");
        QTest::addColumn<int>("adults");
        QTest::addColumn<int>("extraDays");
        QTest::addColumn<int>("daysBefore");
        QTest::addColumn<QString>("tail"); // after "...;SYD;LON"
        QTest::newRow("1 adult, exact date") << Cabin::Any << 1 << 0 << 0 << "";
        QTest::newRow("economy") << Cabin::Economy << 1 << 0 << 0 << ";Economy";
        QTest::newRow("first") << Cabin::First << 1 << 0 << 0 << ";First";
        QTest::newRow("2 adults") << Cabin::Any << 2 << 0 << 0 << ";Any;2";
        QTest::newRow("3 days later") << Cabin::Any << 1 << 3 << 0 << ";Any;1;3";
        QTest::newRow("business for 2") << Cabin::Business << 2 << 0 << 0 << ";Business;2";
        QTest::newRow("2 days earlier") << Cabin::Any << 1 << 0 << 2 << ";Any;1;0;2";
        QTest::newRow("3 days either side") << Cabin::Economy << 1 << 3 << 3 << ";Economy;1;3;3";
        QTest::newRow("everything") << Cabin::First << 9 << 6 << 0 << ";First;9;6";
    }
    void choicesWriteOnlyTheFieldsTheyNeed()
    {
        QFETCH(Cabin, cabin);
        QFETCH(int, adults);
        QFETCH(int, extraDays);
        QFETCH(int, daysBefore);
        QFETCH(QString, tail);
        CityLists codes;
        codes.names = {"Sydney", "London"};
        codes.codes = {"SYD", "LON"};
        WatchList store(folder);
        ItineraryChoice choice{"Sydney", 0, "London", 1, QDate(2027, 2, 1), "Morning", cabin};
        choice.adults = adults;
        choice.extraDays = extraDays;
        choice.daysBefore = daysBefore;
        store.add(*itineraryOf(choice, codes));
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), ("Sydney;London;01/02/2027;Morning;SYD;LON" + tail + "\r\n").toUtf8());
        WatchList back(folder); // what was written reads back as chosen
        back.load();
        QCOMPARE(back.at(1), store.at(1));
    }

    // The days a flexible itinerary asks about run on over month and year
    // ends and leap days, and a hand-written date is read as the search reads it.
    void departureDatesRunOnFromTheDate_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<QDate>>("dates");
        QTest::newRow("exact date") << "A;B;25/12/2026;Morning;SYD;LON" << QList<QDate>{QDate(2026, 12, 25)};
        QTest::newRow("over a month's end")
            << "A;B;31/01/2027;Morning;SYD;LON;Any;1;2"
            << QList<QDate>{QDate(2027, 1, 31), QDate(2027, 2, 1), QDate(2027, 2, 2)};
        QTest::newRow("over the new year")
            << "A;B;30/12/2026;Morning;SYD;LON;Any;1;3"
            << QList<QDate>{QDate(2026, 12, 30), QDate(2026, 12, 31), QDate(2027, 1, 1), QDate(2027, 1, 2)};
        QTest::newRow("over a leap day")
            << "A;B;28/2/2028;Morning;SYD;LON;Any;1;2"
            << QList<QDate>{QDate(2028, 2, 28), QDate(2028, 2, 29), QDate(2028, 3, 1)};
        QTest::newRow("days before, back over a month's start")
            << "A;B;02/03/2027;Morning;SYD;LON;Any;1;1;3"
            << QList<QDate>{QDate(2027, 2, 27), QDate(2027, 2, 28), QDate(2027, 3, 1), QDate(2027, 3, 2),
                            QDate(2027, 3, 3)};
        QTest::newRow("days before only")
            << "A;B;01/01/2027;Morning;SYD;LON;Any;1;0;2"
            << QList<QDate>{QDate(2026, 12, 30), QDate(2026, 12, 31), QDate(2027, 1, 1)};
    }
    void departureDatesRunOnFromTheDate()
    {
        QFETCH(QString, line);
        QFETCH(QList<QDate>, dates);
        QCOMPARE(readItineraryLine(line).itinerary.dates(), dates);
    }

    // A return journey's fields follow the tenth: its date, its days after
    // and before, and whether only a whole trip counts; the nearby airports
    // follow them. Each reads back as written; a way back or an airport that
    // cannot be read leaves the line unwatched rather than watched for less.
    void returnJourneysKeepTheirWayBack_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("dates");
        QTest::addColumn<int>("searches");
        QTest::addColumn<QString>("problem");
        QTest::newRow("one way") << "A;B;05/02/2027;Morning;SYD;LON" << "05/02/2027" << 1 << "";
        QTest::newRow("a return date") << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;14/02/2027"
                                       << "05/02/2027, back 14/02/2027" << 2 << "";
        QTest::newRow("days either side of both")
            << "A;B;05/02/2027;Morning;SYD;LON;Business;2;1;2;14/02/2027;3;1;trip"
            << "05/02/2027 -2 +1, back 14/02/2027 -1 +3" << 9 << "";
        QTest::newRow("nearby airports")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;;0;0;;Newcastle/NTL|Dallas/Fort Worth/DFW;Manchester/MAN"
            << "05/02/2027" << 6 << "";
        QTest::newRow("nearby airports both ways")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;1;1;0;14/02/2027;0;0;;Newcastle/NTL" << "05/02/2027 +1, back 14/02/2027"
            << 6 << "";
        QTest::newRow("a nearby airport with no code")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;;0;0;;Newcastle" << "" << 0
            << "a nearby airport in it has no city code";
        QTest::newRow("a party told of fewer seats")
            << "A;B;05/02/2027;Morning;SYD;LON;Business;2;0;0;;0;0;;;;fewer" << "05/02/2027" << 1 << "";
        QTest::newRow("a whole trip, fewer seats too")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;3;0;0;14/02/2027;0;0;trip;;;fewer" << "05/02/2027, back 14/02/2027"
            << 2 << "";
        QTest::newRow("paused, and snoozed")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;;0;0;;;;;;;;;paused;12/02/2027" << "05/02/2027" << 1 << "";
        QTest::newRow("a way back that is no date")
            << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;31/02/2027" << "" << 0
            << "its return date \"31/02/2027\" is no day of the calendar";
    }
    void returnJourneysKeepTheirWayBack()
    {
        QFETCH(QString, line);
        QFETCH(QString, dates);
        QFETCH(int, searches);
        QFETCH(QString, problem);
        const ReadLine read = readItineraryLine(line);
        QCOMPARE(read.problem, problem);
        if (!problem.isEmpty())
            return;
        QCOMPARE(read.itinerary.datesText(), dates);
        QCOMPARE(read.itinerary.searches(), searches);
        QCOMPARE(itineraryLine(read.itinerary), line);
        // The way back flies the other way.
        if (read.itinerary.isReturn())
            QCOMPARE(read.itinerary.leg(Itinerary::Return).origin.code, QString("LON"));
    }

    // Each leg's stops and hours go after the fields before them and read
    // back as written; a choice that cannot be read keeps the line from
    // being checked rather than let every flight through.
    void aLegsFlightsAreKeptInItsLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("flights"); // as the list and the alerts name them
        QTest::addColumn<QString>("problem");
        const QString out = "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;;0;0;;;;;";
        const QString both = "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;14/02/2027;0;0;;;;;";
        QTest::newRow("direct only") << out + "0" << "direct only" << "";
        QTest::newRow("at most 2 stops, two adults") << "A;B;05/02/2027;Morning;SYD;LON;Business;2;0;0;;0;0;;;;;2"
                                                     << "at most 2 stops" << "";
        QTest::newRow("hours only") << out + ";07:00-12:00" << "07:00–12:00" << "";
        QTest::newRow("both, past midnight") << out + "1;22:30-06:00" << "at most 1 stop, 22:30–06:00" << "";
        QTest::newRow("direct out in the morning, one stop back")
            << both + "0;07:00-12:00;1" << "outbound direct only, 07:00–12:00; return at most 1 stop" << "";
        QTest::newRow("the way back only") << both + ";;;18:00-23:30" << "return 18:00–23:30" << "";
        QTest::newRow("both legs alike") << both + "0;;0" << "direct only" << "";
        QTest::newRow("stops in words") << out + "two" << "" << "its outbound stops \"two\" or hours \"\" cannot be read";
        QTest::newRow("hours without minutes")
            << out + "0;7-12" << "" << "its outbound stops \"0\" or hours \"7-12\" cannot be read";
        QTest::newRow("no hour 25") << out + ";07:00-25:00" << ""
                                    << "its outbound stops \"\" or hours \"07:00-25:00\" cannot be read";
        QTest::newRow("return stops below none")
            << both + ";;-1" << "" << "its return stops \"-1\" or hours \"\" cannot be read";
    }
    void aLegsFlightsAreKeptInItsLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, flights);
        QFETCH(QString, problem);
        const ReadLine read = readItineraryLine(line);
        QCOMPARE(read.problem, problem);
        if (!problem.isEmpty())
            return;
        QCOMPARE(read.itinerary.flightsText(), flights);
        QCOMPARE(itineraryLine(read.itinerary), line);
        // The choice names the watch: its history and what it was told are
        // its own, apart from the same trip on any flight.
        const QString anyFlight = line.left(line.indexOf(";;;;;") + 1);
        const Itinerary plain = readItineraryLine(anyFlight).itinerary;
        QVERIFY(read.itinerary.identity() != plain.identity());
        // The way back has its own choice.
        if (read.itinerary.isReturn())
            QCOMPARE(read.itinerary.leg(Itinerary::Return).flightsOf(Itinerary::Outbound),
                     read.itinerary.returnFlights);
    }

    // As the date comes near, the days before it that are gone are no
    // longer searched; the date and the days after it stay.
    void daysBeforeStartTomorrow_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<QDate>>("dates");
        const QDate d(2027, 1, 10);
        QTest::newRow("all ahead") << QDate(2027, 1, 6) << QList<QDate>{d.addDays(-3), d.addDays(-2), d.addDays(-1), d, d.addDays(1)};
        QTest::newRow("the first is today") << QDate(2027, 1, 7) << QList<QDate>{d.addDays(-2), d.addDays(-1), d, d.addDays(1)};
        QTest::newRow("the date is tomorrow") << QDate(2027, 1, 9) << QList<QDate>{d, d.addDays(1)};
        // Gone is gone: the date itself is not searched once it has left.
        QTest::newRow("the date has gone") << QDate(2027, 1, 10) << QList<QDate>{d.addDays(1)};
        QTest::newRow("all gone") << QDate(2027, 1, 12) << QList<QDate>{};
        QTest::newRow("the last days not bookable yet") << d.addDays(-353) << QList<QDate>{d.addDays(-3), d.addDays(-2), d.addDays(-1), d};
    }
    void daysBeforeStartTomorrow()
    {
        QFETCH(QDate, today);
        QFETCH(QList<QDate>, dates);
        const Itinerary it = readItineraryLine("A;B;10/01/2027;Morning;SYD;LON;Any;1;1;3").itinerary;
        QCOMPARE(it.dates(today), dates);
        QCOMPARE(it.searches(today), dates.size());
    }

    // A line that is no itinerary is kept as it stands, says why, and makes
    // no search; the others around it are read as usual.
    void aLineThatCannotBeReadIsKeptAndTold_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("why");
        QTest::newRow("no such day") << "A;B;31/02/2027;Morning;SYD;LON" << "its date \"31/02/2027\" is no day of the calendar";
        QTest::newRow("words") << "A;B;tomorrow;Morning;SYD;LON" << "its date \"tomorrow\" is no day of the calendar";
        QTest::newRow("empty date") << "A;B;;Morning;SYD;LON" << "its date \"\" is no day of the calendar";
        QTest::newRow("two parts") << "A;B;01/2027;Morning;SYD;LON" << "its date \"01/2027\" is no day of the calendar";
        QTest::newRow("two-digit year") << "A;B;25/12/06;Morning;SYD;LON" << "its date \"25/12/06\" is no day of the calendar";
        QTest::newRow("signed year") << "A;B;25/12/+206;Morning;SYD;LON" << "its date \"25/12/+206\" is no day of the calendar";
        QTest::newRow("four fields") << "Sydney;London;01/02/2009;Evening" << "it has 4 of the six fields an itinerary needs";
        QTest::newRow("no code") << "A;B;01/02/2027;Morning;;LON" << "it has no city code";
        QTest::newRow("one city at both ends") << "Sydney;Sydney;01/02/2027;Morning;SYD;SYD" << "Sydney is at both ends of it";
        QTest::newRow("a nearby city at the other end")
            << "Sydney;Newcastle;01/02/2027;Morning;SYD;NTL;Any;1;0;0;;0;0;;Newcastle/NTL" << "Newcastle is at both ends of it";
        QTest::newRow("back before out") << "A;B;05/02/2027;Morning;SYD;LON;Any;1;0;0;01/02/2027"
                                         << "its way back, 01/02/2027, leaves before its way out, 05/02/2027";
    }
    void aLineThatCannotBeReadIsKeptAndTold()
    {
        QFETCH(QString, line);
        QFETCH(QString, why);
        const QByteArray file = ("Sydney;London;01/02/2027;Morning;SYD;LON\r\n" + line + "\r\n"
                                 "Perth;Darwin;03/04/2027;13:00;PER;DRW;Any;1;2\r\n").toUtf8();
        writeFile(folder + "/Query.txt", file);
        WatchList store(folder);
        store.load();
        QCOMPARE(store.count(), 3);
        QCOMPARE(store.problem(2), why);
        QVERIFY(store.readable(1) && store.readable(3));
        QCOMPARE(store.problems(), QStringList{"Itinerary #2 of Query.txt cannot be read (" + why
                                               + "): the line is kept as it is and not checked"});
        QCOMPARE(store.searchesPerCheck(), 1 + 3);
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), file);
    }

    void removeMovesLaterLinesUp()
    {
        WatchList store(folder);
        for (const char* l : {"A;B;01/02/2027;Morning;SYD;LON", "C;D;01/02/2027;Morning;PER;DRW",
                              "E;F;01/02/2027;Morning;CNS;HBA"})
            store.add(readItineraryLine(l).itinerary);
        store.removeAt(2);
        QCOMPARE(store.count(), 2);
        QCOMPARE(store.at(2).origin.name, QString("E"));
        store.removeAt(9); // nothing there
        QCOMPARE(store.count(), 2);
    }

    void handEditedListOverAHundredLosesNothing()
    {
        QByteArray file;
        for (int i = 1; i <= 130; ++i)
            file += QByteArray("City") + QByteArray::number(i) + ";B;01/01/2027;Morning;AAA;BBB\r\n";
        writeFile(folder + "/Query.txt", file);
        WatchList store(folder);
        store.load();
        QCOMPARE(store.count(), 130);
        QCOMPARE(store.searchesPerCheck(), 100); // a session goes through the first 100 only
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), file);
    }

    void aSaveKilledHalfWayLeavesTheOldFileWhole()
    {
        const QByteArray old = "Sydney;London;01/02/2009;Morning;SYD;LHR\r\n";
        writeFile(folder + "/Query.txt", old);
        WatchList store(folder);
        for (int i = 0; i < 100; ++i)
            store.add(readItineraryLine(QString("Melbourne%1;Los Angeles;24/12/2027;23:00;MEL;LAX").arg(i)).itinerary);

        // The child may write only a few hundred bytes: the kernel kills it
        // (SIGXFSZ) in the middle of the save.
        const pid_t child = fork();
        if (child == 0) {
            rlimit limit{512, 512};
            setrlimit(RLIMIT_FSIZE, &limit);
            store.save();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGXFSZ);
        QCOMPARE(readFile(folder + "/Query.txt"), old);

        // The next save goes through and replaces it, keeping the line the
        // file held, which this list never read.
        QVERIFY(store.save());
        WatchList back(folder);
        back.load();
        QCOMPARE(back.count(), 101);
    }
};

QTEST_GUILESS_MAIN(TestWatchList)
#include "test_watch_list.moc"
