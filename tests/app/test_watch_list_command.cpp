// zelvane-check --list, --add, --remove, --pause and --resume as a user
// runs them on the watch list: what each says, its exit status, and the
// watch-list file afterwards, by the rules of the itinerary panel.
#include "support/TestSupport.h"

#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QtTest>

using namespace zelvane::test;

namespace {

const QString kSydney = "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL";
const QString kPerthPaused = "Perth;Darwin;03/01/2027;Afternoon;PER;DRW;;;;;;;;;;;;;;;;paused";
const QString kPerth = "Perth;Darwin;03/01/2027;Afternoon;PER;DRW";
const QString kShort = "Adelaide;Hobart;01/02/2027;Morning;ADL";
// Fields a newer copy writes after today's (a leg's stops and hours).
const QString kNewer = "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;0;0;;0;0;;;;;0;07:00-12:00;;;;;later";
const QString kWeek = "Sydney;Melbourne;25/12/2026;Morning;SYD;MEL;Any;1;6"; // 7 searches

QStringList times(int n, const QString& line)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << line;
    return lines;
}

} // namespace

class TestWatchListCommand : public QObject {
    Q_OBJECT

private slots:
    void init() { freshHome(); }

    void eachCommandKeepsThePanelsRules_data()
    {
        QTest::addColumn<QStringList>("before"); // the watch-list file
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on standard output, or standard error when refused
        QTest::addColumn<QStringList>("after");

        const QStringList three{kSydney, kPerthPaused, kShort};
        QTest::newRow("list") << three << QStringList{"--list"} << 0
                              << "2\tPerth\tDarwin\t03/01/2027\tAfternoon\t1 adult\t1 search\tpaused\n" << three;
        QTest::newRow("list: a line that cannot be read")
            << three << QStringList{"--list"} << 0
            << "3\tAdelaide\tHobart\t01/02/2027\tMorning\t1 adult\t0 searches\tcannot be read: it has 5 of the six "
               "fields an itinerary needs\n"
            << three;
        QTest::newRow("add") << QStringList{kSydney}
                             << QStringList{"--add", "Brisbane;Cairns;15/03/2027;Morning;BNE;CNS;Business;2;3"} << 0
                             << "New Itinerary Added! #2 Brisbane → Cairns, 15/03/2027 +3, Morning, 2 adults, "
                                "Business: 4 days = 4 searches; the watch list makes 5 searches per check.\n"
                             << QStringList{kSydney, "Brisbane;Cairns;15/03/2027;Morning;BNE;CNS;Business;2;3"};
        QTest::newRow("add to a full list") << times(100, kSydney) << QStringList{"--add", kPerth} << 11
                                            << "Maximum of 100 itineraries entered." << times(100, kSydney);
        QTest::newRow("add a day gone") << QStringList{kSydney}
                                        << QStringList{"--add", "Perth;Darwin;01/12/2026;Morning;PER;DRW"} << 12
                                        << "Please choose a date from 11/12/2026 to " << QStringList{kSydney};
        QTest::newRow("add past the last day searched")
            << QStringList{kSydney} << QStringList{"--add", "Perth;Darwin;01/06/2028;Morning;PER;DRW"} << 12
            << "the airline's award search goes no further." << QStringList{kSydney};
        QTest::newRow("add a way back before the way out")
            << QStringList{} << QStringList{"--add", "Perth;Darwin;03/01/2027;Morning;PER;DRW;Any;1;0;0;01/01/2027"}
            << 12 << "Please choose a return date on or after the departure date, 03/01/2027." << QStringList{};
        QTest::newRow("add a route to itself") << QStringList{kSydney}
                                               << QStringList{"--add", "Sydney;Sydney;25/12/2026;Morning;SYD;SYD"}
                                               << 13 << "This itinerary cannot be flown: " << QStringList{kSydney};
        QTest::newRow("add a line that cannot be read")
            << QStringList{kSydney} << QStringList{"--add", kShort} << 13
            << "This itinerary cannot be read: it has 5 of the six fields an itinerary needs."
            << QStringList{kSydney};
        QTest::newRow("add past the searches of a check")
            << times(14, kWeek) << QStringList{"--add", "Perth;Darwin;03/01/2027;Morning;PER;DRW;Any;1;2"} << 14
            << "With this itinerary the watch list would make 101 searches per check; the limit is 100. Remove 1 "
               "search first"
            << times(14, kWeek);
        QTest::newRow("remove") << three << QStringList{"--remove", "2"} << 0
                                << "Itinerary Deleted! #2 Perth → Darwin, 03/01/2027, Afternoon, 1 adult\n"
                                << QStringList{kSydney, kShort};
        QTest::newRow("remove past the end") << three << QStringList{"--remove", "4"} << 15
                                             << "There is no itinerary #4: the watch list has 3" << three;
        QTest::newRow("remove from an empty list") << QStringList{} << QStringList{"--remove", "1"} << 15
                                                   << "There Are No Itineraries To Delete" << QStringList{};
        QTest::newRow("pause keeps a newer copy's fields")
            << QStringList{kSydney, kNewer} << QStringList{"--pause", "2"} << 0
            << "#2 Sydney → Melbourne, 25/12/2026, Morning, 1 adult, direct only, 07:00–12:00 paused: kept in the list, not searched.\n"
            << QStringList{kSydney, QString(kNewer).replace(";;;;;later", ";;;paused;;later")};
        QTest::newRow("resume") << three << QStringList{"--resume", "2"} << 0
                                << "#2 Perth → Darwin, 03/01/2027, Afternoon, 1 adult resumed: searched from the "
                                   "next check on.\n"
                                << QStringList{kSydney, kPerth, kShort};
        QTest::newRow("pause what is paused") << three << QStringList{"--pause", "2"} << 0 << "is paused already."
                                              << three;
        QTest::newRow("remove with no number") << three << QStringList{"--remove", "two"} << 64
                                               << "--remove takes the number --list gives an itinerary" << three;
        QTest::newRow("add with no line") << three << QStringList{"--add"} << 64
                                          << "--add takes one watch-list line, in quotes" << three;
        QTest::newRow("list with more") << three << QStringList{"--list", "--all"} << 64 << "--list takes only --json"
                                        << three;
        // Another program holds the list's lock all along: nothing is changed.
        QTest::newRow("busy") << three << QStringList{"--remove", "1", "lock"} << 16
                              << "another program has been changing Query.txt" << three;
        // A program killed as it took the lock left the file empty.
        QTest::newRow("lock left empty") << three << QStringList{"--remove", "1", "empty lock"} << 0
                                         << "Itinerary Deleted! #1" << QStringList{three[1], three[2]};
    }

    void eachCommandKeepsThePanelsRules()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QFETCH(QStringList, after);
        const QString folder = freshFolder("program");
        QVERIFY(QFile::copy(ZELVANE_CHECK_PATH, folder + "/zelvane-check"));
        const QString list = folder + "/Query.txt";
        writeFile(list, before.isEmpty() ? QByteArray() : (before.join("\r\n") + "\r\n").toUtf8());
        QLockFile lock(list + ".lock");
        if (args.removeAll("lock") > 0)
            QVERIFY(lock.tryLock(0));
        if (args.removeAll("empty lock") > 0)
            writeFile(list + ".lock", QByteArray());

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The simulated site's day is today for the rules of dates.
        env.insert("ZELVANE_AIRLINE_URL", "http://127.0.0.1:9");
        p.setProcessEnvironment(env);
        p.start(folder + "/zelvane-check", args);
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == exitCode, qPrintable(QString("exit %1\n%2%3").arg(p.exitCode()).arg(out, err)));
        QVERIFY2((exitCode == 0 ? out : err).contains(said), qPrintable(out + err));
        QStringList lines = QString::fromUtf8(readFile(list)).split("\r\n");
        lines.removeAll(QString());
        QCOMPARE(lines, after);
        QVERIFY(!QFile::exists(list + ".lock") || lock.isLocked());
    }
};

QTEST_GUILESS_MAIN(TestWatchListCommand)
#include "test_watch_list_command.moc"
