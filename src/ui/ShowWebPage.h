#pragma once

#include <QString>

namespace zelvane {

class Dialogs;

// The one way the program opens a web page in the user's browser, handed
// over through `dialogs`. The address is trimmed of blanks in place; an empty
// one opens nothing; one without a scheme is taken as a web address, as the
// desktop would not know what to open it with.
void showWebPage(QString& page, Dialogs& dialogs);

} // namespace zelvane
