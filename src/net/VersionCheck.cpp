#include "net/VersionCheck.h"

#include "app/MessageBoxes.h"
#include "net/Addresses.h"

#include <QUrl>

namespace zelvane {

QString runningVersionText()
{
    return QString::number(ZELVANE_VERSION_MAJOR) + QLatin1Char('.')
           + QString::number(ZELVANE_VERSION_MINOR);
}

QString editionVersionText()
{
    return runningVersionText() + QLatin1Char('.') + QString::number(ZELVANE_VERSION_PATCH)
           + QStringLiteral(" Qantas Edition");
}

QString versionFileAddress()
{
    return siteBase() + kVersionFilePath;
}

QString noticeAddress()
{
    return siteBase() + kNoticeFilePath;
}

VersionFile readVersionFile(const QString& body)
{
    const QStringList fields = (body + QLatin1Char(',')).split(QLatin1Char(','));
    return {fields.value(0), fields.value(1)};
}

bool isNewerVersion(const QString& latest, const QString& running)
{
    return QString::compare(latest, running, Qt::CaseSensitive) > 0;
}

VersionCheckOutcome applyVersionFile(ProductNews& news, const std::optional<QString>& body,
                                 const std::function<bool()>& resultsPanelVisible,
                                 const QString& running)
{
    if (!body) {
        news.newVersion = false;
        return VersionCheckOutcome::FetchFailed;
    }
    const VersionFile file = readVersionFile(*body);
    if (!isNewerVersion(file.latest, running)) {
        news.newVersion = false;
        return VersionCheckOutcome::NotNewer;
    }
    if (resultsPanelVisible && resultsPanelVisible())
        return VersionCheckOutcome::ResultsShown;
    news.updateAddress = file.updateAddress;
    // The file comes over plain HTTP and the address is handed to the
    // desktop to open: only a web page is offered, never a local file or a
    // program.
    const QUrl page(news.updateAddress.trimmed());
    if (!page.isValid() || page.host().isEmpty()
        || (page.scheme() != QLatin1String("http") && page.scheme() != QLatin1String("https"))) {
        news.updateAddress.clear();
        news.newVersion = false;
        return VersionCheckOutcome::NoAddress;
    }
    news.newVersion = true;
    return VersionCheckOutcome::NewVersion;
}

QCoro::Task<VersionCheckOutcome> checkVersion(ProductNews& news, std::function<bool()> resultsPanelVisible,
                                      NetTimeouts timeouts)
{
    const std::optional<QString> body = co_await getWebText(versionFileAddress(), timeouts);
    co_return applyVersionFile(news, body, resultsPanelVisible);
}

bool showNewVersionLabel(const ProductNews& news)
{
    return news.newVersion;
}

bool offerUpdate(const ProductNews& news, MessageBoxes& boxes)
{
    return !news.updateAddress.isEmpty()
           && boxes.show(kUpdateOfferText, kUpdateOfferTitle, MsgIcon::Information, MsgButtons::YesNo)
                  == MsgAnswer::Yes;
}

QCoro::Task<bool> fetchNotice(ProductNews& news, QString address, NetTimeouts timeouts)
{
    const std::optional<QString> text = co_await getWebText(address, timeouts);
    if (!text)
        co_return false;
    news.noticeText = *text;
    co_return true;
}

bool showNoticeButton(const ProductNews& news)
{
    return !news.noticeText.isEmpty();
}

void showNotice(const ProductNews& news, MessageBoxes& boxes)
{
    boxes.show(news.noticeText, kNoticeTitle, MsgIcon::Information, MsgButtons::Ok);
}

} // namespace zelvane
