// The history file: what a session writes is there after a restart, a new or
// empty file gets its tables, a bad file is moved aside while a busy or
// unopenable one is waited for and kept, a session the file could not take
// still counts, old checks go, and what counts as a change.
#include "history/HistoryExport.h"
#include "results/HistoryLines.h"
#include "history/HistoryStore.h"
#include "history/HistorySchema.h"
#include "results/AnnouncedSeats.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <ctime>
#include <future>
#include <thread>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
const ItineraryKey kSydMel{"SYD", "MEL", "25/12/2026", "Morning", "Any"};
const ItineraryKey kPerDrw{"PER", "DRW", "03/01/2027", "Evening", "Business"};
const QList<QStringList> kFlights = {{"09:05 SYD", "11:15 MEL", "QF 401", "738", "0", "Yes", "No", "No"},
                                     {"13:05 SYD", "15:15 MEL", "QF 9, \"late\"", "738", "1", "No", "", "4"}};

CheckRecord check(int position, const ItineraryKey& key, CheckOutcome outcome,
                  const QList<QStringList>& flights = {})
{
    CheckRecord c;
    c.position = position;
    c.key = key;
    c.outcome = outcome;
    c.flights = flights;
    return c;
}

// Records one session and gives back its records as the store marked them.
// Records a session; its checks come back with whether each is news,
// judged as a session judges them before it is recorded.
QList<CheckRecord> record(HistoryStore& store, const QDateTime& at, QList<CheckRecord> checks)
{
    AnnouncedSeats().markNews(checks, store);
    store.recordSession(at, true, checks);
    return checks;
}

// A PRAGMA's answer, asked on a connection of the test's own.
QVariant pragma(const QString& file, const QString& name)
{
    QVariant v;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("PRAGMA " + name) && q.next())
                v = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("probe");
    return v;
}

QStringList brokenFiles(const QString& folder)
{
    return QDir(folder).entryList({"history-broken-*"}, QDir::Files);
}

// Another program's connection to the history holding a lock on it until
// this goes: the write lock, or (`everything`) every access.
class Hold {
public:
    Hold(const QString& file, bool everything) : name_(everything ? "hold-all" : "hold-write")
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(file);
        db.open();
        QSqlQuery q(db);
        if (everything)
            q.exec("PRAGMA locking_mode=EXCLUSIVE");
        held_ = q.exec("BEGIN EXCLUSIVE") && q.exec("DELETE FROM sessions WHERE id < 0");
    }
    ~Hold()
    {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    bool held() const { return held_; }

private:
    QString name_;
    bool held_ = false;
};

enum class Fault { LockedForAMoment, LockedPastTheWait, HeldFromTheStart, JournalUnopenable, Damaged };

} // namespace

Q_DECLARE_METATYPE(zelvane::CheckOutcome)
Q_DECLARE_METATYPE(Fault)

class TestHistory : public QObject {
    Q_OBJECT

    QString folder;

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }
    void init() { folder = freshFolder("history"); }

    void sessionsAreThereAfterARestart()
    {
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow));
            record(store, kNow, {check(1, kSydMel, CheckOutcome::Available, kFlights),
                                 check(2, kPerDrw, CheckOutcome::NotAvailable)});
            record(store, kNow.addSecs(43200), {check(1, kSydMel, CheckOutcome::NotAvailable),
                                                check(2, kPerDrw, CheckOutcome::LoggedOut)});
            const QString notice = store.takeNotice();
            QVERIFY2(notice.isEmpty(), qPrintable(notice));
        }
        HistoryStore store;
        QVERIFY(store.open(folder, kNow.addDays(1)));
        const QList<HistoryCheck> all = store.checks();
        QCOMPARE(all.size(), 4);
        QCOMPARE(all[0].session, kNow);
        QCOMPARE(all[0].check.key, kSydMel);
        QCOMPARE(all[0].check.flights, kFlights);
        QCOMPARE(all[1].check.key, kPerDrw);
        QCOMPARE(all[3].check.outcome, CheckOutcome::LoggedOut);
        QCOMPARE(all[3].session, kNow.addSecs(43200));

        const QList<HistoryCheck> last = store.checks(1);
        QCOMPARE(last.size(), 2);
        QCOMPARE(last[0].session, kNow.addSecs(43200));

        const QList<ItinerarySummary> s = store.summaries({kSydMel, kPerDrw, {"ADL", "HBA", "", "", "Any"}});
        QVERIFY(s[0].lastOutcome == CheckOutcome::NotAvailable);
        QCOMPARE(s[0].lastTime, kNow.addSecs(43200));
        QCOMPARE(s[0].lastAvailable, kNow);
        QVERIFY(s[1].lastOutcome == CheckOutcome::LoggedOut);
        QVERIFY(!s[1].lastAvailable.isValid());
        QVERIFY(!s[2].lastOutcome);

        const QList<TimelinePoint> t = store.timeline(kSydMel);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0].outcome, CheckOutcome::Available);
        QCOMPARE(t[1].when, kNow.addSecs(43200));
    }

    void aNewOrEmptyFileGetsItsTables_data()
    {
        QTest::addColumn<bool>("emptyFileFirst");
        QTest::newRow("no file") << false;
        QTest::newRow("zero bytes") << true;
    }
    void aNewOrEmptyFileGetsItsTables()
    {
        QFETCH(bool, emptyFileFirst);
        const QString file = folder + "/" + kHistoryFile;
        if (emptyFileFirst)
            writeFile(file, {});
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow));
            QCOMPARE(store.filePath(), file);
            QCOMPARE(QFile::exists(file), emptyFileFirst); // a start alone makes no file
            record(store, kNow, {check(1, kSydMel, CheckOutcome::Available)});
        }
        QCOMPARE(pragma(file, "user_version").toInt(), kSchemaVersion);
        QCOMPARE(pragma(file, "journal_mode").toString(), QString("wal"));
        HistoryStore again;
        QVERIFY(again.open(folder, kNow));
        QCOMPARE(again.checks().size(), 1);
        QVERIFY(brokenFiles(folder).isEmpty());
    }

    void anUnreadableFileIsMovedAsideAndANewOneStarted_data()
    {
        QTest::addColumn<QByteArray>("damage"); // written over the file...
        QTest::addColumn<int>("at");            // ...from this byte on
        QTest::newRow("not a database") << QByteArray(5000, 'x') << 0;
        QTest::newRow("damaged tables") << QByteArray(8192, char(0xff)) << 4096;
    }
    void anUnreadableFileIsMovedAsideAndANewOneStarted()
    {
        QFETCH(QByteArray, damage);
        QFETCH(int, at);
        const QString file = folder + "/" + kHistoryFile;
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow));
            for (int s = 0; s < 20; ++s)
                record(store, kNow.addSecs(s * 60), {check(1, kSydMel, CheckOutcome::Available, kFlights)});
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(at);
        f.write(damage);
        f.close();
        const QByteArray bad = readFile(file);

        HistoryStore store;
        QVERIFY(store.open(folder, kNow.addDays(1)));
        const QStringList aside = brokenFiles(folder);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(folder + "/" + aside[0]), bad); // kept for whoever wants it back
        const QString notice = store.takeNotice();
        QVERIFY2(notice.contains(aside[0]), qPrintable(notice));
        QVERIFY(store.takeNotice().isEmpty()); // said once
        QVERIFY(store.checks().isEmpty());
        record(store, kNow.addDays(1), {check(1, kSydMel, CheckOutcome::NotAvailable)});
        QCOMPARE(store.checks().size(), 1);
    }

    // A session recorded while the file is held by another program, cannot
    // be opened or is damaged. Only the damaged file is moved aside; a
    // session the file could not take is told once, still counts ("Last
    // seen", what the next session is compared with) and is written as soon
    // as the file takes writes again.
    void aFileIsWaitedForAndOnlyADamagedOneMovedAside_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("notice"); // after the session under the fault
        QTest::addColumn<int>("sessions");   // in the file in the end
        QTest::addColumn<bool>("movedAside");
        const QString locked = "History Not Saved: database is locked";
        QTest::newRow("locked for a moment") << Fault::LockedForAMoment << QString() << 3 << false;
        QTest::newRow("locked past the wait") << Fault::LockedPastTheWait << locked << 3 << false;
        QTest::newRow("held from the start") << Fault::HeldFromTheStart << locked << 3 << false;
        QTest::newRow("journal cannot be opened")
            << Fault::JournalUnopenable << "History Not Saved: unable to open database file" << 3 << false;
        QTest::newRow("damaged") << Fault::Damaged << "moved to history-broken-" << 2 << true;
    }
    void aFileIsWaitedForAndOnlyADamagedOneMovedAside()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, notice);
        QFETCH(int, sessions);
        QFETCH(bool, movedAside);
        const QString file = folder + "/" + kHistoryFile;
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow));
            record(store, kNow, {check(1, kSydMel, CheckOutcome::NotAvailable, kFlights)});
        }
        std::unique_ptr<Hold> hold;
        if (fault == Fault::HeldFromTheStart) {
            hold = std::make_unique<Hold>(file, true);
            QVERIFY(hold->held());
        } else if (fault == Fault::JournalUnopenable) {
            QVERIFY(QDir().mkdir(file + "-wal"));
        } else if (fault == Fault::Damaged) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);
            f.write(QByteArray(8192, char(0xff)));
        }
        HistoryStore store;
        store.open(folder, kNow.addDays(1));
        std::thread moment;
        if (fault == Fault::LockedPastTheWait) {
            hold = std::make_unique<Hold>(file, false);
            QVERIFY(hold->held());
        } else if (fault == Fault::LockedForAMoment) {
            // Let go from another thread while this one waits to write.
            std::promise<bool> held;
            std::future<bool> isHeld = held.get_future();
            moment = std::thread([&file, held = std::move(held)]() mutable {
                {
                    Hold brief(file, false);
                    held.set_value(brief.held());
                    QThread::msleep(300);
                }
            });
            QVERIFY(isHeld.get());
        }

        const QDateTime first = kNow.addDays(1), second = first.addSecs(3600);
        QVERIFY(record(store, first, {check(1, kSydMel, CheckOutcome::Available)})[0].changed);
        const QString told = store.takeNotice();
        QCOMPARE(store.summaries({kSydMel})[0].lastAvailable, first);

        if (moment.joinable())
            moment.join();
        hold.reset();
        QDir().rmdir(file + "-wal");
        // Compared with the session before, written or not.
        QVERIFY(!record(store, second, {check(1, kSydMel, CheckOutcome::Available)})[0].changed);
        store.close();

        QCOMPARE(brokenFiles(folder).size(), movedAside ? 1 : 0);
        HistoryStore again;
        QVERIFY(again.open(folder, second));
        const QList<HistoryCheck> all = again.checks();
        QCOMPARE(all.size(), sessions);
        QCOMPARE(all.last().session, second);
        QCOMPARE(all[all.size() - 2].session, first);
        // Told once, in the program's words.
        QVERIFY2(notice.isEmpty() ? told.isEmpty() : told.contains(notice), qPrintable(told));
        QVERIFY(store.takeNotice().isEmpty());
    }

    // A session the file could not take waits through every retry that
    // fails as well, and goes in, in order, once the file can be written.
    void aSessionNotWrittenWaitsThroughEveryFailedRetry()
    {
        const QString file = folder + "/" + kHistoryFile;
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow));
            record(store, kNow, {check(1, kSydMel, CheckOutcome::NotAvailable, kFlights)});
        }
        const QDateTime first = kNow.addDays(1), second = first.addSecs(3600), third = second.addSecs(3600);
        HistoryStore store;
        store.setBusyWait(std::chrono::milliseconds(50));
        QVERIFY(store.open(folder, first));
        auto hold = std::make_unique<Hold>(file, false);
        QVERIFY(hold->held());
        record(store, first, {check(1, kSydMel, CheckOutcome::Available)});
        QVERIFY(store.hasUnsaved());
        // The retries fail too: the tray program's, then the next session's.
        QVERIFY(!store.saveUnsaved(first.addSecs(60)));
        QVERIFY(!store.saveUnsaved(first.addSecs(120)));
        QVERIFY(store.hasUnsaved());
        record(store, second, {check(1, kSydMel, CheckOutcome::NotAvailable)});
        QVERIFY(store.hasUnsaved());
        // Counted all the while.
        QCOMPARE(store.summaries({kSydMel})[0].lastAvailable, first);
        hold.reset();
        QVERIFY(store.saveUnsaved(third));
        QVERIFY(!store.hasUnsaved());
        store.close();
        HistoryStore again;
        QVERIFY(again.open(folder, third));
        const QList<HistoryCheck> all = again.checks();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].session, kNow);
        QCOMPARE(all[1].session, first);
        QCOMPARE(all[1].check.outcome, CheckOutcome::Available);
        QCOMPARE(all[2].session, second);
    }

    void aHistoryOfANewerProgramIsLeftAlone()
    {
        const QString file = folder + "/" + kHistoryFile;
        QVERIFY(pragma(file, "user_version=99").isNull());
        const QByteArray before = readFile(file);
        HistoryStore store;
        QVERIFY(!store.open(folder, kNow));
        QVERIFY(store.takeNotice().contains("newer"));
        QVERIFY(record(store, kNow, {check(1, kSydMel, CheckOutcome::Available)})[0].changed); // nothing known
        QCOMPARE(readFile(file), before);
        QVERIFY(brokenFiles(folder).isEmpty());
    }

    void checksOlderThan400DaysGoWhenOpened()
    {
        {
            HistoryStore store;
            QVERIFY(store.open(folder, kNow.addDays(-401)));
            record(store, kNow.addDays(-401), {check(1, kSydMel, CheckOutcome::Available, kFlights)});
            record(store, kNow.addDays(-399), {check(1, kPerDrw, CheckOutcome::NotAvailable)});
        }
        HistoryStore store;
        QVERIFY(store.open(folder, kNow));
        const QList<HistoryCheck> left = store.checks();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].check.key, kPerDrw);
        QVERIFY(store.timeline(kSydMel).isEmpty());
        QVERIFY(!store.lastCheckedOutcome(kSydMel));
    }

    void aChangeIsJudgedAgainstTheLastCheckedOutcome_data()
    {
        using O = CheckOutcome;
        QTest::addColumn<QList<CheckOutcome>>("before");
        QTest::addColumn<CheckOutcome>("now");
        QTest::addColumn<bool>("changed");
        QTest::newRow("first check, seats") << QList<O>{} << O::Available << true;
        // A first answer is news only when it is seats.
        QTest::newRow("first check, none") << QList<O>{} << O::NotAvailable << false;
        QTest::newRow("seats again") << QList<O>{O::Available} << O::Available << false;
        QTest::newRow("none again") << QList<O>{O::Available, O::NotAvailable} << O::NotAvailable << false;
        QTest::newRow("seats came") << QList<O>{O::NotAvailable} << O::Available << true;
        QTest::newRow("seats went") << QList<O>{O::Available} << O::NotAvailable << true;
        QTest::newRow("logged out") << QList<O>{O::Available} << O::LoggedOut << false;
        QTest::newRow("failed") << QList<O>{O::NotAvailable} << O::Failed << false;
        QTest::newRow("same as before the logout")
            << QList<O>{O::Available, O::LoggedOut} << O::Available << false;
        QTest::newRow("only logouts before, none") << QList<O>{O::LoggedOut} << O::NotAvailable << false;
        QTest::newRow("only logouts before, seats") << QList<O>{O::Failed} << O::Available << true;
    }
    void aChangeIsJudgedAgainstTheLastCheckedOutcome()
    {
        QFETCH(QList<CheckOutcome>, before);
        QFETCH(CheckOutcome, now);
        QFETCH(bool, changed);
        HistoryStore store;
        QVERIFY(store.open(folder, kNow));
        QDateTime at = kNow;
        for (CheckOutcome o : before) {
            record(store, at, {check(1, kSydMel, o)});
            at = at.addSecs(3600);
        }
        // Another itinerary's outcomes must not count.
        record(store, at, {check(2, kPerDrw, CheckOutcome::Failed)});
        QCOMPARE(record(store, at.addSecs(60), {check(1, kSydMel, now)})[0].changed, changed);
    }

    // A file an earlier version wrote is read as it is, and brought up to
    // date by the first session that writes, keeping every check: the first
    // version knew one adult and one date per check, the second no legs, so
    // all their checks are outbound. Then two adults, each day of a flexible
    // itinerary and a way back are checks of their own.
    void anOlderFileIsReadThenBroughtUpToDate_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("tables");
        QTest::newRow("first version")
            << 1
            << QStringList{"CREATE TABLE itineraries(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
                           " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
                           " UNIQUE(origin, destination, date, time, cabin))",
                           "CREATE TABLE checks(session INTEGER NOT NULL, position INTEGER NOT NULL,"
                           " itinerary INTEGER NOT NULL, outcome INTEGER NOT NULL, flights INTEGER,"
                           " PRIMARY KEY(session, position)) WITHOUT ROWID",
                           "INSERT INTO itineraries VALUES(3, 'SYD', 'MEL', '25/12/2026', 'Morning', 'Any')",
                           "INSERT INTO checks VALUES(7, 1, 3, 1, NULL)"};
        QTest::newRow("second version, before legs")
            << 2
            << QStringList{"CREATE TABLE itineraries(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
                           " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
                           " adults INTEGER NOT NULL DEFAULT 1, UNIQUE(origin, destination, date, time, cabin, adults))",
                           "CREATE TABLE checks(session INTEGER NOT NULL, position INTEGER NOT NULL,"
                           " day INTEGER NOT NULL DEFAULT 0, itinerary INTEGER NOT NULL, outcome INTEGER NOT NULL,"
                           " flights INTEGER, PRIMARY KEY(session, position, day)) WITHOUT ROWID",
                           "CREATE INDEX checks_itinerary ON checks(itinerary, session)",
                           "INSERT INTO itineraries VALUES(3, 'SYD', 'MEL', '25/12/2026', 'Morning', 'Any', 1)",
                           "INSERT INTO checks VALUES(7, 1, 0, 3, 1, NULL)"};
        QTest::newRow("third version, before watches were told apart")
            << 3
            << QStringList{"CREATE TABLE itineraries(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
                           " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
                           " adults INTEGER NOT NULL DEFAULT 1, UNIQUE(origin, destination, date, time, cabin, adults))",
                           "CREATE TABLE checks(session INTEGER NOT NULL, position INTEGER NOT NULL,"
                           " day INTEGER NOT NULL DEFAULT 0, itinerary INTEGER NOT NULL, outcome INTEGER NOT NULL,"
                           " flights INTEGER, leg INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(session, position, day)) WITHOUT ROWID",
                           "CREATE INDEX checks_itinerary ON checks(itinerary, session)",
                           "INSERT INTO itineraries VALUES(3, 'SYD', 'MEL', '25/12/2026', 'Morning', 'Any', 1)",
                           "INSERT INTO checks VALUES(7, 1, 0, 3, 1, NULL, 0)"};
    }
    void anOlderFileIsReadThenBroughtUpToDate()
    {
        QFETCH(int, version);
        QFETCH(QStringList, tables);
        const QString file = folder + "/" + kHistoryFile;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery q(db);
            tables << "CREATE TABLE sessions(id INTEGER PRIMARY KEY, started INTEGER NOT NULL,"
                      " completed INTEGER NOT NULL)"
                   << "CREATE TABLE flight_tables(id INTEGER PRIMARY KEY, rows TEXT NOT NULL UNIQUE)"
                   << "INSERT INTO sessions VALUES(7, 1796000000, 1)"
                   << QString("PRAGMA user_version=%1").arg(version);
            for (const QString& sql : tables)
                QVERIFY2(q.exec(sql), qPrintable(sql));
            db.close();
        }
        QSqlDatabase::removeDatabase("older");
        {
            HistoryStore reader;
            QVERIFY2(reader.openForReading(folder), qPrintable(reader.error()));
            QCOMPARE(reader.checks().size(), 1);
            QCOMPARE(reader.checks()[0].check.key, kSydMel);
            QCOMPARE(reader.checks()[0].check.leg, 0);
            QCOMPARE(reader.lastCheckedOutcome(kSydMel), CheckOutcome::Available);
            ItineraryKey twoAdults = kSydMel;
            twoAdults.adults = 2;
            QVERIFY(!reader.lastCheckedOutcome(twoAdults));
        }
        QCOMPARE(pragma(file, "user_version").toInt(), version); // reading changed nothing

        ItineraryKey twoAdults = kSydMel, nextDay = kSydMel, back{"MEL", "SYD", "03/01/2027", "Morning", "Any"};
        twoAdults.adults = 2;
        nextDay.date = "26/12/2026";
        HistoryStore store;
        QVERIFY(store.open(folder, kNow));
        QList<CheckRecord> checks{check(1, kSydMel, CheckOutcome::Available),
                                  check(1, nextDay, CheckOutcome::NotAvailable),
                                  check(1, back, CheckOutcome::Available),
                                  check(2, twoAdults, CheckOutcome::Available)};
        checks[1].day = 1;
        checks[2].day = 2;
        checks[2].leg = 1;
        checks = record(store, kNow, checks);
        QCOMPARE(pragma(file, "user_version").toInt(), kSchemaVersion);
        QVERIFY(!checks[0].changed); // seats again, as the old file knew
        QVERIFY(!checks[1].changed && checks[2].changed && checks[3].changed);
        const QList<HistoryCheck> all = store.checks();
        QCOMPARE(all.size(), 5);
        QCOMPARE(all[0].check.key, kSydMel);
        QCOMPARE(all[2].check.key, nextDay);
        QCOMPARE(all[2].check.day, 1);
        QCOMPARE(all[3].check.key, back);
        QCOMPARE(all[3].check.leg, 1);
        QCOMPARE(all[4].check.key, twoAdults);
        QCOMPARE(all[4].check.leg, 0);

        // What was recorded before watches were told apart is any watch's
        // of the search until one records it; then it is that watch's, and
        // another watch of the same search starts its own.
        ItineraryKey mine = kSydMel, other = kSydMel;
        mine.watch = "SYD;MEL;25/12/2026;0;Morning;Any;1";
        other.watch = mine.watch + ";fewer";
        QCOMPARE(store.lastCheckedOutcome(other), CheckOutcome::Available);
        record(store, kNow.addSecs(60), {check(1, mine, CheckOutcome::NotAvailable)});
        QCOMPARE(store.lastCheckedOutcome(mine), CheckOutcome::NotAvailable);
        QVERIFY(!store.lastCheckedOutcome(other));
        QCOMPARE(store.checks().first().check.key, mine);
        QVERIFY(store.takeNotice().isEmpty());
    }

    // announced.json as the program wrote it before watches were told apart:
    // what it says stands for every watch of the search until that watch is
    // told something itself.
    void whatWasToldBeforeWatchesWereToldApartStandsForEach()
    {
        writeFile(folder + "/" + kAnnouncedFile,
                  R"({"told": [{"origin": "SYD", "destination": "MEL", "date": "25/12/2026", "time": "Morning",
                                "cabin": "Any", "adults": 1, "told": "seats"}]})");
        ItineraryKey mine = kSydMel, other = kSydMel;
        mine.watch = "SYD;MEL;25/12/2026;0;Morning;Any;1";
        other.watch = mine.watch + ";fewer";
        AnnouncedSeats told;
        told.setFolder(folder);
        told.load();
        QVERIFY(!told.news(mine, Availability::Seats, std::nullopt).opening);
        told.remember(mine, Availability::NoSeats);
        QVERIFY(told.save(QDate(2026, 12, 1)));
        AnnouncedSeats again;
        again.setFolder(folder);
        again.load();
        QCOMPARE(again.told(mine), Availability::NoSeats);
        QCOMPARE(again.told(other), Availability::Seats);
    }

    void anItineraryListedTwiceIsRecordedTwice()
    {
        HistoryStore store;
        QVERIFY(store.open(folder, kNow));
        const auto records = record(store, kNow, {check(1, kSydMel, CheckOutcome::Available),
                                                  check(2, kSydMel, CheckOutcome::Available)});
        QVERIFY(records[0].changed && records[1].changed);
        QCOMPARE(store.checks().size(), 2);
        QVERIFY(store.takeNotice().isEmpty());
    }

    void exportsAsCsvAndJsonLines()
    {
        HistoryStore store;
        QVERIFY(store.open(folder, kNow));
        const ItineraryKey zurich{"ZRH", "SYD", "01/02/2027", "13:00", "First"};
        record(store, kNow, {check(1, kSydMel, CheckOutcome::Available, kFlights),
                             check(2, zurich, CheckOutcome::Failed)});
        const QString csvFile = folder + "/export.csv";
        QVERIFY(exportHistoryCsv(store, csvFile));
        QCOMPARE(readFile(csvFile),
                 QByteArray("session,origin,destination,date,time,cabin,outcome,flights,adults\r\n"
                            "2026-12-08T10:00:00Z,SYD,MEL,25/12/2026,Morning,Any,available,"
                            "\"09:05 SYD | 11:15 MEL | QF 401 | 738 | 0 | Yes | No | No\n"
                            "13:05 SYD | 15:15 MEL | QF 9, \"\"late\"\" | 738 | 1 | No |  | 4\",1\r\n"
                            "2026-12-08T10:00:00Z,ZRH,SYD,01/02/2027,13:00,First,not checked (failed),,1\r\n"));
        QString error;
        QVERIFY(!exportHistoryCsv(store, folder + "/no such folder/x.csv", &error));
        QVERIFY(!error.isEmpty());

        const QList<QByteArray> lines = historyJsonLines(store.checks()).split('\n');
        QCOMPARE(lines.size(), 3); // two lines, each ended
        const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(first["origin"].toString(), QString("SYD"));
        QCOMPARE(first["outcome"].toString(), QString("available"));
        QCOMPARE(first["flights"].toArray()[1].toArray()[2].toString(), QString("QF 9, \"late\""));
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object()["cabin"].toString(), QString("First"));

        const QStringList table = historyTable(store.checks()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(table.size(), 3);
        QVERIFY(table[1].startsWith("2026-12-08 10:00:00  Outbound  SYD"));
        QCOMPARE(table[1].indexOf("available"), table[0].indexOf("Outcome"));

        // The adults of a check in every form.
        const QList<HistoryCheck> forTwo{{kNow, check(3, {"SYD", "LON", "05/02/2027", "Evening", "Business", 2},
                                                       CheckOutcome::Available)}};
        QVERIFY(historyCsv(forTwo).endsWith(",05/02/2027,Evening,Business,available,,2\r\n"));
        QCOMPARE(QJsonDocument::fromJson(historyJsonLines(forTwo)).object()["adults"].toInt(), 2);
        const QStringList twoTable = historyTable(forTwo).split('\n');
        QCOMPARE(twoTable[1].indexOf(" 2 ") + 1, twoTable[0].indexOf("Adults"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
