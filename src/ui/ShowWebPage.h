#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace zelvane {

// The one way the program opens a web page in the user's browser. The
// address is trimmed of blanks in place; an empty one opens nothing; one
// without a scheme is taken as a web address, as the desktop would not know
// what to open it with.
void showWebPage(QString& page);

// Where pages go: the desktop's browser, or a recorder in tests. Returns the
// opener it replaces.
using WebPageOpener = std::function<void(const QUrl&)>;
WebPageOpener setWebPageOpener(WebPageOpener opener);

} // namespace zelvane
