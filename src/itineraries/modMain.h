#pragma once

#include "app/SingleInstance.h"
#include "app/Settings.h"
#include "itineraries/CityLists.h"
#include "itineraries/ItineraryStore.h"
#include "history/HistoryStore.h"

#include <QString>
#include <QStringList>

namespace zelvane {

class Clock;
class MessageBoxes;
class SettingsArea;

// The state every window and module shares for the whole run. Main makes one;
// tests make their own. It lives beside the watch list and city lists it holds,
// so the ground floor (src/app) needs nothing above it.
class modMain {
public:
    modMain(SettingsArea& area, const Clock& clock, const QString& programFolder,
            const QString& dataFolder);

    void setDataFolder(const QString& folder);

    const Clock& clock;
    QString programFolder;
    QString dataFolder;
    Settings settings;
    ItineraryStore itineraries;
    CityLists cities;
    HistoryStore history; // opened by start-up in the data folder
    bool idle = false;         // no check session is working through the list
    bool loginLockout = false; // the last session gave up on the login
    bool loginTrouble = false; // the site refused the last login: the tray warns
    bool newVersion = false;   // the version check found a newer release
    QString updateAddress;     // where that release is offered
    QString noticeText;        // the product site's special notice
    SingleInstance instance;
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

enum class StartResult { Running, AlreadyRunning };

inline const QString kAlreadyRunning = QStringLiteral("Application already running");
inline const QString kFillAllRequired = QStringLiteral(" Please Fill All Required Information.");

// The start-up sequence. An empty data folder is settled here, after the
// one-copy rule. Any argument at all lifts the one-copy rule for this copy,
// which still takes the lock when it is free. A refused second copy has read
// nothing and must end at once.
StartResult startUp(modMain& state, const QStringList& arguments, MessageBoxes& boxes,
                 StartupWindows& windows);

// The exits of the program: settings saved, then the process ends at once
// without running any window's unload handling.
[[noreturn]] void endProcess(modMain& state);

// The desktop session ends or the process is told to stop: the settings and
// the watch list are saved, as when the main window is unloaded, and the
// process ends.
[[noreturn]] void endProcessSavingAll(modMain& state);

} // namespace zelvane
