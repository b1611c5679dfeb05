#pragma once

#include "results/ResultPage.h"

#include <QString>

namespace zelvane {

class WebBrowser;

// The last result page of each kind the program could not read, kept in the
// data folder ("unreadable-flight-table.html" ...), readable by the user
// only, so it can be sent with a report when the airline changes its pages.
class KeptPages {
public:
    void setFolder(const QString& folder) { folder_ = folder; }
    // The page the browser shows, its markup and the text of its first
    // frame; the file's path, or empty when it could not be written.
    QString keep(UnreadablePage kind, const WebBrowser& browser) const;

private:
    QString folder_;
};

} // namespace zelvane
