// City names and codes: start-up load, cutting the arrays out of a page, and
// the rule that only a longer web list is saved.
#include "itineraries/CityLists.h"
#include "support/TestSupport.h"

#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

QString page(const QStringList& names, const QStringList& codes)
{
    const auto quoted = [](const QStringList& l) {
        QStringList q;
        for (const QString& s : l)
            q << '"' + s + '"';
        return q.join(',');
    };
    return "<html><head><script>\nvar x=1;\ndepartureValues=new Array(" + quoted(names)
           + ");\nvar departureKeys=new Array(" + quoted(codes) + ");\n</script></head></html>";
}

QStringList numbered(const QString& stem, int n)
{
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << stem + QString::number(i);
    return l;
}

} // namespace

class TestCityLists : public QObject {
    Q_OBJECT

    QString folder;

private slots:
    void init() { folder = freshFolder("cities"); }

    void startupLoadTrimsAndKeepsEmptyLines()
    {
        writeFile(folder + "/City.txt", " Adelaide \r\n\r\nAlbany");
        writeFile(folder + "/City Code.txt", "ADL\r\n\r\nALH\r\n");
        CityLists c(folder);
        c.load();
        QCOMPARE(c.names, QStringList({"Adelaide", "", "Albany"}));
        QCOMPARE(c.codes, QStringList({"ADL", "", "ALH"}));
    }

    void arrayTextSplitsAtEveryComma_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("quoted names") << "\"Adelaide\",\"Albany\"" << QStringList{"Adelaide", "Albany"};
        QTest::newRow("blanks around a comma")
            << "\"Adelaide\" ,  \"Albany\",\"Alice Springs\""
            << QStringList{"Adelaide", "Albany", "Alice Springs"};
        QTest::newRow("trailing comma") << "\"A\",\"B\"," << QStringList{"A", "B", ""};
        QTest::newRow("comma inside a name") << "\"Ballina, Byron\"" << QStringList{"Ballina", "Byron"};
        QTest::newRow("empty") << "" << QStringList{};
        // Each entry is one line of its file; a break inside would shift the rest.
        QTest::newRow("line breaks inside a name")
            << "\"Alice\r\nSprings\",\"Ho\nbart\",\"Perth\r\"" << QStringList{"Alice  Springs", "Ho bart", "Perth"};
    }
    void arrayTextSplitsAtEveryComma()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        CityLists c(folder);
        c.takeCityNames(text);
        QCOMPARE(c.webNames, entries);
        c.takeCityCodes(text);
        QCOMPARE(c.webCodes, entries);
    }

    void cutTakesWhatLiesBetweenMarkerAndClose()
    {
        const QString markup = page({"Adelaide", "Albany"}, {"ADL", "ALH"});
        QCOMPARE(cutArrayText(markup, kNamesMarker, kNamesOffset),
                 std::optional<QString>("\"Adelaide\",\"Albany\""));
        QCOMPARE(cutArrayText(markup, kCodesMarker, kCodesOffset),
                 std::optional<QString>("\"ADL\",\"ALH\""));
        // Without a marker, or without a close after it, nothing is cut.
        QVERIFY(!cutArrayText("no arrays here);", kNamesMarker, kNamesOffset));
        QVERIFY(!cutArrayText("departureValues=new Array(\"A\"", kNamesMarker, kNamesOffset));
        QVERIFY(!cutArrayText("var departureKeys=new Array);", kCodesMarker, kCodesOffset));
    }

    void onlyALongerWebListIsSaved()
    {
        writeFile(folder + "/City.txt", numbered("City", 120).join("\r\n").toUtf8() + "\r\n");
        writeFile(folder + "/City Code.txt", ""); // empty: any web list is longer
        CityLists c(folder);
        c.load();
        QCOMPARE(c.names.size(), 120);
        const QByteArray before = readFile(folder + "/City.txt");

        QVERIFY(c.readCitiesFromMarkup(page(numbered("Web", 119), {"ADL"})));
        QCOMPARE(c.webNames.size(), 119);
        QCOMPARE(readFile(folder + "/City.txt"), before);
        QCOMPARE(readFile(folder + "/City Code.txt"), QByteArray("ADL\r\n"));

        QVERIFY(c.readCitiesFromMarkup(page(numbered("Web", 121), {"ADL"})));
        QCOMPARE(readFile(folder + "/City.txt"), numbered("Web", 121).join("\r\n").toUtf8() + "\r\n");
        // What was written is what the program now looks codes up in.
        QCOMPARE(c.names, numbered("Web", 121));
        QCOMPARE(c.codes, QStringList{"ADL"});
    }

    // A site list that inserts a city moves every later one down a line: a
    // drop-down still showing the old list must not give its neighbour's code.
    void codesFollowTheNamesAfterARewrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("code");
        QTest::newRow("old drop-down, Sydney") << "Sydney" << 1 << "SYD";
        QTest::newRow("old drop-down, Melbourne") << "Melbourne" << 0 << "MEL";
        QTest::newRow("new drop-down, Ballina") << "Ballina" << 0 << "BNK";
        QTest::newRow("new drop-down, Sydney") << "Sydney" << 2 << "SYD";
        QTest::newRow("a city the site dropped") << "Tamworth" << 3 << "";
    }
    void codesFollowTheNamesAfterARewrite()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QString, code);
        writeFile(folder + "/City.txt", "Melbourne\r\nSydney\r\nTamworth\r\n");
        writeFile(folder + "/City Code.txt", "MEL\r\nSYD\r\nTMW\r\n");
        CityLists c(folder);
        c.load();
        const int before = c.revision();
        QVERIFY(c.readCitiesFromMarkup(page({"Ballina", "Melbourne", "Sydney", "Wagga", "Young"},
                                          {"BNK", "MEL", "SYD", "WGA", "NTL"})));
        QCOMPARE(c.revision(), before + 2);
        QCOMPARE(c.codeFor(name, index).value_or(QString()), code);
    }

    void markupWithoutMarkersCutsAndSavesNothing()
    {
        CityLists c(folder);
        c.webNames = {"stale"};
        QVERIFY(!c.readCitiesFromMarkup("<html><body>Login);</body></html>"));
        QVERIFY(c.webNames.isEmpty());
        QVERIFY(c.webCodes.isEmpty());
        QVERIFY(!QFile::exists(folder + "/City.txt"));
        QVERIFY(!QFile::exists(folder + "/City Code.txt"));
    }

    void aSaveKilledHalfWayLeavesTheOldFileWhole()
    {
        writeFile(folder + "/City.txt", "Adelaide\r\n");
        CityLists c(folder);
        c.webNames = numbered("A rather long city name number ", 100);
        const pid_t child = fork();
        if (child == 0) {
            rlimit limit{256, 256};
            setrlimit(RLIMIT_FSIZE, &limit);
            c.saveCityNames();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(readFile(folder + "/City.txt"), QByteArray("Adelaide\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCityLists)
#include "test_city_lists.moc"
