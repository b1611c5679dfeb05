#include "ui/AppWindows.h"

#include "ui/frmmain.h"
#include "ui/frmmenu.h"

namespace zelvane {

AppWindows::AppWindows(modMain& state) : state_(state) {}

AppWindows::~AppWindows() = default;

frmmain& AppWindows::mainWindow()
{
    if (!main_)
        main_ = std::make_unique<frmmain>(state_);
    return *main_;
}

void AppWindows::showMainWindow()
{
    frmmain& w = mainWindow();
    w.show();
    w.raise();
    w.activateWindow();
}

void AppWindows::showFirstRun()
{
    frmmain& w = mainWindow();
    w.openAtMemberDetails();
    w.show();
}

void AppWindows::loadTrayWindow()
{
    if (menu_)
        return;
    menu_ = std::make_unique<frmmenu>(state_, [this] { showMainWindow(); });
    menu_->load();
}

} // namespace zelvane
