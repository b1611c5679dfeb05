// The tray side of the program on an offscreen display: the icon and its
// menu, the schedule on the tray window, the pop-ups and the about window.
#include "app/AutoStart.h"
#include "app/Clock.h"
#include "ui/ShowWebPage.h"
#include "app/MemberDetails.h"
#include "engine/CityUpdate.h"
#include "itineraries/WatchListFile.h"
#include "net/VersionCheck.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "notify/AlertSender.h"
#include "notify/PopupGeometry.h"
#include "support/CheckedDays.h"
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"
#include "ui/AppWindows.h"
#include "ui/Skin.h"
#include "ui/AboutWindow.h"
#include "ui/SeatPopup.h"
#include "ui/MainWindow.h"
#include "ui/TrayBlink.h"
#include "ui/TrayMenu.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelvane;
using namespace zelvane::test;

Q_DECLARE_METATYPE(zelvane::Announcement)

namespace {

// One run's state and windows, with a tray the test says is there.
struct Rig {
    explicit Rig(bool stored = true, const QString& folder = {})
        : data(folder.isEmpty() ? freshFolder("data") : folder)
    {
        if (stored) {
            area.values = {{"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"},
                           {"Mail", "j.smith@example.com"}, {"TimeIndex", "1"}, {"TimeHou", "24"},
                           {"Autostartup", "0"}};
        }
        state.settings.load();
    }
    ~Rig()
    {
        // The tray's version check must have come back before its state goes,
        // and so must a session the schedule started; going on would free what
        // they still use.
        if (windows.trayWindow()
            && !QTest::qWaitFor([this] { return windows.scheduler().scheduleTimer.isActive(); }, 5000))
            qFatal("the tray's version check did not come back");
        if (windows.mainWindowMade()
            && !QTest::qWaitFor([this] { return !windows.mainWindow().engine().running(); }, 30000))
            qFatal("the check session did not end");
    }
    TrayMenu& tray()
    {
        windows.loadTrayWindow();
        return *windows.trayWindow();
    }
    QWidget* child(const char* name) { return windows.mainWindow().findChild<QWidget*>(name); }

    MemorySettingsArea area;
    QString data;
    ProgramData state{area, SystemClock::instance(), data, data};
    ProductNews news;
    RecordingMessageBoxes boxes;
    RecordingDialogs dialogs;
    SetDesktop desktop; // with a tray
    AppWindows windows{state.parts, news, boxes, dialogs, desktop};
};

// A return journey for two from Sydney, Newcastle or Canberra to Melbourne,
// three days either side each way, as a check announces it: seats out of
// each city on some days, and back on two.
Announcement threeOriginReturnTrip()
{
    const Itinerary trip = readItineraryLine("Sydney;Melbourne;15/06/2027;Morning;SYD;MEL;Business;2;3;3;27/06/2027;3;3;;"
                                             "Newcastle/NTL|Canberra/CBR")
                               .itinerary;
    return seatAnnouncement(trip, checkedFromEveryOrigin(trip));
}

void click(QWidget* w, QPoint at = {})
{
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
}

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Nothing here may reach a real site: both addresses refuse at once.
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:9");
        qputenv("ZELVANE_AIRLINE_URL", "https://127.0.0.1:9");
        qputenv("ZELVANE_TIME_SCALE", "0.001");
    }
    void init() { freshHome(); }

    void trayIconActivation_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("statusNotifier");
        QTest::addColumn<bool>("mainShown");
        QTest::addColumn<bool>("menuShown");
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false << true << false;
        QTest::newRow("context") << int(QSystemTrayIcon::Context) << false << false << true;
        QTest::newRow("single click, XEmbed tray") << int(QSystemTrayIcon::Trigger) << false << false << false;
        // A StatusNotifier host never reports a double click.
        QTest::newRow("click, StatusNotifier tray") << int(QSystemTrayIcon::Trigger) << true << true << false;
        QTest::newRow("context, StatusNotifier tray") << int(QSystemTrayIcon::Context) << true << false << true;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << true << false << false;
    }
    void trayIconActivation()
    {
        QFETCH(int, reason);
        QFETCH(bool, statusNotifier);
        QFETCH(bool, mainShown);
        QFETCH(bool, menuShown);
        Rig rig;
        rig.desktop.statusNotifier = statusNotifier;
        TrayMenu& menu = rig.tray();
        QVERIFY(menu.tray()->isVisible());
        QVERIFY(!menu.isVisible());
        emit menu.tray()->activated(QSystemTrayIcon::ActivationReason(reason));
        // A double click makes the main window when there is none yet.
        QCOMPARE(rig.windows.mainWindowMade() && rig.windows.mainWindow().isVisible(), mainShown);
        QCOMPARE(menu.isVisible(), menuShown);
        if (menuShown) {
            QScreen* s = QGuiApplication::primaryScreen();
            QVERIFY(s->availableGeometry().contains(menu.frameGeometry()));
            for (const char* item : {"menuHeading", "settingsItem", "resultsItem", "exitItem"})
                QVERIFY(menu.findChild<QLabel*>(item)->isVisible());
        }
    }

    void menuItemsChoosePanels_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("panel");
        QTest::newRow("Settings") << "settingsItem" << "memberPanel";
        QTest::newRow("Show Results") << "resultsItem" << "resultsPanel";
    }
    void menuItemsChoosePanels()
    {
        QFETCH(QString, item);
        QFETCH(QString, panel);
        Rig rig;
        TrayMenu& menu = rig.tray();
        // The other item first: what it showed must not stay over this panel.
        for (const QString& choice : {item == "resultsItem" ? QString("settingsItem") : QString("resultsItem"), item}) {
            menu.onActivate();
            click(menu.findChild<QLabel*>(choice));
        }
        QVERIFY(!menu.isVisible());
        MainWindow& main = rig.windows.mainWindow();
        QVERIFY(main.isVisible());
        for (const char* p : {"memberPanel", "itineraryPanel", "resultsPanel"})
            QCOMPARE(rig.child(p)->isVisible(), panel == QLatin1String(p));
        for (const char* part : {"resultsHint", "seatsLegendPicture", "noSeatsLegendPicture", "notCheckedLegendPicture", "seatsLegend", "noSeatsLegend", "notCheckedLegend"})
            QCOMPARE(rig.child(part)->isVisible(), panel == "resultsPanel");
        // The bar under the tabs marks the panel in view, and only that one.
        const QImage shown = main.grab().toImage();
        const auto marker = [&](const char* tab) {
            const QRect r = rig.child(tab)->geometry();
            return shown.pixel(r.center().x(), r.bottom() + 5);
        };
        const char* marked = panel == "memberPanel" ? "memberTabButton" : "resultsTabButton";
        const char* other = panel == "memberPanel" ? "resultsTabButton" : "memberTabButton";
        QVERIFY(marker(marked) != marker("itineraryTabButton"));
        QCOMPARE(marker(other), marker("itineraryTabButton"));
    }

    void menuHidesOnItsTitleAndHighlightsTheItemUnderThePointer()
    {
        Rig rig;
        TrayMenu& menu = rig.tray();
        menu.onActivate();
        auto* result = menu.findChild<QLabel*>("resultsItem");
        auto* exit = menu.findChild<QLabel*>("exitItem");
        QTest::mouseMove(result);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), result->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(result, &move);
        QVERIFY(result->palette().color(QPalette::Window) != kMenuItemColour);
        QCOMPARE(exit->palette().color(QPalette::Window), kMenuItemColour);
        QMouseEvent overTitle(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                              Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(menu.findChild<QLabel*>("menuHeading"), &overTitle);
        QVERIFY(!menu.isVisible());
    }

    void exitSavesTheSettingsAndEnds()
    {
        const pid_t child = fork();
        if (child == 0) {
            NativeSettingsArea area;
            ProgramData state(area, SystemClock::instance(), "/p", freshFolder("exit"));
            ProductNews news;
            RecordingMessageBoxes boxes;
            RecordingDialogs dialogs;
            SetDesktop desktop;
            AppWindows windows(state.parts, news, boxes, dialogs, desktop);
            windows.loadTrayWindow();
            state.settings.member.change([&](Member& m) { m.surname = "Leaving"; });
            windows.trayWindow()->onActivate();
            QTest::mouseClick(windows.trayWindow()->findChild<QLabel*>("exitItem"), Qt::LeftButton);
            _exit(3); // not reached when the item ends the program
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf")
                    .contains("LastName=Leaving"));
    }

    void tooltipAndIconFollowTheMainWindow()
    {
        Rig rig;
        TrayMenu& menu = rig.tray();
        QCOMPARE(menu.tray()->toolTip(), QString());
        MainWindow& main = rig.windows.mainWindow();
        QCOMPARE(menu.tray()->toolTip(), QString());
        emit main.windowActivated();
        QCOMPARE(menu.tray()->toolTip(), QString("ZelvaneEnabled"));
        // Each picture of the blink reaches the tray, also from a window never
        // shown, until the window is seen.
        rig.windows.blink().start();
        QTRY_COMPARE(menu.tray()->icon().cacheKey(), listPicture(kBlinkPictureB).cacheKey());
        QTRY_COMPARE(menu.tray()->icon().cacheKey(), listPicture(kBlinkPictureA).cacheKey());
        emit main.windowActivated();
        QVERIFY(!rig.windows.blink().blinking());
        QCOMPARE(menu.tray()->icon().cacheKey(), listPicture(kBlinkPictureA).cacheKey());
    }

    // A push an earlier run could not deliver is tried as soon as the tray
    // program starts, and the tooltip says it still waits, and why.
    void aWaitingAlertIsTriedAtStartAndToldInTheTooltip()
    {
        LocalHttpServer push;
        push.answer.status = 503;
        QVERIFY(push.start());
        Rig rig;
        rig.area.values.insert("PushUrl", push.base() + "/seats");
        {
            Outbox earlier;
            QVERIFY(earlier.open(rig.data));
            earlier.add(pushEntry(OutboxEntry::Topic::Seats, {"Seats found", "Sydney → London", "default", ""}),
                        QDateTime::currentDateTime());
        }
        QCOMPARE(startUp(rig.state.parts, {"--test"}, rig.boxes, rig.windows), StartResult::Running);
        TrayMenu& menu = *rig.windows.trayWindow();
        QTRY_COMPARE(menu.tray()->toolTip(), QString("1 alert waiting to be sent: the push server answered HTTP 503"));
        QCOMPARE(push.requests.size(), 1);
    }

    // A refused login shows the warning picture and says why, over the
    // blink, until a login gets through.
    void refusedLoginWarnsInTheTrayUntilALoginSucceeds()
    {
        Rig rig;
        TrayMenu& menu = rig.tray();
        MainWindow& main = rig.windows.mainWindow();
        CheckEngine& engine = rig.windows.checkRig().engine();
        emit main.windowActivated();
        emit engine.loginTroubleChanged(true);
        QCOMPARE(menu.tray()->toolTip(), QString("Login failed — check your details"));
        QCOMPARE(menu.tray()->icon().cacheKey(), loginTroubleIcon().cacheKey());
        rig.windows.blink().start();
        QTRY_COMPARE(rig.windows.blink().picture(), int(kBlinkPictureB));
        QCOMPARE(menu.tray()->icon().cacheKey(), loginTroubleIcon().cacheKey());
        emit engine.loginTroubleChanged(false);
        QCOMPARE(menu.tray()->toolTip(), QString("ZelvaneEnabled"));
        // Back to the picture the blink last set.
        QCOMPARE(menu.tray()->icon().cacheKey(), listPicture(rig.windows.blink().picture()).cacheKey());
    }

    void newVersionReachesTheMainWindow_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("window open while the tray checks") << true;
        QTest::newRow("window opened after the check") << false;
    }
    void newVersionReachesTheMainWindow()
    {
        QFETCH(bool, openBefore);
        SiteSim site("{\"site\": {\"version\": \"9.9,http://www.zelvane.example/get\"}}", false);
        QVERIFY(site.start());
        qputenv("ZELVANE_SITE_URL", site.baseUrl().toUtf8());
        Rig rig;
        if (openBefore)
            rig.windows.showMainWindow();
        rig.tray();
        // The schedule starts once the version check has come back.
        QTRY_VERIFY(rig.windows.scheduler().scheduleTimer.isActive());
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:9");
        // Nothing is brought up for the news: the window shows it when it is opened.
        QCOMPARE(rig.windows.mainWindowMade(), openBefore);
        rig.windows.showMainWindow();
        QVERIFY(rig.child("newVersionLabel")->isVisible());
        QCOMPARE(rig.news.updateAddress, QString("http://www.zelvane.example/get"));
    }

    // A day the airline searches, whenever the test runs.
    static QString soon() { return QDate::currentDate().addDays(30).toString("dd/MM/yyyy"); }
    void scheduleRunsOnTheTrayWindow_data()
    {
        QTest::addColumn<QByteArray>("watchList");
        QTest::addColumn<bool>("sessionStarted");
        QTest::newRow("empty watch list") << QByteArray() << false;
        QTest::newRow("one itinerary")
            << "Sydney;Melbourne;" + soon().toUtf8() + ";Morning;SYD;MEL\r\n" << true;
    }
    void scheduleRunsOnTheTrayWindow()
    {
        QFETCH(QByteArray, watchList);
        QFETCH(bool, sessionStarted);
        // The airline's site, where the itinerary has seats.
        SiteSim airline("{\"available\": [{\"from\": \"SYD\", \"to\": \"MEL\", \"date\": \"" + soon() + "\"}]}", false);
        QVERIFY(airline.start());
        qputenv("ZELVANE_AIRLINE_URL", airline.baseUrl().toUtf8());
        const auto refused = qScopeGuard([] { qputenv("ZELVANE_AIRLINE_URL", "https://127.0.0.1:9"); });
        Rig rig;
        writeFile(rig.data + "/Query.txt", watchList);
        rig.state.watchList.load();
        rig.tray();
        // The version check fails at once here; the schedule starts after it.
        QTRY_VERIFY(rig.windows.scheduler().scheduleTimer.isActive());
        QTRY_VERIFY(rig.windows.scheduler().lastCheckTime.has_value());
        QCOMPARE(rig.windows.mainWindowMade(), sessionStarted);
        if (!sessionStarted)
            return;
        MainWindow& main = rig.windows.mainWindow();
        QVERIFY(!main.isVisible()); // made hidden for the session
        QTRY_VERIFY(!main.status().isEmpty()); // the session is reporting
        // The engine's give-up arms the retry on the tray window; a good login stops it.
        emit main.engine().loginLockoutChanged(true);
        QVERIFY(rig.windows.scheduler().lockoutRetryTimer.isActive());
        emit main.engine().loginLockoutChanged(false);
        QVERIFY(!rig.windows.scheduler().lockoutRetryTimer.isActive());
        // Opened after the check, the window shows what the check last said,
        // on the results it brought forward.
        QTRY_VERIFY_WITH_TIMEOUT(!main.engine().running(), 30000);
        QCOMPARE(main.results().index(0, 0).data(ResultsViewModel::kAvailabilityRole).toInt(),
                 int(Availability::Seats));
        const QString last = main.status();
        rig.windows.showMainWindow();
        // Whole, or shortened with the whole of it as the tooltip.
        const auto* status = main.findChild<QLabel*>("statusLabel");
        QVERIFY2(status->text() == last || status->toolTip() == last.trimmed(), qPrintable(status->text()));
        QVERIFY(rig.child("resultsPanel")->isVisible());
    }

    // A check on a full data folder keeps its alerts in memory, tries them
    // from there, and the tray says so: in the window's status and the tooltip.
    void aFullDataFolderIsToldInTheTray()
    {
        SmallDisk disk(4 << 20);
        if (disk.path().isEmpty()) {
            noteMissingTool("root to mount a tmpfs");
            QSKIP("a tmpfs cannot be mounted here");
        }
        LocalHttpServer push;
        push.answer.status = 503;
        QVERIFY(push.start());
        SiteSim airline("{\"available\": [{\"from\": \"SYD\", \"to\": \"MEL\", \"date\": \"" + soon() + "\"}]}", false);
        QVERIFY(airline.start());
        qputenv("ZELVANE_AIRLINE_URL", airline.baseUrl().toUtf8());
        const auto refused = qScopeGuard([] { qputenv("ZELVANE_AIRLINE_URL", "https://127.0.0.1:9"); });
        Rig rig(true, disk.path());
        rig.area.values.insert("PushUrl", push.base() + "/seats");
        writeFile(rig.data + "/Query.txt", "Sydney;Melbourne;" + soon().toUtf8() + ";Morning;SYD;MEL\r\n");
        QVERIFY(disk.fill());
        QCOMPARE(startUp(rig.state.parts, {"--test"}, rig.boxes, rig.windows), StartResult::Running);
        TrayMenu& menu = *rig.windows.trayWindow();
        QTRY_VERIFY(rig.windows.scheduler().lastCheckTime.has_value());
        MainWindow& main = rig.windows.mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!main.engine().running(), 30000);
        QTRY_VERIFY(!push.requests.isEmpty());
        QTRY_VERIFY2(menu.tray()->toolTip().contains("kept in memory only: the data folder is full"),
                     qPrintable(menu.tray()->toolTip()));
        QVERIFY2(main.status().contains("the data folder is full"), qPrintable(main.status()));
    }

    // Without a tray the main window and the notice that says so come at
    // once, not after a wait for a panel; a panel that comes up later still
    // gets the icon, and the notice is not given again.
    void startWindows_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("trayAfterMs"); // -1: never
        QTest::addColumn<bool>("mainShown");
        QTest::addColumn<int>("boxes");
        QTest::newRow("later run") << true << 0 << false << 0;
        QTest::newRow("first run") << false << 0 << true << 0;
        QTest::newRow("tray comes late") << true << 150 << true << 1;
        QTest::newRow("no tray") << true << -1 << true << 1;
        QTest::newRow("no tray, first run") << false << -1 << true << 1;
    }
    void startWindows()
    {
        QFETCH(bool, stored);
        QFETCH(int, trayAfterMs);
        QFETCH(bool, mainShown);
        QFETCH(int, boxes);
        Rig rig(stored);
        QElapsedTimer since;
        since.start();
        rig.desktop.tray = trayAfterMs == 0;
        QObject trayComes; // the tray comes up late, once
        if (trayAfterMs > 0)
            QTimer::singleShot(trayAfterMs, &trayComes, [&rig] { rig.desktop.tray = true; });
        rig.windows.trayPollMs = 20;
        QCOMPARE(startUp(rig.state.parts, {"--test"}, rig.boxes, rig.windows), StartResult::Running);
        QVERIFY(rig.windows.trayWindow());
        QCOMPARE(rig.windows.mainWindowMade() && rig.windows.mainWindow().isVisible(), mainShown);
        QTRY_COMPARE(rig.boxes.shown.size(), boxes);
        if (boxes)
            QCOMPARE(rig.boxes.shown[0].text, kNoTrayText);
        if (trayAfterMs >= 0)
            QTRY_VERIFY(rig.windows.trayShown());
        // The look for a tray goes on meanwhile, and tells nothing again.
        const qint64 looked = since.elapsed();
        QTRY_VERIFY(since.elapsed() > looked + 10 * rig.windows.trayPollMs);
        QCOMPARE(rig.boxes.shown.size(), boxes);
        QCOMPARE(rig.windows.trayShown(), trayAfterMs >= 0);
        if (!stored) {
            QVERIFY(rig.child("memberPanel")->isVisible());
            QVERIFY(!rig.child("itineraryTabButton")->isEnabled());
            QVERIFY(!rig.child("resultsTabButton")->isEnabled());
            QVERIFY(!rig.child("checkNowButton")->isEnabled());
            QCOMPARE(rig.windows.mainWindow().status(), kFirstRunHint);
        }
    }

    // Without a tray the window is the only way in: "–" leaves it on the task
    // bar, and closing it ends the program as the close button does.
    void withoutATrayTheWindowIsNeverLost_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void withoutATrayTheWindowIsNeverLost()
    {
        QFETCH(bool, tray);
        Rig rig;
        rig.desktop.tray = tray;
        rig.tray();
        rig.windows.showMainWindow();
        MainWindow& main = rig.windows.mainWindow();
        // The tray program's answers, but an end that is only counted.
        struct CountedEnd final : MainWindowHost {
            AppWindows& windows;
            int ended = 0;
            explicit CountedEnd(AppWindows& w) : windows(w) {}
            void endProgram() override { ++ended; }
            void openPage(const QString&) override {}
            bool trayShown() const override { return windows.trayShown(); }
            void openAbout() override {}
            QCoro::Task<> checkVersion() override { co_return; }
        } host(rig.windows);
        main.setHost(&host);
        click(rig.child("minimizeButton"));
        QCOMPARE(main.isHidden(), tray);
        QCOMPARE(main.isMinimized(), !tray);
        // Hidden in the tray it holds no native window nor picture of itself,
        // and comes back whole, shape included.
        QCOMPARE(main.windowHandle() == nullptr, tray);
        rig.windows.showMainWindow();
        QVERIFY(main.isVisible() && !main.isMinimized() && main.windowHandle());
        QVERIFY(!main.mask().isEmpty());
        main.close();
        QCOMPARE(host.ended, tray ? 0 : 1);
    }

    // "test popup" shows a flight that reads as one, marked as a test, and
    // goes by itself: nothing was found, so nothing waits to be seen.
    void testPopupShowsASampleFlightAndGoes()
    {
        Rig rig;
        rig.tray();
        rig.windows.testPopupMs = 200;
        MainWindow& main = rig.windows.mainWindow();
        main.showMemberPanel();
        qobject_cast<QPushButton*>(rig.child("testPopupButton"))->click();
        QPointer<SeatPopup> popup = rig.windows.popup(0);
        QVERIFY(popup && popup->isVisible());
        const QString monthAhead = QDate::currentDate().addMonths(1).toString("dd/MM/yyyy");
        QCOMPARE(popup->findChild<QLabel*>("captionLabel")->text(),
                 "Flight Sydney\r\n To Melbourne\r\n On Date " + monthAhead + " (test)\r\n is Available!");
        QTRY_VERIFY_WITH_TIMEOUT(!popup, 10000);
        QVERIFY(!main.isVisible()); // it asked for no results
    }

    void popupClicks_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("mainState");
        QTest::addColumn<bool>("resultsShown");
        QTest::newRow("message text, main window hidden")
            << "captionLabel" << int(Qt::WindowNoState) << true;
        QTest::newRow("message text, main window minimised")
            << "captionLabel" << int(Qt::WindowMinimized) << true;
        QTest::newRow("Check Results!") << "checkResultsLink" << int(Qt::WindowNoState) << true;
        QTest::newRow("the window itself") << "seatPopup" << int(Qt::WindowNoState) << false;
        QTest::newRow("banner") << "popupPicture" << int(Qt::WindowNoState) << false;
    }
    void popupClicks()
    {
        QFETCH(QString, target);
        QFETCH(int, mainState);
        QFETCH(bool, resultsShown);
        Rig rig;
        rig.tray();
        MainWindow& main = rig.windows.mainWindow();
        main.showMemberPanel();
        if (mainState == Qt::WindowMinimized)
            main.showMinimized();
        rig.windows.announce({"Sydney", "Melbourne", "25/12/2026"});
        QPointer<SeatPopup> popup = rig.windows.popup(0);
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(popup->findChild<QLabel*>("captionLabel")->text(),
                 QString("Flight Sydney\r\n To Melbourne\r\n On Date 25/12/2026\r\n is Available!"));
        QTRY_VERIFY(!popup->growTimer.isActive() && !popup->slideTimer.isActive());
        QWidget* w = target == "seatPopup" ? popup.data() : popup->findChild<QWidget*>(target);
        // The window itself is clicked where none of its labels is.
        click(w, target == "seatPopup" ? QPoint(4, popup->height() / 2) : QPoint());
        if (target == "popupPicture") {
            QVERIFY(popup);
            QVERIFY(popup->isVisible());
            return;
        }
        QTRY_VERIFY(!popup);
        QCOMPARE(main.isVisible() && !main.isMinimized(), resultsShown);
        QCOMPARE(rig.child("resultsPanel")->isVisibleTo(&main), resultsShown);
    }

    // However many days had seats, the whole caption is in the pop-up, in a
    // smaller font if need be; one that fits keeps the designed one.
    void popupCaptionFitsItsLabel_data()
    {
        QTest::addColumn<Announcement>("announcement");
        QTest::addColumn<bool>("designedFont");
        QTest::newRow("one date") << Announcement{"Sydney", "Melbourne", "25/12/2026"} << true;
        QTest::newRow("two adults in Business")
            << Announcement{"Sydney", "Melbourne", "25/12/2026", false, "2 adults, Business"} << true;
        QTest::newRow("the seats counted, any cabin")
            << Announcement{"Sydney", "Melbourne", "25/12/2026", false, "9 adults or fewer",
                            "Economy: 4 seats, Business: 2 seats, First: 1 seat"}
            << false;
        QTest::newRow("five days of a week, nine adults in Business")
            << Announcement{"Sydney", "Melbourne",
                            "Wed 03/02/2027, Thu 04/02/2027, Sat 06/02/2027, Mon 08/02/2027, Tue 09/02/2027", true,
                            "9 adults, Business"}
            << false;
        // Too long to read whole at the desktop's font size: the first days
        // with seats and how many more.
        QTest::newRow("a return trip from three origins") << threeOriginReturnTrip() << false;
    }
    void popupCaptionFitsItsLabel()
    {
        QFETCH(Announcement, announcement);
        QFETCH(bool, designedFont);
        Rig rig;
        rig.tray();
        rig.windows.announce(announcement);
        SeatPopup* popup = rig.windows.popup(0);
        auto* caption = popup->findChild<QLabel*>("captionLabel");
        // The whole caption, or its first days with seats and how many more.
        const QString shown = caption->text().replace(QChar::Nbsp, ' ');
        QStringList captions{reminderCaption(announcement).value_or("")};
        for (int days = 0; days <= announcement.days.size(); ++days)
            captions << reminderCaption(announcement, days).value_or("");
        QVERIFY2(captions.contains(shown), qPrintable(shown));
        QVERIFY(shown.startsWith("Flight " + announcement.origin) && shown.contains("is Available!"));
        const int needed = caption->heightForWidth(caption->width());
        QVERIFY(needed <= caption->height());
        // Its last line stays above the letters of "Check Results!".
        const auto* heading = popup->findChild<QLabel*>("checkResultsLink");
        const QFontMetrics c(caption->font(), caption), h(heading->font(), heading);
        QVERIFY(caption->y() + (caption->height() + needed) / 2 - c.descent()
                <= heading->y() + (heading->height() - h.height()) / 2 + h.ascent() - h.capHeight());
        QCOMPARE(caption->font().pointSizeF() == 12, designedFont);
        // Never smaller than the rest of the desktop's text.
        QVERIFY2(caption->font().pointSizeF() >= std::min(12.0, QApplication::font().pointSizeF()),
                 qPrintable(QString::number(caption->font().pointSizeF())));
        popup->close();
    }

    // However many flights have seats, no pop-up hides another: they stack
    // from the bottom as far as the work area goes, the last place tells how
    // many more wait, each of those takes the next place that frees, and a
    // click there shows the results. Every flight is told.
    void popupsNeverHideOneAnother()
    {
        Rig rig;
        rig.tray();
        MainWindow& main = rig.windows.mainWindow();
        main.showMemberPanel();
        const int flights = 7;
        for (int n = 1; n <= flights; ++n)
            rig.windows.announce({"Perth", "Darwin", QString("0%1/01/2027").arg(n)});
        const auto resting = [&rig] {
            QList<SeatPopup*> all;
            for (int place = 0; rig.windows.popup(place); ++place)
                all << rig.windows.popup(place);
            return all;
        };
        const auto settled = [&] {
            const auto all = resting();
            return std::all_of(all.begin(), all.end(),
                               [](SeatPopup* p) { return !p->growTimer.isActive() && !p->slideTimer.isActive(); });
        };
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        // What the pop-ups say: the flights on show, and how many more wait.
        const auto told = [&] {
            QStringList dates;
            int more = 0;
            for (SeatPopup* p : resting()) {
                const QString caption = p->findChild<QLabel*>("captionLabel")->text();
                const auto m = QRegularExpression("^and (\\d+) more").match(caption);
                if (m.hasMatch())
                    more = m.captured(1).toInt();
                else
                    dates << QRegularExpression("0\\d/01/2027").match(caption).captured();
            }
            return std::pair{dates, more};
        };
        QTRY_VERIFY(settled());
        const QList<SeatPopup*> first = resting();
        QVERIFY(first.size() >= 2);
        for (int i = 0; i < first.size(); ++i) {
            QVERIFY(area.contains(first[i]->geometry()));
            for (int j = 0; j < i; ++j)
                QVERIFY(!first[i]->geometry().intersects(first[j]->geometry()));
        }
        auto [dates, more] = told();
        QCOMPARE(dates.size(), first.size() - 1);
        QCOMPARE(dates.first(), QString("01/01/2027"));
        QCOMPARE(dates.size() + more, flights);

        // One closed: the first that waited takes its place.
        QPointer<SeatPopup> second = first[1];
        const QRect secondPlace = second->geometry(); // it is gone once clicked
        click(second, QPoint(4, second->height() / 2));
        QTRY_VERIFY(!second);
        QTRY_VERIFY(rig.windows.popup(1) && settled());
        std::tie(dates, more) = told();
        QCOMPARE(dates[1], QString("0%1/01/2027").arg(first.size()));
        QCOMPARE(dates.size() + more, flights - 1);
        QCOMPARE(rig.windows.popup(1)->geometry(), secondPlace);

        // "Check Results!" on the last place shows them all; its place frees.
        QPointer<SeatPopup> last = rig.windows.popup(int(first.size()) - 1);
        click(last->findChild<QLabel*>("checkResultsLink"));
        QTRY_VERIFY(!last);
        QVERIFY(main.isVisible());
        QVERIFY(rig.child("resultsPanel")->isVisibleTo(&main));
        rig.windows.announce({"Perth", "Darwin", "09/01/2027"});
        QTRY_VERIFY(rig.windows.popup(int(first.size()) - 1));
        QVERIFY(rig.windows.popup(int(first.size()) - 1)->findChild<QLabel*>("captionLabel")->text().contains("09/01/2027"));
    }

    void shapedWindowsLoseOnlyTheirKeyedCorners()
    {
        for (const auto& draw : {std::function<void(QPainter&, const QRect&)>(
                                     [](QPainter& p, const QRect& r) { drawReminderFace(p, r, false); }),
                                 std::function<void(QPainter&, const QRect&)>(
                                     [](QPainter& p, const QRect& r) { drawAboutFace(p, r, false, darkTheme()); })}) {
            const QRegion shape = colourKeyMask(QSize(265, 181), draw);
            QVERIFY(!shape.contains(QPoint(0, 0)));
            QVERIFY(!shape.contains(QPoint(264, 180)));
            QVERIFY(shape.contains(QPoint(132, 90)));
            QVERIFY(shape.contains(QPoint(132, 1)));
        }
    }

    void aboutWindowOpensOnceAndClosesOnThePress()
    {
        Rig rig;
        AboutWindow& about = rig.windows.showAbout();
        QPointer<AboutWindow> first = &about;
        QCOMPARE(about.findChild<QLabel*>("versionLabel")->text(), QString("1.1.0 Qantas Edition"));
        // Said in the words of this desktop, not of another system.
        QCOMPARE(about.findChild<QLabel*>("launchAtLoginLink")->text(), QString("Launch When I Log In"));
        QVERIFY(!about.isModal());
        QCOMPARE(&rig.windows.showAbout(), first.data());
        QTest::mousePress(about.findChild<QLabel*>("closePicture"), Qt::LeftButton);
        QTRY_VERIFY(!first);
        QVERIFY(&rig.windows.showAbout() != nullptr);
    }

    void aboutBoxAndCaptionFlipTheAutostartEntry_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("box") << "launchAtLoginCheck";
        QTest::newRow("caption") << "launchAtLoginLink";
    }
    void aboutBoxAndCaptionFlipTheAutostartEntry()
    {
        QFETCH(QString, control);
        Rig rig;
        AboutWindow& about = rig.windows.showAbout();
        QVERIFY(!QFile::exists(autoStartEntryPath()));
        auto* w = about.findChild<QWidget*>(control);
        click(w);
        QCoreApplication::processEvents(); // saved as the event loop turns
        QVERIFY(QFile::exists(autoStartEntryPath()));
        QCOMPARE(rig.area.values["Autostartup"], QString("1"));
        QVERIFY(about.findChild<QCheckBox*>("launchAtLoginCheck")->isChecked());
        click(w);
        QCoreApplication::processEvents();
        QVERIFY(!QFile::exists(autoStartEntryPath()));
        QCOMPARE(rig.area.values["Autostartup"], QString("0"));
        QCOMPARE(rig.state.settings.start->autoStart, 0);
    }

    void aboutWithAutostartOnWritesTheEntryAgain()
    {
        Rig rig;
        rig.area.values["Autostartup"] = "1";
        rig.state.settings.load();
        AboutWindow& about = rig.windows.showAbout();
        QVERIFY(about.findChild<QCheckBox*>("launchAtLoginCheck")->isChecked());
        QVERIFY(QFile::exists(autoStartEntryPath()));
    }

    void aboutLinksAndUpdates_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("url");
        QTest::newRow("Report A Problem") << "reportProblemLink" << "http://127.0.0.1:9/support.html#contact";
        QTest::newRow("Online Help") << "onlineHelpLink" << "http://127.0.0.1:9/support.html";
        QTest::newRow("Online FAQ") << "onlineFaqLink" << "http://127.0.0.1:9/faq.html";
        QTest::newRow("site") << "webLink" << "http://127.0.0.1:9";
        QTest::newRow("Check For Updates") << "checkForUpdatesLink" << QString();
    }
    void aboutLinksAndUpdates()
    {
        QFETCH(QString, label);
        QFETCH(QString, url);
        Rig rig;
        click(rig.windows.showAbout().findChild<QLabel*>(label));
        QCOMPARE(rig.dialogs.opened, url.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(url)});
        // The main window's update runs, to its end.
        const MainWindow& w = rig.windows.mainWindow();
        QCOMPARE(w.status(), url.isEmpty() ? kCityUpdateOpening : QString());
        QTRY_VERIFY_WITH_TIMEOUT(w.status() != kCityUpdateOpening && !w.status().startsWith("Getting"), 30000);
    }

    void webPagesAreOpenedTrimmed_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("trimmed");
        QTest::addColumn<QString>("url");
        QTest::newRow("blanks around") << "  example.org/faq.html " << "example.org/faq.html"
                                       << "http://example.org/faq.html";
        QTest::newRow("with a scheme") << "https://example.org/" << "https://example.org/"
                                       << "https://example.org/";
        QTest::newRow("empty") << "" << "" << QString();
        QTest::newRow("only blanks") << "    " << "" << QString();
    }
    void webPagesAreOpenedTrimmed()
    {
        QFETCH(QString, address);
        QFETCH(QString, trimmed);
        QFETCH(QString, url);
        RecordingDialogs dialogs;
        showWebPage(address, dialogs);
        QCOMPARE(address, trimmed);
        QCOMPARE(dialogs.opened, url.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(url)});
    }
};

ZELVANE_TEST_MAIN(TestTray)
#include "test_tray.moc"
