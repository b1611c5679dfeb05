#include "ui/ShowWebPage.h"

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

void showWebPage(QString& page)
{
    page = trimBlanks(page);
    if (page.isEmpty())
        return;
    const bool hasScheme = page.contains(QStringLiteral("://"))
                           || page.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
    const QString address = hasScheme ? page : QStringLiteral("http://") + page;
    if (opener())
        opener()(QUrl(address, QUrl::TolerantMode));
}

WebPageOpener setWebPageOpener(WebPageOpener next)
{
    return std::exchange(opener(), std::move(next));
}

} // namespace zelvane
