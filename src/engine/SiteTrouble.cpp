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

SiteTroubleStreak nextSiteTroubleStreak(SiteTroubleStreak streak,
                                        const std::optional<QString>& trouble,
                                        const QDateTime& checkTime)
{
    if (!trouble)
        return {};
    if (streak.checks == 0 || !streak.since.isValid())
        streak = {checkTime, 0, false, {}};
    ++streak.checks;
    streak.reason = *trouble;
    return streak;
}

std::optional<QString> siteTroubleNotice(const SiteTroubleStreak& streak)
{
    if (streak.told || streak.checks < kSiteTroubleChecksBeforeNotice || !streak.since.isValid())
        return std::nullopt;
    return QStringLiteral("Zelvane has not been able to check for seats since %1: %2")
        .arg(streak.since.toString(QStringLiteral("dd/MM/yyyy HH:mm")), streak.reason);
}

UnreadablePagesStreak nextUnreadablePagesStreak(UnreadablePagesStreak streak, int read, int unread,
                                                const QString& keptPage, const QDateTime& checkTime)
{
    if (unread == 0)
        return read > 0 ? UnreadablePagesStreak{} : streak;
    if (streak.checks == 0 || !streak.since.isValid())
        streak = {checkTime, 0, false, {}};
    ++streak.checks;
    if (!keptPage.isEmpty())
        streak.keptPage = keptPage;
    return streak;
}

std::optional<QString> unreadablePagesNotice(const UnreadablePagesStreak& streak)
{
    if (streak.told || streak.checks < kUnreadableChecksBeforeNotice || !streak.since.isValid())
        return std::nullopt;
    QString text = QStringLiteral("Zelvane cannot read the airline's result pages since %1; the site may have changed.")
                       .arg(streak.since.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
    if (!streak.keptPage.isEmpty())
        text += QStringLiteral(" The last page is kept at %1.").arg(streak.keptPage);
    return text;
}

} // namespace zelvane
