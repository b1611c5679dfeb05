#include "notify/SmtpMail.h"

#include <QFile>
#include <QUuid>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace zelvane {

namespace {

QByteArray headerWord(const QString& text)
{
    // A header word outside ASCII goes as an encoded word (RFC 2047).
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (ascii)
        return text.toLatin1();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

QByteArray domainOf(const QString& address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    const QString domain = at < 0 ? QString() : address.mid(at + 1).trimmed();
    return domain.isEmpty() ? QByteArrayLiteral("zelvane.invalid") : domain.toUtf8();
}

// The first call libcurl refuses is kept, and the send ends on it before
// anything goes out.
class CurlSteps {
public:
    explicit CurlSteps(CURL* curl) : curl_(curl) {}

    void check(CURLcode rc, const QString& what)
    {
        if (rc != CURLE_OK && refused_.isEmpty())
            refused_ = QStringLiteral("sending failed: the mail library refused %1 (%2)")
                           .arg(what, QString::fromUtf8(curl_easy_strerror(rc)));
    }
    template <typename Value>
    void set(CURLoption option, Value value)
    {
        const CURLcode rc = curl_easy_setopt(curl_, option, value);
        if (rc != CURLE_OK) {
            const curl_easyoption* known = curl_easy_option_by_id(option);
            check(rc, known ? QStringLiteral("CURLOPT_") + QLatin1String(known->name)
                            : QStringLiteral("option %1").arg(option));
        }
    }
    bool ok() const { return refused_.isEmpty(); }
    const QString& refused() const { return refused_; }

private:
    CURL* curl_;
    QString refused_;
};

// The system's trusted certificates and, when ZELVANE_CA_FILE names one, an
// extra file: curl takes one bundle, so both go in it.
QByteArray trustedBundle(CurlSteps& steps, CURL* curl)
{
    const QString extra = qEnvironmentVariable("ZELVANE_CA_FILE");
    if (extra.isEmpty())
        return {};
    QByteArray bundle;
    char* system = nullptr;
    steps.check(curl_easy_getinfo(curl, CURLINFO_CAINFO, &system),
                QStringLiteral("CURLINFO_CAINFO"));
    if (system) {
        QFile f(QString::fromLocal8Bit(system));
        if (f.open(QIODevice::ReadOnly))
            bundle = f.readAll() + '\n';
    }
    QFile f(extra);
    if (f.open(QIODevice::ReadOnly))
        bundle += f.readAll();
    return bundle;
}

QString codeText(long code)
{
    return code > 0 ? QStringLiteral(" (%1)").arg(code) : QString();
}

QString failureText(CURLcode rc, const QString& detail, long code,
                    const SmtpServer& server)
{
    const QString where = server.host + QLatin1Char(':') + QString::number(server.port);
    // 421 at any step: the server is busy or going down, and says to come back later.
    if (code == 421)
        return QStringLiteral("the mail server is not accepting mail now") + codeText(code);
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("mail server %1 not found").arg(server.host);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("could not connect to %1").arg(where);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("mail server %1 did not answer in time").arg(where);
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("TLS failed: the mail server's certificate is not trusted");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("TLS failed: the mail server offers no STARTTLS");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("TLS failed: ") + detail;
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("the mail server refused the login") + codeText(code);
    case CURLE_AUTH_ERROR:
        return QStringLiteral("the mail server offers no login method this program can use");
    default: break;
    }
    // curl names the command the server refused in its message.
    if (detail.startsWith(QLatin1String("MAIL failed")))
        return QStringLiteral("the mail server refused the sender") + codeText(code);
    if (detail.startsWith(QLatin1String("RCPT failed")))
        return QStringLiteral("the mail server refused the recipient") + codeText(code);
    if (detail.startsWith(QLatin1String("DATA failed")) || rc == CURLE_WEIRD_SERVER_REPLY)
        return QStringLiteral("the mail server refused the message") + codeText(code);
    if (rc == CURLE_SEND_ERROR || rc == CURLE_RECV_ERROR || rc == CURLE_GOT_NOTHING
        || rc == CURLE_PARTIAL_FILE)
        return QStringLiteral("the connection to the mail server was lost");
    return QStringLiteral("sending failed: ")
           + (detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(rc)) : detail);
}

// libcurl says goodbye (QUIT) after the transfer, where CURLOPT_TIMEOUT no
// longer holds: only the server-response time-out bounds that wait. So the
// whole deadline is shared out: a quarter of it, in whole seconds and at least
// one, for any one reply and for the goodbye; the rest for the transfer.
struct CurlTimeouts {
    long replySeconds;
    long transferMs;
};

CurlTimeouts curlTimeouts(SmtpDeadlines deadlines)
{
    using namespace std::chrono;
    const milliseconds whole = deadlines.whole;
    const milliseconds reply = std::max<milliseconds>(seconds(1), duration_cast<seconds>(whole / 4));
    const milliseconds transfer = std::max(whole - reply, whole / 2);
    return {long(duration_cast<seconds>(reply).count()), long(transfer.count())};
}

struct CurlCleanup {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
template <typename T>
using CurlOwned = std::unique_ptr<T, CurlCleanup>;

void append(CurlSteps& steps, CurlOwned<curl_slist>& list, const QByteArray& line)
{
    curl_slist* head = curl_slist_append(list.get(), line.constData());
    if (!head)
        steps.check(CURLE_OUT_OF_MEMORY, QStringLiteral("a header"));
    else if (!list)
        list.reset(head); // the first line makes the list; the others go on its end
}

void addTextPart(CurlSteps& steps, curl_mime* alternatives, const char* type, const QByteArray& text)
{
    // A part that cannot be added is null, which the calls below refuse.
    curl_mimepart* part = curl_mime_addpart(alternatives);
    const QString what = QStringLiteral("the %1 part").arg(QLatin1String(type));
    steps.check(curl_mime_data(part, text.constData(), size_t(text.size())), what);
    steps.check(curl_mime_type(part, type), what);
    // Long lines and letters outside ASCII travel safely.
    steps.check(curl_mime_encoder(part, "quoted-printable"), what);
}

} // namespace

Delivery sendSmtpNow(const SmtpServer& server, const MailMessage& message, SmtpDeadlines deadlines)
{
    if (const auto problem = smtpSetupProblem(server))
        return Delivery::failed(*problem);
    // Once for the program; any thread may send first.
    static const CURLcode started = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (started != CURLE_OK)
        return Delivery::failed(QStringLiteral("the mail library could not start (%1)")
                                    .arg(QString::fromUtf8(curl_easy_strerror(started))));
    const CurlOwned<CURL> curl(curl_easy_init());
    if (!curl)
        return Delivery::failed(QStringLiteral("sending failed: no mail client"));
    CURL* c = curl.get();
    CurlSteps steps(c);
    char detail[CURL_ERROR_SIZE] = {};
    steps.set(CURLOPT_ERRORBUFFER, detail);

    const bool implicitTls = server.security == SmtpSecurity::Tls;
    const QByteArray url = (implicitTls ? "smtps://" : "smtp://") + server.host.trimmed().toUtf8()
                           + ':' + QByteArray::number(server.port);
    steps.set(CURLOPT_URL, url.constData());
    steps.set(CURLOPT_NOSIGNAL, 1L);
    steps.set(CURLOPT_CONNECTTIMEOUT_MS, long(deadlines.connect.count()));
    const CurlTimeouts timeouts = curlTimeouts(deadlines);
    steps.set(CURLOPT_TIMEOUT_MS, timeouts.transferMs);
    steps.set(CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts.replySeconds);
    // One mail per handle: the goodbye is said before perform returns, on
    // this handle's time-outs, and what it gets cannot undo a mail the
    // server took.
    steps.set(CURLOPT_FORBID_REUSE, 1L);
    if (server.security == SmtpSecurity::StartTls)
        steps.set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    // Certificates are always checked.
    steps.set(CURLOPT_SSL_VERIFYPEER, 1L);
    steps.set(CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray bundle = trustedBundle(steps, c);
    curl_blob blob{const_cast<char*>(bundle.constData()), size_t(bundle.size()), CURL_BLOB_COPY};
    if (!bundle.isEmpty())
        steps.set(CURLOPT_CAINFO_BLOB, &blob);
    const QByteArray user = server.user.toUtf8(), password = server.password.toUtf8();
    if (!server.user.isEmpty()) {
        steps.set(CURLOPT_USERNAME, user.constData());
        steps.set(CURLOPT_PASSWORD, password.constData());
    }

    const QByteArray from = message.from.trimmed().toUtf8(), to = message.to.trimmed().toUtf8();
    const QByteArray mailFrom = '<' + from + '>';
    steps.set(CURLOPT_MAIL_FROM, mailFrom.constData());
    CurlOwned<curl_slist> recipients;
    append(steps, recipients, '<' + to + '>');
    steps.set(CURLOPT_MAIL_RCPT, recipients.get());

    const QDateTime date = message.date.isValid() ? message.date : QDateTime::currentDateTime();
    const QByteArray id = message.messageId.isEmpty()
                              ? QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@'
                                    + domainOf(message.from)
                              : message.messageId.toUtf8();
    // The message itself is the choice between the two texts: libcurl would
    // make it multipart/mixed, so its type is named here; libcurl adds the
    // boundary.
    CurlOwned<curl_slist> headers;
    for (const QByteArray& line : {"Date: " + date.toString(Qt::RFC2822Date).toLatin1(),
                                   "From: Zelvane <" + from + '>', "To: <" + to + '>',
                                   "Message-ID: <" + id + '>',
                                   "Subject: " + headerWord(message.subject),
                                   QByteArray("Content-Type: multipart/alternative")})
        append(steps, headers, line);
    steps.set(CURLOPT_HTTPHEADER, headers.get());

    // Plain first, as mail readers expect: they show the last one they can.
    const CurlOwned<curl_mime> mime(curl_mime_init(c));
    addTextPart(steps, mime.get(), "text/plain; charset=UTF-8", message.plain.toUtf8());
    addTextPart(steps, mime.get(), "text/html; charset=UTF-8", message.html.toUtf8());
    steps.set(CURLOPT_MIMEPOST, mime.get());
    if (!steps.ok())
        return Delivery::failed(steps.refused());

    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK)
        return Delivery::ok();
    long code = 0;
    if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        code = 0; // no reply to quote
    return Delivery::failed(failureText(rc, QString::fromUtf8(detail), code, server));
}

} // namespace zelvane
