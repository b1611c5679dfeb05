#pragma once

#include "browser/BrowserLimits.h"
#include "browser/HtmlDocument.h"
#include "browser/WebBrowser.h"

#include <QByteArray>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;
class QNetworkCookieJar;
class QNetworkReply;

namespace zelvane {

// The program's web browser: loads a page and its first frame over HTTP(S)
// without running scripts, and reads them with HtmlDocument.
//
// Every browser made with the default constructor keeps its cookies in one
// jar shared by the whole process, so a login in one is seen by the others,
// as with the platform's browser control.
//
// Certificates are always checked. The extra trusted certificates named by
// ZELVANE_CA_FILE (a PEM file) are read when a browser is constructed, so the
// variable must be set before the browser is made.
//
// A navigation that cannot give a page (no connection, time-out, too large,
// not a web page, too many redirects) ends with busy false and the reads
// giving nothing. An HTTP error status with a page (500, 404, ...) is a page
// like any other: it is what the site showed, and pageStatus() tells which.
class HttpBrowser final : public WebBrowser {
    Q_OBJECT
public:
    explicit HttpBrowser(QObject* parent = nullptr);
    // A browser with a jar of its own; the jar must outlive the browser.
    explicit HttpBrowser(QNetworkCookieJar* jar, QObject* parent = nullptr);
    ~HttpBrowser() override;

    // The jar of every default-constructed browser; lives as long as the process.
    static QNetworkCookieJar* processCookieJar();

    // Applies from the next navigation on.
    void setLimits(const BrowserLimits& limits) { limits_ = limits; }
    const BrowserLimits& limits() const { return limits_; }

    void navigate(const QString& url) override;
    bool busy() const override { return stage_ != Stage::Idle; }
    // Where the navigation got to: the last address asked for, a redirect's
    // Location exactly as sent (resolved only when relative).
    QString locationUrl() const override { return location_; }
    PageStatus pageStatus() const override { return page_ && !busy() ? status_ : PageStatus(); }

    std::optional<QString> documentText() const override;
    std::optional<QString> frameText(int index) const override;
    std::optional<QString> documentHtml() const override;
    std::optional<QList<HtmlTable>> frameTables(int index) const override;

    // Why the last navigation gave no page, or its frame no document; empty
    // when nothing went wrong.
    QString errorString() const { return error_; }
    QString loadError() const override { return page_ ? QString() : error_; }

private:
    enum class Stage { Idle, Page, Frame };

    void request(const QUrl& url);
    const QSslConfiguration& tlsConfiguration();
    void onConnected();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void documentArrived(const QByteArray& contentType);
    void startFrame();
    void fail(const QString& why);
    void complete();
    void dropReply();

    QNetworkAccessManager* nam_ = nullptr;
    // Made for the first secure address only: loading the TLS library costs
    // megabytes that a program speaking plain HTTP never needs.
    std::optional<QSslConfiguration> tls_;
    QString caFile_; // extra trusted certificates, named when the browser was made
    BrowserLimits limits_;
    QTimer connectTimer_;
    QTimer deadline_;

    Stage stage_ = Stage::Idle;
    quint64 generation_ = 0;
    QNetworkReply* reply_ = nullptr;
    QUrl url_;          // of the request under way
    QByteArray body_;
    int redirects_ = 0;

    QString location_;      // the page's address
    PageStatus status_;     // the page's answer, frames aside
    QString frameLocation_; // frame 0's address
    std::optional<HtmlDocument> page_;
    std::optional<HtmlDocument> frame_;
    QString error_;
};

} // namespace zelvane
