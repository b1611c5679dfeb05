#include "app/ShowWebPage.h"

#include <QDesktopServices>
#include <utility>

namespace zelvane {

namespace {

WebPageOpener& opener()
{
    static WebPageOpener current = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return current;
}

QString trimBlanks(const QString& s)
{
    // Only blanks: a tab or line break is part of what was asked for.
    qsizetype from = 0, to = s.size();
    while (from < to && s[from] == u' ')
        ++from;
    while (to > from && s[to - 1] == u' ')
        --to;
    return s.mid(from, to - from);
}

} // namespace

void showWebPage(QString& WebURL)
{
    WebURL = trimBlanks(WebURL);
    if (WebURL.isEmpty())
        return;
    const bool hasScheme = WebURL.contains(QStringLiteral("://"))
                           || WebURL.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
    const QString address = hasScheme ? WebURL : QStringLiteral("http://") + WebURL;
    if (opener())
        opener()(QUrl(address, QUrl::TolerantMode));
}

WebPageOpener setWebPageOpener(WebPageOpener next)
{
    return std::exchange(opener(), std::move(next));
}

} // namespace zelvane
