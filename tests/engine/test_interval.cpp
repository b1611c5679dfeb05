// The interval controls and the pause scale.
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
    void controlsShowTheStoredInterval_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("combo1");
        QTest::addColumn<QString>("txtTIme");
        QTest::newRow("24 hours") << 1 << 24 << 1 << "";
        QTest::newRow("48 hours") << 1 << 48 << 3 << "";
        QTest::newRow("hours not offered") << 1 << 6 << -1 << "";
        QTest::newRow("minutes") << 0 << 24 << -1 << "10";
        QTest::newRow("days") << 2 << 24 << -1 << "1";
    }
    void controlsShowTheStoredInterval()
    {
        QFETCH(int, unit);
        QFETCH(int, hours);
        QFETCH(int, combo1);
        QFETCH(QString, txtTIme);
        Settings s(area, clock, "/p");
        s.intervalChoice = qint16(unit);
        s.intervalHours = qint16(hours);
        s.intervalMinutes = 10;
        s.intervalDays = 1;
        const IntervalControls c = loadIntervalControls(s);
        QCOMPARE(c.combo3Index, unit);
        QCOMPARE(c.combo1Index, combo1);
        QCOMPARE(c.txtTIme, txtTIme);
    }

    void countBoxStoresTheIntervalOfItsUnit()
    {
        Settings s(area, clock, "/p");
        s.intervalChoice = 1;
        QCOMPARE(setIntervalCount(s, "36", "36 Hours"), std::optional<int>(2));
        QCOMPARE(s.intervalHours, qint16(36));
        setIntervalUnit(s, 0);
        QCOMPARE(s.intervalChoice, qint16(0));
        QCOMPARE(setIntervalCount(s, " 45 ", "36 Hours"), std::nullopt);
        QCOMPARE(s.intervalMinutes, qint16(45));
        setIntervalUnit(s, 2);
        setIntervalCount(s, "3", "");
        QCOMPARE(s.intervalDays, qint16(3));
        setIntervalCount(s, "soon", ""); // not a number: the count stays
        QCOMPARE(s.intervalDays, qint16(3));
        QCOMPARE(intervalChoices().value(3), QString("48 Hours"));
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
