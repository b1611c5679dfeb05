#include "notify/Delivery.h"

namespace zelvane {

QString networkErrorText(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError: return QStringLiteral("connection refused");
    case QNetworkReply::HostNotFoundError: return QStringLiteral("host not found");
    case QNetworkReply::RemoteHostClosedError: return QStringLiteral("connection closed");
    case QNetworkReply::SslHandshakeFailedError: return QStringLiteral("TLS failed");
    case QNetworkReply::ProtocolUnknownError: return QStringLiteral("not a web address");
    default: return QStringLiteral("network error %1").arg(int(error));
    }
}

Delivery httpDelivery(const HttpReply& reply, const QString& server)
{
    if (reply.timedOut)
        return Delivery::failed(server + QStringLiteral(" did not answer in time"));
    if (reply.status >= 200 && reply.status < 300)
        return Delivery::ok(QString::fromUtf8(reply.body).trimmed());
    if (reply.status > 0)
        return Delivery::failed(server + QStringLiteral(" answered HTTP %1").arg(reply.status));
    return Delivery::failed(QStringLiteral("could not reach ") + server + QStringLiteral(" (")
                            + networkErrorText(reply.error) + QLatin1Char(')'));
}

} // namespace zelvane
