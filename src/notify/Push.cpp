#include "notify/Push.h"

#include "engine/BookingLink.h"

#include <QJsonObject>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

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
    if (!message.click.isEmpty())
        request.setRawHeader("Click", headerText(message.click));
    const QByteArray body = message.text.toUtf8();
    const HttpReply reply = co_await httpExchange(request, "POST", body, timeouts);
    co_return httpDelivery(reply, QStringLiteral("the push server"));
}

QJsonArray pushLinesJson(const QList<PushLine>& lines)
{
    QJsonArray out;
    for (const PushLine& l : lines) {
        QJsonObject line{{"key", l.key}, {"text", l.text}, {"seen", l.seen.toString(Qt::ISODateWithMs)},
                         {"carried", l.carried}};
        if (!l.booking.isEmpty())
            line.insert(QStringLiteral("booking"), l.booking);
        out.append(line);
    }
    return out;
}

QList<PushLine> pushLinesFromJson(const QJsonArray& lines)
{
    QList<PushLine> out;
    for (const QJsonValue& v : lines)
        out.append({v[QLatin1String("key")].toString(), v[QLatin1String("text")].toString(),
                    QDateTime::fromString(v[QLatin1String("seen")].toString(), Qt::ISODateWithMs),
                    v[QLatin1String("carried")].toBool(), v[QLatin1String("booking")].toString()});
    return out;
}

QList<PushLine> mergePushLines(const QList<PushLine>& older, const QList<PushLine>& newer)
{
    QList<PushLine> merged;
    for (PushLine l : older) {
        const bool replaced = std::any_of(newer.cbegin(), newer.cend(),
                                          [&l](const PushLine& n) { return n.key == l.key; });
        if (replaced)
            continue;
        l.carried = true;
        merged << l;
    }
    return merged << newer;
}

QString pushText(const QList<PushLine>& lines, bool waited)
{
    QStringList out;
    for (const PushLine& l : lines) {
        const bool late = (waited || l.carried) && l.seen.isValid();
        out << (late ? l.text + QStringLiteral(" (seen ")
                           + l.seen.toString(QStringLiteral("dd/MM/yyyy HH:mm")) + QLatin1Char(')')
                     : l.text);
        if (!l.booking.isEmpty())
            out << kBookOnAirlineSite + QStringLiteral(": ") + l.booking;
    }
    return out.join(QLatin1Char('\n'));
}

QString pushClick(const QList<PushLine>& lines)
{
    for (const PushLine& l : lines)
        if (!l.booking.isEmpty())
            return l.booking;
    return {};
}

} // namespace zelvane
