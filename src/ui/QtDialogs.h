#pragma once

#include "app/Dialogs.h"

class QWidget;

namespace zelvane {

// Real dialogs, and the desktop's own browser.
class QtDialogs final : public Dialogs {
public:
    std::optional<QDate> chooseSnoozeEnd(const QDate& suggested, const QDate& first) override;
    QString chooseExportFile(const QString& suggested) override;
    void openWebPage(const QUrl& url) override;
};

// What a modal box or dialog opens over: the window the user is looking at,
// else the main window when it is up; those of the tray alone sit in the
// middle of the screen.
QWidget* dialogParent();

} // namespace zelvane
