// Saves the watch list, records a session of a hundred checks into the
// history, saves both city files and the settings, again and again with the
// program's own functions, every round's texts carrying the round's number,
// until it is killed. test_kill_soak starts and kills it.
// Usage: kill_soak_child DATA_FOLDER
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "startup/Startup.h"
#include "SoakRound.h"
#include "itineraries/WatchListFile.h"

#include <QCoreApplication>
#include <cstdio>
#include <sys/stat.h>

using namespace zelvane;
using namespace zelvane::test;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    umask(022); // the usual mask: anything private must be made so on purpose
    const QString folder = QString::fromLocal8Bit(argv[1]);
    NativeSettingsArea area;
    ProgramData state(area, SystemClock::instance(), folder, folder);
    // Go on from what the last run left, through the program's own loading.
    state.watchList.load();
    state.settings.load();
    state.history.open(folder, QDateTime::currentDateTime());
    int round = state.watchList.at(1).origin.name.section(QLatin1Char(' '), 1, 1).toInt();
    // The kill is timed from here: a slow start (a sanitizer build) is no round.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;) {
        ++round;
        state.watchList.clear();
        for (const QString& line : soakItineraries(round))
            state.watchList.add(readItineraryLine(line).itinerary);
        state.watchList.save();
        QList<CheckRecord> checks = soakChecks(round);
        state.history.recordSession(QDateTime::currentDateTime(), true, checks);
        state.cities.webNames = soakNames(round);
        state.cities.webCodes = soakCodes(round);
        state.cities.saveCityNames();
        state.cities.saveCityCodes();
        state.settings.member.change([round](Member& m) {
            m.number = round;
            m.surname = soakTag(round);
        });
        QCoreApplication::processEvents(); // the change is saved as the event loop turns
    }
}
