#pragma once

#include "app/modMain.h"

#include <memory>

namespace zelvane {

class frmmain;
class frmmenu;

// Owns the two windows of the run. The main window is made the first time
// anything needs it and then stays loaded, shown or hidden.
class AppWindows final : public StartupWindows {
public:
    explicit AppWindows(modMain& state);
    ~AppWindows() override;

    void showFirstRun() override;
    void loadTrayWindow() override;

    frmmain& mainWindow();
    void showMainWindow();

private:
    modMain& state_;
    std::unique_ptr<frmmain> main_;
    std::unique_ptr<frmmenu> menu_;
};

} // namespace zelvane
