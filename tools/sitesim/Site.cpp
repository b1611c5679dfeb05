#include "Site.h"

#include "Faults.h"
#include "Pages.h"
#include "SearchCheck.h"

#include <QJsonArray>
#include <QStringDecoder>
#include <QUrl>
#include <optional>
#include <random>

namespace sitesim {

namespace {

const std::string kCookieName = "JSESSIONID";
const std::string kLoginPath = "/fflyer/dyns/dologin";
const std::string kBareLogin = "/fflyer/dyns/dologin?action=login";
const std::string kLoginError = "/fflyer/dyns/loginerror?error=badlogin";
const std::string kAccount = "/fflyer/do/dyns/auth/youraccount/yourAccount";
const std::string kSearch = "/fflyer/dyns/auth/AwardBooking";
const std::string kFrame = "/fflyer/dyns/auth/AwardBookingFrame";
const std::string kFrameQuery = "?id=";
const char* const kTextType = "text/plain; charset=UTF-8";

// Kept so the log shows what the client sent even though the header is taken
// away before the answer (see install()).
thread_local std::optional<std::string> t_acceptEncoding;
// Whether the current request has its log line; the server's logger writes
// one for requests the handlers never saw (a 414 for an over-long address).
thread_local bool t_logged = false;

QString fromRaw(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

bool isUtf8(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

std::string latin1(const QString& page)
{
    return page.toLatin1().toStdString();
}

// Form values are decoded the way a servlet container decodes them.
QString formValue(const QString& raw)
{
    QString v = raw;
    v.replace(QLatin1Char('+'), QLatin1Char(' '));
    return QUrl::fromPercentEncoding(v.toUtf8());
}

Scenario normalized(Scenario s)
{
    // An available itinerary may name its cities; the search carries codes.
    for (Availability& a : s.available) {
        for (QString* city : {&a.from, &a.to}) {
            const qsizetype i = s.cityNames.indexOf(*city);
            if (i >= 0 && i < s.cityCodes.size() && !s.cityCodes.contains(*city))
                *city = s.cityCodes[i];
        }
    }
    return s;
}

// A fault as the log shows it: "status:503", "silent".
QString faultText(const FaultSpec& fault)
{
    return fault.name + (fault.argument ? QStringLiteral(":%1").arg(fault.argument) : QString());
}

QString repeatedTo(const QString& text, qint64 bytes)
{
    const QByteArray unit = text.isEmpty() ? QByteArray("x") : text.toUtf8();
    QByteArray out;
    out.reserve(bytes);
    while (out.size() < bytes)
        out.append(unit);
    out.truncate(bytes);
    return QString::fromLatin1(out); // bytes kept as they are, see productSite()
}

} // namespace

struct Site::Incoming {
    const httplib::Request& req;
    QString path;
    QString query;
    QJsonObject entry;
};

Site::Site(Scenario scenario, bool tls, int port, RequestLog& log)
    : scenario_(normalized(std::move(scenario)))
    , tls_(tls)
    , port_(port)
    , log_(log)
    , accountPage_(latin1(pages::account(scenario_.surname, scenario_.cityArrays,
                                         scenario_.cityNames, scenario_.cityCodes)))
    , loginPage_(latin1(pages::loginForm()))
    , loginFailedPage_(latin1(pages::loginFailed()))
{
    for (qsizetype i = 0; i < scenario_.available.size(); ++i)
        framePages_.push_back(latin1(pages::flightTable(scenario_.available[i].rows)));
}

QString Site::frameSource(int index) const
{
    return QString::fromStdString(kFrame + kFrameQuery) + QString::number(index + 1);
}

QString Site::cityLabel(const QString& code) const
{
    const qsizetype i = scenario_.cityCodes.indexOf(code);
    return i >= 0 && i < scenario_.cityNames.size() ? scenario_.cityNames[i] + QStringLiteral(" (") + code + QLatin1Char(')')
                                                    : code;
}

void Site::install(httplib::Server& server)
{
    // Compressing every page (brotli at its slowest setting, in this build)
    // would cost more than serving it, and would hide the exact bytes the
    // faults send. The client's wish is kept for the log only.
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        t_acceptEncoding.reset();
        if (req.has_header("Accept-Encoding")) {
            t_acceptEncoding = req.get_header_value("Accept-Encoding");
            const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    const std::string any = "[\\s\\S]*";
    server.Get(any, [this](const httplib::Request& req, httplib::Response& res) {
        handle(req, res, req.body);
    });
    server.Options(any, [this](const httplib::Request& req, httplib::Response& res) {
        handle(req, res, req.body);
    });
    // Bodies are read raw, so no form is parsed (or refused for its size) on
    // the way.
    auto withBody = [this](const httplib::Request& req, httplib::Response& res,
                           const httplib::ContentReader& reader) {
        std::string body;
        reader([&body](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        handle(req, res, body);
    };
    server.Post(any, withBody);
    server.Put(any, withBody);
    server.Patch(any, withBody);
    server.Delete(any, withBody);

    server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        if (!t_logged) {
            QJsonObject entry;
            entry.insert(QStringLiteral("kind"), QStringLiteral("unknown"));
            entry.insert(QStringLiteral("method"), fromRaw(req.method));
            entry.insert(QStringLiteral("target"), fromRaw(req.target));
            entry.insert(QStringLiteral("status"), res.status);
            log_.write(entry);
        }
        t_logged = false;
    });
}

void Site::handle(const httplib::Request& req, httplib::Response& res, const std::string& body)
{
    Incoming in{req, {}, {}, {}};
    const std::string& target = req.target;
    const size_t q = target.find('?');
    in.path = fromRaw(target.substr(0, q));
    in.query = q == std::string::npos ? QString() : fromRaw(target.substr(q + 1));

    QJsonObject& e = in.entry;
    e.insert(QStringLiteral("method"), fromRaw(req.method));
    e.insert(QStringLiteral("path"), in.path);
    e.insert(QStringLiteral("query"), in.query);
    e.insert(QStringLiteral("target"), fromRaw(target));
    e.insert(QStringLiteral("cookies"), fromRaw(req.get_header_value("Cookie")));
    // Tells the client's connections apart, e.g. to see a request sent twice.
    e.insert(QStringLiteral("connection"), req.remote_port);
    e.insert(QStringLiteral("body"), fromRaw(body));
    if (!isUtf8(body))
        e.insert(QStringLiteral("bodyBase64"),
                 QString::fromLatin1(QByteArray(body.data(), qsizetype(body.size())).toBase64()));
    QJsonObject headers;
    for (const auto& [name, value] : req.headers) {
        // The server files the connection's addresses among the headers.
        if (name == "LOCAL_ADDR" || name == "LOCAL_PORT" || name == "REMOTE_ADDR" || name == "REMOTE_PORT")
            continue;
        const QString key = fromRaw(name);
        const QString previous = headers.value(key).toString();
        headers.insert(key, previous.isEmpty() ? fromRaw(value) : previous + QStringLiteral(", ") + fromRaw(value));
    }
    if (t_acceptEncoding)
        headers.insert(QStringLiteral("Accept-Encoding"), fromRaw(*t_acceptEncoding));
    e.insert(QStringLiteral("headers"), headers);

    auto record = [this, &in](const char* kind) {
        in.entry.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
        log_.write(in.entry);
        t_logged = true;
    };
    const std::string path = in.path.toStdString();

    if (path == kLoginPath) {
        bool onlyAction = true;
        for (const auto& [key, value] : splitQuery(in.query))
            onlyAction = onlyAction && key == QLatin1String("action");
        if (onlyAction) {
            record("bare-login");
            res.set_content(loginPage_, pages::kHtmlType);
        } else {
            login(in, res);
        }
    } else if (path == "/fflyer/dyns/loginerror") {
        record("error-page");
        res.set_content(loginFailedPage_, pages::kHtmlType);
    } else if (path == kAccount) {
        const bool live = !liveSession(req.get_header_value("Cookie")).empty();
        in.entry.insert(QStringLiteral("session"), live);
        record("account");
        if (live)
            res.set_content(accountPage_, pages::kHtmlType);
        else
            redirect(res, absolute(req, kBareLogin));
    } else if (path == kSearch) {
        search(in, res);
    } else if (path == kFrame) {
        frame(in, res);
    } else if (const auto fault = faultFromAddress(in.path, in.query)) {
        record("fault");
        answerFault(*fault, req, res, faultAddresses(req, path));
    } else if (path.rfind("/fault/", 0) == 0) {
        record("fault");
        res.status = 400;
        res.set_content(latin1(pages::plain(QStringLiteral("Bad fault"), QStringLiteral("Unknown fault or argument."))),
                        pages::kHtmlType);
    } else {
        productSite(in, res);
    }
    if (!t_logged)
        record("unknown");
}

void Site::login(Incoming& in, httplib::Response& res)
{
    QString number, surname, pin;
    for (const auto& [key, value] : splitQuery(in.query)) {
        if (key == QLatin1String("login_ffNumber"))
            number = formValue(value);
        else if (key == QLatin1String("login_surname"))
            surname = formValue(value);
        else if (key == QLatin1String("login_pin"))
            pin = formValue(value);
    }
    const bool rightDetails = number == scenario_.memberNumber && surname == scenario_.surname
        && pin == scenario_.pin;
    std::string id;
    std::optional<FaultSpec> fault;
    {
        std::lock_guard lock(mutex_);
        const int n = ++logins_;
        if (scenario_.loginFaults.contains(n))
            fault = scenario_.loginFaults.value(n);
        const bool refused = scenario_.failLoginsFrom > 0 && n >= scenario_.failLoginsFrom;
        // A site in trouble judges no details and opens no session.
        if (rightDetails && !refused && (!fault || fault->name == QLatin1String("slow")))
            id = newSession();
    }
    if (fault)
        in.entry.insert(QStringLiteral("fault"), faultText(*fault));
    in.entry.insert(QStringLiteral("accepted"), !id.empty());
    in.entry.insert(QStringLiteral("kind"), QStringLiteral("login"));
    log_.write(in.entry);
    t_logged = true;

    if (fault && fault->name != QLatin1String("slow")) {
        answerFault(*fault, in.req, res, faultAddresses(in.req, "/fault/redirectloop"));
        return;
    }
    if (fault && !waitOnClient(in.req, fault->argument))
        return;
    if (id.empty()) {
        redirect(res, absolute(in.req, kLoginError));
        return;
    }
    std::string cookie = kCookieName + "=" + id + "; Path=/";
    if (tls_)
        cookie += "; Secure";
    cookie += "; HttpOnly";
    res.set_header("Set-Cookie", cookie);
    redirect(res, absolute(in.req, kAccount));
}

void Site::search(Incoming& in, httplib::Response& res)
{
    const SearchCheck check = checkAwardSearch(in.query);
    in.entry.insert(QStringLiteral("valid"), check.valid);
    in.entry.insert(QStringLiteral("problems"), QJsonArray::fromStringList(check.problems));
    if (check.adults > 0)
        in.entry.insert(QStringLiteral("adults"), check.adults);
    if (check.date.isValid())
        in.entry.insert(QStringLiteral("date"), check.date.toString(QStringLiteral("dd/MM/yyyy")));
    if (!check.from.isEmpty())
        in.entry.insert(QStringLiteral("from"), check.from);
    if (!check.to.isEmpty())
        in.entry.insert(QStringLiteral("to"), check.to);

    std::optional<FaultSpec> fault;
    bool live = false;
    bool loggedOut = false;
    {
        std::lock_guard lock(mutex_);
        const int n = ++searches_;
        if (scenario_.searchFaults.contains(n))
            fault = scenario_.searchFaults.value(n);
        if (fault && fault->name != QLatin1String("slow")) {
            // The servlet failed before it looked at the session.
        } else {
            const std::string id = liveSessionLocked(in.req.get_header_value("Cookie"));
            if (!id.empty()) {
                Session& s = sessions_[id];
                if (scenario_.logoutAfterSearches > 0 && s.searches >= scenario_.logoutAfterSearches) {
                    s.dead = true;
                    loggedOut = true;
                } else {
                    ++s.searches;
                    live = true;
                }
            }
        }
    }
    if (fault)
        in.entry.insert(QStringLiteral("fault"), faultText(*fault));
    in.entry.insert(QStringLiteral("session"), live);
    if (loggedOut)
        in.entry.insert(QStringLiteral("loggedOut"), true);
    in.entry.insert(QStringLiteral("kind"), QStringLiteral("search"));
    log_.write(in.entry);
    t_logged = true;

    if (fault && fault->name != QLatin1String("slow")) {
        answerFault(*fault, in.req, res, faultAddresses(in.req, "/fault/redirectloop"));
        return;
    }
    if (fault && !waitOnClient(in.req, fault->argument))
        return;
    if (!live) {
        redirect(res, absolute(in.req, kBareLogin));
        return;
    }
    if (!check.valid) {
        res.set_content(latin1(pages::startAgain(check.problems)), pages::kHtmlType);
        return;
    }
    // Each result page heads its flights with the search it answers, as the
    // member sees it after following a search address in a browser.
    const QString summary = pages::searchSummary(cityLabel(check.from), cityLabel(check.to), check.date, check.adults);
    const int index = matchAvailability(check.date, check.from, check.to);
    if (index >= 0)
        res.set_content(latin1(pages::availability(frameSource(index), scenario_.frameset, summary)), pages::kHtmlType);
    else
        res.set_content(latin1(pages::noAvailability(summary)), pages::kHtmlType);
}

void Site::frame(Incoming& in, httplib::Response& res)
{
    const bool live = !liveSession(in.req.get_header_value("Cookie")).empty();
    in.entry.insert(QStringLiteral("session"), live);
    in.entry.insert(QStringLiteral("kind"), QStringLiteral("frame"));
    log_.write(in.entry);
    t_logged = true;
    if (!live) {
        redirect(res, absolute(in.req, kBareLogin));
        return;
    }
    bool ok = false;
    QString id;
    for (const auto& [key, value] : splitQuery(in.query)) {
        if (key == QLatin1String("id"))
            id = value;
    }
    const int index = id.toInt(&ok) - 1;
    if (ok && index >= 0 && size_t(index) < framePages_.size())
        res.set_content(framePages_[size_t(index)], pages::kHtmlType);
    else
        res.set_content(latin1(pages::frameExpired()), pages::kHtmlType);
}

void Site::productSite(Incoming& in, httplib::Response& res)
{
    auto record = [this, &in](const char* kind) {
        in.entry.insert(QStringLiteral("kind"), QString::fromLatin1(kind));
        log_.write(in.entry);
        t_logged = true;
    };
    auto text = [&res](const std::optional<QString>& body) {
        if (body) {
            res.set_content(body->toUtf8().toStdString(), kTextType);
        } else {
            res.status = 404;
            res.set_content(latin1(pages::plain(QStringLiteral("Not Found"), QStringLiteral("No such file."))),
                            pages::kHtmlType);
        }
    };
    const QString& path = in.path;
    const bool post = in.req.method == "POST";

    if (path == QLatin1String("/prgver.txt")) {
        record("version");
        text(scenario_.version);
    } else if (path == QLatin1String("/dev/alert.txt")) {
        record("alert");
        text(scenario_.alert);
    } else if (path == QLatin1String("/dev/mainsite/zlv/admin/email.php")) {
        record("email");
        res.set_content(scenario_.emailReply.toUtf8().toStdString(), "text/html; charset=UTF-8");
    } else if (path == QLatin1String("/dev/email.asp")) {
        record("relay");
        if (!post) {
            res.status = 405;
            res.set_header("Allow", "POST");
            res.set_content("Method Not Allowed", kTextType);
        } else if (scenario_.relayReplyBytes >= 0) {
            res.set_content(repeatedTo(scenario_.relayReply, scenario_.relayReplyBytes).toLatin1().toStdString(),
                            "text/html; charset=UTF-8");
        } else {
            res.set_content(scenario_.relayReply.toUtf8().toStdString(), "text/html; charset=UTF-8");
        }
    } else if (path == QLatin1String("/") || path == QLatin1String("/index.html")) {
        record("page");
        res.set_content(pages::productHome().toUtf8().toStdString(), "text/html; charset=UTF-8");
    } else if (path == QLatin1String("/support.html")) {
        record("page");
        res.set_content(pages::support().toUtf8().toStdString(), "text/html; charset=UTF-8");
    } else if (path == QLatin1String("/faq.html")) {
        record("page");
        res.set_content(pages::faq().toUtf8().toStdString(), "text/html; charset=UTF-8");
    } else {
        record("unknown");
        res.status = 404;
        res.set_content(latin1(pages::plain(QStringLiteral("Not Found"),
                                            QStringLiteral("The page you asked for does not exist."))),
                        pages::kHtmlType);
    }
}

std::string Site::liveSession(const std::string& cookieHeader)
{
    std::lock_guard lock(mutex_);
    return liveSessionLocked(cookieHeader);
}

std::string Site::liveSessionLocked(const std::string& cookieHeader) const
{
    size_t pos = 0;
    while (pos < cookieHeader.size()) {
        size_t end = cookieHeader.find(';', pos);
        if (end == std::string::npos)
            end = cookieHeader.size();
        std::string pair = cookieHeader.substr(pos, end - pos);
        pos = end + 1;
        const size_t first = pair.find_first_not_of(' ');
        if (first == std::string::npos)
            continue;
        pair.erase(0, first);
        const size_t eq = pair.find('=');
        if (eq == std::string::npos || pair.compare(0, eq, kCookieName) != 0 || eq != kCookieName.size())
            continue;
        const std::string id = pair.substr(eq + 1);
        const auto it = sessions_.find(id);
        if (it != sessions_.end() && !it->second.dead)
            return id;
    }
    return std::string();
}

std::string Site::newSession()
{
    // Called with mutex_ held.
    static std::mt19937_64 random(std::random_device{}());
    static const char digits[] = "0123456789ABCDEF";
    std::string id;
    for (int i = 0; i < 32; ++i)
        id += digits[random() & 0xF];
    sessions_.emplace(id, Session{});
    return id;
}

std::string Site::absolute(const httplib::Request& req, const std::string& pathAndQuery) const
{
    std::string host = req.get_header_value("Host");
    if (host.empty())
        host = "127.0.0.1:" + std::to_string(port_);
    return std::string(tls_ ? "https://" : "http://") + host + pathAndQuery;
}

FaultAddresses Site::faultAddresses(const httplib::Request& req, const std::string& loopPath) const
{
    const std::string port = ":" + std::to_string(port_);
    return {absolute(req, loopPath),
            std::string(tls_ ? "https://" : "http://") + kPortalHost + port + "/fault/portal"};
}

int Site::matchAvailability(const QDate& date, const QString& from, const QString& to) const
{
    for (qsizetype i = 0; i < scenario_.available.size(); ++i) {
        const Availability& a = scenario_.available[i];
        if (a.date == date && a.from == from && a.to == to)
            return int(i);
    }
    return -1;
}

} // namespace sitesim
