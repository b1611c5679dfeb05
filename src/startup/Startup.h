#pragma once

#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "engine/KeptPages.h"
#include "engine/SessionParts.h"
#include "history/HistoryStore.h"
#include "itineraries/CityLists.h"
#include "itineraries/WatchList.h"
#include "notify/Outbox.h"
#include "results/AnnouncedSeats.h"

#include <QString>
#include <QStringList>

namespace zelvane {

class Clock;
class MessageBoxes;
class SettingsArea;

// The long-lived parts of a running program. The entry points make them and
// the window factory hands each window only the ones it uses; nothing else
// sees them together.
// What the last session told, when its run ended before announced.json took
// it from the outbox, goes there now (and into `announced`).
void settleTold(Outbox& outbox, AnnouncedSeats& announced);

struct ProgramParts {
    SingleInstance& instance;
    Settings& settings; // the windows hand each panel its groups
    SessionParts data;
    Outbox& outbox;
    QString programFolder;
    QString dataFolder; // empty until start-up settles it
};

// What one run of a program keeps for its whole life, made by its entry point
// (or a test). It is never handed on whole: each window and the engine get
// the parts they use.
class ProgramData {
public:
    ProgramData(SettingsArea& area, const Clock& clock, const QString& programFolder,
                const QString& dataFolder);
    ProgramData(const ProgramData&) = delete;
    ProgramData& operator=(const ProgramData&) = delete;

    Settings settings;
    WatchList watchList;
    CityLists cities;
    HistoryStore history;
    AnnouncedSeats announced;
    KeptPages keptPages;
    Outbox outbox;
    SingleInstance instance;
    ProgramParts parts; // the members above
};

// What start-up asks of the windows, which live in the widget layer.
class StartupWindows {
public:
    virtual ~StartupWindows() = default;
    // No member details yet: the main window opens at the member details panel.
    virtual void showFirstRun() = 0;
    // The hidden tray window: tray icon, autostart entry, version check, scheduler tick.
    virtual void loadTrayWindow() = 0;
};

// CheckRunning: the check command holds the lock; it ends by itself, and
// start-up may be asked again then. Nothing was read or shown.
enum class StartResult { Running, AlreadyRunning, CheckRunning };

inline const QString kAlreadyRunning = QStringLiteral("Application already running");
inline const QString kWaitingForCheck =
    QStringLiteral("Zelvane waits for zelvane-check to finish its check, then starts");

// Points the watch list and the city lists at the data folder.
void useDataFolder(ProgramParts& parts, const QString& folder);

// The start-up sequence. An empty data folder is settled here, after the
// one-copy rule. Any argument at all lifts the one-copy rule for this copy,
// which still takes the lock when it is free. A refused second copy has read
// nothing and must end at once; a copy that finds a check running has read
// nothing either, and waits for it.
StartResult startUp(ProgramParts& parts, const QStringList& arguments, MessageBoxes& boxes,
                    StartupWindows& windows);

// The exits of the program: settings saved and the history closed, then the
// process ends at once without running any window's unload handling.
[[noreturn]] void endProcess(Settings& settings, HistoryStore& history,
                             SingleInstance* instance = nullptr);

// The desktop session ends or the process is told to stop: the settings and
// the watch list are saved, as when the main window is unloaded, and the
// process ends.
[[noreturn]] void endProcessSavingAll(const ProgramParts& parts);

// Qt's X11 plugin ends the process with exit() when the display goes away.
// While one of these lives, that exit saves everything and ends as
// endProcessSavingAll does. Made once start-up has opened what it saves, and
// gone before those parts are: exit() runs its hook before the library
// state made earlier is torn down.
class SaveAllOnExit {
public:
    explicit SaveAllOnExit(const ProgramParts& parts);
    ~SaveAllOnExit();
    SaveAllOnExit(const SaveAllOnExit&) = delete;
    SaveAllOnExit& operator=(const SaveAllOnExit&) = delete;
};

// The clock a program runs on: the system's, or against a simulated site
// the day its tests chose for today.
const Clock& programClock();

} // namespace zelvane
