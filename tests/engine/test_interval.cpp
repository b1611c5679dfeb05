// The stored interval, the lockout's minutes and the pause scale.
#include "app/Settings.h"
#include "engine/Scheduler.h"
#include "net/Addresses.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

class TestInterval : public QObject {
    Q_OBJECT

    MemorySettingsArea area;
    VirtualClock clock;

private slots:
    // Hours are the one unit on offer; a file with another unit, or with
    // none of them, has no interval until the user chooses one.
    void storedIntervalIsShownWhenOffered_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<int>("everyHours");
        QTest::addColumn<int>("shown");
        QTest::newRow("24 hours") << "1" << "24" << 24 << 1;
        QTest::newRow("48 hours") << "1" << "48" << 48 << 3;
        QTest::newRow("hours not offered") << "1" << "6" << 6 << -1;
        QTest::newRow("no hours") << "1" << "0" << 0 << -1;
        QTest::newRow("minutes") << "0" << "24" << 0 << -1;
        QTest::newRow("days") << "2" << "24" << 0 << -1;
    }
    void storedIntervalIsShownWhenOffered()
    {
        QFETCH(QString, unit);
        QFETCH(QString, hours);
        QFETCH(int, everyHours);
        QFETCH(int, shown);
        area.values = {{"TimeIndex", unit}, {"TimeHou", hours}};
        Settings s(area, clock, "/p");
        QVERIFY(s.load().ok());
        QCOMPARE(s.schedule->everyHours, everyHours);
        QCOMPARE(intervalIndexOf(s.schedule->everyHours), shown);
    }

    void minutesCountAsChangesOfTheClocksMinute()
    {
        const QDateTime lock(QDate(2026, 12, 8), QTime(10, 0, 30));
        QCOMPARE(minuteChangesBetween(lock, lock.addSecs(29)), 0);
        QCOMPARE(minuteChangesBetween(lock, lock.addSecs(30)), 1);
        QCOMPARE(minuteChangesBetween(lock, QDateTime(QDate(2026, 12, 8), QTime(10, 15, 59))), 15);
        QCOMPARE(minuteChangesBetween(lock, QDateTime(QDate(2026, 12, 8), QTime(10, 16, 0))), 16);
    }

    void pausesShortenOnlyAgainstAnotherSite()
    {
        qputenv("ZELVANE_TIME_SCALE", "0.01");
        qunsetenv("ZELVANE_AIRLINE_URL");
        QCOMPARE(timeScale(), 1.0);
        qputenv("ZELVANE_AIRLINE_URL", "https://127.0.0.1:4443/");
        QCOMPARE(timeScale(), 0.01);
        QCOMPARE(airlineBase(), QString("https://127.0.0.1:4443"));
        // Empty, "/", blank, or the real site spelt another way: still the real site.
        for (const char* real : {"", "/", "   ", " HTTPS://www.Qantas.com.au/ "}) {
            qputenv("ZELVANE_AIRLINE_URL", real);
            QCOMPARE(timeScale(), 1.0);
        }
        qputenv("ZELVANE_AIRLINE_URL", "https://127.0.0.1:4443/");
        qputenv("ZELVANE_TIME_SCALE", "-3");
        QCOMPARE(timeScale(), 1.0);
        qunsetenv("ZELVANE_AIRLINE_URL");
        QCOMPARE(airlineBase(), QString("https://www.qantas.com.au"));
    }
};

QTEST_GUILESS_MAIN(TestInterval)
#include "test_interval.moc"
