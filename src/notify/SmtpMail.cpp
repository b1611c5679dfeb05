#include "notify/SmtpMail.h"

#include "app/Settings.h"
#include "notify/CurlLibrary.h"

#include <QCoroFuture>
#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <cstring>
#include <memory>

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

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

// The system's trusted certificates and, when ZELVANE_CA_FILE names one, an
// extra file: curl takes one bundle, so both go in it.
QByteArray trustedBundle(const CurlApi& api, CURL* curl)
{
    const QString extra = qEnvironmentVariable("ZELVANE_CA_FILE");
    if (extra.isEmpty())
        return {};
    QByteArray bundle;
    char* system = nullptr;
    if (api.easy_getinfo(curl, CURLINFO_CAINFO, &system) == CURLE_OK && system) {
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

QString failureText(const CurlApi& api, CURLcode rc, const QString& detail, long code,
                    const SmtpServer& server)
{
    const QString where = server.host + QLatin1Char(':') + QString::number(server.port);
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
           + (detail.isEmpty() ? QString::fromUtf8(api.easy_strerror(rc)) : detail);
}

struct CurlCleanup {
    const CurlApi* api;
    void operator()(CURL* c) const { api->easy_cleanup(c); }
    void operator()(curl_mime* m) const { api->mime_free(m); }
    void operator()(curl_slist* l) const { api->slist_free_all(l); }
};

curl_slist* append(const CurlApi& api, curl_slist* list, const QByteArray& line)
{
    curl_slist* grown = api.slist_append(list, line.constData());
    return grown ? grown : list;
}

void addTextPart(const CurlApi& api, curl_mime* alternative, const char* type,
                 const QByteArray& text)
{
    curl_mimepart* part = api.mime_addpart(alternative);
    api.mime_data(part, text.constData(), size_t(text.size()));
    api.mime_type(part, type);
    // Long lines and letters outside ASCII travel safely.
    api.mime_encoder(part, "quoted-printable");
}

} // namespace

SmtpServer smtpServerFrom(const Settings& s)
{
    SmtpServer server;
    server.host = s.smtpHost.trimmed();
    server.port = s.smtpPort;
    server.security = s.smtpSecurity;
    server.user = s.smtpUser.trimmed();
    return server;
}

QString mailHtml(const QString& body)
{
    QString html = body;
    html.replace(kCrLf, QStringLiteral("<br>\r\n"));
    return QStringLiteral("<html><body>\r\n") + html + QStringLiteral("\r\n</body></html>\r\n");
}

QString mailPlain(const QString& body)
{
    // Only the program's own markup goes: a "<" in a city name stays.
    static const QRegularExpression tag(QStringLiteral("</?(b|br)>"),
                                        QRegularExpression::CaseInsensitiveOption);
    QStringList lines = QString(body).remove(tag).split(kCrLf);
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(kCrLf) + kCrLf;
}

bool isLocalHost(const QString& host)
{
    const QString h = host.trimmed().toLower();
    if (h == QLatin1String("localhost") || h.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(h.startsWith(QLatin1Char('[')) ? h.mid(1, h.size() - 2) : h);
    return !address.isNull() && address.isLoopback();
}

std::optional<QString> smtpSetupProblem(const SmtpServer& server)
{
    if (server.host.trimmed().isEmpty())
        return QStringLiteral("no mail server is set up");
    if (server.port < 1 || server.port > 65535)
        return QStringLiteral("the mail server's port must be 1 to 65535");
    if (server.security == SmtpServer::None && !server.password.isEmpty()
        && !isLocalHost(server.host))
        return QStringLiteral("a password is never sent unencrypted to another machine: "
                              "choose STARTTLS or TLS");
    return std::nullopt;
}

Delivery sendSmtpNow(const SmtpServer& server, const MailMessage& message, SmtpDeadlines deadlines)
{
    if (const auto problem = smtpSetupProblem(server))
        return Delivery::failed(*problem);
    // Loaded here, on the worker that sends, the first time a mail goes out.
    const CurlApi* loaded = curlApi();
    if (!loaded)
        return Delivery::failed(QStringLiteral("the mail library could not be loaded"));
    const CurlApi& api = *loaded;
    const CurlCleanup cleanup{loaded};
    std::unique_ptr<CURL, CurlCleanup> curl(api.easy_init(), cleanup);
    if (!curl)
        return Delivery::failed(QStringLiteral("sending failed: no mail client"));
    CURL* c = curl.get();

    const bool implicitTls = server.security == SmtpServer::Tls;
    const QByteArray url = (implicitTls ? "smtps://" : "smtp://") + server.host.trimmed().toUtf8()
                           + ':' + QByteArray::number(server.port);
    api.easy_setopt(c, CURLOPT_URL, url.constData());
    api.easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(deadlines.connect.count()));
    api.easy_setopt(c, CURLOPT_TIMEOUT_MS, long(deadlines.whole.count()));
    if (server.security == SmtpServer::StartTls)
        api.easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    // Certificates are always checked.
    api.easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    api.easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray bundle = trustedBundle(api, c);
    if (!bundle.isEmpty()) {
        curl_blob blob{const_cast<char*>(bundle.constData()), size_t(bundle.size()),
                       CURL_BLOB_COPY};
        api.easy_setopt(c, CURLOPT_CAINFO_BLOB, &blob);
    }
    const QByteArray user = server.user.toUtf8(), password = server.password.toUtf8();
    if (!server.user.isEmpty()) {
        api.easy_setopt(c, CURLOPT_USERNAME, user.constData());
        api.easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }

    const QByteArray from = message.from.trimmed().toUtf8(), to = message.to.trimmed().toUtf8();
    const QByteArray mailFrom = '<' + from + '>';
    api.easy_setopt(c, CURLOPT_MAIL_FROM, mailFrom.constData());
    std::unique_ptr<curl_slist, CurlCleanup> recipients(append(api, nullptr, '<' + to + '>'),
                                                        cleanup);
    api.easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());

    const QDateTime date = message.date.isValid() ? message.date : QDateTime::currentDateTime();
    const QByteArray id = message.messageId.isEmpty()
                              ? QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@'
                                    + domainOf(message.from)
                              : message.messageId.toUtf8();
    curl_slist* headers = nullptr;
    headers = append(api, headers, "Date: " + date.toString(Qt::RFC2822Date).toLatin1());
    headers = append(api, headers, "From: Zelvane <" + from + '>');
    headers = append(api, headers, "To: <" + to + '>');
    headers = append(api, headers, "Message-ID: <" + id + '>');
    headers = append(api, headers, "Subject: " + headerWord(message.subject));
    std::unique_ptr<curl_slist, CurlCleanup> headerList(headers, cleanup);
    api.easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());

    // One part holding the two alternatives, plain first as mail readers expect.
    std::unique_ptr<curl_mime, CurlCleanup> mime(api.mime_init(c), cleanup);
    curl_mime* alternative = api.mime_init(c);
    addTextPart(api, alternative, "text/plain; charset=UTF-8", message.plain.toUtf8());
    addTextPart(api, alternative, "text/html; charset=UTF-8", message.html.toUtf8());
    curl_mimepart* holder = api.mime_addpart(mime.get());
    api.mime_subparts(holder, alternative); // the holder owns it now
    api.mime_type(holder, "multipart/alternative");
    api.easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

    char detail[CURL_ERROR_SIZE] = {};
    api.easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    const CURLcode rc = api.easy_perform(c);
    if (rc == CURLE_OK)
        return Delivery::ok();
    long code = 0;
    api.easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    return Delivery::failed(failureText(api, rc, QString::fromUtf8(detail), code, server));
}

QCoro::Task<Delivery> sendSmtp(SmtpServer server, MailMessage message, SmtpDeadlines deadlines)
{
    QFuture<Delivery> sending = QtConcurrent::run(
        [server, message, deadlines] { return sendSmtpNow(server, message, deadlines); });
    const Delivery delivery = co_await sending;
    co_return delivery;
}

} // namespace zelvane
