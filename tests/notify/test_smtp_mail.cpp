// Both e-mails through a real SMTP server on loopback (aiosmtpd), each handed
// to the mail program as the tray program sends it: once plain, once with
// STARTTLS and a login, every way a server lets a user down, and the mail
// program's own failures.
#include "app/Settings.h"
#include "engine/StatusLine.h"
#include "notify/LoginFailMail.h"
#include "notify/MailProgram.h"
#include "notify/ResultsMail.h"
#include "support/MissingTool.h"
#include "support/SmtpTestServer.h"
#include "support/TestPost.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

class RecordingStatus final : public StatusLine {
public:
    void setStatus(const StatusMessage& message) override { texts << message.words(); }
    QString status() const override { return texts.value(texts.size() - 1); }
    QStringList texts;
};

const QList<MailRow> kRows{{"Sydney", "London", "01/02/2027", Availability::Seats},
                           {"Zürich", "B&B <Bay>", "03/04/2027 +3, none of 4 days", Availability::NoSeats,
                            "2 adults, Business"}};

const QString kPlain =
    "Hi There,\r\n\r\n"
    "Below are your scheduled results from a check that just took place.\r\n"
    "You have (1)Available and (1) Unavailable  Flights\r\n"
    "Available:\r\n"
    "Flight Sydney TO London On Date 01/02/2027\r\n\r\n\r\n"
    "Unavailable:\r\n"
    "Flight Zürich TO B&B <Bay> On Date 03/04/2027 +3, none of 4 days (2 adults, Business)\r\n\r\n\r\n"
    "For more detailed itinerary information check the results at Zelvane. To make the booking "
    "contact your airline.\r\n\r\n"
    "Thank you,\r\n\r\nZelvane Alert\r\n\r\nhttp://www.zelvane.example\r\n\r\n"
    "**This is an auto-generated email, please do not reply to this email address.\r\n";

MailDeadlines shortDeadlines()
{
    MailDeadlines d;
    d.smtp = {3s, 4s};
    d.secret = 2s;
    return d;
}

QMap<QString, QString> headersOf(const QJsonObject& message)
{
    QMap<QString, QString> h;
    for (const QJsonValue& pair : message["headers"].toArray())
        h.insert(pair[0].toString(), pair[1].toString());
    return h;
}

// The text parts as the server decoded them, by type.
QMap<QString, QString> textParts(const QJsonObject& message)
{
    QMap<QString, QString> parts;
    for (const QJsonValue& p : message["parts"].toArray())
        if (p["type"].toString().startsWith("text/"))
            parts.insert(p["type"].toString(), p["text"].toString());
    return parts;
}

// Every part's type, in the order the message holds them.
QStringList partTypes(const QJsonObject& message)
{
    QStringList types;
    for (const QJsonValue& p : message["parts"].toArray())
        types << p["type"].toString();
    return types;
}

} // namespace

class TestSmtpMail : public QObject {
    Q_OBJECT

    MemorySettingsArea area;
    VirtualClock clock;

    void pointAt(Settings& s, const SmtpTestServer& server, SmtpSecurity security, const QString& user = {},
                 const QString& password = {})
    {
        s.member.change([](Member& m) { m.email = "member@example.com"; });
        s.channels.change([&](AlertChannels& c) {
            c.smtpFrom = "alerts@example.com";
            c.smtpHost = "127.0.0.1";
            c.smtpPort = server.port();
            c.smtpSecurity = security;
            c.smtpUser = user;
            c.smtpPassword = password; // as kept where no secret store answers
        });
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        QVERIFY(testCa().ok);
        mailThroughTheMailProgram();
    }
    void init()
    {
        qunsetenv("ZELVANE_SITE_URL");
        qunsetenv("ZELVANE_CA_FILE");
    }

    void resultsMailArrivesAsTwoAlternatives()
    {
        SmtpTestServer server;
        QVERIFY(server.start());
        Settings s(area, clock, freshFolder("program"));
        pointAt(s, server, SmtpSecurity::None);
        RecordingStatus line;
        TestPost postd(s, shortDeadlines());
        const auto d = QCoro::waitFor(sendmail(kRows, *s.mailPolicy, line, postd.sender));
        QVERIFY2(d && d->delivered, qPrintable(d ? d->failure : "no mail"));
        QCOMPARE(line.texts, QStringList{"(1)Available and (1)Unavailable Results Found, Mail Sent"});

        QCOMPARE(server.messages().size(), 1);
        const QJsonObject m = server.messages().first();
        QCOMPARE(m["mail_from"].toString(), QString("alerts@example.com"));
        QCOMPARE(m["rcpt_tos"].toArray(), QJsonArray{"member@example.com"});
        const auto h = headersOf(m);
        QCOMPARE(h["From"], QString("Zelvane <alerts@example.com>"));
        QCOMPARE(h["To"], QString("member@example.com"));
        QCOMPARE(h["Subject"], QString("Your Frequent Flyer Results"));
        QVERIFY(QDateTime::fromString(h["Date"], Qt::RFC2822Date).isValid());
        QVERIFY(QRegularExpression("^<[0-9a-f-]{36}@example\\.com>$").match(h["Message-ID"]).hasMatch());
        // The message is the choice between its two texts, plain first, not a
        // mixed message around them (which some readers list as an attachment).
        QVERIFY2(h["Content-Type"].startsWith("multipart/alternative;"), qPrintable(h["Content-Type"]));
        QCOMPARE(partTypes(m), QStringList({"multipart/alternative", "text/plain", "text/html"}));
        const auto parts = textParts(m);
        QCOMPARE(parts.keys(), QStringList({"text/html", "text/plain"}));
        QCOMPARE(parts["text/plain"], kPlain);
        const QString html = parts["text/html"];
        QVERIFY(html.contains("<B>Available:</B><br>\r\n<br><B>Flight Sydney TO London On Date 01/02/2027</B> <br>\r\n"));
        QVERIFY(html.contains("<B>Flight Zürich TO B&amp;B &lt;Bay&gt; On Date 03/04/2027 +3, none of 4 days "
                              "(2 adults, Business)</B>"));
        QVERIFY(!html.contains("%20"));
    }

    void warningGoesThroughStartTlsWithALogin()
    {
        SmtpTestServer server({true, "member:app password"});
        QVERIFY(server.start());
        qputenv("ZELVANE_CA_FILE", testCa().caFile.toUtf8());
        Settings s(area, clock, freshFolder("program"));
        pointAt(s, server, SmtpSecurity::StartTls, "member", "app password");
        s.channels.change([](AlertChannels& c) { c.smtpFrom.clear(); }); // the member's own address then
        RecordingMessageBoxes boxes;
        TestPost post(s, shortDeadlines(), &boxes);
        const Delivery d = QCoro::waitFor(sendLoginFailMail(post.sender, SessionOutcome::GaveUp));
        QVERIFY2(d.delivered, qPrintable(d.failure));
        QCOMPARE(server.messages().size(), 1);
        const QJsonObject m = server.messages().first();
        QCOMPARE(headersOf(m)["From"], QString("Zelvane <member@example.com>"));
        QCOMPARE(headersOf(m)["Subject"], QString("Zelvane could not log in to your frequent flyer account"));
        QCOMPARE(textParts(m)["text/plain"],
                 QString("Hi There,\r\n\r\nLogin 3 time attempts failed!\r\n"
                         "IF Qantas site is down or Login details incorrect.\r\n"
                         "Qantas Program check after 15 minute wait\r\n"
                         "and after 15 minute trying again.\r\n"
                         "For more detailed results plus booking times please check the results "
                         "in your Frequent Flyer Program.\r\n\r\n"
                         "Thank you,\r\n\r\nZelvane Alert\r\n\r\nhttp://www.zelvane.example\r\n"));
        QVERIFY(textParts(m)["text/html"].contains("Login 3 time attempts failed!<br>\r\n"));
        QCOMPARE(partTypes(m), QStringList({"multipart/alternative", "text/plain", "text/html"}));
        QVERIFY(boxes.shown.isEmpty());
    }

    // Each failure names itself on the status line, writes no setting, and
    // the next session mails again once the server behaves.
    void failuresSayWhatFailedAndLoseNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("why");
        QTest::newRow("wrong password") << "normal" << true << "wrong" << true
                                        << "the mail server refused the login (535)";
        QTest::newRow("recipient refused") << "refuse-rcpt" << false << "" << true
                                           << "the mail server refused the recipient (550)";
        QTest::newRow("server closes mid-data") << "close-in-data" << false << "" << true
                                                << "the connection to the mail server was lost";
        QTest::newRow("server silent") << "silent" << false << "" << true
                                       << "mail server 127.0.0.1:%1 did not answer in time";
        QTest::newRow("server not accepting mail now") << "greet-421" << false << "" << true
                                                       << "the mail server is not accepting mail now (421)";
        QTest::newRow("certificate not trusted") << "normal" << true << "app password" << false
                                                 << "TLS failed: the mail server's certificate is not trusted";
        QTest::newRow("password in clear text elsewhere") << "none" << false << "app password" << true
                                                          << "a password is never sent unencrypted to "
                                                             "another machine: choose STARTTLS or TLS";
    }
    void failuresSayWhatFailedAndLoseNothing()
    {
        QFETCH(QString, mode);
        QFETCH(bool, tls);
        QFETCH(QString, password);
        QFETCH(bool, trusted);
        QFETCH(QString, why);
        SmtpTestServer server({tls, tls ? "member:app password" : "", mode == "none" ? "normal" : mode});
        QVERIFY(server.start());
        if (trusted)
            qputenv("ZELVANE_CA_FILE", testCa().caFile.toUtf8());
        area.values.clear();
        Settings s(area, clock, freshFolder("program"));
        pointAt(s, server, tls ? SmtpSecurity::StartTls : SmtpSecurity::None,
                password.isEmpty() ? "" : "member", password);
        if (mode == "none")
            s.channels.change([&](AlertChannels& c) { c.smtpHost = "mail.example.com"; });
        s.mailPolicy.set(MailPolicy::Always);
        QCoreApplication::processEvents(); // the setup's own changes are saved
        area.writes.clear();
        RecordingStatus line;
        QElapsedTimer took;
        took.start();
        TestPost postd(s, shortDeadlines());
        const auto d = QCoro::waitFor(sendmail(kRows, *s.mailPolicy, line, postd.sender));
        QVERIFY(took.elapsed() < 15000); // the deadline holds
        QVERIFY(d && !d->delivered);
        QCOMPARE(line.texts, QStringList{"(1)Available and (1)Unavailable Results Found, Mail Not Sent: "
                                         + QString(why).replace("%1", QString::number(server.port()))});
        QVERIFY(area.writes.isEmpty());
        QVERIFY(server.messages().isEmpty());

        // The server mends; the next session's mail arrives.
        SmtpTestServer good;
        QVERIFY(good.start());
        pointAt(s, good, SmtpSecurity::None);
        TestPost postagain(s, shortDeadlines());
        const auto again = QCoro::waitFor(sendmail(kRows, *s.mailPolicy, line, postagain.sender));
        QVERIFY2(again && again->delivered, qPrintable(again ? again->failure : "no mail"));
        QCOMPARE(good.messages().size(), 1);
    }

    // A server that goes quiet once the message is out, or answers every step
    // but too slowly, holds a send no longer than its deadline. Taken and then
    // silent counts as sent, so the outbox never sends a second copy; not
    // told it was taken is no answer in time, and the mail waits.
    void deadlineHoldsWhenTheServerGoesQuiet_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<QString>("why");
        QTest::addColumn<int>("received"); // messages that reached the server
        QTest::newRow("no goodbye after the message") << "silent-at-quit" << true << "" << 1;
        QTest::newRow("no answer to the message's end")
            << "silent-after-data" << false << "mail server 127.0.0.1:%1 did not answer in time" << 1;
        QTest::newRow("every step answered, slowly")
            << "slow" << false << "mail server 127.0.0.1:%1 did not answer in time" << 0;
    }
    void deadlineHoldsWhenTheServerGoesQuiet()
    {
        QFETCH(QString, mode);
        QFETCH(bool, delivered);
        QFETCH(QString, why);
        QFETCH(int, received);
        SmtpTestServer server({false, "", mode});
        QVERIFY(server.start());
        Settings s(area, clock, freshFolder("program"));
        pointAt(s, server, SmtpSecurity::None);
        MailDeadlines deadlines = shortDeadlines();
        deadlines.smtp = {2s, 3s};
        TestPost post(s, deadlines);
        QElapsedTimer took;
        took.start();
        const Delivery d = QCoro::waitFor(post.sender.send(
            mailEntry(OutboxEntry::Topic::Results, MailTarget{*s.channels, s.member->email}, "Your Frequent Flyer Results", "Seats", "Seats")));
        // Only a sanity bound: the deadline is 3 s.
        QVERIFY2(took.elapsed() < 8000,
                 qPrintable(QString("took %1 ms: %2").arg(took.elapsed()).arg(d.failure)));
        QCOMPARE(d.failure, QString(why).replace("%1", QString::number(server.port())));
        QCOMPARE(d.delivered, delivered);
        QCOMPARE(post.outbox.count(), delivered ? 0 : 1);
        QTRY_COMPARE(server.messages().size(), received);
    }

    // A mail whose acceptance never came back goes again as the same message,
    // Message-ID and date alike, so the reader's mail program sees one mail.
    void aMailTriedAgainIsTheSameMessage()
    {
        SmtpTestServer lost({false, "", "silent-after-data"});
        QVERIFY(lost.start());
        Settings s(area, clock, freshFolder("program"));
        pointAt(s, lost, SmtpSecurity::None);
        MailDeadlines deadlines = shortDeadlines();
        deadlines.smtp = {2s, 3s};
        TestPost post(s, deadlines);
        const Delivery first = QCoro::waitFor(post.sender.send(
            mailEntry(OutboxEntry::Topic::Results, MailTarget{*s.channels, s.member->email}, "Your Frequent Flyer Results", "Seats", "Seats")));
        QVERIFY(!first.delivered);
        QTRY_COMPARE(lost.messages().size(), 1);

        SmtpTestServer good;
        QVERIFY(good.start());
        pointAt(s, good, SmtpSecurity::None);
        QCoro::waitFor(post.sender.sendWaiting());
        QCOMPARE(post.outbox.count(), 0);
        QCOMPARE(good.messages().size(), 1);
        const auto before = headersOf(lost.messages().first()), again = headersOf(good.messages().first());
        QVERIFY(!before["Message-ID"].isEmpty());
        QCOMPARE(again["Message-ID"], before["Message-ID"]);
        QCOMPARE(again["Date"], before["Date"]);
    }

    // The mail program cannot do its part: nothing leaves, and the reason says why.
    void mailProgramFailuresAreNamed_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("brokenLibrary");
        QTest::addColumn<QString>("why");
        QTest::newRow("mail library broken") << ZELVANE_MAIL_PROGRAM_PATH << true
                                             << "the mail library could not be loaded";
        QTest::newRow("mail program missing") << freshFolder("nothing") + "/zelvane-mail" << false
                                              << "the mail program could not be started (";
    }
    void mailProgramFailuresAreNamed()
    {
        QFETCH(QString, program);
        QFETCH(bool, brokenLibrary);
        QFETCH(QString, why);
        SmtpTestServer server;
        QVERIFY(server.start());
        // A broken libcurl.so.4 found first, as a missing one would be.
        const QString libraries = freshFolder("libraries");
        writeFile(libraries + "/libcurl.so.4", "not a library");
        const QByteArray searched = qgetenv("LD_LIBRARY_PATH");
        if (brokenLibrary)
            qputenv("LD_LIBRARY_PATH", libraries.toUtf8());
        SmtpServer to;
        to.host = "127.0.0.1";
        to.port = server.port();
        to.security = SmtpSecurity::None;
        MailMessage message;
        message.from = "alerts@example.com";
        message.to = "member@example.com";
        const Delivery d = sendSmtpByProgram(program, to, message, {3s, 4s});
        searched.isNull() ? qunsetenv("LD_LIBRARY_PATH") : qputenv("LD_LIBRARY_PATH", searched);
        QVERIFY(!d.delivered);
        QVERIFY2(d.failure.startsWith(why), qPrintable(d.failure));
        QVERIFY(server.messages().isEmpty());
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestSmtpMail)
#include "test_smtp_mail.moc"
