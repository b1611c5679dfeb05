// The floor bench_tray sets the tray program beside: a bare Qt tray icon with
// a menu and a one-second timer, nothing more. With --blink its icon also
// switches between two pictures every 100 ms, as the program's does while it
// announces seats.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const auto picture = [](Qt::GlobalColor colour) {
        QPixmap pm(22, 22);
        pm.fill(colour);
        return QIcon(pm);
    };
    const QIcon dark = picture(Qt::darkBlue);
    const QIcon lit = picture(Qt::white);
    QSystemTrayIcon tray(dark);
    QMenu menu;
    menu.addAction(QStringLiteral("Settings"));
    menu.addAction(QStringLiteral("Show Results"));
    menu.addAction(QStringLiteral("Exit"), &app, &QCoreApplication::quit);
    tray.setContextMenu(&menu);
    tray.show();

    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(1000);
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout,
                     [&] { tray.setIcon(tray.icon().cacheKey() == dark.cacheKey() ? lit : dark); });
    if (QCoreApplication::arguments().contains(QStringLiteral("--blink")))
        blink.start(100);
    return app.exec();
}
