// The results e-mail: the message as the member reads it, the encoding that
// carries it in a query string, when it is sent, and what the product site
// receives.
#include "app/Settings.h"
#include "engine/StatusLine.h"
#include "notify/ResultsMail.h"
#include "support/SiteSim.h"
#include "support/TestPost.h"
#include "support/TestSupport.h"
#include "MailWire.h"
#include "support/LocalHttpServer.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QtTest>

Q_DECLARE_METATYPE(QList<zelvane::MailRow>)

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

const NetTimeouts kShort{5000ms, 10000ms};

class RecordingStatus final : public StatusLine {
public:
    void setStatus(const StatusMessage& message) override { texts << message.words(); }
    QString status() const override { return texts.value(texts.size() - 1); }
    QStringList texts;
};

const QList<MailRow> kMixedRows{
    {"SYDNEY", "LONDON", "01/02/2009", Availability::Seats},
    {"MELBOURNE", "LOS ANGELES", "15/03/2009", Availability::NoSeats},
    {"PERTH", "SINGAPORE", "20/04/2009", Availability::NotKnown},
    {"BRISBANE", "HONG KONG", "02/05/2009", Availability::Seats},
};

QString bodyWith(const QString& counts, const QString& available, const QString& unavailable)
{
    return "Hi There,\r\n\r\n"
           "Below are your scheduled results from a check that just took place. \r\n"
           + counts + " \r\n"
           " <BR><B>Available:</B>\r\n"
           + available
           + "\r\n\r\n <B>Unavailable:</B> \r\n"
           + unavailable
           + "\r\n\r\n For more detailed itinerary information check the results at Zelvane. "
             "To make the booking contact your airline.\r\n\r\n"
             "Thank you,\r\n\r\n"
             "Zelvane Alert\r\n\r\n"
             "http://www.zelvane.example\r\n\r\n"
             "**This is an auto-generated email, please do not reply to this email address.";
}

} // namespace

class TestResultsMail : public QObject {
    Q_OBJECT

    MemorySettingsArea area;
    VirtualClock clock;

private slots:
    void messageListsCheckedRowsInTheirSections()
    {
        const ResultsMail mail = buildResultsMail(kMixedRows);
        QCOMPARE(mail.available, 2);
        QCOMPARE(mail.unavailable, 1);
        QCOMPARE(mail.body,
                 bodyWith("You have (2)Available and (1) Unavailable  Flights",
                          "<br><B>Flight SYDNEY TO LONDON On Date 01/02/2009</B> \r\n"
                          "<br><B>Flight BRISBANE TO HONG KONG On Date 02/05/2009</B> \r\n",
                          "<br><B>Flight MELBOURNE TO LOS ANGELES On Date 15/03/2009</B> \r\n"));
    }

    void emptyResultsGiveEmptySections()
    {
        const QList<MailRow> unchecked{{"PERTH", "SINGAPORE", "20/04/2009", Availability::NotKnown}};
        for (const QList<MailRow>& rows : {QList<MailRow>{}, unchecked}) {
            const ResultsMail mail = buildResultsMail(rows);
            QCOMPARE(mail.available + mail.unavailable, 0);
            QCOMPARE(mail.body, bodyWith("You have (0)Available and (0) Unavailable  Flights", "", ""));
        }
    }

    void encodingKeepsTheQueryWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("the worked line")
            << "<br><B>Flight SYDNEY TO LONDON On Date 01/02/2009</B> \r\n"
            << "<br><B>Flight%20SYDNEY%20TO%20LONDON%20On%20Date%2001/02/2009</B>%20<br>";
        QTest::newRow("only CR LF together is a line break") << "a\rb\nc\r\n" << "a\rb\nc<br>";
        QTest::newRow("field and fragment marks are escaped") << "B&B #1" << "B%26B%20%231";
        QTest::newRow("a plus is not a blank") << "1+1" << "1%2B1";
        QTest::newRow("a percent is not an escape") << "100% sure %20" << "100%25%20sure%20%2520";
        QTest::newRow("everything else as it stands") << "a=b;c/d?e*'\"<>" << "a=b;c/d?e*'\"<>";
    }
    void encodingKeepsTheQueryWhole()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        QCOMPARE(encodeMailText(text), encoded);
        // What the site decodes is what was written, line breaks as "<br>".
        QCOMPARE(serverFields("body=" + encoded).value("body"), decodedMailText(text));
    }

    void sendingDependsOnTheChoice_data()
    {
        QTest::addColumn<int>("sendType");
        QTest::addColumn<QList<MailRow>>("rows");
        QTest::addColumn<bool>("changed"); // some itinerary's outcome changed in the session
        QTest::addColumn<int>("mails");
        QTest::addColumn<QString>("status");
        const QList<MailRow> none{{"PERTH", "SINGAPORE", "20/04/2009", Availability::NoSeats}};
        const QString mixedSent = "(2)Available and (1)Unavailable Results Found, Mail Sent";
        QTest::newRow("always: mixed") << 0 << kMixedRows << false << 1 << mixedSent;
        QTest::newRow("always: empty list") << 0 << QList<MailRow>{} << false << 1
                                            << "(0)Available and (0)Unavailable Results Found, Mail Sent";
        QTest::newRow("only if available: some")
            << 1 << kMixedRows << false << 1 << "( 2 )Available Results Found, Mail queued";
        QTest::newRow("only if available: none") << 1 << none << true << 0 << "previous";
        QTest::newRow("only if available: empty list") << 1 << QList<MailRow>{} << true << 0 << "previous";
        QTest::newRow("never") << 2 << kMixedRows << true << 0 << "previous";
        QTest::newRow("only on change: changed") << 3 << kMixedRows << true << 1 << mixedSent;
        QTest::newRow("only on change: a change to none available")
            << 3 << none << true << 1 << "(0)Available and (1)Unavailable Results Found, Mail Sent";
        QTest::newRow("only on change: nothing changed") << 3 << kMixedRows << false << 0 << kNoChangeNoMail;
        QTest::newRow("unknown choice") << 7 << kMixedRows << true << 0 << "previous";
    }
    void sendingDependsOnTheChoice()
    {
        QFETCH(int, sendType);
        QFETCH(QList<MailRow>, rows);
        QFETCH(bool, changed);
        QFETCH(int, mails);
        QFETCH(QString, status);
        SiteSim sim("{}", false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        settings.mailPolicy.set(MailPolicy(qint16(sendType)));
        RecordingStatus line;
        line.setStatus("previous");

        TestPost post(settings, {{}, kShort});
        QCoro::waitFor(sendmail(rows, *settings.mailPolicy, line, post.sender, changed));

        QCOMPARE(sim.requests("email").size(), mails);
        QCOMPARE(line.status(), status);
        QCOMPARE(line.texts.size(), status == "previous" ? 1 : 2); // one status, or none
        if (mails) {
            const QMap<QString, QString> f = serverFields(sim.requests("email").front().value("query").toString());
            QCOMPARE(f.value("to"), QString("member@example.com"));
            QCOMPARE(f.value("from"), kAlertSender);
            QCOMPARE(f.value("subject"), QString("Your Frequent Flyer Results"));
            QCOMPARE(f.value("body"), decodedMailText(buildResultsMail(rows).body));
        }
    }

    // The site gets exactly the text that was built: an address with "+" and
    // "&" intact, cities with blanks, and the flight lines as written, with
    // only "<" and ">" (not allowed as they are in a request line) escaped.
    void siteReceivesTheMailIntact()
    {
        SiteSim sim("{}", false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "jo+flights&co@example.com"; });
        settings.mailPolicy.set(MailPolicy(0));
        RecordingStatus line;
        const QList<MailRow> rows{{"SYDNEY", "LONDON", "01/02/2009", Availability::Seats},
                                  {"SAO PAULO", "B&B #1 100%", "03/04/2009", Availability::NoSeats}};

        TestPost post(settings, {{}, kShort});
        QCoro::waitFor(sendmail(rows, *settings.mailPolicy, line, post.sender));

        QCOMPARE(sim.requests("email").size(), 1);
        const QJsonObject request = sim.requests("email").front();
        QCOMPARE(request.value("method").toString(), QString("GET"));
        QCOMPARE(request.value("path").toString(), QString("/dev/mainsite/zlv/admin/email.php"));
        QString raw = request.value("query").toString();
        QVERIFY2(raw.startsWith("to=jo%2Bflights%26co@example.com&from=alert@zelvane.example"
                                "&subject=Your%20Frequent%20Flyer%20Results&body=Hi%20There,"),
                 qPrintable(raw));
        raw.replace("%3C", "<").replace("%3E", ">");
        QVERIFY(raw.contains("<br><B>Flight%20SYDNEY%20TO%20LONDON%20On%20Date%2001/02/2009</B>%20<br>"));
        QVERIFY(raw.endsWith(encodeMailText(buildResultsMail(rows).body)));

        const QMap<QString, QString> f = serverFields(request.value("query").toString());
        QCOMPARE(f.keys(), QStringList({"body", "from", "subject", "to"}));
        QCOMPARE(f.value("to"), QString("jo+flights&co@example.com"));
        QVERIFY(f.value("body").contains("<B>Flight SAO PAULO TO B&B #1 100% On Date 03/04/2009</B> <br>"));
    }

    // "Mail Sent" only when the site took the mail; otherwise what failed.
    void failedSendSaysWhatFailed_data()
    {
        QTest::addColumn<int>("sendType");
        QTest::addColumn<int>("httpStatus"); // 0: nobody listens, -1: no site given
        QTest::addColumn<QString>("status");
        const QString some = "( 2 )Available Results Found, Mail Not Sent: ";
        const QString all = "(2)Available and (1)Unavailable Results Found, Mail Not Sent: ";
        const QString refused = "could not reach the product site (connection refused)";
        const QString error = "the product site answered HTTP 500";
        QTest::newRow("only if available") << 1 << 0 << some + refused;
        QTest::newRow("only if available, error status") << 1 << 500 << some + error;
        QTest::newRow("always") << 0 << 0 << all + refused;
        QTest::newRow("always, error status") << 0 << 500 << all + error;
        QTest::newRow("no site and no mail server") << 0 << -1 << "E-mail Not Set Up";
    }
    void failedSendSaysWhatFailed()
    {
        QFETCH(int, sendType);
        QFETCH(int, httpStatus);
        QFETCH(QString, status);
        LocalHttpServer endpoint;
        endpoint.answer = {qMax(httpStatus, 0), "quota exceeded"};
        QVERIFY(endpoint.start());
        const QString closed = QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort());
        if (httpStatus < 0)
            qunsetenv("ZELVANE_SITE_URL");
        else
            qputenv("ZELVANE_SITE_URL", (httpStatus ? endpoint.base() : closed).toUtf8());
        Settings settings(area, clock, freshFolder("program"));
        settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        settings.mailPolicy.set(MailPolicy(qint16(sendType)));
        RecordingStatus line;
        TestPost post(settings, {{}, kShort});
        const std::optional<Delivery> d = QCoro::waitFor(sendmail(kMixedRows, *settings.mailPolicy, line, post.sender));
        QCOMPARE(line.texts, QStringList{status});
        QVERIFY(d && !d->delivered);
    }
};

QTEST_GUILESS_MAIN(TestResultsMail)
#include "test_results_mail.moc"
