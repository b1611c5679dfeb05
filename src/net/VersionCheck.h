#pragma once

#include "net/WebText.h"

#include <QCoroTask>
#include <QString>
#include <functional>
#include <optional>

namespace zelvane {

class MessageBoxes;

// What the product site told this run: a newer release and where to get it,
// and the special notice. The version check and the notice fetch decide it;
// the windows show it.
struct ProductNews {
    bool newVersion = false; // the version check found a newer release
    QString updateAddress;   // where that release is offered
    QString noticeText;      // the product site's special notice
};

inline const QString kVersionFilePath = QStringLiteral("/prgver.txt");
inline const QString kNoticeFilePath = QStringLiteral("/dev/alert.txt");
inline const QString kNewVersionCaption = QStringLiteral("New Version Available. Click Here");
inline const QString kUpdateOfferText = QStringLiteral(
    "Your program will now close and you will be taken to the Update page. Press No to update later...");
inline const QString kUpdateOfferTitle = QStringLiteral("Get Latest");
inline const QString kNoticeTitle = QStringLiteral("ZLV Special Notice");

// Major "." minor of this build, the revision left out: "1.1".
QString runningVersionText();
// The whole version with the edition, as the about window shows it.
QString editionVersionText();
QString versionFileAddress(); // on the product site
QString noticeAddress();      // on the product site

// The version file's first two fields. The body gets one "," appended and is
// split at every ",", so a body without a comma has an empty address. Nothing
// is trimmed: a line break after the address belongs to it.
struct VersionFile {
    QString latest;
    QString updateAddress;
};
VersionFile readVersionFile(const QString& body);

// Compared as texts, character by character: "1.10" is not newer than "1.9".
bool isNewerVersion(const QString& latest, const QString& running);

enum class VersionCheckOutcome {
    FetchFailed,  // nothing announced
    NotNewer,     // nothing announced
    ResultsShown, // the results panel was up: flag and label left as they were
    NoAddress,    // newer, but no web page to get it from: nothing announced
    NewVersion,   // offer the new version; the address is in updateAddress
};

// The decisions of the version check on an already fetched body (nothing when
// the fetch failed). The results panel is asked only once the file names a
// newer version, as asking may bring up the main window.
VersionCheckOutcome applyVersionFile(ProductNews& news, const std::optional<QString>& body,
                                 const std::function<bool()>& resultsPanelVisible,
                                 const QString& running = runningVersionText());

// Fetches the version file from the product site and applies it. `news`
// must outlive the check.
QCoro::Task<VersionCheckOutcome> checkVersion(ProductNews& news, std::function<bool()> resultsPanelVisible,
                                      NetTimeouts timeouts = {});

// What the main window shows from the outcome, at each load and panel switch.
bool showNewVersionLabel(const ProductNews& news);

// A click on the new-version offer: with an update address, asks. True on
// Yes: the caller opens news.updateAddress and ends the program.
bool offerUpdate(const ProductNews& news, MessageBoxes& boxes);

// Fetches the notice; only a successful fetch replaces the stored text (an
// empty file empties it). True when it was replaced.
QCoro::Task<bool> fetchNotice(ProductNews& news, QString address, NetTimeouts timeouts = {});
// The notice button is shown when there is a notice to read.
bool showNoticeButton(const ProductNews& news);
// A click on the notice button: the whole notice, lines and all.
void showNotice(const ProductNews& news, MessageBoxes& boxes);

} // namespace zelvane
