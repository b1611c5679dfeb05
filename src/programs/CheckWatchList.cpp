// zelvane-check's watch-list commands, answered and printed.
#include "CheckWatchList.h"
#include "CheckConsole.h"

#include "app/Clock.h"
#include "app/DataFolder.h"
#include "engine/SessionSize.h"
#include "itineraries/WatchListCommands.h"
#include "results/WatchJson.h"
#include "startup/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace zelvane::check {

namespace {

int exitFor(WatchListChange::Result result)
{
    switch (result) {
    case WatchListChange::Result::Done: return kExitCompleted;
    case WatchListChange::Result::Full: return kExitListFull;
    case WatchListChange::Result::Dates: return kExitWatchDates;
    case WatchListChange::Result::Route: return kExitWatchRoute;
    case WatchListChange::Result::Searches: return kExitWatchSearches;
    case WatchListChange::Result::NoSuchWatch: return kExitNoSuchWatch;
    case WatchListChange::Result::Busy: return kExitListBusy;
    case WatchListChange::Result::NotWritten: break;
    }
    return kExitListNotWritten;
}

} // namespace

std::optional<int> watchListCommand(const QStringList& args)
{
    static const QStringList commands = {QStringLiteral("--list"), QStringLiteral("--add"), QStringLiteral("--remove"),
                                         QStringLiteral("--pause"), QStringLiteral("--resume")};
    if (args.isEmpty() || !commands.contains(args.first()))
        return std::nullopt;
    const QString command = args.first();
    const bool listing = command == commands[0];
    const bool json = listing && args.size() == 2 && args[1] == QLatin1String("--json");
    bool number = false;
    const int position = args.value(1).toInt(&number);
    const bool usable = listing ? args.size() == 1 || json
                                : args.size() == 2 && (command == commands[1] || (number && position > 0));
    if (!usable) {
        fail(command + (listing ? QStringLiteral(" takes only --json")
                        : command == commands[1] ? QStringLiteral(" takes one watch-list line, in quotes")
                                                  : QStringLiteral(" takes the number --list gives an itinerary"))
             + QStringLiteral("; see --help"));
        return kExitUsage;
    }
    WatchList list(resolveDataFolder(QCoreApplication::applicationDirPath(), userDataFolder()));
    const QDate today = programClock().now().date();
    if (listing) {
        list.load();
        if (json)
            std::fputs(watchListJson(list, nullptr, today).constData(), stdout);
        else
            for (const QString& line : watchListTable(list, today))
                out(line);
        fail(QStringLiteral("%1 in %2: %3")
                 .arg(list.count() == 1 ? QStringLiteral("1 itinerary") : QStringLiteral("%1 itineraries").arg(list.count()),
                      QDir::toNativeSeparators(list.filePath()), sessionSizeText(list.searchesPerCheck())));
        return kExitCompleted;
    }
    const WatchListChange change = command == commands[1] ? addWatch(list, args[1], today)
                                   : command == commands[2] ? removeWatch(list, position)
                                                            : pauseWatch(list, position, command == commands[3]);
    if (change.result == WatchListChange::Result::Done)
        out(change.message);
    else
        fail(change.message);
    return exitFor(change.result);
}

} // namespace zelvane::check
