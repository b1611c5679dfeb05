#include "itineraries/modMain.h"

#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/MessageBoxes.h"

#include <cstdlib>

namespace zelvane {

modMain::modMain(SettingsArea& area, const Clock& clk, const QString& program,
                 const QString& data)
    : clock(clk),
      programFolder(program),
      dataFolder(data),
      settings(area, clk, program),
      itineraries(data),
      cities(data)
{
}

void modMain::setDataFolder(const QString& folder)
{
    dataFolder = folder;
    itineraries.setDataFolder(folder);
    cities.setDataFolder(folder);
}

StartResult startUp(modMain& state, const QStringList& arguments, MessageBoxes& boxes,
                 StartupWindows& windows)
{
    // Every copy holds the lock when it can, so later starts and the check
    // command see it however it was started; only the own command line
    // decides whether a copy may run without it.
    if (!state.instance.acquire() && arguments.isEmpty()) {
        boxes.show(kAlreadyRunning, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return StartResult::AlreadyRunning;
    }
    if (state.dataFolder.isEmpty())
        state.setDataFolder(resolveDataFolder(state.programFolder, userDataFolder()));
    state.settings.load(); // a failed value keeps its default; start-up goes on
    state.itineraries.load();
    state.cities.load();
    // A history that cannot be kept says so later; the program runs on.
    state.history.open(state.dataFolder, state.clock.now());
    if (state.settings.memberDetailsMissing())
        windows.showFirstRun();
    state.idle = true;
    windows.loadTrayWindow();
    return StartResult::Running;
}

void endProcess(modMain& state)
{
    state.settings.save();
    state.instance.release();
    std::_Exit(0);
}

void endProcessSavingAll(modMain& state)
{
    state.itineraries.save();
    endProcess(state);
}

} // namespace zelvane
