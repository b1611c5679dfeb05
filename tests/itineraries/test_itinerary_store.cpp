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

    // A list written before cabins existed, and one with cabins, both come
    // back from a load and a save byte for byte.
    void watchListsRoundTripUnchanged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<Cabin>>("cabins");
        QTest::newRow("six fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON\r\nPerth;Darwin;03/04/2027;13:00;PER;DRW\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any};
        QTest::newRow("seven fields")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Business\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;first\r\n"
                          "Cairns;Hobart;05/06/2027;Evening;CNS;HBA;Any\r\n"
                          "Adelaide;Perth;07/08/2027;Evening;ADL;PER; economy\r\n")
            << QList<Cabin>{Cabin::Business, Cabin::First, Cabin::Any, Cabin::Economy};
        QTest::newRow("a cabin this program does not know")
            << QByteArray("Sydney;London;01/02/2027;Morning;SYD;LON;Premium Economy\r\n"
                          "Perth;Darwin;03/04/2027;13:00;PER;DRW;;\r\n")
            << QList<Cabin>{Cabin::Any, Cabin::Any};
    }
    void watchListsRoundTripUnchanged()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<Cabin>, cabins);
        writeFile(folder + "/Query.txt", file);
        ItineraryStore store(folder);
        store.load();
        QCOMPARE(store.count(), cabins.size());
        for (int p = 1; p <= store.count(); ++p) {
            QCOMPARE(cabinOfLine(store.line(p)), cabins[p - 1]);
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
