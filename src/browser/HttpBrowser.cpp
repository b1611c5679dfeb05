#include "browser/HttpBrowser.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslSocket>

#include <utility>

namespace zelvane {

namespace {

// Bytes looked at to tell a page without a Content-Type from binary data.
constexpr qsizetype kSniffBytes = 1024;

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

QByteArray mimeType(const QByteArray& contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
}

// Only pages are shown; anything else a browser would offer to save.
bool isPageType(const QByteArray& mime)
{
    return mime.isEmpty() || mime == "text/html" || mime == "application/xhtml+xml";
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The server answered with a status of its own (a page, perhaps an error
// page), as opposed to the transfer itself failing.
bool isServerAnswer(QNetworkReply::NetworkError e)
{
    return e == QNetworkReply::NoError || (e >= QNetworkReply::ContentAccessDenied
                                           && e <= QNetworkReply::UnknownContentError)
           || (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError)
           || e == QNetworkReply::ProtocolInvalidOperationError;
}

QString milliseconds(std::chrono::milliseconds ms)
{
    return QString::number(ms.count()) + QStringLiteral(" ms");
}

} // namespace

QNetworkCookieJar* HttpBrowser::processCookieJar()
{
    // Never deleted: browsers and their network managers may be torn down in
    // any order at exit, and each must find the jar still there.
    static QNetworkCookieJar* const jar = new QNetworkCookieJar;
    return jar;
}

HttpBrowser::HttpBrowser(QObject* parent) : HttpBrowser(processCookieJar(), parent) {}

HttpBrowser::HttpBrowser(QNetworkCookieJar* jar, QObject* parent)
    : WebBrowser(parent), nam_(new QNetworkAccessManager(this))
{
    // The manager takes ownership of a jar it is given; sharing it means
    // giving the jar back to its owner.
    QObject* owner = jar->parent();
    nam_->setCookieJar(jar);
    jar->setParent(owner);
    nam_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    caFile_ = qEnvironmentVariable("ZELVANE_CA_FILE");

    connectTimer_.setSingleShot(true);
    deadline_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        if (busy())
            fail(QStringLiteral("no connection within ") + milliseconds(limits_.connectTimeout));
    });
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (busy())
            fail(QStringLiteral("not loaded within ") + milliseconds(limits_.navigationDeadline));
    });
}

const QSslConfiguration& HttpBrowser::tlsConfiguration()
{
    if (!tls_) {
        tls_ = QSslConfiguration::defaultConfiguration();
        tls_->setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!caFile_.isEmpty() && !tls_->addCaCertificates(caFile_, QSsl::Pem))
            qWarning("ZELVANE_CA_FILE: no certificate read from %s", qPrintable(caFile_));
    }
    return *tls_;
}

HttpBrowser::~HttpBrowser()
{
    dropReply();
}

void HttpBrowser::navigate(const QString& url)
{
    // A navigation under way is dropped for the new one, as a click does.
    dropReply();
    ++generation_;
    connectTimer_.stop();
    page_.reset();
    frame_.reset();
    status_ = {};
    error_.clear();
    frameLocation_.clear();
    location_ = url;
    redirects_ = 0;
    stage_ = Stage::Page;

    const QUrl target(url.trimmed(), QUrl::TolerantMode);
    if (!isWebAddress(target)) {
        fail(QStringLiteral("not a web address"));
        return;
    }
    deadline_.start(limits_.navigationDeadline);
    request(target);
}

void HttpBrowser::request(const QUrl& url)
{
    url_ = url;
    body_.clear();
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::ManualRedirectPolicy);
    req.setTransferTimeout(int(limits_.transferTimeout.count()));
    if (url.scheme() == QLatin1String("https"))
        req.setSslConfiguration(tlsConfiguration());
    reply_ = nam_->get(req);
    connect(reply_, &QNetworkReply::requestSent, this, &HttpBrowser::onConnected);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &HttpBrowser::onMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &HttpBrowser::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &HttpBrowser::onFinished);
    connectTimer_.start(limits_.connectTimeout);
}

void HttpBrowser::onConnected()
{
    connectTimer_.stop();
}

void HttpBrowser::onMetaData()
{
    connectTimer_.stop();
    if (!reply_)
        return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (isRedirect(status) && !reply_->rawHeader("Location").trimmed().isEmpty())
        return; // followed once it has finished
    // Refuse what is not a page before its body comes down.
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limits_.maxPageBytes) {
        fail(QStringLiteral("page larger than %1 bytes").arg(limits_.maxPageBytes));
        return;
    }
    const QByteArray mime = mimeType(reply_->rawHeader("Content-Type"));
    if (!isPageType(mime))
        fail(QStringLiteral("not a web page: ") + QString::fromLatin1(mime));
}

void HttpBrowser::onReadyRead()
{
    connectTimer_.stop();
    if (!reply_)
        return;
    body_ += reply_->readAll();
    // Counts what arrives after decompression, so a small zip bomb stops here too.
    if (body_.size() > limits_.maxPageBytes)
        fail(QStringLiteral("page larger than %1 bytes").arg(limits_.maxPageBytes));
}

void HttpBrowser::onFinished()
{
    QNetworkReply* r = std::exchange(reply_, nullptr);
    if (!r)
        return;
    connectTimer_.stop();
    r->disconnect(this);
    r->deleteLater();
    if (r->isOpen())
        body_ += r->readAll();

    const QNetworkReply::NetworkError error = r->error();
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status <= 0 || !isServerAnswer(error)) {
        fail(error == QNetworkReply::OperationCanceledError
                 ? QStringLiteral("no answer for ") + milliseconds(limits_.transferTimeout)
                 : r->errorString());
        return;
    }
    if (body_.size() > limits_.maxPageBytes) {
        fail(QStringLiteral("page larger than %1 bytes").arg(limits_.maxPageBytes));
        return;
    }

    const QByteArray location = r->rawHeader("Location").trimmed();
    if (!isRedirect(status) || location.isEmpty()) {
        if (stage_ == Stage::Page)
            status_ = {status, r->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()};
        documentArrived(r->rawHeader("Content-Type"));
        return;
    }

    if (++redirects_ > limits_.maxRedirects) {
        fail(QStringLiteral("more than %1 redirects").arg(limits_.maxRedirects));
        return;
    }
    const QString raw = QString::fromUtf8(location);
    const QUrl next(raw, QUrl::TolerantMode);
    const QUrl target = url_.resolved(next);
    if (!isWebAddress(target)) {
        fail(QStringLiteral("redirected to something that is not a web address"));
        return;
    }
    // The login address carries the PIN; never follow it onto plain HTTP.
    if (url_.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")) {
        fail(QStringLiteral("redirected from https to plain http"));
        return;
    }
    // The engine compares this text with its own addresses character by
    // character, so an absolute Location is kept exactly as it came.
    const QString where = next.isRelative() ? target.toString() : raw;
    if (stage_ == Stage::Frame)
        frameLocation_ = where;
    else
        location_ = where;
    request(target);
}

void HttpBrowser::documentArrived(const QByteArray& contentType)
{
    const QByteArray mime = mimeType(contentType);
    if (!isPageType(mime) || (mime.isEmpty() && body_.left(kSniffBytes).contains('\0'))) {
        fail(QStringLiteral("not a web page: ")
             + (mime.isEmpty() ? QStringLiteral("binary data") : QString::fromLatin1(mime)));
        return;
    }
    HtmlDocument doc =
        HtmlDocument::parse(body_, HtmlDocument::charsetParameter(contentType), url_);
    body_.clear();
    body_.squeeze();
    if (stage_ == Stage::Frame) {
        frame_ = std::move(doc);
        complete();
        return;
    }
    page_ = std::move(doc);
    startFrame();
}

void HttpBrowser::startFrame()
{
    const std::optional<QUrl> src = page_->firstFrameSource();
    if (!src) {
        complete();
        return;
    }
    if (src->isEmpty() || src->scheme() == QLatin1String("about")) {
        frame_ = HtmlDocument();
        frameLocation_ = QStringLiteral("about:blank");
        complete();
        return;
    }
    frameLocation_ = src->toString();
    // A page must not make the program read local files or run anything.
    if (!isWebAddress(*src)) {
        error_ = QStringLiteral("frame 0 is not a web address");
        complete();
        return;
    }
    stage_ = Stage::Frame;
    redirects_ = 0;
    request(*src);
}

void HttpBrowser::fail(const QString& why)
{
    dropReply();
    // No connection is reused after a failure: the manager's cache otherwise
    // keeps a few kB more after every failed HTTPS load, for as long as it lives.
    nam_->clearConnectionCache();
    connectTimer_.stop();
    if (stage_ == Stage::Frame) {
        // The page itself is there; only its frame is missing.
        error_ = QStringLiteral("frame 0: ") + why;
        complete();
        return;
    }
    deadline_.stop();
    error_ = why;
    page_.reset();
    frame_.reset();
    stage_ = Stage::Idle;
    emit busyEnded();
}

void HttpBrowser::complete()
{
    deadline_.stop();
    connectTimer_.stop();
    stage_ = Stage::Idle;
    // A handler may navigate again; nothing of the old load is touched after that.
    const quint64 generation = generation_;
    if (frame_)
        emit documentComplete(frameLocation_);
    if (generation == generation_ && page_)
        emit documentComplete(location_);
    if (generation == generation_)
        emit busyEnded();
}

void HttpBrowser::dropReply()
{
    QNetworkReply* r = std::exchange(reply_, nullptr);
    body_.clear();
    if (!r)
        return;
    r->disconnect(this);
    if (!r->isFinished())
        r->abort();
    r->deleteLater();
}

std::optional<QString> HttpBrowser::documentText() const
{
    if (busy() || !page_)
        return std::nullopt;
    return page_->innerText();
}

std::optional<QString> HttpBrowser::frameText(int index) const
{
    if (busy() || index != 0 || !frame_)
        return std::nullopt;
    return frame_->innerText();
}

std::optional<QString> HttpBrowser::documentHtml() const
{
    if (busy() || !page_)
        return std::nullopt;
    return page_->innerHtml();
}

std::optional<QList<HtmlTable>> HttpBrowser::frameTables(int index) const
{
    if (busy() || index != 0 || !frame_)
        return std::nullopt;
    return frame_->tables();
}

} // namespace zelvane
