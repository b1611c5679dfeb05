// Pause, resume and snooze of a watch as the user asks for them: the
// itinerary panel's buttons, the results list's menu and a pop-up, each
// writing the watch's line and showing it. Offscreen; controls found by name.
#include "app/Clock.h"
#include "net/VersionCheck.h"
#include "itineraries/WatchListFile.h"
#include "results/ResultsViewModel.h"
#include "results/SeatTexts.h"
#include "startup/Startup.h"
#include "support/CheckedDays.h"
#include "support/TestSupport.h"
#include "ui/AppWindows.h"
#include "ui/DateField.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SystemDesktop.h"
#include "ui/SeatPopup.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QString kTrip = "Sydney;Perth;01/01/2027;Morning;SYD;PER";
// The line with its pause (the twenty-second field) or the last day of its
// snooze (the twenty-third).
QString pausedLine()
{
    return kTrip + QString(16, ';') + "paused";
}
QString snoozedLine(const QDate& until)
{
    return kTrip + QString(17, ';') + until.toString("dd/MM/yyyy");
}

// Chooses `action` in the menu `open` brings up, with the keys a user
// would press; a date asked for is typed as `date`.
void choose(const QString& action, const std::function<void()>& open, const QString& date = {})
{
    QTimer::singleShot(0, [action, date] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QAction* chosen = menu ? menu->findChild<QAction*>(action) : nullptr;
        if (!chosen) {
            if (menu)
                menu->close();
            return;
        }
        if (!date.isEmpty())
            QTimer::singleShot(0, [date] {
                auto* dialog = QApplication::activeModalWidget();
                auto* field = dialog ? dialog->findChild<DateField*>("snoozeDateField") : nullptr;
                if (!field)
                    return;
                field->lineEdit()->clear();
                QTest::keyClicks(field->lineEdit(), date);
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    open();
}

} // namespace

class TestWatchHolds : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        freshHome();
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
    }

    void eachWayWritesTheLine_data()
    {
        const QDate today = SystemClock::instance().now().date();
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("shown");
        QTest::newRow("panel: pause") << kTrip << "pauseButton" << "" << pausedLine() << "paused";
        QTest::newRow("panel: resume") << pausedLine() << "pauseButton" << "" << kTrip << "";
        QTest::newRow("panel: snooze a week")
            << kTrip << "snoozeButton" << "snoozeWeekAction" << snoozedLine(today.addDays(7))
            << "snoozed until " + today.addDays(7).toString("dd/MM/yyyy");
        QTest::newRow("panel: clear the snooze")
            << snoozedLine(today.addDays(3)) << "snoozeButton" << "wakeAction" << kTrip << "";
        QTest::newRow("results menu: pause") << kTrip << "resultsList" << "pauseAction" << pausedLine() << "paused";
        QTest::newRow("results menu: resume") << pausedLine() << "resultsList" << "resumeAction" << kTrip << "";
        QTest::newRow("results menu: snooze a day")
            << kTrip << "resultsList" << "snoozeDayAction" << snoozedLine(today.addDays(1))
            << "snoozed until " + today.addDays(1).toString("dd/MM/yyyy");
        QTest::newRow("results menu: snooze until a date")
            << kTrip << "resultsList" << "snoozeUntilAction" << snoozedLine(QDate(2026, 12, 31))
            << "snoozed until 31/12/2026";
        // The file cannot be replaced: the pause holds while the program
        // runs, and the user is told it was not saved.
        QTest::newRow("panel: pause, the file cannot be written")
            << kTrip << "pauseButton" << "unwritable" << kTrip << "paused";
        QTest::newRow("pop-up: snooze this trip for a week")
            << kTrip << "snoozeWeekLink" << "" << snoozedLine(today.addDays(7))
            << "snoozed until " + today.addDays(7).toString("dd/MM/yyyy");
    }

    void eachWayWritesTheLine()
    {
        QFETCH(QString, start);
        QFETCH(QString, way);
        QFETCH(QString, action);
        QFETCH(QString, written);
        QFETCH(QString, shown);
        MemorySettingsArea area;
        const QString folder = freshFolder("holds");
        writeFile(folder + "/Query.txt", (start + "\r\nPerth;Sydney;05/01/2027;Evening;PER;SYD\r\n").toUtf8());
        ProgramData state{area, SystemClock::instance(), folder, folder};
        state.settings.load();
        state.watchList.load();
        ProductNews news;
        RecordingMessageBoxes boxes;
        QtDialogs dialogs; // "Snooze until…" answered in its own window
        SystemDesktop desktop;
        AppWindows windows{state.parts, news, boxes, dialogs, desktop};
        MainWindow& w = windows.mainWindow();
        w.ensureBuilt();
        auto* list = w.findChild<QTreeWidget*>("itineraryList");
        QVERIFY(list);
        list->setCurrentItem(list->topLevelItem(0));
        const bool unwritable = action == "unwritable";
        if (unwritable) {
            QVERIFY(QFile::remove(folder + "/Query.txt"));
            QVERIFY(QDir(folder).mkdir("Query.txt"));
        }

        if (way == "pauseButton") {
            auto* pause = w.findChild<QPushButton*>("pauseButton");
            QVERIFY(pause && pause->isEnabled());
            pause->click();
        } else if (way == "snoozeButton") {
            auto* snooze = w.findChild<QPushButton*>("snoozeButton");
            QVERIFY(snooze && snooze->isEnabled());
            choose(action, [snooze] { snooze->showMenu(); });
        } else if (way == "resultsList") {
            w.showResultsPanel();
            auto* results = w.findChild<QTreeView*>("resultsList");
            QVERIFY(results);
            QWidget* viewport = results->viewport();
            const QPoint at = results->visualRect(results->model()->index(0, 0)).center();
            choose(action, [viewport, at] {
                QContextMenuEvent e(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
                QApplication::sendEvent(viewport, &e);
            }, "31/12/2026");
        } else {
            ItineraryResult found = checkedDays(state.watchList.at(1).date, "Y");
            windows.announce(seatAnnouncement(state.watchList.at(1), found));
            SeatPopup* popup = windows.popup(0);
            QVERIFY(popup);
            auto* link = popup->findChild<QLabel*>(way);
            QVERIFY2(link && link->isVisible(), "the pop-up offers no snooze");
            QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        }

        if (unwritable) {
            QCOMPARE(boxes.shown.size(), 1);
            QVERIFY2(boxes.shown[0].text.startsWith("The watch list could not be saved: "),
                     qPrintable(boxes.shown[0].text));
        } else {
            QVERIFY(boxes.shown.isEmpty());
            // Only this watch's line changed, and only its hold.
            QCOMPARE(QString::fromUtf8(readFile(folder + "/Query.txt")),
                     written + "\r\nPerth;Sydney;05/01/2027;Evening;PER;SYD\r\n");
        }
        list = w.findChild<QTreeWidget*>("itineraryList");
        QCOMPARE(list->topLevelItem(0)->text(list->columnCount() - 1), shown);
        QCOMPARE(list->topLevelItem(1)->text(list->columnCount() - 1), QString());
        // The results list says the same of it.
        const QAbstractItemModel* rows = w.findChild<QTreeView*>("resultsList")->model();
        QCOMPARE(rows->index(0, ResultsViewModel::kNotCheckedColumn).data().toString(), shown);
    }
};

QTEST_MAIN(TestWatchHolds)
#include "test_watch_holds.moc"
