#include "startup/Startup.h"

#include "net/Addresses.h"

#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/MessageBoxes.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace zelvane {

namespace {

// What an exit() would save; taken by whichever end comes first, so nothing
// is saved twice.
std::atomic<const ProgramParts*> savedOnExit{nullptr};

void saveAllOnExit()
{
    if (const ProgramParts* parts = savedOnExit.exchange(nullptr))
        endProcessSavingAll(*parts);
}

} // namespace

ProgramData::ProgramData(SettingsArea& area, const Clock& clock, const QString& programFolder,
                         const QString& dataFolder)
    : settings(area, clock, programFolder),
      watchList(dataFolder),
      cities(dataFolder),
      parts{instance,
            settings,
            {settings.member, settings.schedule, {settings.channels, &AlertChannels::announceChangesOnly}, settings.mailPolicy, settings.told, watchList, cities, history, clock,
             announced, keptPages},
            outbox,
            programFolder,
            dataFolder}
{
    announced.setFolder(dataFolder);
    keptPages.setFolder(dataFolder);
}

void useDataFolder(ProgramParts& parts, const QString& folder)
{
    parts.dataFolder = folder;
    parts.data.watchList.setDataFolder(folder);
    parts.data.cities.setDataFolder(folder);
    parts.data.announced.setFolder(folder);
    parts.data.keptPages.setFolder(folder);
}

StartResult startUp(ProgramParts& parts, const QStringList& arguments, MessageBoxes& boxes,
                    StartupWindows& windows)
{
    // Every copy holds the lock when it can, so later starts and the check
    // command see it however it was started; only the own command line
    // decides whether a copy may run without it.
    if (!parts.instance.acquire() && arguments.isEmpty()) {
        // A check ends by itself: this copy starts after it, reading what it wrote.
        if (parts.instance.checkRunning())
            return StartResult::CheckRunning;
        boxes.show(kAlreadyRunning, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return StartResult::AlreadyRunning;
    }
    if (parts.dataFolder.isEmpty())
        useDataFolder(parts, resolveDataFolder(parts.programFolder, userDataFolder()));
    SessionParts& data = parts.data;
    // A value that cannot be read is kept as stored and told when the window
    // is first shown; start-up goes on.
    parts.settings.load();
    data.watchList.load();
    // zelvane-check may change the list while this copy runs.
    data.watchList.followFile();
    data.cities.load();
    // A history that cannot be kept says so later; the program runs on.
    data.history.open(parts.dataFolder, data.clock.now());
    data.announced.load();
    // Alerts that no server took before the last run ended are tried again.
    parts.outbox.open(parts.dataFolder);
    settleTold(parts.outbox, data.announced);
    if (parts.settings.member->missing())
        windows.showFirstRun();
    windows.loadTrayWindow();
    return StartResult::Running;
}

void settleTold(Outbox& outbox, AnnouncedSeats& announced)
{
    // A run ended between its alerts' transaction and announced.json: what
    // they told is in the outbox, and goes to its own file now.
    const QByteArray told = outbox.toldWaiting();
    if (told.isEmpty())
        return;
    announced.loadJson(told);
    if (announced.saveText(told).isEmpty())
        outbox.toldWritten();
}

void endProcess(Settings& settings, HistoryStore& history, SingleInstance* instance)
{
    savedOnExit = nullptr;
    settings.save();
    // Checkpointed and closed: history.sqlite alone then holds every session.
    history.close();
    if (instance)
        instance->release();
    std::_Exit(0);
}

void endProcessSavingAll(const ProgramParts& parts)
{
    savedOnExit = nullptr;
    // Nobody is left to show a window to: the reason goes where the log is.
    if (const FileWrite saved = parts.data.watchList.save(); !saved)
        std::fprintf(stderr, "Zelvane: the watch list could not be saved: %s\n", qPrintable(saved.reason));
    endProcess(parts.settings, parts.data.history, &parts.instance);
}

SaveAllOnExit::SaveAllOnExit(const ProgramParts& parts)
{
    savedOnExit = &parts;
    // Registered once; hooks run in the reverse order of registration, so
    // this one runs before the teardown of anything set up before it.
    [[maybe_unused]] static const bool registered = std::atexit(saveAllOnExit) == 0;
}

SaveAllOnExit::~SaveAllOnExit()
{
    savedOnExit = nullptr;
}

const Clock& programClock()
{
    static const ShiftedClock shifted(simulatedDayShift());
    if (simulatedDayShift() == 0)
        return SystemClock::instance();
    return shifted;
}

} // namespace zelvane
