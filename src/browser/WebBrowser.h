#pragma once

#include "browser/HtmlDocument.h"

#include <QObject>
#include <QString>
#include <optional>

namespace zelvane {

// The HTTP answer that brought the page now shown, after redirects.
struct PageStatus {
    int code = 0;   // 0: no page arrived
    QString reason; // the server's reason phrase, "Service Unavailable"
};

// What the program asks of a web browser: navigate, tell when loading is done,
// where it ended up and what the page says. The reads give nothing (not an
// empty text) when there is no such document or frame.
class WebBrowser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebBrowser() override = default;

    // Starts loading the address and returns at once.
    virtual void navigate(const QString& url) = 0;
    // True while a navigation is still loading; busyEnded() says when it ends.
    virtual bool busy() const = 0;
    // The whole address of the page now shown, after redirects, as the server gave it.
    virtual QString locationUrl() const = 0;
    // The status of the page now shown: a page is not yet the site's answer,
    // a 503 maintenance page is a page too.
    virtual PageStatus pageStatus() const = 0;

    // The visible text of the page (documentElement.innerText).
    virtual std::optional<QString> documentText() const = 0;
    // The visible text of frame `index` of the page (frames(index)...innerText).
    virtual std::optional<QString> frameText(int index) const = 0;
    // The page's markup without the outer html tags (documentElement.innerHTML).
    virtual std::optional<QString> documentHtml() const = 0;
    // Why the last navigation gave no page at all (no connection, no such
    // host, a time-out); empty when a page arrived, even an error page.
    virtual QString loadError() const { return {}; }
    // The tables of frame `index`, rows of cell texts. A browser that cannot
    // tell gives nothing, as for a missing frame.
    virtual std::optional<QList<HtmlTable>> frameTables(int /*index*/) const { return std::nullopt; }

signals:
    // busy has just gone false, whether the load succeeded or failed.
    void busyEnded();
    // A document (the page or one of its frames) finished loading.
    void documentComplete(const QString& url);
    void statusTextChanged(const QString& text);
};

} // namespace zelvane
