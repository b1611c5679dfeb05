#include "ui/ShowWebPage.h"

#include "app/Dialogs.h"

#include <QUrl>

namespace zelvane {

namespace {

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

void showWebPage(QString& page, Dialogs& dialogs)
{
    page = trimBlanks(page);
    if (page.isEmpty())
        return;
    const bool hasScheme = page.contains(QStringLiteral("://"))
                           || page.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
    const QString address = hasScheme ? page : QStringLiteral("http://") + page;
    dialogs.openWebPage(QUrl(address, QUrl::TolerantMode));
}

} // namespace zelvane
