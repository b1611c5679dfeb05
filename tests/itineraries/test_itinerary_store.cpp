// The watch list file: loading, composing, saving, and surviving a crash mid-save.
#include "itineraries/CityLists.h"
#include "itineraries/ItineraryStore.h"
#include "support/TestSupport.h"

#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

using namespace zelvane;
using namespace zelvane::test;

Q_DECLARE_METATYPE(zelvane::Cabin)

class TestItineraryStore : public QObject {
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
        ItineraryStore store(folder);
        store.load();
        QCOMPARE(store.count(), 3);
        QCOMPARE(store.line(1), QString("Sydney;London;01/02/2009;Morning;SYD;LHR"));
        QCOMPARE(store.line(2), QString("Perth;Tokyo;03/04/2027;13:00;PER;NRT"));
        QCOMPARE(store.line(3), QString("Cairns;Darwin;05/06/2027;Evening;CNS;DRW"));

        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"),
                 QByteArray("Sydney;London;01/02/2009;Morning;SYD;LHR\r\n"
                            "Perth;Tokyo;03/04/2027;13:00;PER;NRT\r\n"
                            "Cairns;Darwin;05/06/2027;Evening;CNS;DRW\r\n"));
    }

    void missingFileLoadsNothingAndEmptyListSavesZeroBytes()
    {
        ItineraryStore store(folder);
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
        ItineraryStore store(folder);
        QVERIFY(store.add(
            {"Adelaide", 0, "Albany", 1, QDate(2005, 6, 5), " Evening "}, codes));
        QCOMPARE(store.line(1), QString("Adelaide;Albany;05/06/2005;Evening;ADL;ALH"));
        QCOMPARE(itineraryCells(store.line(1))[2].size(), 10);

        // A choice without a code at its position appends nothing.
        QVERIFY(!store.add({"Sydney", 2, "Nowhere", 3, QDate(2027, 1, 1), "Morning"},
                                         codes));
        QVERIFY(!store.add({"Sydney", 2, "", -1, QDate(2027, 1, 1), "Morning"},
                                         codes));
        QCOMPARE(store.count(), 1);
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
        QTest::newRow("six fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON\r\nPerth;Darwin;03/04/2027;13:00;PER;DRW\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any} << QList<int>{1, 1} << QList<int>{0, 0};
        QTest::newRow("seven fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Business\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;first\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER; economy\r\n")
            << QList<Cabin>{Cabin::Business, Cabin::First, Cabin::Any, Cabin::Economy}
            << QList<int>{1, 1, 1, 1} << QList<int>{0, 0, 0, 0};
        QTest::newRow("a cabin this program does not know")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Premium Economy\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;;\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any} << QList<int>{1, 1} << QList<int>{0, 0};
        QTest::newRow("eight fields: adults")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;2\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;Business;9\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;;1\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Business, Cabin::Any} << QList<int>{2, 9, 1}
            << QList<int>{0, 0, 0};
        QTest::newRow("nine fields: extra days")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;1;3\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;First;4;6\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Economy;2;0\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::First, Cabin::Economy} << QList<int>{1, 4, 2}
            << QList<int>{3, 6, 0};
        QTest::newRow("adults and days out of range or unreadable")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Any;0;7\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;Business;10;-1\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any;two;3 days\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER;Any;2;2;later fields\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Business, Cabin::Any, Cabin::Any} << QList<int>{1, 1, 1, 2}
            << QList<int>{0, 0, 0, 2};
    }
    void watchListsRoundTripUnchanged()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<Cabin>, cabins);
        QFETCH(QList<int>, adults);
        QFETCH(QList<int>, extraDays);
        writeFile(folder + "/Query.txt", file);
        ItineraryStore store(folder);
        store.load();
        QCOMPARE(store.count(), cabins.size());
        for (int p = 1; p <= store.count(); ++p) {
            QCOMPARE(cabinOfLine(store.line(p)), cabins[p - 1]);
            QCOMPARE(adultsOfLine(store.line(p)), adults[p - 1]);
            QCOMPARE(extraDaysOfLine(store.line(p)), extraDays[p - 1]);
            QCOMPARE(itineraryCells(store.line(p))[5].size(), 3); // the six cells are as before
        }
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), file);
    }

    void aChosenCabinIsTheSeventhField()
    {
        CityLists codes;
        codes.names = {"Sydney", "London"};
        codes.codes = {"SYD", "LON"};
        ItineraryStore store(folder);
        for (Cabin c : {Cabin::Any, Cabin::Economy, Cabin::Business, Cabin::First})
            QVERIFY(store.add({"Sydney", 0, "London", 1, QDate(2027, 2, 1), "Morning", c}, codes));
        QCOMPARE(store.lines(), QStringList({"Sydney;London;01/02/2027;Morning;SYD;LON",
                                             "Sydney;London;01/02/2027;Morning;SYD;LON;Economy",
                                             "Sydney;London;01/02/2027;Morning;SYD;LON;Business",
                                             "Sydney;London;01/02/2027;Morning;SYD;LON;First"}));
    }

    // A line ends at its last field that is not the default, so older
    // copies read every line they can.
    void choicesWriteOnlyTheFieldsTheyNeed_data()
    {
        QTest::addColumn<Cabin>("cabin");
        QTest::addColumn<int>("adults");
        QTest::addColumn<int>("extraDays");
        QTest::addColumn<QString>("tail"); // after "...;SYD;LON"
        QTest::newRow("1 adult, exact date") << Cabin::Any << 1 << 0 << "";
        QTest::newRow("2 adults") << Cabin::Any << 2 << 0 << ";Any;2";
        QTest::newRow("3 days later") << Cabin::Any << 1 << 3 << ";Any;1;3";
        QTest::newRow("business for 2") << Cabin::Business << 2 << 0 << ";Business;2";
        QTest::newRow("everything") << Cabin::First << 9 << 6 << ";First;9;6";
    }
    void choicesWriteOnlyTheFieldsTheyNeed()
    {
        QFETCH(Cabin, cabin);
        QFETCH(int, adults);
        QFETCH(int, extraDays);
        QFETCH(QString, tail);
        CityLists codes;
        codes.names = {"Sydney", "London"};
        codes.codes = {"SYD", "LON"};
        ItineraryStore store(folder);
        ItineraryChoice choice{"Sydney", 0, "London", 1, QDate(2027, 2, 1), "Morning", cabin};
        choice.adults = adults;
        choice.extraDays = extraDays;
        QVERIFY(store.add(choice, codes));
        QVERIFY(store.save());
        QCOMPARE(readFile(folder + "/Query.txt"), ("Sydney;London;01/02/2027;Morning;SYD;LON" + tail + "\r\n").toUtf8());
        ItineraryStore back(folder); // what was written reads back as chosen
        back.load();
        QCOMPARE(cabinOfLine(back.line(1)), cabin);
        QCOMPARE(adultsOfLine(back.line(1)), adults);
        QCOMPARE(extraDaysOfLine(back.line(1)), extraDays);
    }

    // The dates a flexible itinerary's searches ask for run on over month and
    // year ends and leap days; a hand-written date is searched as written.
    void searchedDatesRunOnFromTheDate_data()
    {
        QTest::addColumn<QString>("dateCell");
        QTest::addColumn<int>("extraDays");
        QTest::addColumn<QStringList>("searched");
        QTest::newRow("exact date") << "25/12/2026" << 0 << QStringList{"25/12/2026"};
        QTest::newRow("over a month's end")
            << "31/01/2027" << 2 << QStringList{"31/01/2027", "01/02/2027", "02/02/2027"};
        QTest::newRow("over the new year")
            << "30/12/2026" << 3 << QStringList{"30/12/2026", "31/12/2026", "01/01/2027", "02/01/2027"};
        QTest::newRow("over a leap day")
            << "28/2/2028" << 2 << QStringList{"28/2/2028", "29/02/2028", "01/03/2028"};
        QTest::newRow("unreadable date") << "31/02/2027" << 3 << QStringList{"31/02/2027"};
    }
    void searchedDatesRunOnFromTheDate()
    {
        QFETCH(QString, dateCell);
        QFETCH(int, extraDays);
        QFETCH(QStringList, searched);
        QCOMPARE(searchedDateCells(dateCell, extraDays), searched);
    }

    void linesSplitIntoSixCells()
    {
        const ItineraryCells shortLine = itineraryCells("Sydney;London;01/02/2009;Evening");
        QCOMPARE(shortLine[3], QString("Evening"));
        QCOMPARE(shortLine[4], QString());
        QCOMPARE(shortLine[5], QString());
        const ItineraryCells longLine = itineraryCells("a;b;c;d;e;f;g;h");
        QCOMPARE(longLine[5], QString("f"));
    }

    void removeMovesLaterLinesUp()
    {
        ItineraryStore store(folder);
        for (const char* l : {"a;1", "b;2", "c;3"})
            store.append(l);
        store.removeAt(2);
        QCOMPARE(store.lines(), QStringList({"a;1", "c;3"}));
        store.removeAt(9); // nothing there
        QCOMPARE(store.count(), 2);
    }

    void handEditedListOverAHundredLosesNothing()
    {
        QByteArray file;
        for (int i = 1; i <= 130; ++i)
            file += QByteArray("City") + QByteArray::number(i) + ";B;01/01/2027;Morning;AAA;BBB\r\n";
        writeFile(folder + "/Query.txt", file);
        ItineraryStore store(folder);
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
        ItineraryStore store(folder);
        for (int i = 0; i < 100; ++i)
            store.append(QString("Melbourne%1;Los Angeles;24/12/2027;23:00;MEL;LAX").arg(i));

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

        // The next save goes through and replaces it.
        QVERIFY(store.save());
        ItineraryStore back(folder);
        back.load();
        QCOMPARE(back.count(), 100);
    }
};

QTEST_GUILESS_MAIN(TestItineraryStore)
#include "test_itinerary_store.moc"
