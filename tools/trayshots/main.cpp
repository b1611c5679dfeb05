// Puts one of the tray program's own windows on the screen as a user would
// see it, for the screenshots in the documentation:
//   trayshots menu | popups | about
// It runs with whatever profile HOME points at; scripts/screenshots-tray
// gives it a throwaway one. Ends by itself after a few seconds.
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "net/VersionCheck.h"
#include "results/SeatTexts.h"
#include "startup/Startup.h"
#include "ui/AppWindows.h"
#include "ui/AboutWindow.h"
#include "ui/QtDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/SystemDesktop.h"
#include "ui/MainWindow.h"
#include "ui/TrayMenu.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

using namespace zelvane;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString what = app.arguments().value(1);
    NativeSettingsArea area;
    ProgramData state(area, SystemClock::instance(), QString(), QDir::tempPath());
    state.settings.load();
    QtMessageBoxes boxes;
    ProductNews news;
    QtDialogs dialogs;
    SystemDesktop desktop;
    AppWindows windows(state.parts, news, boxes, dialogs, desktop);
    windows.loadTrayWindow();

    QTimer::singleShot(500, &app, [&] {
        if (what == QLatin1String("menu")) {
            windows.trayWindow()->onActivate();
        } else if (what == QLatin1String("popups")) {
            const QList<Announcement> flights = {{"Sydney or Newcastle", "Melbourne",
                                                  "Outbound Sydney → Melbourne: Thu 04/02/2027; Newcastle → Melbourne: "
                                                  "Fri 05/02/2027 · Return Melbourne → Sydney: Sun 14/02/2027",
                                                  true},
                                                 {"Sydney", "Melbourne", "24/12/2027"},
                                                 {"Perth", "Darwin", "03/01/2028"},
                                                 {"Brisbane", "Cairns", "15/02/2028"}};
            for (const Announcement& flight : flights)
                windows.announce(flight);
        } else if (what == QLatin1String("about")) {
            windows.showAbout().move(120, 120);
        }
    });
    QTimer::singleShot(8000, &app, &QCoreApplication::quit);
    return app.exec();
}
