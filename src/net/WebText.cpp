#include "net/WebText.h"

#include <QCoroNetworkReply>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace zelvane {

namespace {

bool isSecure(const QUrl& url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

void trustExtraCertificates(QNetworkRequest& request)
{
    if (!isSecure(request.url()))
        return;
    const QString file = qEnvironmentVariable("ZELVANE_CA_FILE");
    if (file.isEmpty())
        return;
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(file, QSsl::Pem);
    if (extra.isEmpty())
        return;
    QSslConfiguration config = request.sslConfiguration();
    config.addCaCertificates(extra);
    request.setSslConfiguration(config);
}

} // namespace

QCoro::Task<HttpReply> httpExchange(QNetworkRequest request, QByteArray verb, QByteArray body,
                                    NetTimeouts timeouts)
{
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    trustExtraCertificates(request);

    // We resume from inside the reply's own finished signal (or the time-out's),
    // so the manager and everything under it is only handed back to the event
    // loop for deletion, never deleted here.
    auto* manager = new QNetworkAccessManager;
    QNetworkReply* reply = verb == "POST" ? manager->post(request, body)
                                          : manager->sendCustomRequest(request, verb, body);

    auto received = std::make_shared<QByteArray>();
    auto connectExpired = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, received] { received->append(reply->readAll()); });
    auto* connectTimer = new QTimer(reply);
    connectTimer->setSingleShot(true);
    QObject::connect(connectTimer, &QTimer::timeout, reply, [reply, connectExpired] {
        *connectExpired = true;
        reply->abort();
    });
    // Reached the server: the request is out, or, for a GET, which Qt 6.4
    // does not report as sent, the reply has begun.
    QObject::connect(reply, &QNetworkReply::requestSent, connectTimer, &QTimer::stop);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, connectTimer, &QTimer::stop);
    connectTimer->start(timeouts.connect);

    const bool finished = co_await qCoro(reply).waitForFinished(timeouts.transfer);
    connectTimer->stop();
    if (!finished)
        reply->abort();
    if (reply->isOpen())
        received->append(reply->readAll());

    HttpReply out;
    out.body = *received;
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.error = reply->error();
    out.timedOut = !finished || *connectExpired;
    manager->deleteLater();
    co_return out;
}

namespace {

// Nothing when the address is not an http(s) address.
QCoro::Task<std::optional<HttpReply>> getReply(QString address, NetTimeouts timeouts)
{
    // Tolerant: a space or a stray character is encoded for the wire, but an
    // escape already written ("%2B", "%20") goes out as it stands.
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        co_return std::nullopt;
    co_return co_await httpExchange(QNetworkRequest(url), "GET", {}, timeouts);
}

} // namespace

QCoro::Task<std::optional<QString>> getWebText(QString address, NetTimeouts timeouts)
{
    const std::optional<HttpReply> reply = co_await getReply(std::move(address), timeouts);
    if (!reply || reply->timedOut || reply->error != QNetworkReply::NoError
        || reply->status >= 400)
        co_return std::nullopt;
    co_return QString::fromLocal8Bit(reply->body);
}

QCoro::Task<QString> getWebReply(QString address, NetTimeouts timeouts)
{
    const std::optional<HttpReply> reply = co_await getReply(std::move(address), timeouts);
    if (!reply || reply->timedOut || reply->status == 0)
        co_return QString();
    co_return QString::fromLocal8Bit(reply->body);
}

} // namespace zelvane
