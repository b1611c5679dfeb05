#include "engine/SiteTrouble.h"

#include "browser/WebBrowser.h"

#include <QUrl>

namespace zelvane {

std::optional<SiteTrouble> siteTrouble(const WebBrowser& browser, bool loaded,
                                       const QString& airlineBase)
{
    if (!loaded)
        return SiteTrouble{false, QStringLiteral("the page did not finish loading")};
    if (!browser.documentText()) {
        const QString why = browser.loadError();
        return SiteTrouble{false, why.isEmpty() ? QStringLiteral("no page") : why};
    }
    const PageStatus status = browser.pageStatus();
    if (status.code < 200 || status.code > 299) {
        const QString reason = QStringLiteral("HTTP ") + QString::number(status.code);
        return SiteTrouble{true, status.reason.isEmpty() ? reason : reason + QLatin1Char(' ') + status.reason};
    }
    // A network's sign-in page answers 200 too, from its own host.
    const QString host = QUrl(browser.locationUrl()).host();
    if (host.compare(QUrl(airlineBase).host(), Qt::CaseInsensitive) != 0)
        return SiteTrouble{true, QStringLiteral("redirected to another host (%1)").arg(host)};
    return std::nullopt;
}

} // namespace zelvane
