#include "engine/KeptPages.h"

#include "browser/WebBrowser.h"

#include <QDir>
#include <QFile>
#include "app/WholeFile.h"

namespace zelvane {

QString KeptPages::keep(UnreadablePage kind, const WebBrowser& browser) const
{
    if (folder_.isEmpty() || kind == UnreadablePage::None)
        return {};
    const QString path = QDir(folder_).filePath(QStringLiteral("unreadable-%1.html").arg(unreadablePageName(kind)));
    QString page = QStringLiteral("<!-- %1 -->\n").arg(browser.locationUrl().toHtmlEscaped())
                   + browser.documentHtml().value_or(QString());
    if (const std::optional<QString> frame = browser.frameText(0))
        page += QStringLiteral("\n<!-- the text of its first frame: -->\n<pre>") + frame->toHtmlEscaped()
                + QStringLiteral("</pre>\n");
    // What the airline shows the member is theirs alone; a full disk leaves
    // the page kept before as it was.
    if (!writeWholeFile(path, page.toUtf8()).ok())
        return {};
    return QDir::toNativeSeparators(path);
}

} // namespace zelvane
