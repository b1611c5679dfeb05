// Desktop notifications on a session bus of their own, with a recording
// notification service: one note per flight found, one listing them when
// there are more than three, one for a refused login (once per streak), and
// "Show Results" bringing up the results panel; zelvane-check's notes, left
// behind when it ends, offering nothing to click.
#include "notify/SessionAlerter.h"
#include "ui/AppWindows.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SystemDesktop.h"
#include "support/SiteSim.h"
#include "WindowRig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

QList<QJsonObject> notes()
{
    QList<QJsonObject> out;
    for (const QByteArray& line : readFile(qEnvironmentVariable("ZELVANE_NOTIFY_LOG")).split('\n'))
        if (const QJsonDocument d = QJsonDocument::fromJson(line); d.isObject())
            out << d.object();
    return out;
}

const QStringList kTrips = {"Sydney;London;25/12/2026;Evening;SYD;LON",
                            "Perth;Darwin;03/01/2027;Morning;PER;DRW",
                            "Brisbane;Cairns;14/02/2027;13:00;BNE;CNS",
                            "Adelaide;Hobart;01/03/2027;Morning;ADL;HBA",
                            "Melbourne;Perth;09/04/2027;Evening;MEL;PER"};

} // namespace

class TestDesktopAlerts : public QObject {
    Q_OBJECT

    // The rig's window with `available` of the trips found available.
    MainWindow& sessionWith(WindowRig& rig, int available)
    {
        rig.storeMember();
        rig.state.settings.mailPolicy.set(MailPolicy(2));
        for (const QString& t : kTrips)
            rig.watchLine(t);
        MainWindow& w = rig.open();
        for (int i = 1; i <= available; ++i)
            rig.found(i, "Y");
        return w;
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("ZELVANE_NOTIFY_LOG"))
            QSKIP("needs its session bus: run through CTest (with_session_bus.sh)");
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     kNotificationsService),
                                 15000);
    }
    void init() { writeFile(qEnvironmentVariable("ZELVANE_NOTIFY_LOG"), {}); }

    void oneNotePerFlightUpToThree_data()
    {
        QTest::addColumn<int>("available");
        QTest::addColumn<QStringList>("bodies");
        const QString l = "Sydney → London, 25/12/2026, Evening", p = "Perth → Darwin, 03/01/2027, Morning",
                      b = "Brisbane → Cairns, 14/02/2027, 13:00", a = "Adelaide → Hobart, 01/03/2027, Morning";
        QTest::newRow("none") << 0 << QStringList{};
        QTest::newRow("one") << 1 << QStringList{l};
        QTest::newRow("three") << 3 << QStringList{l, p, b};
        QTest::newRow("four become one") << 4 << QStringList{QStringList{l, p, b, a}.join('\n')};
    }
    void oneNotePerFlightUpToThree()
    {
        QFETCH(int, available);
        QFETCH(QStringList, bodies);
        WindowRig rig("desktop-notes");
        MainWindow& w = sessionWith(rig, available);
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::Completed}));
        QStringList seen;
        for (const QJsonObject& n : notes()) {
            seen << n["body"].toString();
            QCOMPARE(n["summary"].toString(), QString("Seats found"));
            QCOMPARE(n["app"].toString(), QString("Zelvane"));
            QCOMPARE(n["icon"].toString(), QString("example.zelvane.Zelvane"));
            QCOMPARE(n["actions"].toArray(), QJsonArray({"show-results", "Show Results"}));
        }
        QCOMPARE(seen, bodies);
        QVERIFY(w.alerts().undelivered.isEmpty());
    }

    void switchedOffShowsNothing()
    {
        WindowRig rig("desktop-off");
        MainWindow& w = sessionWith(rig, 2);
        rig.state.settings.channels.change([&](AlertChannels& c) { c.notifyDesktop = false; });
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::Completed}));
        QVERIFY(notes().isEmpty());
    }

    void refusedLoginIsNotedOncePerStreak()
    {
        WindowRig rig("desktop-login");
        MainWindow& w = sessionWith(rig, 0);
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::LoginFailed}));
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::GaveUp}));
        QCOMPARE(notes().size(), 1);
        QCOMPARE(notes().first()["summary"].toString(), QString("Login failed — check your details"));
        QCOMPARE(notes().first()["actions"].toArray(), QJsonArray());
        rig.state.settings.told.change([](Told& t) { t.loginFailure = false; }); // as a good login does
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::LoginFailed}));
        QCOMPARE(notes().size(), 2);
    }

    void showResultsOpensTheResultsPanel()
    {
        WindowRig rig("desktop-action");
        rig.storeMember();
        for (const QString& t : kTrips)
            rig.watchLine(t);
        QtDialogs dialogs;
        SystemDesktop desktop;
        AppWindows windows(rig.state.parts, rig.news, rig.boxes, dialogs, desktop);
        MainWindow& w = windows.mainWindow();
        windows.checkRig().results().set(1, checkedDays(rig.state.watchList.at(1).date, "Y"));
        w.showItineraryPanel();
        QVERIFY(!w.isVisible());
        QCoro::waitFor(w.alerts().sessionEnded({SessionOutcome::Completed}));
        QCOMPARE(notes().size(), 1);

        // Another program's note with the same action does nothing here.
        const auto invoke = [](uint id) {
            QDBusMessage m = QDBusMessage::createMethodCall(kNotificationsService, kNotificationsPath,
                                                            "org.zelvane.Test", "Invoke");
            m << id << QString("show-results");
            QDBusConnection::sessionBus().call(m);
        };
        invoke(99);
        QTest::qWait(200);
        QVERIFY(!w.isVisible());
        invoke(uint(notes().first()["id"].toInt()));
        QTRY_VERIFY(w.isVisible());
        QVERIFY(w.findChild<QWidget*>("resultsPanel")->isVisible());
        QVERIFY(!w.findChild<QWidget*>("itineraryPanel")->isVisible());
    }

    // zelvane-check ends with its check, so nothing would answer a "Show
    // results" on the note it leaves: run as from a timer, it offers none.
    void checkCommandNotesOfferNothingToClick()
    {
        SiteSim airline(R"({"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026"}]})");
        SiteSim site("{}", false);
        QVERIFY(airline.start());
        QVERIFY(site.start());
        const QString folder = freshFolder("check-program");
        QVERIFY(QFile::copy(ZELVANE_CHECK_PATH, folder + "/zelvane-check"));
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                                         "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n");
        QSettings settings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf",
                           QSettings::IniFormat);
        settings.remove("");
        for (const auto& [key, value] : {std::pair{"MemberNo", "1234567"}, {"LastName", "Smith"},
                                         {"Pin", "1234"}, {"Mail", "me@example.com"},
                                         {"MailSendType", "2"}})
            settings.setValue(QString("Settings/") + key, value);
        settings.sync();

        QProcess check;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        env.insert("ZELVANE_SITE_URL", site.baseUrl());
        env.insert("ZELVANE_TIME_SCALE", "0");
        check.setProcessEnvironment(env);
        check.start(folder + "/zelvane-check");
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());

        QCOMPARE(notes().size(), 1);
        QCOMPARE(notes().first()["summary"].toString(), QString("Seats found"));
        QCOMPARE(notes().first()["body"].toString(), QString("Sydney → Melbourne, 25/12/2026, Evening"));
        QCOMPARE(notes().first()["actions"].toArray(), QJsonArray());
    }
};

QTEST_MAIN(TestDesktopAlerts)
#include "test_desktop_alerts.moc"
