#pragma once

#include <QDate>
#include <QString>
#include <QUrl>
#include <optional>

namespace zelvane {

// The windows' other modal questions, and the hand-over of a web page to the
// desktop's browser, beside the message boxes: the windows ask here, the
// program answers with real dialogs, tests answer in advance.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // "Snooze until…": the last quiet day, from `first` on; nothing is a cancel.
    virtual std::optional<QDate> chooseSnoozeEnd(const QDate& suggested, const QDate& first) = 0;
    // "Export history…": the file to write; an empty answer is a cancel.
    virtual QString chooseExportFile(const QString& suggested) = 0;
    virtual void openWebPage(const QUrl& url) = 0;
};

} // namespace zelvane
