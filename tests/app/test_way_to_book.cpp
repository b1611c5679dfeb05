// The way to book, from where the user stands: the real zelvane-check finds
// seats on the simulated airline, and the results mail a real mail server
// receives and the push a push server receives carry "Book on the airline's
// site" with the award search of each day with seats. Followed as the user's
// browser would follow it, the link opens the site's login form without a
// login session and, once signed in, the result page of that very search.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

QJsonObject seatsOn(const char* from, const char* to, const char* date, const char* business = "No")
{
    return {{"from", from}, {"to", to}, {"date", date},
            {"rows", QJsonArray{QJsonArray{"09:05", "10:35", "QF 401", "738", "0", "Yes", business, "No"}}}};
}

// A page as a browser shows its text: the tags and the line breaks gone.
QString pageText(const QByteArray& latin1)
{
    QString text = QString::fromLatin1(latin1);
    text.replace(QRegularExpression("<[^>]*>"), " ").replace("&middot;", "·").replace("&nbsp;", " ");
    return text.simplified();
}

} // namespace

class TestWayToBook : public QObject {
    Q_OBJECT

    QString program, folder;

    // The page `address` leads to, redirects followed, in `browser`.
    QString open(QNetworkAccessManager& browser, const QString& address)
    {
        QNetworkReply* reply = browser.get(QNetworkRequest(QUrl(address, QUrl::TolerantMode)));
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished() && !done.wait(30000))
            return "(no answer)";
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError)
            return "(" + reply->errorString() + ")";
        return pageText(reply->readAll());
    }

    void trustSimulator(const SiteSim& airline)
    {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(QSslCertificate::fromPath(airline.caFile()));
        QSslConfiguration::setDefaultConfiguration(ssl);
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        const QString home = freshHome();
        // Run by hand, the settings still go to the test's home.
        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
            qputenv("XDG_CONFIG_HOME", (home + "/config").toUtf8());
        folder = freshFolder("program");
        program = folder + "/zelvane-check";
        QVERIFY(QFile::copy(ZELVANE_CHECK_PATH, program));
    }

    void mailAndPushOpenTheSearchOfEachDayWithSeats_data()
    {
        QTest::addColumn<QString>("watch");         // its watch-list line
        QTest::addColumn<QJsonArray>("available");  // the airline's seats
        QTest::addColumn<QStringList>("labels");    // of the mail's links, in order
        QTest::addColumn<QStringList>("searches");  // as the page each opens names it
        const QString sydMel = "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL";
        QTest::newRow("one date, one adult")
            << sydMel << QJsonArray{seatsOn("SYD", "MEL", "25/12/2026")} << QStringList{""}
            << QStringList{"Sydney (SYD) to Melbourne (MEL) · Friday 25 December 2026 · 1 Adult"};
        QTest::newRow("Business for two")
            << sydMel + ";Business;2" << QJsonArray{seatsOn("SYD", "MEL", "25/12/2026", "2")} << QStringList{""}
            << QStringList{"Sydney (SYD) to Melbourne (MEL) · Friday 25 December 2026 · 2 Adults"};
        QTest::newRow("the second of three days")
            << sydMel + ";Any;3;2" << QJsonArray{seatsOn("SYD", "MEL", "26/12/2026")}
            << QStringList{"Sat 26/12/2026"}
            << QStringList{"Sydney (SYD) to Melbourne (MEL) · Saturday 26 December 2026 · 3 Adults"};
        QTest::newRow("both legs of a return journey, Economy")
            << sydMel + ";Economy;1;0;0;03/01/2027"
            << QJsonArray{seatsOn("SYD", "MEL", "25/12/2026"), seatsOn("MEL", "SYD", "03/01/2027")}
            << QStringList{"Outbound Fri 25/12/2026", "Return Sun 03/01/2027"}
            << QStringList{"Sydney (SYD) to Melbourne (MEL) · Friday 25 December 2026 · 1 Adult",
                           "Melbourne (MEL) to Sydney (SYD) · Sunday 3 January 2027 · 1 Adult"};
        QTest::newRow("from the second of two airports")
            << sydMel + ";Any;1;0;0;;;;;Canberra/CBR" << QJsonArray{seatsOn("CBR", "MEL", "25/12/2026")}
            << QStringList{"Canberra → Melbourne Fri 25/12/2026"}
            << QStringList{"Canberra (CBR) to Melbourne (MEL) · Friday 25 December 2026 · 1 Adult"};
    }
    void mailAndPushOpenTheSearchOfEachDayWithSeats()
    {
        QFETCH(QString, watch);
        QFETCH(QJsonArray, available);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, searches);
        SiteSim airline(QString::fromUtf8(QJsonDocument(QJsonObject{{"available", available}}).toJson()));
        SmtpTestServer mail;
        LocalHttpServer push;
        QVERIFY(airline.start() && mail.start() && push.start());
        trustSimulator(airline);
        writeFile(folder + "/Query.txt", (watch + "\r\n").toUtf8());
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf";
        QFile::remove(config);
        {
            QSettings file(config, QSettings::IniFormat);
            const QMap<QString, QString> keys{
                {"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"}, {"Mail", "me@example.com"},
                {"MailSendType", "0"}, {"NotifyDesktop", "0"}, {"SmtpHost", "127.0.0.1"},
                {"SmtpPort", QString::number(mail.port())}, {"SmtpSecurity", "0"}, {"PushUrl", push.base() + "/seats"}};
            for (auto k = keys.cbegin(); k != keys.cend(); ++k)
                file.setValue("Settings/" + k.key(), k.value());
        }

        QProcess check;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        env.insert("ZELVANE_TIME_SCALE", "0");
        check.setProcessEnvironment(env);
        QSignalSpy finished(&check, &QProcess::finished);
        check.start(program, {});
        // The push server answers on this thread: the loop runs meanwhile.
        QVERIFY(finished.wait(60000));
        const QByteArray said = check.readAllStandardOutput() + check.readAllStandardError();
        QVERIFY2(check.exitCode() == 0, said.constData());

        // The mail: a line per day with seats, each telling to sign in first.
        QCOMPARE(mail.messages().size(), 1);
        QString plain, html;
        for (const QJsonValue part : mail.messages()[0]["parts"].toArray())
            (part["type"] == "text/plain" ? plain : html) += part["text"].toString().remove('\r');
        const QRegularExpression line("^Book on the airline's site(?: \\((.*)\\))?: sign in there first, then open (\\S+)$",
                                      QRegularExpression::MultilineOption);
        QStringList told, links;
        for (auto m = line.globalMatch(plain); m.hasNext();) {
            const QRegularExpressionMatch one = m.next();
            told << one.captured(1);
            links << one.captured(2);
            QVERIFY2(html.contains("<A HREF=\"" + links.last().toHtmlEscaped() + "\">"), qPrintable(html));
        }
        QVERIFY2(told == labels, qPrintable(plain));
        QVERIFY(links.first().startsWith(airline.baseUrl() + "/"));

        // The push: its flight followed by the first day's link, which a tap opens.
        QCOMPARE(push.requests.size(), 1);
        const QStringList pushed = QString::fromUtf8(LocalHttpServer::body(push.requests[0])).split('\n');
        QCOMPARE(pushed.filter("Book on the airline's site").join('\n'), "Book on the airline's site: " + links.first());
        QVERIFY(pushed.first().startsWith(watch.section(';', 0, 0)));
        QCOMPARE(QString::fromUtf8(LocalHttpServer::header(push.requests[0], "Click")), links.first());

        // Without a login session the site shows its login form; signed in,
        // each link opens the result page of its search.
        QNetworkAccessManager browser;
        const int searchesBefore = int(airline.requests("search").size());
        QVERIFY(open(browser, links.first()).contains("Member Login"));
        open(browser, airline.baseUrl()
                          + "/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=1234567"
                            "&login_surname=Smith&login_pin=1234");
        QStringList opened;
        for (const QString& link : links) {
            const QString page = open(browser, link);
            QVERIFY2(page.contains("Award Availability"), qPrintable(page));
            opened << QRegularExpression("Select flights (.+? Adults?)\\b").match(page).captured(1);
        }
        QCOMPARE(opened, searches);
        for (const QJsonObject& s : airline.requests("search").mid(searchesBefore))
            QVERIFY2(s["valid"].toBool(), qPrintable(QJsonDocument(s).toJson()));
    }
};

QTEST_GUILESS_MAIN(TestWayToBook)
#include "test_way_to_book.moc"
