#include "notify/Push.h"

#include <QNetworkRequest>
#include <QUrl>

namespace zelvane {

namespace {

QByteArray headerText(const QString& text)
{
    // Headers are ASCII; ntfy reads an encoded word for anything else.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    return ascii ? text.toLatin1() : "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

} // namespace

bool isPushAddress(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QCoro::Task<Delivery> sendPush(QString address, PushMessage message, NetTimeouts timeouts)
{
    if (!isPushAddress(address))
        co_return Delivery::failed(QStringLiteral("the push address is not a web address"));
    QNetworkRequest request(QUrl(address.trimmed(), QUrl::StrictMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain; charset=utf-8"));
    request.setRawHeader("Title", headerText(message.title));
    request.setRawHeader("Priority", headerText(message.priority));
    if (!message.tags.isEmpty())
        request.setRawHeader("Tags", headerText(message.tags));
    const QByteArray body = message.text.toUtf8();
    const HttpReply reply = co_await httpExchange(request, "POST", body, timeouts);
    co_return httpDelivery(reply, QStringLiteral("the push server"));
}

} // namespace zelvane
