// The site simulator seen from a real HTTPS client: what the program's browser
// and mailers will meet, so a wrong answer here would make every end-to-end
// test of the program lie.

#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QTimer>
#include <QtTest>

using zelvane::test::SiteSim;

namespace {

constexpr int kTransferTimeoutMs = 10000;
constexpr int kGuardMs = 20000;
constexpr int kMaxRedirects = 20;

const QString kAccountPath = QStringLiteral("/fflyer/do/dyns/auth/youraccount/yourAccount");
const QString kBareLogin = QStringLiteral("/fflyer/dyns/dologin?action=login");
const QString kStartAgain = QStringLiteral("< Start again Help? Close");
const QString kNoFlights = QStringLiteral("Frequent Flyer - Award Bookings - No available flights");
const QString kHeadings = QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

struct Reply {
    int status = 0;
    QByteArray body;
    QUrl url; // where the client ended up
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray location, setCookie, contentType;
};

// A client that trusts the simulator's certificate and nothing else. It
// follows redirects itself: Qt 6.4's own following now and then sends the
// first request a second time, which would blur every count below.
class Client {
public:
    explicit Client(const SiteSim& sim)
        : tls_(QSslConfiguration::defaultConfiguration())
    {
        if (!sim.caFile().isEmpty())
            tls_.setCaCertificates(QSslCertificate::fromPath(sim.caFile()));
    }

    QNetworkReply* start(const QString& url, int timeoutMs = kTransferTimeoutMs,
                         const QByteArray& postBody = QByteArray())
    {
        QNetworkRequest request{QUrl(url)};
        request.setSslConfiguration(tls_);
        request.setTransferTimeout(timeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (postBody.isNull())
            return nam.get(request);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
        return nam.post(request, postBody);
    }

    static Reply finish(QNetworkReply* reply)
    {
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(kGuardMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        Reply r;
        r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.body = reply->isOpen() ? reply->readAll() : QByteArray(); // closed after a time-out
        r.url = reply->url();
        r.error = reply->error();
        r.location = reply->rawHeader("Location");
        r.setCookie = reply->rawHeader("Set-Cookie");
        r.contentType = reply->rawHeader("Content-Type");
        reply->deleteLater();
        return r;
    }

    // Follows up to kMaxRedirects redirects unless follow is false.
    Reply fetch(const QString& url, bool follow = true, int timeoutMs = kTransferTimeoutMs,
                const QByteArray& postBody = QByteArray())
    {
        Reply r = finish(start(url, timeoutMs, postBody));
        for (int hop = 0; follow && r.status == 302; ++hop) {
            if (hop == kMaxRedirects) {
                r.error = QNetworkReply::TooManyRedirectsError;
                break;
            }
            r = finish(start(r.url.resolved(QUrl(QString::fromLatin1(r.location))).toString(), timeoutMs));
        }
        return r;
    }

    Reply get(const QString& url, bool follow = true) { return fetch(url, follow); }
    Reply post(const QString& url, const QByteArray& body) { return fetch(url, true, kTransferTimeoutMs, body); }

    QNetworkAccessManager nam;

private:
    QSslConfiguration tls_;
};

// The page's text roughly as the program's browser renders it: no scripts or
// comments, cells run together, blocks on lines of their own.
QString visibleText(const QByteArray& html)
{
    QString s = QString::fromLatin1(html);
    const auto ci = QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;
    s.remove(QRegularExpression(QStringLiteral("<(script|style)\\b.*?</\\1>"), ci));
    s.remove(QRegularExpression(QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption));
    s.replace(QRegularExpression(QStringLiteral("\\s*</?(td|th)\\b[^>]*>\\s*"), ci), QString());
    s.replace(QRegularExpression(QStringLiteral("</?(p|div|h[1-6]|table|tr|title|br|hr|form|center)\\b[^>]*>"), ci),
              QStringLiteral("\n"));
    s.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    s.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&nbsp;"), QLatin1String(" ")).replace(QLatin1String("&amp;"), QLatin1String("&"));
    QStringList lines;
    for (const QString& line : s.split(QLatin1Char('\n'))) {
        const QString t = line.simplified();
        if (!t.isEmpty())
            lines << t;
    }
    return lines.join(QLatin1Char('\n'));
}

QString firstFrameSource(const QByteArray& html)
{
    static const QRegularExpression frame(QStringLiteral("<i?frame\\b[^>]*\\bsrc=\"([^\"]*)\""),
                                          QRegularExpression::CaseInsensitiveOption);
    return frame.match(QString::fromLatin1(html)).captured(1);
}

QString loginUrl(const SiteSim& sim, const QString& number, const QString& surname, const QString& pin)
{
    return sim.baseUrl() + QStringLiteral("/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=")
        + number + QStringLiteral("&login_surname=") + surname + QStringLiteral("&login_pin=") + pin;
}

// The search for 25/12/2006 in the evening, SYD to MEL, as the program sends it.
QList<QPair<QString, QString>> goodSearch()
{
    const char* pairs[][2] = {
        {"action", "AwardBookingServletItineraryHelper.setAccountBookingDetails"},
        {"QAB_sequenceNumber", "1"},
        {"QAB_browserWindowNumber", "0"},
        {"QAB_availabilitySearch_isEdit", "false"},
        {"QAB_availabilitySearch_sectorNumber", "0"},
        {"QAB_passengerForm_bookingType", "QAB_passengerForm_bookingReturn"},
        {"QAB_availabilitySearch_departureYear", "2006"},
        {"QAB_availabilitySearch_departureMonth", "12"},
        {"QAB_availabilitySearch_departureTime", "1120129200000"},
        {"QAB_availabilitySearch_departureFormatted", "200506301800"},
        {"QAB_availabilitySearch_departureBookLeadFormatted", "200506120000"},
        {"QAB_passengerForm_selfTravelling", "true"},
        {"QAB_passengerForm_promoCode", ""},
        {"QAB_availabilitySearch_departureCity", "SYD"},
        {"QAB_availabilitySearch_departureMonthYear", "12,2006"},
        {"QAB_availabilitySearch_departureDay", "25"},
        {"QAB_availabilitySearch_departureHour", "Morning"},
        {"QAB_availabilitySearch_arrivalCity", "MEL"},
        {"QAB_passengerForm_numberOfAdultPassengers", "1"},
        {"QAB_passengerForm_numberOfChildPassengers", "0"},
        {"QAB_passengerForm_numberOfInfantPassengers", "0"},
    };
    QList<QPair<QString, QString>> out;
    for (const auto& p : pairs)
        out.append({QString::fromLatin1(p[0]), QString::fromLatin1(p[1])});
    return out;
}

// Edits of the good search, ";"-separated: "set KEY=V", "drop KEY",
// "swap KEY KEY", "add KEY=V"; KEY may be the end of a parameter's name.
QString searchUrl(const SiteSim& sim, const QString& edits)
{
    auto pairs = goodSearch();
    auto find = [&pairs](const QString& suffix) {
        for (qsizetype i = 0; i < pairs.size(); ++i) {
            if (pairs[i].first.endsWith(suffix))
                return i;
        }
        return qsizetype(-1);
    };
    for (const QString& edit : edits.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList words = edit.trimmed().split(QLatin1Char(' '));
        const QString arg = words.value(1);
        const QString key = arg.section(QLatin1Char('='), 0, 0);
        const QString value = arg.section(QLatin1Char('='), 1);
        if (words[0] == QLatin1String("set"))
            pairs[find(key)].second = value;
        else if (words[0] == QLatin1String("drop"))
            pairs.removeAt(find(key));
        else if (words[0] == QLatin1String("swap"))
            pairs.swapItemsAt(find(arg), find(words.value(2)));
        else if (words[0] == QLatin1String("add"))
            pairs.append({key, value});
    }
    QStringList joined;
    for (const auto& [k, v] : pairs)
        joined << k + QLatin1Char('=') + v;
    return sim.baseUrl() + QStringLiteral("/fflyer/dyns/auth/AwardBooking?") + joined.join(QLatin1Char('&'));
}

bool logIn(Client& client, const SiteSim& sim)
{
    const Reply r = client.get(loginUrl(sim, QStringLiteral("1234567"), QStringLiteral("Smith"), QStringLiteral("1234")));
    return r.url.toString() == sim.baseUrl() + kAccountPath;
}

} // namespace

class TestSiteSim : public QObject {
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void sessionCookieAndRedirects_data();
    void sessionCookieAndRedirects();
    void pagesNeedASession();
    void searchParameters_data();
    void searchParameters();
    void availabilityPages_data();
    void availabilityPages();
    void logoutAfterSearches();
    void failLoginsFrom();
    void faults_data();
    void faults();
    void slowOrSilentDoesNotBlockOthers();
    void searchFaults();
    void productSite();
    void mailEndpointsLogExactBytes_data();
    void mailEndpointsLogExactBytes();
    void stopsDespiteSilentConnection();
    void refusesAMistakenScenario_data();
    void refusesAMistakenScenario();
};

void TestSiteSim::login_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right details") << "87654321" << "O'Brien" << "0123" << true;
    QTest::newRow("pin without its leading zero") << "87654321" << "O'Brien" << "123" << false;
    QTest::newRow("surname in another case") << "87654321" << "o'brien" << "0123" << false;
    QTest::newRow("other member number") << "87654320" << "O'Brien" << "0123" << false;
    QTest::newRow("no pin") << "87654321" << "O'Brien" << "" << false;
}

void TestSiteSim::login()
{
    QFETCH(QString, number);
    QFETCH(QString, surname);
    QFETCH(QString, pin);
    QFETCH(bool, accepted);
    SiteSim sim(QStringLiteral("{\"member\": {\"number\": 87654321, \"surname\": \"O'Brien\", \"pin\": \"0123\"},"
                               " \"cities\": {\"names\": [\"Adelaide\", \"Alice Springs\"], \"codes\": [\"ADL\", \"ASP\"]}}"));
    QVERIFY(sim.start());
    Client client(sim);
    const Reply r = client.get(loginUrl(sim, number, surname, pin));
    QCOMPARE(r.error, QNetworkReply::NoError);
    const QString text = visibleText(r.body);
    if (accepted) {
        // The program judges a login by this exact address.
        QCOMPARE(r.url.toString(), sim.baseUrl() + kAccountPath);
        QVERIFY(r.body.contains("departureValues=new Array(\"Adelaide\",\"Alice Springs\");"));
        QVERIFY(r.body.contains("var departureKeys=new Array(\"ADL\",\"ASP\");"));
    } else {
        QCOMPARE(r.url.toString(), sim.baseUrl() + QStringLiteral("/fflyer/dyns/loginerror?error=badlogin"));
        QVERIFY(text.contains(QLatin1String("Login failed")));
        QVERIFY(!text.contains(QLatin1String("Availability")));
    }
    const auto logins = sim.requests(QStringLiteral("login"));
    QVERIFY2(logins.size() == 1, zelvane::test::readFile(sim.logFile()).constData());
    QCOMPARE(logins[0].value(QLatin1String("accepted")).toBool(), accepted);
}

void TestSiteSim::sessionCookieAndRedirects_data()
{
    QTest::addColumn<bool>("tls");
    QTest::newRow("https") << true;
    QTest::newRow("plain http") << false;
}

void TestSiteSim::sessionCookieAndRedirects()
{
    QFETCH(bool, tls);
    SiteSim sim(QStringLiteral("{}"), tls);
    QVERIFY(sim.start());
    Client client(sim);
    const Reply r = client.get(loginUrl(sim, QStringLiteral("1234567"), QStringLiteral("Smith"), QStringLiteral("1234")),
                               false);
    QCOMPARE(r.status, 302);
    QCOMPARE(QString::fromLatin1(r.location), sim.baseUrl() + kAccountPath);
    QVERIFY(r.setCookie.contains("; Path=/"));
    QVERIFY(r.setCookie.contains("; HttpOnly"));
    QCOMPARE(r.setCookie.contains("; Secure"), tls);

    // A second login is a new session, not the old one again.
    const QByteArray first = r.setCookie.left(r.setCookie.indexOf(';'));
    const Reply again = client.get(loginUrl(sim, QStringLiteral("1234567"), QStringLiteral("Smith"), QStringLiteral("1234")),
                                   false);
    QVERIFY(again.setCookie.left(again.setCookie.indexOf(';')) != first);
}

void TestSiteSim::pagesNeedASession()
{
    SiteSim sim(QStringLiteral(R"({"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2006"}]})"));
    QVERIFY(sim.start());
    Client client(sim);
    const QString bare = sim.baseUrl() + kBareLogin;
    for (const QString& url : {sim.baseUrl() + kAccountPath, searchUrl(sim, QString()),
                               sim.baseUrl() + QStringLiteral("/fflyer/dyns/auth/AwardBookingFrame?id=1")}) {
        const Reply r = client.get(url, false);
        QCOMPARE(r.status, 302);
        QCOMPARE(QString::fromLatin1(r.location), bare);
    }
    const Reply login = client.get(bare);
    QCOMPARE(login.status, 200);
    QVERIFY(login.body.contains("<FORM"));
    QVERIFY(!visibleText(login.body).contains(QLatin1String("Availability")));
    QCOMPARE(sim.requests(QStringLiteral("bare-login")).size(), 1);
    QCOMPARE(sim.requests(QStringLiteral("search")).size(), 1);
}

void TestSiteSim::searchParameters_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("badKey"); // empty: the search is valid
    QTest::newRow("as the program sends it") << "" << "";
    QTest::newRow("first slot") << "set Time=1120068000000; set Formatted=200506300100" << "";
    QTest::newRow("last slot") << "set Time=1120147200000; set Formatted=200506302300" << "";
    QTest::newRow("missing promo code") << "drop promoCode" << "QAB_passengerForm_promoCode";
    QTest::newRow("year and month swapped") << "swap departureYear departureMonth"
                                            << "QAB_availabilitySearch_departureYear";
    QTest::newRow("day with leading zero") << "set departureDay=05" << "QAB_availabilitySearch_departureDay";
    QTest::newRow("month with leading zero") << "set departureMonth=01; set MonthYear=01,2006"
                                             << "QAB_availabilitySearch_departureMonth";
    QTest::newRow("time off the hour") << "set departureTime=1120068000001" << "QAB_availabilitySearch_departureTime";
    QTest::newRow("time of hour 24") << "set departureTime=1120150800000; set Formatted=200506302400"
                                     << "QAB_availabilitySearch_departureTime";
    QTest::newRow("formatted time of another hour") << "set Formatted=200506300100"
                                                    << "QAB_availabilitySearch_departureFormatted";
    QTest::newRow("escaped comma") << "set MonthYear=12%2C2006" << "QAB_availabilitySearch_departureMonthYear";
    QTest::newRow("hour other than Morning") << "set departureHour=Evening" << "QAB_availabilitySearch_departureHour";
    QTest::newRow("31 February") << "set departureMonth=2; set MonthYear=2,2006; set departureDay=31"
                                 << "QAB_availabilitySearch_departureDay";
    QTest::newRow("empty origin") << "set departureCity=" << "QAB_availabilitySearch_departureCity";
    QTest::newRow("extra parameter") << "add QAB_extra=1" << "QAB_extra";
    QTest::newRow("two adults") << "set AdultPassengers=2" << "";
    QTest::newRow("nine adults") << "set AdultPassengers=9" << "";
    QTest::newRow("ten adults") << "set AdultPassengers=10" << "QAB_passengerForm_numberOfAdultPassengers";
    QTest::newRow("no adults") << "set AdultPassengers=0" << "QAB_passengerForm_numberOfAdultPassengers";
    QTest::newRow("adults with a leading zero") << "set AdultPassengers=02"
                                                << "QAB_passengerForm_numberOfAdultPassengers";
    QTest::newRow("a child") << "set ChildPassengers=1" << "QAB_passengerForm_numberOfChildPassengers";
}

void TestSiteSim::searchParameters()
{
    QFETCH(QString, edits);
    QFETCH(QString, badKey);
    SiteSim sim(QStringLiteral(R"({"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2006"}]})"));
    QVERIFY(sim.start());
    Client client(sim);
    QVERIFY(logIn(client, sim));
    const Reply r = client.get(searchUrl(sim, edits));
    QCOMPARE(r.status, 200);
    const QString text = visibleText(r.body);
    const QJsonObject logged = sim.requests(QStringLiteral("search")).value(0);
    const QStringList problems = logged.value(QLatin1String("problems")).toVariant().toStringList();
    if (badKey.isEmpty()) {
        QVERIFY2(logged.value(QLatin1String("valid")).toBool(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(text.contains(QLatin1String("Availability")));
        QVERIFY(!text.contains(kStartAgain));
    } else {
        QVERIFY(!logged.value(QLatin1String("valid")).toBool());
        QVERIFY2(text.contains(kStartAgain), qPrintable(text));
        QVERIFY(!text.contains(QLatin1String("Availability")));
        QVERIFY2(!problems.filter(badKey + QLatin1Char(':')).isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
}

void TestSiteSim::availabilityPages_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("from"); // as the scenario names the origin
    QTest::newRow("iframe, city code") << "iframe" << "SYD";
    QTest::newRow("frameset, city name") << "frameset" << "Sydney";
}

void TestSiteSim::availabilityPages()
{
    QFETCH(QString, style);
    QFETCH(QString, from);
    const QString scenario = QStringLiteral(R"({"frameStyle": "%1", "available": [
        {"from": "%2", "to": "MEL", "date": "25/12/2006",
         "rows": [["SYD 06:00", "MEL 07:25", "QF 400", "B767", "0", "Y & J", "<2>", "-"],
                  ["SYD 09:00", "MEL 10:25", "QF 410", "B737", "1", "Yes", "No", "No"]]},
        {"from": "SYD", "to": "PER", "date": "25/12/2006", "rows": []}]})")
                                 .arg(style, from);
    SiteSim sim(scenario);
    QVERIFY(sim.start());
    Client client(sim);
    QVERIFY(logIn(client, sim));

    const Reply page = client.get(searchUrl(sim, QString()));
    QVERIFY(visibleText(page.body).contains(QLatin1String("Availability")));
    QVERIFY(!visibleText(page.body).contains(kNoFlights));
    QVERIFY(page.body.contains(style == QLatin1String("frameset") ? "<FRAMESET" : "<IFRAME"));
    const QString source = firstFrameSource(page.body);
    QVERIFY(source.startsWith(QLatin1String("/fflyer/dyns/auth/AwardBookingFrame?id=")));

    const Reply frame = client.get(page.url.resolved(QUrl(source)).toString());
    QCOMPARE(frame.status, 200);
    const QString table = visibleText(frame.body);
    const qsizetype heading = table.indexOf(kHeadings);
    QVERIFY2(heading >= 0, qPrintable(table));
    QCOMPARE(table.mid(heading + kHeadings.size()).trimmed(),
             QStringLiteral("SYD 06:00MEL 07:25QF 400B7670Y & J<2>-\nSYD 09:00MEL 10:25QF 410B7371YesNoNo"));
    QCOMPARE(sim.requests(QStringLiteral("frame")).size(), 1);

    // Listed with no rows: the frame carries the headings only.
    const Reply empty = client.get(searchUrl(sim, QStringLiteral("set arrivalCity=PER")));
    const Reply emptyFrame = client.get(empty.url.resolved(QUrl(firstFrameSource(empty.body))).toString());
    QVERIFY(visibleText(emptyFrame.body).endsWith(kHeadings));

    const Reply none = client.get(searchUrl(sim, QStringLiteral("set departureDay=26")));
    QVERIFY(visibleText(none.body).contains(kNoFlights));
    QVERIFY(firstFrameSource(none.body).isEmpty());
}

void TestSiteSim::logoutAfterSearches()
{
    SiteSim sim(QStringLiteral(R"({"logoutAfterSearches": 2})"));
    QVERIFY(sim.start());
    Client client(sim);
    QVERIFY(logIn(client, sim));
    const QString bare = sim.baseUrl() + kBareLogin;
    QVERIFY(client.get(searchUrl(sim, QString())).url.toString() != bare);
    QVERIFY(client.get(searchUrl(sim, QString())).url.toString() != bare);
    QCOMPARE(client.get(searchUrl(sim, QString())).url.toString(), bare);
    QCOMPARE(client.get(sim.baseUrl() + kAccountPath).url.toString(), bare);

    QVERIFY(logIn(client, sim));
    QVERIFY(visibleText(client.get(searchUrl(sim, QString())).body).contains(kNoFlights));
    const auto searches = sim.requests(QStringLiteral("search"));
    QCOMPARE(searches.size(), 4);
    QVERIFY(searches[2].value(QLatin1String("loggedOut")).toBool());
}

void TestSiteSim::failLoginsFrom()
{
    SiteSim sim(QStringLiteral(R"({"failLoginsFrom": 4})"));
    QVERIFY(sim.start());
    Client client(sim);
    QList<bool> outcomes;
    for (int i = 0; i < 5; ++i)
        outcomes << logIn(client, sim);
    QCOMPARE(outcomes, (QList<bool>{true, true, true, false, false}));
}

void TestSiteSim::faults_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("bytes"); // -1: any
    QTest::addColumn<bool>("fails");
    QTest::newRow("status 500") << "/fault/status?code=500" << 5000 << 500 << -1 << true;
    QTest::newRow("slow, waited for") << "/fault/slow?ms=300" << 5000 << 200 << -1 << false;
    QTest::newRow("slow, given up") << "/fault/slow?ms=5000" << 300 << 0 << 0 << true;
    QTest::newRow("silent") << "/fault/silent" << 300 << 0 << 0 << true;
    QTest::newRow("dropped mid-page") << "/fault/drop" << 5000 << 200 << -1 << true;
    QTest::newRow("oversize") << "/fault/oversize?mb=3" << 10000 << 200 << 3 * 1024 * 1024 << false;
    QTest::newRow("redirect loop") << "/fault/redirectloop" << 5000 << 302 << -1 << true;
    QTest::newRow("binary") << "/fault/binary?kb=3" << 5000 << 200 << 3 * 1024 << false;
    QTest::newRow("sign-in page of another host") << "/fault/portal" << 5000 << 200 << -1 << false;
}

void TestSiteSim::faults()
{
    QFETCH(QString, path);
    QFETCH(int, timeoutMs);
    QFETCH(int, status);
    QFETCH(int, bytes);
    QFETCH(bool, fails);
    SiteSim sim;
    QVERIFY(sim.start());
    Client client(sim);
    const Reply r = client.fetch(sim.baseUrl() + path, true, timeoutMs);
    QCOMPARE(r.status, status);
    QCOMPARE(r.error != QNetworkReply::NoError, fails);
    if (bytes >= 0)
        QCOMPARE(r.body.size(), bytes);
    if (path.contains(QLatin1String("binary")))
        QCOMPARE(r.contentType, QByteArray("application/octet-stream"));
    if (path.contains(QLatin1String("portal")))
        QCOMPARE(r.url.host(), QStringLiteral("localhost"));
    QVERIFY(!sim.requests(QStringLiteral("fault")).isEmpty());
}

void TestSiteSim::slowOrSilentDoesNotBlockOthers()
{
    SiteSim sim;
    QVERIFY(sim.start());
    Client client(sim);
    QList<QNetworkReply*> hanging;
    for (int i = 0; i < 10; ++i)
        hanging << client.start(sim.baseUrl() + (i % 2 ? QStringLiteral("/fault/silent") : QStringLiteral("/fault/slow?ms=60000")));
    QTRY_VERIFY(sim.requests(QStringLiteral("fault")).size() >= 6);
    // Other connections are answered while those hang.
    Client other(sim);
    const Reply r = other.get(sim.baseUrl() + QStringLiteral("/faq.html"));
    QCOMPARE(r.status, 200);
    for (QNetworkReply* reply : hanging) {
        QVERIFY(!reply->isFinished());
        reply->abort();
        reply->deleteLater();
    }
}

void TestSiteSim::searchFaults()
{
    SiteSim sim(QStringLiteral(R"({"searchFaults": {"2": "status:503", "3": "slow:200", "4": "drop"}})"));
    QVERIFY(sim.start());
    Client client(sim);
    QVERIFY(logIn(client, sim));
    QList<int> statuses;
    QList<bool> failed;
    for (int i = 0; i < 5; ++i) {
        const Reply r = client.get(searchUrl(sim, QString()));
        statuses << r.status;
        failed << (r.error != QNetworkReply::NoError);
    }
    QCOMPARE(statuses, (QList<int>{200, 503, 200, 200, 200}));
    QCOMPARE(failed, (QList<bool>{false, true, false, true, false}));
    const auto searches = sim.requests(QStringLiteral("search"));
    QCOMPARE(searches.size(), 5);
    QCOMPARE(searches[1].value(QLatin1String("fault")).toString(), QStringLiteral("status:503"));
}

void TestSiteSim::productSite()
{
    SiteSim sim(QStringLiteral(R"({"site": {"version": "1.2,http://www.zelvane.example/get.html",
                                             "alert": "Line one\r\nLine two"}})"),
                false);
    QVERIFY(sim.start());
    Client client(sim);
    const Reply version = client.get(sim.baseUrl() + QStringLiteral("/prgver.txt"));
    QCOMPARE(version.body, QByteArray("1.2,http://www.zelvane.example/get.html"));
    QCOMPARE(client.get(sim.baseUrl() + QStringLiteral("/dev/alert.txt")).body, QByteArray("Line one\r\nLine two"));
    for (const char* page : {"/", "/support.html", "/faq.html"})
        QCOMPARE(client.get(sim.baseUrl() + QLatin1String(page)).status, 200);
    QVERIFY(client.get(sim.baseUrl() + QStringLiteral("/support.html")).body.contains("NAME=\"contact\""));
    QCOMPARE(sim.requests(QStringLiteral("version")).size(), 1);
    QCOMPARE(sim.requests(QStringLiteral("page")).size(), 4);

    SiteSim missing(QStringLiteral(R"({"site": {"version": null, "alert": ""}})"), false);
    QVERIFY(missing.start());
    Client second(missing);
    QCOMPARE(second.get(missing.baseUrl() + QStringLiteral("/prgver.txt")).status, 404);
    const Reply alert = second.get(missing.baseUrl() + QStringLiteral("/dev/alert.txt"));
    QCOMPARE(alert.status, 200);
    QVERIFY(alert.body.isEmpty());
}

void TestSiteSim::mailEndpointsLogExactBytes_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("relay");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray mail = "to=me+1&x@mail.example&from=alert@zelvane.example&subject=Your%20Frequent%20Flyer%20Results"
                            "&body=Hi%20There,<br><br>You%20have%20(1)Available%20and%20(0)%20Unavailable%20%20Flights%20";
    const QByteArray form = "to=me@mail.example&sub=Your%20Frequent%20Flyer%20Results&body=Hi%20There,<br><br>"
                            "Login%203%20time%20attempts%20failed!<br>http://www.zelvane.example";
    QTest::newRow("results mail") << "{}" << mail << false << QByteArray("Mail queued");
    QTest::newRow("results mail, own reply") << R"({"site": {"emailReply": "OK 250"}})" << mail << false
                                             << QByteArray("OK 250");
    QTest::newRow("relay") << R"({"site": {"relayReply": "Sent"}})" << form << true << QByteArray("Sent");
    QTest::newRow("relay, body beyond form limits") << "{}" << form + QByteArray(10000, 'z') << true
                                                    << QByteArray("Message sent");
    QTest::newRow("relay, reply of 5000 bytes") << R"({"site": {"relayReply": "0123456789", "relayReplyBytes": 5000}})"
                                                << form << true << QByteArray("0123456789").repeated(500);
}

void TestSiteSim::mailEndpointsLogExactBytes()
{
    QFETCH(QString, scenario);
    QFETCH(QByteArray, payload);
    QFETCH(bool, relay);
    QFETCH(QByteArray, reply);
    SiteSim sim(scenario, false);
    QVERIFY(sim.start());
    Client client(sim);
    Reply r;
    QString sent;
    if (relay) {
        r = client.post(sim.baseUrl() + QStringLiteral("/dev/email.asp"), payload);
        sent = QString::fromLatin1(payload);
    } else {
        const QUrl url = QUrl::fromEncoded(sim.baseUrl().toLatin1() + "/dev/mainsite/zlv/admin/email.php?" + payload);
        sent = url.query(QUrl::FullyEncoded); // what actually went on the wire
        r = client.get(url.toString(QUrl::FullyEncoded));
    }
    QCOMPARE(r.status, 200);
    QCOMPARE(r.body, reply);
    const auto logged = sim.requests(relay ? QStringLiteral("relay") : QStringLiteral("email"));
    QCOMPARE(logged.size(), 1);
    const QString field = relay ? QStringLiteral("body") : QStringLiteral("query");
    QCOMPARE(logged[0].value(field).toString(), sent);
    if (relay)
        QCOMPARE(logged[0].value(QLatin1String("headers")).toObject().value(QLatin1String("Content-Type")).toString(),
                 QStringLiteral("application/x-www-form-urlencoded"));
}

void TestSiteSim::stopsDespiteSilentConnection()
{
    SiteSim sim;
    QVERIFY(sim.start());
    Client client(sim);
    QNetworkReply* silent = client.start(sim.baseUrl() + QStringLiteral("/fault/silent"));
    QTRY_COMPARE(sim.requests(QStringLiteral("fault")).size(), 1);
    QElapsedTimer timer;
    timer.start();
    sim.stop();
    // Well inside the time after which SiteSim would kill it.
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    // The waiting client is cut off, never answered.
    const Reply r = Client::finish(silent);
    QVERIFY(r.error != QNetworkReply::NoError);
    QCOMPARE(r.status, 0);
}

void TestSiteSim::refusesAMistakenScenario_data()
{
    // A scenario that silently fell back to its defaults would make the test
    // that wrote it check something else.
    QTest::addColumn<QString>("scenario");
    QTest::newRow("not JSON") << "{\"available\": [";
    QTest::newRow("misspelt key") << "{\"logoutAfterSearchs\": 2}";
    QTest::newRow("misspelt site key") << "{\"site\": {\"versoin\": \"1.2\"}}";
    QTest::newRow("count as text") << "{\"failLoginsFrom\": \"4\"}";
    QTest::newRow("date the other way round") << "{\"available\": [{\"from\": \"SYD\", \"to\": \"MEL\", \"date\": \"2006-12-25\"}]}";
    QTest::newRow("unknown frame style") << "{\"frameStyle\": \"frames\"}";
    QTest::newRow("unknown fault") << "{\"searchFaults\": {\"1\": \"hang\"}}";
}

void TestSiteSim::refusesAMistakenScenario()
{
    QFETCH(QString, scenario);
    SiteSim sim(scenario);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ended at start")));
    QVERIFY(!sim.start());
}

QTEST_GUILESS_MAIN(TestSiteSim)
#include "test_sitesim.moc"
