// The login-failure e-mail: the form it posts, what the relay receives, and
// failures that must pass quietly.
#include "app/Settings.h"
#include "net/FormPost.h"
#include "notify/LoginFailMail.h"
#include "notify/SessionAlerter.h"
#include "itineraries/WatchList.h"
#include "results/AnnouncedSeats.h"
#include "results/CheckResults.h"
#include "support/EngineDoubles.h"
#include "support/SiteSim.h"
#include "support/TestPost.h"
#include "support/TestSupport.h"
#include "MailWire.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QtTest>

Q_DECLARE_METATYPE(zelvane::SessionOutcome)

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

const NetTimeouts kShort{5000ms, 10000ms};

const QString kEncodedBody =
    "Hi%20There,<br><br>"
    "Login%203%20time%20attempts%20failed!<br>"
    "IF%20Qantas%20site%20is%20down%20or%20Login%20details%20incorrect.<br>"
    "%20Qantas%20Program%20check%20after%2015%20minute%20wait<br>"
    "and%20after%2015%20minute%20trying%20again.<br>"
    "%20For%20more%20detailed%20results%20plus%20booking%20times%20please%20"
    "check%20the%20results%20in%20your%20Frequent%20Flyer%20Program.%20<br><br>"
    "Thank%20you,<br><br>"
    "Zelvane%20Alert<br><br>"
    "http://www.zelvane.example";

QString closedAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const QString address = QString("http://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    return address;
}

} // namespace

class TestLoginFailMail : public QObject {
    Q_OBJECT

    MemorySettingsArea area;
    VirtualClock clock;

private slots:
    void init()
    {
        qunsetenv("ZELVANE_RELAY_URL");
        qunsetenv("ZELVANE_SITE_URL");
    }

    void formDataIsExact_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("form");
        const QString rest = "&sub=Zelvane%20could%20not%20log%20in%20to%20your%20frequent%20flyer%20account&body=" + kEncodedBody;
        QTest::newRow("plain address") << "member@example.com" << "to=member@example.com" + rest;
        QTest::newRow("no address still posts") << "" << "to=" + rest;
        QTest::newRow("plus and ampersand escaped") << "a+b&c@x.y" << "to=a%2Bb%26c@x.y" + rest;
    }
    void formDataIsExact()
    {
        QFETCH(QString, to);
        QFETCH(QString, form);
        QCOMPARE(loginFailFormData(to, SessionOutcome::GaveUp), form);
        const QMap<QString, QString> f = serverFields(form);
        QCOMPARE(f.value("to"), to);
        QCOMPARE(f.value("sub"), QString("Zelvane could not log in to your frequent flyer account"));
        // No line break after the site address at the very end.
        QVERIFY(f.value("body").endsWith("Zelvane Alert<br><br>http://www.zelvane.example"));
    }

    void relayReceivesTheForm()
    {
        SiteSim sim("{}", false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "jo+flights@example.com"; });
        RecordingMessageBoxes boxes;

        TestPost post(settings, {{}, kShort}, &boxes);
        QCoro::waitFor(sendLoginFailMail(post.sender, SessionOutcome::GaveUp));

        const QList<QJsonObject> posts = sim.requests("relay");
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts.front().value("method").toString(), QString("POST"));
        QCOMPARE(posts.front().value("path").toString(), QString("/dev/email.asp"));
        QCOMPARE(posts.front().value("body").toString(), loginFailFormData("jo+flights@example.com", SessionOutcome::GaveUp));
        QCOMPARE(serverFields(posts.front().value("body").toString()).value("to"),
                 QString("jo+flights@example.com"));
        QVERIFY(boxes.shown.isEmpty());
    }

    void relayElsewhereThanTheSite()
    {
        SiteSim relay("{}", false);
        QVERIFY(relay.start());
        qputenv("ZELVANE_SITE_URL", closedAddress().toUtf8());
        qputenv("ZELVANE_RELAY_URL", relay.baseUrl().toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        RecordingMessageBoxes boxes;
        TestPost post(settings, {{}, kShort}, &boxes);
        QCoro::waitFor(sendLoginFailMail(post.sender, SessionOutcome::GaveUp));
        QCOMPARE(relay.requests("relay").size(), 1);
        QVERIFY(relay.requests("relay").front().value("body").toString().startsWith("to=&sub="));
    }

    void longRelayReplyArrivesWhole()
    {
        SiteSim sim(R"({"site":{"relayReply":"0123456789abcdef","relayReplyBytes":70000}})", false);
        QVERIFY(sim.start());
        RecordingMessageBoxes boxes;
        const QString reply = QCoro::waitFor(
            postForm(sim.baseUrl() + "/dev/email.asp", loginFailFormData("a@b.c", SessionOutcome::GaveUp), boxes, kShort));
        QCOMPARE(reply.size(), 70000);
        QCOMPARE(reply, QString("0123456789abcdef").repeated(4375));
    }

    // What a session's end hands the relay: the first refusal is told as
    // it is, the give-up with its failed attempts and its retry.
    void eachEndOfALoginSendsItsOwnWarning_data()
    {
        QTest::addColumn<SessionOutcome>("outcome");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("never");
        QTest::newRow("refused") << SessionOutcome::LoginFailed
                                 << "Qantas did not accept the member number, surname or PIN."
                                 << "attempts";
        QTest::newRow("gave up") << SessionOutcome::GaveUp << "Login 3 time attempts failed!"
                                 << "did not accept";
    }
    void eachEndOfALoginSendsItsOwnWarning()
    {
        QFETCH(SessionOutcome, outcome);
        QFETCH(QString, says);
        QFETCH(QString, never);
        SiteSim sim("{}", false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        area.values.clear();
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        settings.channels.change([&](AlertChannels& c) { c.notifyDesktop = false; });
        TestPost post(settings, {{}, kShort});
        WatchList list;
        CheckResults results(list);
        RecordingStatus view;
        AnnouncedSeats announced;
        SessionAlerter alerts(list, results, announced, settings.mailPolicy, settings.told, view, post.sender, clock,
                              SessionBusDesktop::instance());
        QCoro::waitFor(alerts.sessionEnded({outcome}));
        QCOMPARE(sim.requests("relay").size(), 1);
        const QString body = serverFields(sim.requests("relay").front().value("body").toString()).value("body");
        QVERIFY2(body.contains(says) && !body.contains(never), qPrintable(body));
    }

    void failuresPassQuietly_data()
    {
        QTest::addColumn<QString>("relay");
        QTest::newRow("relay unreachable") << closedAddress();
        QTest::newRow("relay address the parser refuses") << "http:relay";
        QTest::newRow("relay host of one label") << "http://relay";
    }
    void failuresPassQuietly()
    {
        QFETCH(QString, relay);
        qputenv("ZELVANE_SITE_URL", closedAddress().toUtf8());
        qputenv("ZELVANE_RELAY_URL", relay.toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        RecordingMessageBoxes boxes;
        TestPost post(settings, {{}, kShort}, &boxes);
        bool finished = false;
        auto run = [&]() -> QCoro::Task<> {
            try {
                co_await sendLoginFailMail(post.sender, SessionOutcome::GaveUp);
                finished = true;
            } catch (...) {
            }
        };
        QCoro::waitFor(run());
        QVERIFY(finished);
        QVERIFY(boxes.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLoginFailMail)
#include "test_login_fail_mail.moc"
