// Check sessions end to end: the engine, the real browser and the simulated
// airline site over HTTPS, on a virtual clock. Each case checks the status
// texts in order, what reached the site, and the virtual time the session took.
#include "app/MemberDetails.h"
#include "startup/Startup.h"
#include "engine/CheckEngine.h"
#include "engine/CityUpdate.h"
#include "browser/HttpBrowser.h"
#include "engine/Scheduler.h"
#include "engine/SessionSize.h"
#include "itineraries/WatchListFile.h"
#include "results/CheckRecords.h"
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "support/EngineDoubles.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QtTest>
#include <ctime>

using namespace zelvane;
using namespace zelvane::test;
namespace st = zelvane::status;

namespace {

// What the pop-ups tell, the way to book left aside (its own test follows it).
QList<Announcement> withoutBooking(QList<Announcement> told)
{
    for (Announcement& a : told)
        a.booking.clear();
    return told;
}

struct Trip {
    QString from, to, fromCode, toCode, date, time = QStringLiteral("Morning");
};

const QList<Trip> kTrips = {
    {"Sydney", "Melbourne", "SYD", "MEL", "25/12/2026"},
    {"Perth", "Darwin", "PER", "DRW", "03/01/2027", "Evening"},
    {"Brisbane", "Cairns", "BNE", "CNS", "14/02/2027", "13:00"},
    {"Adelaide", "Hobart", "ADL", "HBA", "01/03/2027"},
    {"Canberra", "Perth", "CBR", "PER", "09/04/2027"},
    {"Darwin", "Singapore", "DRW", "SIN", "10/05/2027"},
    {"Hobart", "Sydney", "HBA", "SYD", "11/06/2027"},
    {"Auckland", "Brisbane", "AKL", "BNE", "12/07/2027"},
    {"Cairns", "Adelaide", "CNS", "ADL", "13/08/2027"},
    {"Melbourne", "London", "MEL", "LON", "14/09/2027"},
};

QJsonObject availableEntry(const Trip& t)
{
    return {{"from", t.fromCode}, {"to", t.toCode}, {"date", t.date},
            {"rows", QJsonArray{QJsonArray{"09:05 " + t.fromCode, "11:15 " + t.toCode, "QF 401",
                                           "738", "0", "Yes", "No", "No"}}}};
}

// Everything one session needs, made after the simulator is up (the browser
// reads the trusted certificate when it is made).
// The schedule's sessions: one engine, made from the start.
struct MadeSessions final : ScheduledSessions {
    CheckEngine& made;
    StatusLine& line;
    MadeSessions(CheckEngine& e, StatusLine& l) : made(e), line(l) {}
    CheckEngine* engine(bool) override { return &made; }
    StatusLine& statusLine() override { return line; }
};

// The city update's steps around the site, in the order they were taken.
struct RecordedSteps final : CityUpdateSteps {
    QStringList taken;
    void reloadLists() override { taken << "lists"; }
    QCoro::Task<> checkVersion() override
    {
        taken << "version";
        co_return;
    }
};

struct Rig {
    VirtualClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0))};
    MemorySettingsArea area;
    QString folder = freshFolder("session");
    ProgramData state{area, clock, folder, folder};
    CheckResults results{state.watchList};
    HttpBrowser b1, b3;
    VirtualWaits waits{clock};
    RecordingMail mail;
    CheckEngine engine{state.parts.data, results, {b1, b3}, waits, mail};
    SessionRecorder view{engine, clock};
    ThrottleDriver throttle{engine, clock};
    MadeSessions sessions{engine, view};

    Rig()
    {
        state.settings.member.change([](Member& m) {
            m.number = 1234567;
            m.surname = "Smith";
            m.setPinText("1234");
        });
        waits.onSecond = [this] { throttle.second(); };
        mail.clock = &clock;
    }

    // The trips, each with `tail` after its six fields (";Business;2").
    void watch(const QList<Trip>& trips, const QString& tail = {})
    {
        for (const Trip& t : trips)
            state.watchList.add(
                readItineraryLine(QStringList{t.from, t.to, t.date, t.time, t.fromCode, t.toCode}.join(';') + tail)
                    .itinerary);
    }
    int retriesArmed() const { return int(view.lockoutShown.count(true)); }
    Availability availability(int position) const { return results.at(position).availability(); }

    SessionOutcome run() { return QCoro::waitFor(engine.runCheck()); }
    // Lets virtual minutes pass between sessions, the throttle ticking as it would.
    void idleMinutes(int minutes)
    {
        for (int s = 0; s < minutes * 60; ++s) {
            clock.advance(1000);
            throttle.second();
        }
    }
    qint64 secondsSince(const QDateTime& t) const { return t.secsTo(clock.now()); }
};

QString scenario(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QStringList searchedFrom(const QList<QJsonObject>& searches)
{
    QStringList codes;
    for (const QJsonObject& s : searches) {
        const QString q = s["query"].toString();
        const qsizetype at = q.indexOf("departureCity=");
        codes << q.mid(at + 14, 3);
    }
    return codes;
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

    std::unique_ptr<SiteSim> sim;

    void startSite(const QJsonObject& scenarioObject = {})
    {
        sim = std::make_unique<SiteSim>(scenario(scenarioObject), true);
        QVERIFY(sim->start());
        qputenv("ZELVANE_AIRLINE_URL", sim->baseUrl().toUtf8());
        qputenv("ZELVANE_CA_FILE", sim->caFile().toUtf8());
    }

private slots:
    void initTestCase() { freshHome(); }
    void cleanup()
    {
        sim.reset();
        qunsetenv("ZELVANE_SITE_URL");
        qunsetenv("TZ");
        tzset();
    }

    void emptyListEndsBeforeAnythingHappens()
    {
        startSite();
        Rig rig;
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::NoItineraries);
        QCOMPARE(rig.view.statuses, QStringList{st::kWaitingItineraries});
        QVERIFY(rig.mail.calls.isEmpty());
        QCOMPARE(rig.secondsSince(start), 0);
        QVERIFY(sim->requests().isEmpty());
    }

    void memberNumberZeroSendsNoLogin()
    {
        startSite();
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.member.change([&](Member& m) { m.number = 0; });
        QCOMPARE(rig.run(), SessionOutcome::NoMember);
        QCOMPARE(rig.view.statuses, QStringList({st::kWaitingNewSession, kFillAllRequired}));
        QVERIFY(rig.engine.idle());
        QVERIFY(sim->requests().isEmpty());
    }

    void wrongPinOnTheFirstLoginIsTold()
    {
        startSite();
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.member.change([&](Member& m) { m.setPinText("9999"); });
        rig.state.cities.webNames = {"stale"};
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::LoginFailed);
        QCOMPARE(rig.view.statuses,
                 QStringList({st::kWaitingNewSession, st::kWaitingLogin, st::kSendingLogin,
                              st::kLoginIncorrect, st::kLoginFailed}));
        QCOMPARE(rig.secondsSince(start), 15);
        QCOMPARE(rig.waits.timedWaits, QList<int>({10, 5}));
        QCOMPARE(rig.mail.calls, QStringList{"loginRefused"});
        QVERIFY(!rig.engine.loginLockout());
        QCOMPARE(rig.engine.loginsSent(), 1);
        // The city arrays were still looked for on the page shown.
        QVERIFY(rig.state.cities.webNames.isEmpty());
        const auto logins = sim->requests("login");
        QCOMPARE(logins.size(), 1);
        QVERIFY(logins[0]["query"].toString().endsWith(
            "login_ffNumber=1234567&login_surname=Smith&login_pin=9999"));
        QVERIFY(sim->requests("search").isEmpty());
        QVERIFY(rig.engine.idle());
    }

    // No page at all is not a refusal: the details were never judged, so
    // nothing is told about them and no retry is armed.
    void unreachableSiteIsNotABadLogin()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 closed = probe.serverPort();
        probe.close();
        qputenv("ZELVANE_AIRLINE_URL", QString("http://127.0.0.1:%1").arg(closed).toUtf8());
        Rig rig;
        rig.watch({kTrips[0]});
        rig.view.statuses.clear();
        QCOMPARE(rig.run(), SessionOutcome::Unreachable);
        QCOMPARE(rig.view.statuses.last(), st::kSiteUnreachable);
        QVERIFY(!rig.engine.siteTroubleReason().isEmpty());
        QVERIFY(rig.mail.calls.isEmpty());
        QVERIFY(!rig.engine.loginLockout());
        QCOMPARE(rig.retriesArmed(), 0);
        QVERIFY(rig.engine.idle());
    }

    // Checks the airline's site could not be used for, whatever the trouble:
    // the status says why, the tray stays plain, no login warning, and after
    // three in a row the user hears once, dated from the first of them, by
    // mail and push; a check that gets through, or a login the site itself
    // refuses, starts the count again. The settings are read afresh before
    // every check, as each timer run of zelvane-check does.
    void siteTroubleIsToldOnceAfterThreeChecksInARow_data()
    {
        QTest::addColumn<QStringList>("answers"); // the site at each check's login
        QTest::addColumn<QList<int>>("toldAfter"); // the checks a notice followed
        QTest::addColumn<QList<int>>("since");     // the check each notice dates from
        QTest::newRow("three in a row, then no more")
            << QStringList{"503", "503", "503", "503"} << QList<int>{3} << QList<int>{1};
        QTest::newRow("every kind of trouble counts")
            << QStringList{"no page", "portal", "503"} << QList<int>{3} << QList<int>{1};
        QTest::newRow("a check that works starts over")
            << QStringList{"503", "503", "ok", "503", "503", "503"} << QList<int>{6} << QList<int>{4};
        QTest::newRow("told again after a check that works")
            << QStringList{"503", "503", "503", "ok", "portal", "portal", "portal"}
            << QList<int>{3, 7} << QList<int>{1, 5};
        QTest::newRow("a refused login is no site trouble")
            << QStringList{"503", "503", "refused", "503", "503"} << QList<int>{} << QList<int>{};
    }
    void siteTroubleIsToldOnceAfterThreeChecksInARow()
    {
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, toldAfter);
        QFETCH(QList<int>, since);
        const QMap<QString, QString> faults{{"503", "status:503"}, {"portal", "portal"}, {"no page", "drop"}};
        const QMap<QString, QString> reasons{{"503", "HTTP 503 Service Unavailable"},
                                             {"portal", "redirected to another host (localhost)"}};
        QJsonObject loginFaults;
        for (int i = 0; i < answers.size(); ++i)
            if (faults.contains(answers[i]))
                loginFaults[QString::number(i + 1)] = faults[answers[i]];
        startSite({{"loginFaults", loginFaults}});
        SiteSim product("{}", false);
        QVERIFY(product.start());
        qputenv("ZELVANE_SITE_URL", product.baseUrl().toUtf8());
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.mailPolicy.set(MailPolicy::Never); // the notice is the only mail
        rig.state.settings.channels.change([&](AlertChannels& c) {
            c.notifyDesktop = false;
            c.pushUrl = product.baseUrl() + "/";
        });
        rig.state.settings.save();
        RecordingMessageBoxes boxes;
        AlertSender post{rig.state.outbox, rig.state.settings.channels, {rig.state.settings.member, &Member::email}, boxes, rig.clock};
        SessionAlerter alerter(rig.state.watchList, rig.results, rig.state.announced, rig.state.settings.mailPolicy, rig.state.settings.told, rig.view, post, rig.clock,
                               SessionBusDesktop::instance());
        rig.mail.forwardTo = &alerter;
        const auto notices = [&product] {
            QStringList bodies;
            for (const QJsonObject& r : product.requests())
                if (r["method"].toString() == "POST" && r["body"].toString().startsWith("Zelvane has not"))
                    bodies << r["body"].toString();
            return bodies;
        };

        QList<QDateTime> starts;
        QList<int> told;
        for (int i = 0; i < answers.size(); ++i) {
            const QString& answer = answers[i];
            rig.state.settings.saveWaiting(); // as the end of a run does
            rig.state.settings.load();
            rig.state.settings.member.change([&](Member& m) { m.setPinText(answer == "refused" ? "9999" : "1234"); });
            starts << rig.clock.now();
            const SessionOutcome outcome = rig.run();
            if (answer == "ok") {
                QCOMPARE(outcome, SessionOutcome::Completed);
            } else if (answer == "refused") {
                QCOMPARE(outcome, SessionOutcome::LoginFailed);
            } else if (answer == "no page") {
                QCOMPARE(outcome, SessionOutcome::Unreachable);
                QCOMPARE(rig.view.statuses.last(), st::kSiteUnreachable);
            } else {
                QCOMPARE(outcome, SessionOutcome::SiteTrouble);
                QCOMPARE(rig.view.statuses.last(), st::siteNotUsable(reasons[answer]));
            }
            if (notices().size() > told.size())
                told << i + 1;
            QCOMPARE(product.requests("email").size(), told.size()); // and a mail with each
            rig.idleMinutes(5);
            rig.clock.advance(12 * 3600 * 1000);
        }
        QCOMPARE(told, toldAfter);
        QStringList expected;
        for (qsizetype k = 0; k < told.size(); ++k)
            expected << "Zelvane has not been able to check for seats since "
                            + starts[since[k] - 1].toString("dd/MM/yyyy HH:mm") + ": "
                            + reasons[answers[told[k] - 1]];
        QCOMPARE(notices(), expected);
        for (const QJsonObject& mail : product.requests("email"))
            QVERIFY(mail["query"].toString().contains("has%20not%20been%20able%20to%20check%20for%20seats"));
        // Only the site's own refusal is the member's trouble.
        const bool refused = answers.contains("refused");
        QCOMPARE(rig.view.loginTroubleShown.contains(true), refused);
        QCOMPARE(rig.state.settings.told->loginFailure, refused);
        QCOMPARE(product.requests("relay").size(), int(refused));
        QVERIFY(!rig.engine.loginLockout());
        QCOMPARE(rig.retriesArmed(), 0);
    }

    void fourthLoginInFiveMinutesIsRefused()
    {
        startSite();
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.member.change([&](Member& m) { m.setPinText("9999"); });
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.run(), SessionOutcome::LoginFailed);
        rig.view.statuses.clear();
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Throttled);
        QCOMPARE(rig.view.statuses, QStringList({st::kWaitingNewSession, st::kWaitingLogin,
                                                 st::kSendingLogin, st::kMaxLogins}));
        QCOMPARE(rig.secondsSince(start), 10);
        QCOMPARE(rig.engine.loginsSent(), 3);
        QCOMPARE(sim->requests("login").size(), 3);

        // The window closes five minutes after it opened; the status row counts them.
        rig.view.minutesShown.clear();
        rig.idleMinutes(5);
        QCOMPARE(rig.view.minutesShown, QList<int>({1, 2, 3, 4, 0}));
        QCOMPARE(rig.engine.loginsSent(), 0);
        QVERIFY(!rig.engine.throttleWindowOpen());
        rig.state.settings.member.change([&](Member& m) { m.setPinText("1234"); });
        QCOMPARE(rig.run(), SessionOutcome::Completed);
    }

    // A logout mid-list: the session logs in again and goes on from the
    // itinerary the site logged it out on, neither searching the others
    // again nor telling of their seats twice.
    void loggedOutMidListLogsInAgainAndGoesOn()
    {
        startSite({{"logoutAfterSearches", 5}, {"available", QJsonArray{availableEntry(kTrips[1])}}});
        Rig rig;
        rig.watch(kTrips);
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QStringList expected;
        for (int i : {0, 1, 2, 3, 4, 5, 5, 6, 7, 8, 9})
            expected << kTrips[i].fromCode;
        QCOMPARE(searchedFrom(sim->requests("search")), expected);
        const QStringList& s = rig.view.statuses;
        const qsizetype sixth = s.indexOf(st::checking(6));
        QCOMPARE(s.mid(sixth, 5), QStringList({st::checking(6), st::kWaitingLogin, st::kSendingLogin,
                                               st::kLoginOk, st::checking(6)}));
        QCOMPARE(s.count(st::processed(6)), 1);
        QCOMPARE(rig.secondsSince(start), 2 * 15 + 11 * 30);
        QCOMPARE(rig.view.announcements.size(), 1);
        QCOMPARE(rig.availability(6), Availability::NoSeats);
        QCOMPARE(rig.mail.calls, QStringList{"completed"});
    }

    // A check that did not happen is not a flight without seats: the row
    // the site logged the session out on, and those after it, show as not
    // checked with the reason, not as what an earlier session found; the
    // history records the logout.
    void aRowLoggedOutOnShowsAsNotChecked()
    {
        startSite();
        Rig rig;
        QVERIFY(rig.state.history.open(rig.folder, rig.clock.now()));
        rig.watch(kTrips.mid(0, 4));
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(rig.availability(3), Availability::NoSeats);
        rig.idleMinutes(5);

        startSite({{"logoutAfterSearches", 2}, {"failLoginsFrom", 2}});
        QCOMPARE(rig.run(), SessionOutcome::LoginFailed);
        const ItineraryKey third = historyKeys(rig.state.watchList.at(3)).value(0);
        QCOMPARE(rig.state.history.summaries({third}).value(0).lastOutcome, CheckOutcome::LoggedOut);
        QCOMPARE(rig.availability(3), Availability::NotKnown);
        QCOMPARE(rig.results.at(3).reason(), QString("the site logged the session out"));
        // Rows before it were checked again; the one after was not reached.
        QCOMPARE(rig.availability(2), Availability::NoSeats);
        QCOMPARE(rig.availability(4), Availability::NotKnown);
        QCOMPARE(rig.results.at(4).reason(),
                 QString("the check stopped at #3: the site logged the session out and did not let it log in again"));

        // The next session searches every row again, those cut short included.
        rig.idleMinutes(5);
        startSite();
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(sim->requests("search").size(), 4);
        QCOMPARE(rig.availability(4), Availability::NoSeats);
        rig.state.history.close();
    }

    // Logged out three times, the fourth login refused: the session gives up.
    void giveUp(Rig& rig)
    {
        startSite({{"logoutAfterSearches", 2}, {"failLoginsFrom", 4}});
        rig.watch(kTrips);
        QCOMPARE(rig.run(), SessionOutcome::GaveUp);
    }

    void fourthFailedPassGivesUpAndRetriesOnce()
    {
        Rig rig;
        giveUp(rig);
        QCOMPARE(rig.view.statuses.last(), st::kGaveUp);
        QCOMPARE(rig.mail.calls, QStringList{"gaveUp"});
        QVERIFY(rig.engine.loginLockout());
        QVERIFY(rig.engine.idle());
        QCOMPARE(rig.retriesArmed(), 1);
        const QDateTime lockedAt = rig.state.settings.schedule->lastSessionTime;
        QCOMPARE(lockedAt, rig.clock.now());
        QCOMPARE(sim->requests("login").size(), 4);

        // The retry tick runs a session once, 15 to 16 minutes later.
        Scheduler scheduler(rig.state.settings.schedule, rig.state.watchList, rig.clock, rig.sessions);
        const int loginsBefore = sim->requests("login").size();
        QDateTime retryAt;
        rig.view.onStatus = [&](const QString& t) {
            if (t == st::kWaitingNewSession && !retryAt.isValid())
                retryAt = rig.clock.now();
        };
        for (int s = 0; s < 30 * 60; ++s) {
            rig.clock.advance(1000);
            QCoro::waitFor(scheduler.onLockoutRetryTick());
        }
        QVERIFY(retryAt.isValid());
        QVERIFY(lockedAt.secsTo(retryAt) > 15 * 60);
        QVERIFY(lockedAt.secsTo(retryAt) <= 16 * 60);
        QCOMPARE(sim->requests("login").size(), loginsBefore + 1);
        QVERIFY(!rig.engine.loginLockout());
    }

    void retryWaitsForTheSixteenthMinuteChange()
    {
        Rig rig;
        giveUp(rig);
        startSite();
        rig.view.statuses.clear();
        rig.view.statusTimes.clear();
        rig.state.settings.schedule.change([&](Schedule& s) { s.lastSessionTime = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 30)); });
        Scheduler scheduler(rig.state.settings.schedule, rig.state.watchList, rig.clock, rig.sessions);
        rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 15, 59)));
        QCoro::waitFor(scheduler.onLockoutRetryTick());
        QVERIFY(rig.view.statuses.isEmpty());
        rig.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 16, 0)));
        QCoro::waitFor(scheduler.onLockoutRetryTick());
        QCOMPARE(rig.view.statuses.value(0), st::kWaitingNewSession);
        QCOMPARE(rig.view.statusTimes.value(0), QDateTime(QDate(2026, 12, 8), QTime(10, 16, 0)));
        QCOMPARE(rig.view.statuses.last(), st::kCompleted);
        QVERIFY(!rig.engine.loginLockout());
    }

    void availableFlightsAreAnnouncedAndRecorded()
    {
        QJsonArray available;
        for (int i : {0, 1, 3, 4, 5})
            available << availableEntry(kTrips[i]);
        startSite({{"available", available}, {"frameStyle", "frameset"}});
        Rig rig;
        rig.watch(kTrips.mid(0, 6));
        rig.state.settings.told.change([&](Told& t) { t.loginFailure = true; });
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Completed);

        QCOMPARE(rig.secondsSince(start), 15 + 6 * 30);
        QList<Announcement> told;
        for (int i : {0, 1, 3, 4, 5})
            told << Announcement{kTrips[i].from, kTrips[i].to, kTrips[i].date};
        QCOMPARE(withoutBooking(rig.view.announcements), told);
        for (const Announcement& a : rig.view.announcements)
            QVERIFY2(a.booking.startsWith(sim->baseUrl() + "/"), qPrintable(a.booking));

        for (int i : {1, 2, 4, 5, 6})
            QCOMPARE(rig.availability(i), Availability::Seats);
        QCOMPARE(rig.availability(3), Availability::NoSeats);
        QVERIFY(rig.results.at(1).pageText().contains("09:05 SYD"));
        QVERIFY(!rig.results.at(1).pageText().contains("DepartingArriving"));

        const QStringList& s = rig.view.statuses;
        QCOMPARE(s.mid(0, 4), QStringList({st::kWaitingNewSession, st::kWaitingLogin,
                                           st::kSendingLogin, st::kLoginOk}));
        QCOMPARE(s.mid(4, 2), QStringList({st::checking(1), st::processed(1)}));
        QCOMPARE(s.last(), st::kCompleted);
        QCOMPARE(rig.view.ended, QList<SessionOutcome>{SessionOutcome::Completed});
        QCOMPARE(rig.view.lastLogin, rig.clock.now());
        // A good login ends a failing streak: the next refusal is told again.
        QVERIFY(!rig.state.settings.told->loginFailure);
        QCOMPARE(rig.state.settings.schedule->lastLoginTime, rig.clock.now());
        QCOMPARE(rig.mail.calls, QStringList{"completed"});
        QVERIFY(rig.engine.idle());
        for (const QJsonObject& search : sim->requests("search"))
            QVERIFY2(search["valid"].toBool(), qPrintable(search["query"].toString()));
        QCOMPARE(sim->requests("frame").size(), 5);
        // The city arrays of the account page were saved: the start-up lists were empty.
        QVERIFY(QFile::exists(rig.folder + "/City.txt"));
    }

    // Seats on the first day of an itinerary are shown in a pop-up though a
    // later day's search fails and stops the check.
    void seatsBeforeALaterDayFailedArePoppedUp()
    {
        startSite({{"available", QJsonArray{availableEntry(kTrips[0])}},
                   {"searchFaults", QJsonObject{{"2", "status:503"}}}});
        Rig rig;
        rig.watch({kTrips[0]}, ";Any;1;1");
        QCOMPARE(rig.run(), SessionOutcome::SiteTrouble);
        QCOMPARE(rig.availability(1), Availability::Seats);
        QCOMPARE(rig.view.announcements.size(), 1);
        QCOMPARE(rig.view.announcements[0].dates, QString("Fri 25/12/2026"));
    }

    // Each itinerary's cabin decides from the flight rows of the site's real
    // frame, and every session lands in the history, which a restart reads.
    void cabinsDecideAndSessionsAreKept()
    {
        const QJsonArray rows{QJsonArray{"09:05 SYD", "11:15 MEL", "QF 401", "738", "0", "Yes", "No", "-"},
                              QJsonArray{"13:05 SYD", "14:20 MEL", "QF 409", "A330", "0", "No", "\u00a0", "4"}};
        QJsonObject sydMel = availableEntry(kTrips[0]);
        sydMel["rows"] = rows;
        startSite({{"available", QJsonArray{sydMel}}});
        Rig rig;
        rig.watch({kTrips[0]});
        for (const char* cabin : {"Business", "First", "Economy"})
            rig.watch({kTrips[0]}, QString(";") + cabin);
        rig.watch({kTrips[1]});
        QVERIFY(rig.state.history.open(rig.folder, rig.clock.now()));
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Completed);

        QList<Availability> states;
        for (int i = 1; i <= 5; ++i)
            states << rig.availability(i);
        QCOMPARE(states, QList<Availability>({Availability::Seats, Availability::NoSeats, Availability::Seats,
                                              Availability::Seats, Availability::NoSeats}));
        QCOMPARE(rig.view.announcements.size(), 3);
        // Two pop-ups of one trip say which cabin each is for, and how many
        // seats a cabin has where the site says: Economy's "Yes" gives no count.
        QCOMPARE(withoutBooking(rig.view.announcements).mid(0, 2),
                 (QList<Announcement>{{"Sydney", "Melbourne", "25/12/2026", false, "", "First: 4 seats"},
                                      {"Sydney", "Melbourne", "25/12/2026", false, "First", "First: 4 seats"}}));
        QCOMPARE(rig.results.at(2).flights().size(), 2); // the rows stay, no Business seat among them
        QCOMPARE(rig.results.at(2).flights()[1].business.kind, CabinSeats::None);
        QCOMPARE(rig.results.at(1).pageText(), rig.results.at(4).pageText());

        QList<bool> changed;
        for (const CheckRecord& c : rig.engine.lastSessionChecks())
            changed << c.changed;
        // First answers: seats are news, no seats are not.
        QCOMPARE(changed, QList<bool>({true, false, true, true, false}));

        // A second session finds the same: nothing changed, and a user who
        // hears only of flights that became available gets no pop-up.
        rig.state.settings.channels.change([&](AlertChannels& c) { c.announceChangesOnly = true; });
        rig.idleMinutes(10);
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        changed.clear();
        for (const CheckRecord& c : rig.engine.lastSessionChecks())
            changed << c.changed;
        QCOMPARE(changed, QList<bool>(5, false));
        QCOMPARE(rig.view.announcements.size(), 3);
        QCOMPARE(rig.mail.lastChecks.size(), 5); // the alerts judge by the same records
        rig.state.history.close();

        HistoryStore reopened;
        QVERIFY(reopened.open(rig.folder, rig.clock.now()));
        const QList<HistoryCheck> checks = reopened.checks();
        QCOMPARE(checks.size(), 10);
        QCOMPARE(checks[0].session, start);
        QCOMPARE(checks[1].check.key, historyKeys(rig.state.watchList.at(2)).value(0));
        QCOMPARE(checks[1].check.key.cabin, QString("Business"));
        QCOMPARE(checks[1].check.outcome, CheckOutcome::NotAvailable);
        QCOMPARE(checks[3].check.flights[0],
                 QStringList({"09:05 SYD", "11:15 MEL", "QF 401", "738", "0", "Yes", "No", "-"}));
        QCOMPARE(checks[4].check.outcome, CheckOutcome::NotAvailable);
        QVERIFY(checks[4].check.flights.isEmpty());
        QCOMPARE(reopened.summaries({checks[2].check.key})[0].lastAvailable, checks[5].session);
    }

    // Two travelling together ask the site for two seats, on a line of
    // their own beside the same trip for one; the check takes as long as
    // the itinerary panel tells beforehand.
    void twoAdultsAskForTwoSeats()
    {
        startSite({{"available", QJsonArray{availableEntry(kTrips[0])}}});
        Rig rig;
        rig.watch({kTrips[0], kTrips[1]});
        rig.watch({kTrips[0]}, ";Business;2");
        const QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Completed);

        const QList<QJsonObject> searches = sim->requests("search");
        QList<int> adults;
        for (const QJsonObject& search : searches) {
            QVERIFY2(search["valid"].toBool(), qPrintable(search["query"].toString()));
            adults << search["adults"].toInt();
        }
        QCOMPARE(adults, QList<int>({1, 1, 2}));
        QVERIFY(searches[2]["query"].toString().contains("&QAB_passengerForm_numberOfAdultPassengers=2&"));
        QCOMPARE(rig.state.watchList.at(3).seatsText(), QString("2 adults, Business"));
        QVERIFY(rig.state.watchList.at(3).seatsText() != rig.state.watchList.at(1).seatsText());
        QCOMPARE(rig.secondsSince(start), checkPauseSeconds(rig.state.watchList.searchesPerCheck()));
    }

    // Four dates of one trip: each is searched with a search's pauses, the
    // row speaks for all of them, a logout on the third leaves the row not
    // checked with what the first two found in the history, and with
    // "announce only changes" a date that gains seats is announced though
    // another had them already.
    void aFlexibleRowAnswersForEachOfItsDates()
    {
        Trip trip = kTrips[0];
        trip.date = "03/02/2027";
        Trip fifth = trip;
        fifth.date = "05/02/2027";
        startSite({{"available", QJsonArray{availableEntry(trip)}}});
        Rig rig;
        QVERIFY(rig.state.history.open(rig.folder, rig.clock.now()));
        rig.state.settings.channels.change([&](AlertChannels& c) { c.announceChangesOnly = true; });
        rig.watch({trip}, ";Any;1;3");
        QDateTime start = rig.clock.now();
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(rig.secondsSince(start), checkPauseSeconds(4));
        QCOMPARE(rig.availability(1), Availability::Seats);
        QCOMPARE(rig.results.at(1).daysSummary(), QString("1 of 4 days: Wed 3"));
        QVERIFY(rig.view.statuses.contains(st::checkingDay(1, QDate(2027, 2, 6))));
        QCOMPARE(rig.view.announcements.size(), 1);

        const auto session = [&](const QJsonObject& site) {
            rig.idleMinutes(5);
            startSite(site);
            return rig.run();
        };
        // Seats again on the 3rd, new ones on the 5th: told.
        QCOMPARE(session({{"available", QJsonArray{availableEntry(trip), availableEntry(fifth)}}}),
                 SessionOutcome::Completed);
        QCOMPARE(rig.results.at(1).daysSummary(), QString("2 of 4 days: Wed 3, Fri 5"));
        QCOMPARE(rig.view.announcements.size(), 2);
        // The same again: nothing new to tell.
        QCOMPARE(session({{"available", QJsonArray{availableEntry(trip), availableEntry(fifth)}}}),
                 SessionOutcome::Completed);
        QCOMPARE(rig.view.announcements.size(), 2);

        QCOMPARE(session({{"available", QJsonArray{availableEntry(fifth)}},
                          {"logoutAfterSearches", 2}, {"failLoginsFrom", 2}}),
                 SessionOutcome::LoginFailed);
        QCOMPARE(rig.availability(1), Availability::NotKnown);
        const QList<ItineraryKey> keys = historyKeys(rig.state.watchList.at(1));
        QCOMPARE(keys.size(), 4);
        QCOMPARE(keys[2].date, QString("05/02/2027"));
        QList<std::optional<CheckOutcome>> last;
        for (const ItinerarySummary& d : rig.state.history.summaries(keys))
            last << d.lastOutcome;
        QCOMPARE(last, (QList<std::optional<CheckOutcome>>{CheckOutcome::NotAvailable, CheckOutcome::NotAvailable,
                                                           CheckOutcome::LoggedOut, CheckOutcome::NotAvailable}));
        rig.state.history.close();
    }

    // The results e-mail follows the member's choice, and a session ending
    // moments after another that asked for one sends none.
    void resultsMailFollowsTheSettingAndTheJustSentWindow()
    {
        startSite();
        SiteSim product("{}", false);
        QVERIFY(product.start());
        qputenv("ZELVANE_SITE_URL", product.baseUrl().toUtf8());
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.channels.change([&](AlertChannels& c) { c.notifyDesktop = false; });
        RecordingMessageBoxes boxes;
        AlertSender post{rig.state.outbox, rig.state.settings.channels, {rig.state.settings.member, &Member::email}, boxes, rig.clock};
        SessionAlerter alerter(rig.state.watchList, rig.results, rig.state.announced, rig.state.settings.mailPolicy, rig.state.settings.told, rig.view, post, rig.clock,
                               SessionBusDesktop::instance());
        rig.mail.forwardTo = &alerter;
        const auto mails = [&product] { return product.requests("email").size(); };

        rig.state.settings.mailPolicy.set(MailPolicy(MailPolicy::Never));
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(mails(), 0);

        rig.state.settings.mailPolicy.set(MailPolicy(MailPolicy::Always));
        rig.idleMinutes(5);
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(mails(), 1);
        // Another session ending at the same moment asks for none.
        QCoro::waitFor(alerter.sessionEnded({SessionOutcome::Completed}));
        QCOMPARE(mails(), 1);
        rig.idleMinutes(5);
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        QCOMPARE(mails(), 2);
    }

    // Hours count on the wall clock, also across the nights the clocks change.
    void twentyFourHoursCountFromTheStartOfTheLastSession_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("day");
        QTest::newRow("UTC") << QByteArray("UTC") << QDate(2026, 12, 8);
        QTest::newRow("Sydney, clocks back") << QByteArray("Australia/Sydney") << QDate(2025, 4, 5);
        QTest::newRow("Sydney, clocks forward") << QByteArray("Australia/Sydney") << QDate(2025, 10, 4);
        QTest::newRow("Berlin, clocks forward") << QByteArray("Europe/Berlin") << QDate(2025, 3, 29);
        QTest::newRow("Berlin, clocks back") << QByteArray("Europe/Berlin") << QDate(2025, 10, 25);
    }
    void twentyFourHoursCountFromTheStartOfTheLastSession()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        qputenv("TZ", zone);
        tzset();
        const QDateTime first(day, QTime(8, 0)), next(day.addDays(1), QTime(8, 0));
        QVERIFY(zone == "UTC" || first.secsTo(next) != 24 * 3600); // the zone is in force
        startSite();
        Rig rig;
        // Trips the airline searches on that day.
        QList<Trip> trips = kTrips.mid(0, 3);
        for (int i = 0; i < trips.size(); ++i)
            trips[i].date = day.addDays(30 + i).toString("dd/MM/yyyy");
        rig.watch(trips);
        rig.state.settings.schedule.change([&](Schedule& s) { s.everyHours = 24; });
        rig.clock.set(first);
        Scheduler scheduler(rig.state.settings.schedule, rig.state.watchList, rig.clock, rig.sessions);

        QCoro::waitFor(scheduler.onScheduleTick());
        QCOMPARE(rig.view.statusTimes.value(0), first);
        QCOMPARE(rig.view.statuses.last(), st::kCompleted);
        QCOMPARE(rig.clock.now(), first.addSecs(105));

        rig.view.statuses.clear();
        rig.view.statusTimes.clear();
        rig.clock.set(next.addSecs(-1));
        QCoro::waitFor(scheduler.onScheduleTick());
        QVERIFY(rig.view.statuses.isEmpty());
        rig.clock.set(next);
        QCoro::waitFor(scheduler.onScheduleTick());
        QCOMPARE(rig.view.statusTimes.value(0), next);
        QCOMPARE(sim->requests("login").size(), 2);
    }

    void scheduleNeedsHoursAndItineraries()
    {
        startSite();
        Rig rig;
        rig.state.settings.schedule.change([&](Schedule& s) { s.everyHours = 12; });
        Scheduler scheduler(rig.state.settings.schedule, rig.state.watchList, rig.clock, rig.sessions);
        // Due at once, but nothing to check: the schedule still moves on.
        QCoro::waitFor(scheduler.onScheduleTick());
        QCOMPARE(scheduler.lastCheckTime, std::optional<QDateTime>(rig.clock.now()));
        rig.watch({kTrips[0]});
        rig.clock.advance(60 * 1000);
        QCoro::waitFor(scheduler.onScheduleTick());
        QVERIFY(rig.view.statuses.isEmpty());

        rig.state.settings.schedule.change([](Schedule& s) { s.everyHours = 0; }); // none chosen
        QCoro::waitFor(scheduler.onScheduleTick());
        QCOMPARE(rig.view.statuses, QStringList{kInvalidInterval});
        QVERIFY(sim->requests().isEmpty());
    }

    void aSecondStartWhileOneRunsIsRefused()
    {
        startSite();
        Rig rig;
        rig.watch(kTrips.mid(0, 2));
        rig.state.settings.schedule.change([](Schedule& s) { s.everyHours = 12; });
        Scheduler scheduler(rig.state.settings.schedule, rig.state.watchList, rig.clock, rig.sessions);
        QCoro::Task<SessionOutcome> first = rig.engine.runCheck();
        QVERIFY(rig.engine.running());
        QVERIFY(rig.engine.idle()); // waiting for its login
        QCOMPARE(QCoro::waitFor(rig.engine.checkNow()), SessionOutcome::Refused);
        QCoro::waitFor(scheduler.onScheduleTick());
        QCOMPARE(QCoro::waitFor(first), SessionOutcome::Completed);
        QCOMPARE(sim->requests("login").size(), 1);
        QCOMPARE(sim->requests("search").size(), 2);
        QVERIFY(!rig.engine.running());
    }

    void checkNowNeedsItineraries()
    {
        startSite();
        Rig rig;
        QCOMPARE(QCoro::waitFor(rig.engine.checkNow()), SessionOutcome::NoItineraries);
        QCOMPARE(rig.view.statuses, QStringList{st::kWaitingItineraries});
    }

    // Before any member details are stored a check cannot start: a press
    // says what is missing, whatever the watch list holds.
    void checkNowWithoutMemberDetailsAsksForThem_data()
    {
        QTest::addColumn<int>("itineraries");
        QTest::newRow("empty watch list") << 0;
        QTest::newRow("itineraries entered") << 1;
    }
    void checkNowWithoutMemberDetailsAsksForThem()
    {
        QFETCH(int, itineraries);
        startSite();
        Rig rig;
        Settings& s = rig.state.settings;
        s.member.change([&](Member& m) {
            m.number = 0;
            m.surname.clear();
            m.pin = 0;
            m.typedPin.clear();
        });
        QVERIFY(s.member->missing());
        rig.watch(kTrips.mid(0, itineraries));
        QCOMPARE(QCoro::waitFor(rig.engine.checkNow()), SessionOutcome::NoMember);
        QCOMPARE(rig.view.statuses.value(rig.view.statuses.size() - 1), kFillAllRequired);
        QVERIFY(!rig.view.statuses.contains(st::kWaitingItineraries));
        QVERIFY(sim->requests("login").isEmpty());
    }

    void loginTestUsesTheStoredDetailsAndIsNotThrottled()
    {
        startSite();
        Rig rig;
        const QDateTime start = rig.clock.now();
        // Before any session of this run, with the details as stored.
        QCoro::waitFor(rig.engine.testLogin());
        QCOMPARE(rig.view.statuses, QStringList({st::kAttempting, st::kTestOk}));
        QCOMPARE(rig.secondsSince(start), 15);
        QVERIFY(sim->requests("login").value(0)["query"].toString().endsWith(
            "login_ffNumber=1234567&login_surname=Smith&login_pin=1234"));
        QCOMPARE(rig.engine.loginsSent(), 0);

        // Details changed since the last session are the ones tested.
        rig.watch({kTrips[0]});
        rig.run();
        rig.state.settings.member.change([&](Member& m) { QVERIFY(m.setPinText("9999")); });
        rig.view.statuses.clear();
        QCoro::waitFor(rig.engine.testLogin());
        // Only the session browser reports a wrong login on its own.
        QCOMPARE(rig.view.statuses, QStringList({st::kAttempting, st::kTestFailed}));
    }

    // "Test" on a site in maintenance says so rather than blame the details.
    void loginTestTellsSiteTroubleFromWrongDetails()
    {
        startSite({{"loginFaults", QJsonObject{{"1", "status:503"}}}});
        Rig rig;
        QCoro::waitFor(rig.engine.testLogin());
        QCOMPARE(rig.view.statuses,
                 QStringList({st::kAttempting, st::siteNotUsable("HTTP 503 Service Unavailable")}));
        // The site answers again: now a wrong PIN is the details' fault.
        rig.state.settings.member.change([&](Member& m) { QVERIFY(m.setPinText("9999")); });
        QCoro::waitFor(rig.engine.testLogin());
        QCOMPARE(rig.view.statuses.last(), st::kTestFailed);
    }

    void cityUpdateLogsInAndSavesTheLongerLists()
    {
        startSite();
        Rig rig;
        QFile::remove(rig.folder + "/City.txt");
        rig.state.cities.names = {"Adelaide"};
        HttpBrowser b2;
        RecordedSteps steps;
        rig.view.statuses.clear();
        QCoro::waitFor(updateCities(b2, rig.engine, rig.state.cities, rig.view, rig.waits, steps));
        QCOMPARE(rig.view.statuses,
                 QStringList({kCityUpdateOpening,
                              "Getting Updates From Qantas Website...",
                              "Update From Qantas Website Successfully Completed..."}));
        QCOMPARE(steps.taken, QStringList({"lists", "version"}));
        QCOMPARE(rig.state.cities.webNames.size(), 14);
        QVERIFY(readFile(rig.folder + "/City.txt").startsWith("Adelaide\r\nAlbany\r\n"));
    }

    // An update of the city lists logs in like a session: never with details
    // the airline could only refuse, and never past the three logins in five
    // minutes that lock the account; a fourth waits for the window to close.
    void cityUpdateKeepsToTheLoginLimit_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<int>("updates");
        QTest::addColumn<int>("logins");   // reaching the simulator
        QTest::addColumn<QString>("said"); // last, on the status line
        QTest::newRow("nothing stored") << 0.0 << "" << 5 << 0 << kFillAllRequired;
        QTest::newRow("a PIN that cannot be sent") << 1234567.0 << "-5" << 5 << 0
                                                   << storedDetailWarning("the stored PIN is not digits only");
        QTest::newRow("three updates") << 1234567.0 << "1234" << 3 << 3 << kCityUpdateDone;
        QTest::newRow("a fourth waits") << 1234567.0 << "1234" << 4 << 3 << kCityUpdateWaiting;
    }
    void cityUpdateKeepsToTheLoginLimit()
    {
        QFETCH(double, number);
        QFETCH(QString, pin);
        QFETCH(int, updates);
        QFETCH(int, logins);
        QFETCH(QString, said);
        startSite();
        Rig rig;
        rig.area.values.insert("MemberNo", QString::number(number, 'f', 0));
        rig.area.values.insert("LastName", "Smith");
        rig.area.values.insert("Pin", pin);
        rig.state.settings.load();
        HttpBrowser b2;
        RecordedSteps steps;
        // One after the other, as the window runs them; the last one may wait.
        for (int i = 0; i < updates - 1; ++i)
            QCoro::waitFor(updateCities(b2, rig.engine, rig.state.cities, rig.view, rig.waits, steps));
        QCoro::Task<> last = updateCities(b2, rig.engine, rig.state.cities, rig.view, rig.waits, steps);
        QTRY_COMPARE(rig.view.statuses.value(rig.view.statuses.size() - 1), said);
        QCOMPARE(sim->requests("login").size(), logins);
        QCOMPARE(rig.engine.loginsSent(), logins);
        QCOMPARE(rig.view.loginsSentShown.value(rig.view.loginsSentShown.size() - 1, 0), logins);
        // The window closes: a waiting update goes on, and ends.
        resetThrottle(rig.engine);
        QCoro::waitFor(last);
        QCOMPARE(rig.view.statuses.last(), logins > 0 ? kCityUpdateDone : said);
        QCOMPARE(sim->requests("login").size(), logins > 0 ? updates : 0);
    }

    void pinWithLeadingZerosLogsIn()
    {
        startSite({{"member", QJsonObject{{"number", "1234567"}, {"surname", "O'Neil & Co"},
                                          {"pin", "0123"}}}});
        Rig rig;
        rig.watch({kTrips[0]});
        rig.state.settings.member.change([&](Member& m) {
            m.surname = "O'Neil & Co";
            QVERIFY(m.setPinText("0123"));
        });
        QCOMPARE(rig.run(), SessionOutcome::Completed);
        const QString q = sim->requests("login").value(0)["query"].toString();
        QVERIFY2(q.endsWith("login_surname=O'Neil%20%26%20Co&login_pin=0123"), qPrintable(q));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
