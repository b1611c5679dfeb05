// The executable: joins the logic and the windows.
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "itineraries/modMain.h"
#include "net/TlsLibrary.h"
#include "ui/AppWindows.h"
#include "ui/QtMessageBoxes.h"
#include "ui/Skin.h"

#include <QApplication>

using namespace zelvane;

int main(int argc, char* argv[])
{
    keepTlsLibraryUntilExit();
    // Taken before the toolkit removes its own options: any argument at all counts.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Pop-ups and the tray menu are placed in the screen's corner, which
    // Wayland does not let a program do; XWayland does, unless the user chose.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(kProductTitle);
    QApplication::setWindowIcon(applicationIcon());
    // The tray window is hidden; closing a shown window must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder = QCoreApplication::applicationDirPath();
    QtMessageBoxes boxes;
    NativeSettingsArea area;
    // No data folder yet: start-up settles it after the one-copy rule, so a
    // refused second copy touches no file.
    modMain state(area, SystemClock::instance(), programFolder, QString());
    AppWindows windows(state, boxes);

    if (Main(state, arguments, boxes, windows) == StartResult::AlreadyRunning)
        return 1;
    return app.exec();
}
