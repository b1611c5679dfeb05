// The browser against the site simulator over HTTPS, and against a raw
// loopback server for what the simulator does not do: login through the
// redirect, shared cookies, frame 0, logged-out searches, and every way a
// server can fail ending with busy false in bounded time and no page.
#include "engine/AwardQuery.h"
#include "browser/HttpBrowser.h"
#include "support/SiteSim.h"

#include <QElapsedTimer>
#include <QNetworkCookieJar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <functional>
#include <memory>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QString kAccountPath = QStringLiteral("/fflyer/do/dyns/auth/youraccount/yourAccount");
const QString kBareLoginPath = QStringLiteral("/fflyer/dyns/dologin?action=login");
const QString kHeadings = QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

const QString kScenario = QStringLiteral(
    R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
        "available": [{"from": "SYD", "to": "MEL", "date": "24/12/2026",
                       "rows": [["SYD 07:00", "MEL 08:35", "QF 401", "Boeing 767", "0",
                                 "Available", "Waitlist", "-"]]}],
        "frameStyle": "%1"})");

QString loginUrl(const QString& base, const QString& pin = QStringLiteral("1234"))
{
    return base
           + "/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=1234567"
             "&login_surname=Smith&login_pin="
           + pin;
}

QString searchUrl(const QString& base)
{
    return awardSearchUrl(base, {{"Sydney", "SYD"}, {"Melbourne", "MEL"}, QDate(2026, 12, 24), "Morning"}, QDate(2026, 12, 24));
}

// Short bounds so that every failure shows in a second or two.
BrowserLimits testLimits()
{
    BrowserLimits l;
    l.connectTimeout = std::chrono::milliseconds(1000);
    l.transferTimeout = std::chrono::milliseconds(1000);
    l.navigationDeadline = std::chrono::milliseconds(4000);
    return l;
}

// Loads and waits; the elapsed milliseconds.
qint64 load(HttpBrowser& b, const QString& url, int waitMs = 10000)
{
    QElapsedTimer t;
    t.start();
    b.navigate(url);
    if (!QTest::qWaitFor([&] { return !b.busy(); }, waitMs))
        qWarning("still busy after %d ms", waitMs);
    return t.elapsed();
}

// A loopback HTTP server with hand-written answers, one connection each.
class RawServer : public QObject {
public:
    using Handler = std::function<void(QTcpSocket*)>;

    bool start()
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
        });
        return server_.listen(QHostAddress::LocalHost, 0);
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    int port() const { return server_.serverPort(); }
    QMap<QByteArray, Handler> routes;
    int requests = 0;

    static void answer(QTcpSocket* s, const QByteArray& head, const QByteArray& body)
    {
        s->write("HTTP/1.1 " + head + "\r\nContent-Length: " + QByteArray::number(body.size())
                 + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

private:
    void onData(QTcpSocket* s)
    {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return; // a TLS hello, or a request still coming: never answered
        const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffer.clear();
        ++requests;
        const QByteArray path = words.value(1).split('?').value(0);
        if (routes.contains(path))
            routes[path](s);
        else
            answer(s, "404 Not Found", "<p>no such page</p>");
    }
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

} // namespace

class TestHttpBrowser : public QObject {
    Q_OBJECT

    std::unique_ptr<SiteSim> sim;
    RawServer raw;
    QString base;
    std::vector<std::unique_ptr<QNetworkCookieJar>> jars;

    // A browser with a jar of its own, so tests do not share a login.
    std::unique_ptr<HttpBrowser> isolatedBrowser()
    {
        jars.push_back(std::make_unique<QNetworkCookieJar>());
        auto b = std::make_unique<HttpBrowser>(jars.back().get());
        b->setLimits(testLimits());
        return b;
    }

private slots:
    void initTestCase()
    {
        sim = std::make_unique<SiteSim>(kScenario.arg("iframe"), true);
        QVERIFY(sim->start());
        base = sim->baseUrl();
        QVERIFY(base.startsWith("https://127.0.0.1:"));
        // Read by each browser as it is made.
        qputenv("ZELVANE_CA_FILE", sim->caFile().toLocal8Bit());
        QVERIFY(raw.start());
        setUpRawRoutes();
    }

    void loginFollowsTheRedirect_data()
    {
        QTest::addColumn<QString>("pin");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right details") << "1234" << true;
        QTest::newRow("wrong PIN") << "4321" << false;
    }

    void loginFollowsTheRedirect()
    {
        QFETCH(QString, pin);
        QFETCH(bool, accepted);
        auto b = isolatedBrowser();
        QSignalSpy complete(b.get(), &WebBrowser::documentComplete);
        b->navigate(loginUrl(base, pin));
        QVERIFY(b->busy());
        QVERIFY(!b->documentText().has_value());
        QVERIFY(QTest::qWaitFor([&] { return !b->busy(); }, 10000));

        QCOMPARE(complete.count(), 1);
        QCOMPARE(complete.at(0).at(0).toString(), b->locationUrl());
        if (accepted) {
            QCOMPARE(b->locationUrl(), base + kAccountPath);
            const auto html = b->documentHtml();
            QVERIFY(html.has_value());
            QVERIFY(html->contains("departureValues=new Array("));
            QVERIFY(html->contains("var departureKeys=new Array"));
            QVERIFY(b->documentText()->contains("Welcome back, Smith"));
        } else {
            // The session's document-complete handler looks for "error" here.
            QVERIFY2(b->locationUrl().toLower().contains("error"), qPrintable(b->locationUrl()));
            QVERIFY(b->documentText()->contains("Login failed."));
        }
        QVERIFY(!b->frameText(0).has_value());
        QVERIFY(b->errorString().isEmpty());
    }

    void defaultBrowsersShareTheLogin()
    {
        HttpBrowser session, cityUpdate;
        auto stranger = isolatedBrowser();
        session.setLimits(testLimits());
        cityUpdate.setLimits(testLimits());

        load(cityUpdate, base + kAccountPath);
        QCOMPARE(cityUpdate.locationUrl(), base + kBareLoginPath);

        load(session, loginUrl(base));
        QCOMPARE(session.locationUrl(), base + kAccountPath);

        load(cityUpdate, base + kAccountPath);
        QCOMPARE(cityUpdate.locationUrl(), base + kAccountPath);
        load(*stranger, base + kAccountPath);
        QCOMPARE(stranger->locationUrl(), base + kBareLoginPath);
    }

    void searchLoadsFrameZeroWithTheSessionCookie_data()
    {
        QTest::addColumn<QString>("style");
        QTest::newRow("iframe") << "iframe";
        QTest::newRow("frameset") << "frameset";
    }

    void searchLoadsFrameZeroWithTheSessionCookie()
    {
        QFETCH(QString, style);
        SiteSim site(kScenario.arg(style), true);
        QVERIFY(site.start());
        auto b = isolatedBrowser();
        load(*b, loginUrl(site.baseUrl()));
        QCOMPARE(b->locationUrl(), site.baseUrl() + kAccountPath);

        QSignalSpy complete(b.get(), &WebBrowser::documentComplete);
        const QString search = searchUrl(site.baseUrl());
        load(*b, search);
        QCOMPARE(b->locationUrl(), search);
        QVERIFY(b->documentText()->contains("Availability"));
        const auto frame = b->frameText(0);
        QVERIFY2(frame.has_value(), qPrintable(b->errorString()));
        QVERIFY2(frame->contains(kHeadings), qPrintable(*frame));
        QVERIFY(frame->contains("SYD 07:00MEL 08:35QF 401Boeing 7670AvailableWaitlist-"));

        const QList<QJsonObject> frames = site.requests("frame");
        QCOMPARE(frames.size(), 1);
        QVERIFY(frames[0].value("session").toBool());
        // The frame's document first, then the page's.
        QCOMPARE(complete.count(), 2);
        QVERIFY(complete.at(0).at(0).toString().contains("AwardBookingFrame?id="));
        QCOMPARE(complete.at(1).at(0).toString(), search);
    }

    void loggedOutSearchEndsOnTheBareLoginPage()
    {
        auto b = isolatedBrowser();
        load(*b, searchUrl(base));
        QCOMPARE(b->locationUrl(), base + kBareLoginPath);
        QVERIFY(b->documentText().has_value());
        QVERIFY(!b->documentText()->contains("Availability"));
        QVERIFY(!b->frameText(0).has_value());
    }

    void serverFaultsEndInBoundedTime_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("page");
        QTest::addColumn<int>("boundMs");

        // An error status is what the site showed: a page of another kind.
        QTest::newRow("status 500") << "/fault/status?code=500" << true << 1000;
        // Longer than the connect time-out: that one ends once the request is out.
        QTest::newRow("slow but within the limits") << "/fault/slow?ms=700" << true << 1500;
        QTest::newRow("slower than the transfer time-out") << "/fault/slow?ms=6000" << false
                                                           << 2500;
        QTest::newRow("silent") << "/fault/silent" << false << 2500;
        QTest::newRow("connection dropped mid-page") << "/fault/drop" << false << 1000;
        QTest::newRow("50 MB page") << "/fault/oversize?mb=50" << false << 2000;
        QTest::newRow("redirect loop") << "/fault/redirectloop" << false << 3000;
        QTest::newRow("binary") << "/fault/binary" << false << 1000;
    }

    void serverFaultsEndInBoundedTime()
    {
        QFETCH(QString, path);
        QFETCH(bool, page);
        QFETCH(int, boundMs);
        auto b = isolatedBrowser();
        BrowserLimits l = testLimits();
        l.connectTimeout = std::chrono::milliseconds(400);
        b->setLimits(l);
        QSignalSpy complete(b.get(), &WebBrowser::documentComplete);
        QSignalSpy ended(b.get(), &WebBrowser::busyEnded);
        const qint64 ms = load(*b, base + path);
        QVERIFY2(!b->busy(), qPrintable(path));
        QCOMPARE(ended.count(), 1); // the busy wait sleeps until it comes
        QVERIFY2(ms <= boundMs, qPrintable(QString("%1 ms").arg(ms)));
        QCOMPARE(b->documentText().has_value(), page);
        QCOMPARE(b->documentHtml().has_value(), page);
        QVERIFY(!b->frameText(0).has_value());
        QCOMPARE(complete.count(), page ? 1 : 0);
        QCOMPARE(b->errorString().isEmpty(), page);
        if (path == "/fault/redirectloop")
            QCOMPARE(b->locationUrl(), base + path);
    }

    // A server that sends a byte now and then never trips the transfer
    // time-out; the navigation deadline ends it.
    void deadlineEndsATrickle()
    {
        auto b = isolatedBrowser();
        BrowserLimits l = testLimits();
        l.navigationDeadline = std::chrono::milliseconds(1500);
        b->setLimits(l);
        const qint64 ms = load(*b, raw.base() + "/trickle");
        QVERIFY2(ms >= 1400 && ms <= 3000, qPrintable(QString("%1 ms").arg(ms)));
        QVERIFY(!b->documentText().has_value());
        QVERIFY(b->errorString().contains("not loaded within"));
    }

    void pageWithoutLengthIsCutAtTheLimit()
    {
        auto b = isolatedBrowser();
        BrowserLimits l = testLimits();
        l.maxPageBytes = 1024 * 1024;
        b->setLimits(l);
        const qint64 ms = load(*b, raw.base() + "/endless");
        QVERIFY2(ms < 3000, qPrintable(QString("%1 ms").arg(ms)));
        QVERIFY(!b->documentText().has_value());
        QVERIFY(b->errorString().contains("larger than"));
    }

    void connectTimeOutWhenTlsNeverStarts()
    {
        auto b = isolatedBrowser();
        BrowserLimits l = testLimits();
        l.connectTimeout = std::chrono::milliseconds(500);
        l.transferTimeout = std::chrono::milliseconds(5000);
        b->setLimits(l);
        const qint64 ms = load(*b, QStringLiteral("https://127.0.0.1:%1/").arg(raw.port()));
        QVERIFY2(ms < 2000, qPrintable(QString("%1 ms").arg(ms)));
        QVERIFY(!b->documentText().has_value());
        QVERIFY2(b->errorString().contains("no connection"), qPrintable(b->errorString()));
    }

    void redirectLocationKeptAsSent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("location"); // %1 is the raw server's base
        QTest::newRow("relative, resolved") << "/relative" << "%1/landing?x=1";
        QTest::newRow("absolute, kept byte for byte")
            << "/absolute" << "%1/Landing?B=1&a=%7e&c=%2F";
    }

    void redirectLocationKeptAsSent()
    {
        QFETCH(QString, path);
        QFETCH(QString, location);
        auto b = isolatedBrowser();
        load(*b, raw.base() + path);
        QCOMPARE(b->locationUrl(), location.arg(raw.base()));
        QCOMPARE(b->documentText(), QString("landed"));
    }

    void frameThatCannotLoadLeavesThePage_data()
    {
        QTest::addColumn<QByteArray>("route");
        QTest::newRow("frame is binary") << QByteArray("/frame-binary");
        QTest::newRow("frame on a closed port") << QByteArray("/frame-refused");
        QTest::newRow("frame is a local file") << QByteArray("/frame-file");
    }

    void frameThatCannotLoadLeavesThePage()
    {
        QFETCH(QByteArray, route);
        auto b = isolatedBrowser();
        QSignalSpy complete(b.get(), &WebBrowser::documentComplete);
        QSignalSpy ended(b.get(), &WebBrowser::busyEnded);
        load(*b, raw.base() + route);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(b->documentText(), QString("Award Availability"));
        QVERIFY(!b->frameText(0).has_value());
        QVERIFY(b->errorString().startsWith("frame 0"));
        QCOMPARE(complete.count(), 1);
    }

    void blankFrameIsAnEmptyDocument()
    {
        auto b = isolatedBrowser();
        load(*b, raw.base() + "/frame-blank");
        QCOMPARE(b->frameText(0), QString());
        QVERIFY(!b->frameText(1).has_value());
    }

    void newNavigationDropsTheOldOne()
    {
        auto b = isolatedBrowser();
        QSignalSpy complete(b.get(), &WebBrowser::documentComplete);
        b->navigate(base + "/fault/silent");
        QTest::qWait(100);
        const qint64 ms = load(*b, base + kBareLoginPath);
        QVERIFY(ms < 1000);
        QCOMPARE(b->locationUrl(), base + kBareLoginPath);
        QTest::qWait(1200); // past the old request's time-outs
        QCOMPARE(complete.count(), 1);
        QVERIFY(b->errorString().isEmpty());
        QVERIFY(b->documentText().has_value());
    }

    void handlerMayNavigateAgain()
    {
        auto b = isolatedBrowser();
        QStringList seen;
        connect(b.get(), &WebBrowser::documentComplete, this, [&](const QString& url) {
            seen << url;
            if (seen.size() == 1)
                b->navigate(base + kBareLoginPath);
        });
        QSignalSpy ended(b.get(), &WebBrowser::busyEnded);
        load(*b, searchUrl(base)); // logged out: lands on the bare login page too
        QVERIFY(QTest::qWaitFor([&] { return seen.size() == 2 && !b->busy(); }, 5000));
        QCOMPARE(ended.count(), 1); // not while the handler's navigation was loading
        QCOMPARE(b->locationUrl(), base + kBareLoginPath);
    }

    void certificatesAreChecked()
    {
        const QByteArray ca = qgetenv("ZELVANE_CA_FILE");
        qunsetenv("ZELVANE_CA_FILE");
        auto b = isolatedBrowser();
        qputenv("ZELVANE_CA_FILE", ca);
        load(*b, base + kBareLoginPath);
        QVERIFY(!b->documentText().has_value());
        QVERIFY2(!b->errorString().isEmpty(), "an untrusted certificate was accepted");
    }

    void onlyWebAddressesAreLoaded()
    {
        auto b = isolatedBrowser();
        b->navigate(QStringLiteral("file:///etc/passwd"));
        QVERIFY(!b->busy());
        QVERIFY(!b->documentText().has_value());
        QCOMPARE(b->locationUrl(), QString("file:///etc/passwd"));
    }

private:
    void setUpRawRoutes()
    {
        const QString rawBase = raw.base();
        raw.routes["/relative"] = [](QTcpSocket* s) {
            RawServer::answer(s, "302 Found\r\nLocation: /landing?x=1", {});
        };
        raw.routes["/absolute"] = [rawBase](QTcpSocket* s) {
            RawServer::answer(s, "302 Found\r\nLocation: " + rawBase.toLatin1()
                                     + "/Landing?B=1&a=%7e&c=%2F",
                              {});
        };
        const auto landed = [](QTcpSocket* s) {
            RawServer::answer(s, "200 OK\r\nContent-Type: text/html", "<p>landed</p>");
        };
        raw.routes["/landing"] = landed;
        raw.routes["/Landing"] = landed;
        raw.routes["/binary"] = [](QTcpSocket* s) {
            RawServer::answer(s, "200 OK", QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11));
        };
        const auto framePage = [](const QByteArray& src) {
            return [src](QTcpSocket* s) {
                RawServer::answer(s, "200 OK\r\nContent-Type: text/html",
                                  "<TITLE>Award Availability</TITLE><IFRAME SRC=\"" + src
                                      + "\"></IFRAME>");
            };
        };
        raw.routes["/frame-binary"] = framePage("/binary");
        raw.routes["/frame-refused"] = framePage("http://127.0.0.1:1/f");
        raw.routes["/frame-file"] = framePage("file:///etc/passwd");
        raw.routes["/frame-blank"] = framePage("");
        raw.routes["/trickle"] = [](QTcpSocket* s) {
            s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n\r\n");
            auto* t = new QTimer(s);
            QObject::connect(t, &QTimer::timeout, s, [s] { s->write("<"); });
            t->start(200);
        };
        raw.routes["/endless"] = [](QTcpSocket* s) {
            s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                     "Transfer-Encoding: chunked\r\n\r\n");
            const QByteArray chunk = QByteArray(64 * 1024, 'x');
            const QByteArray framed = QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
            auto sent = std::make_shared<int>(0);
            QObject::connect(s, &QTcpSocket::bytesWritten, s, [s, framed, sent] {
                if (s->bytesToWrite() == 0 && ++*sent < 1024)
                    s->write(framed);
            });
            s->write(framed);
        };
    }
};

QTEST_GUILESS_MAIN(TestHttpBrowser)
#include "test_http_browser.moc"
