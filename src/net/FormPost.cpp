#include "net/FormPost.h"

#include "app/MessageBoxes.h"
#include "net/Url.h"

#include <QNetworkRequest>
#include <QUrl>

namespace zelvane {

namespace {

// The address the post goes to: scheme, host, port and page path of the
// parsed address; the relay takes its fields from the body alone, so a query
// or fragment in the address is not sent. Nothing when it cannot be made.
std::optional<QUrl> postTarget(const Url& parsed)
{
    const QString host = parsed.host();
    if (host.isEmpty())
        return std::nullopt;
    int port = -1;
    if (!parsed.port().isEmpty()) {
        bool ok = false;
        port = parsed.port().toInt(&ok);
        if (!ok || port > 65535)
            return std::nullopt;
        if (port == 0) // port 0 stands for the scheme's default
            port = -1;
    }
    // Any scheme but https is spoken as plain HTTP.
    const bool secure = parsed.scheme().compare(QLatin1String("https:"), Qt::CaseInsensitive) == 0;
    QString text = (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host;
    if (port >= 0)
        text += QLatin1Char(':') + QString::number(port);
    const QString object = parsed.pagePath();
    text += object.startsWith(QLatin1Char('/')) ? object : QLatin1Char('/') + object;
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

QCoro::Task<QString> postForm(QString address, QString formData, MessageBoxes& boxes,
                              NetTimeouts timeouts)
{
    const std::optional<HttpReply> reply =
        co_await postFormExchange(std::move(address), std::move(formData), boxes, timeouts);
    co_return reply ? QString::fromLocal8Bit(reply->body) : QString();
}

QCoro::Task<std::optional<HttpReply>> postFormExchange(QString address, QString formData,
                                                       MessageBoxes& boxes, NetTimeouts timeouts)
{
    Url parsed;
    parsed.setHref(address); // an address the parser refuses goes to the caller

    const std::optional<QUrl> target = postTarget(parsed);
    if (!target) {
        reportInternetError(boxes);
        co_return std::nullopt;
    }

    QNetworkRequest request(*target);
    request.setHeader(QNetworkRequest::UserAgentHeader, kPostAgent);
    request.setHeader(QNetworkRequest::ContentTypeHeader, kFormContentType);
    // Pages of the relay are never taken from a cache on the way.
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");

    const HttpReply reply =
        co_await httpExchange(request, "POST", formData.toLocal8Bit(), timeouts);
    // This stack cannot speak the address's protocol (no TLS support): the
    // request never started, which is what the box is for.
    if (reply.error == QNetworkReply::ProtocolUnknownError) {
        reportInternetError(boxes);
        co_return std::nullopt;
    }
    co_return reply;
}

void reportInternetError(MessageBoxes& boxes, const QString& lastResponseInfo)
{
    QString text = lastResponseInfo;
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    if (text.isEmpty())
        text = kExtendedErrorText;
    boxes.show(text, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace zelvane
