// The main window as the user drives it: what a load shows, the panel
// switches, the image buttons, the member details save, the itinerary
// commands, the print and the notice. Offscreen; controls found by name.
#include "WindowRig.h"

#include "app/MemberDetails.h"
#include "app/TextConversions.h"
#include "engine/CheckEngine.h"
#include "engine/Scheduler.h"
#include "itineraries/ItineraryEditing.h"
#include "net/VersionCheck.h"
#include "notify/ResultsPrint.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "ui/DateField.h"
#include "ui/ImageButton.h"
#include "ui/QtMessageBoxes.h"
#include "ui/Skin.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

// A window whose session is working through the list while the user works
// in it: a real session against the simulated site, its first search held
// back long enough to act meanwhile.
struct BusyRig {
    SiteSim sim{R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
                    "searchFaults": {"1": "slow:4000"}, "site": {"alert": null, "version": null}})"};
    std::unique_ptr<WindowRig> rig;
    QCoro::Task<SessionOutcome> session;

    bool start(const QString& name, int itineraries)
    {
        if (!sim.start())
            return false;
        qputenv("ZELVANE_AIRLINE_URL", sim.baseUrl().toUtf8());
        qputenv("ZELVANE_CA_FILE", sim.caFile().toUtf8());
        qputenv("ZELVANE_TIME_SCALE", "0.01");
        rig = std::make_unique<WindowRig>(name, true);
        rig->storeMember();
        rig->watch(itineraries);
        return true;
    }
    // Once the window is open: the session is under way and past its login.
    bool busy()
    {
        session = rig->window->engine().runCheck();
        return QTest::qWaitFor([this] { return !rig->window->engine().idle(); }, 30000);
    }
    bool finish()
    {
        return QTest::qWaitFor([this] { return !rig->window->engine().running(); }, 60000);
    }
    ~BusyRig()
    {
        finish();
        for (const char* var : {"ZELVANE_AIRLINE_URL", "ZELVANE_CA_FILE", "ZELVANE_TIME_SCALE"})
            qunsetenv(var);
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        freshHome();
        // Nothing answers here: the notice fetch of every load fails at once.
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
    }

    void loadShowsStoredDetails_data()
    {
        QTest::addColumn<double>("memberNo");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("shownNo");
        QTest::addColumn<QString>("shownPin");
        QTest::addColumn<bool>("locked");
        QTest::newRow("nothing stored: empty boxes, not 0") << 0.0 << "0" << "" << "" << false;
        QTest::newRow("stored details") << 1234567.0 << "1234" << "1234567" << "1234" << true;
        QTest::newRow("PIN keeps its leading zeros") << 1234567.0 << "0042" << "1234567" << "0042" << true;
        QTest::newRow("a PIN of zeros is a PIN") << 1234567.0 << "0000" << "1234567" << "0000" << true;
    }
    void loadShowsStoredDetails()
    {
        QFETCH(double, memberNo);
        QFETCH(QString, pin);
        QFETCH(QString, shownNo);
        QFETCH(QString, shownPin);
        QFETCH(bool, locked);
        WindowRig rig("load");
        rig.state.settings.member.change([&](Member& m) {
            m.number = memberNo;
            m.setPinText(pin);
        });
        rig.open();
        QCOMPARE(rig.find<QLineEdit>("memberNumberEdit")->text(), shownNo);
        QCOMPARE(rig.find<QLineEdit>("pinEdit")->text(), shownPin);
        QCOMPARE(rig.find<QLineEdit>("pinEdit")->echoMode(), QLineEdit::Password);
        QCOMPARE(!rig.find<QLineEdit>("memberNumberEdit")->isEnabled(), locked);
        // The load ends on the itinerary panel, the destination not yet chosen.
        QVERIFY(!rig.find<QWidget>("itineraryPanel")->isHidden());
        QCOMPARE(rig.find<QComboBox>("originChoice")->currentIndex(), 0);
        QCOMPARE(rig.find<QComboBox>("destinationChoice")->currentIndex(), -1);
        QCOMPARE(rig.find<QComboBox>("timeChoice")->currentText(), QString("Morning"));
        // It shows tomorrow, and its calendar offers the dates the airline searches.
        QCOMPARE(rig.find<DateField>("dateField")->date(), QDate(2026, 12, 9));
        QCOMPARE(rig.find<DateField>("dateField")->calendarWidget()->minimumDate(), QDate(2026, 12, 9));
        QCOMPARE(rig.find<DateField>("dateField")->calendarWidget()->maximumDate(), QDate(2027, 11, 26));
        QVERIFY(rig.boxes.shown.isEmpty());
    }

    void panelSwitching_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("newVersion");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("legend");
        QTest::addColumn<bool>("newVerLabel");
        QTest::newRow("details") << "memberTabButton" << false << "memberPanel" << false << false;
        QTest::newRow("itineraries") << "itineraryTabButton" << false << "itineraryPanel" << false << false;
        QTest::newRow("results") << "resultsTabButton" << false << "resultsPanel" << true << false;
        QTest::newRow("details, new version") << "memberTabButton" << true << "memberPanel" << false << true;
        QTest::newRow("itineraries, new version") << "itineraryTabButton" << true << "itineraryPanel" << false << true;
        // The results switch leaves the label as the load left it.
        QTest::newRow("results, new version") << "resultsTabButton" << true << "resultsPanel" << true << true;
    }
    void panelSwitching()
    {
        QFETCH(QString, panel);
        QFETCH(bool, legend);
        QFETCH(bool, newVersion);
        QFETCH(QString, button);
        QFETCH(bool, newVerLabel);
        WindowRig rig("panels");
        rig.storeMember();
        rig.news.newVersion = newVersion;
        rig.news.updateAddress = "http://www.zelvane.example/get";
        rig.open();
        QCOMPARE(!rig.find<QLabel>("newVersionLabel")->isHidden(), rig.news.newVersion);
        click(rig.find<ImageButton>(button));
        for (const char* p : {"memberPanel", "itineraryPanel", "resultsPanel"})
            QCOMPARE(!rig.find<QWidget>(p)->isHidden(), panel == QLatin1String(p));
        for (const char* l : {"seatsLegendPicture", "noSeatsLegendPicture", "notCheckedLegendPicture", "seatsLegend", "noSeatsLegend", "notCheckedLegend"})
            QCOMPARE(!rig.find<QWidget>(l)->isHidden(), legend);
        QCOMPARE(!rig.find<QLabel>("resultsHint")->isHidden(), legend);
        QCOMPARE(!rig.find<QLabel>("newVersionLabel")->isHidden(), newVerLabel);
        QVERIFY(rig.find<QPushButton>("checkNowKey")->isEnabled());
    }

    // A first run opens on the member details saying what to do first; the
    // schedule, which has no interval yet, does not talk over it each second,
    // and a good save says that it saved.
    void firstRunReachesOnlyTheDetails()
    {
        WindowRig rig("firstrun");
        MainWindow& w = rig.open();
        WindowSessions sessions(w);
        Scheduler schedule(rig.state.settings.schedule, rig.state.watchList, rig.clock, sessions);
        w.openAtMemberDetails();
        QCOMPARE(w.status(), kFirstRunHint);
        QCoro::waitFor(schedule.onScheduleTick());
        QCOMPARE(w.status(), kFirstRunHint);
        QVERIFY(!rig.find<QWidget>("memberPanel")->isHidden());
        QVERIFY(!rig.find<ImageButton>("itineraryTabButton")->isEnabled());
        QVERIFY(!rig.find<ImageButton>("resultsTabButton")->isEnabled());
        // A tab that cannot be used does not look like one that can.
        const auto face = [](QWidget* b) { return b->grab().toImage(); };
        QVERIFY(face(rig.find<ImageButton>("resultsTabButton")) != face(rig.find<ImageButton>("memberTabButton")));
        const QImage dimmed = face(rig.find<ImageButton>("itineraryTabButton"));
        rig.find<ImageButton>("itineraryTabButton")->setEnabled(true);
        QVERIFY(face(rig.find<ImageButton>("itineraryTabButton")) != dimmed);
        rig.find<ImageButton>("itineraryTabButton")->setEnabled(false);
        // Nothing can be checked yet: "Check Now" is dimmed with the tabs, and
        // a press leaves the request to fill the details in.
        QVERIFY(!rig.find<ImageButton>("checkNowButton")->isEnabled());
        QVERIFY(!rig.find<QPushButton>("checkNowKey")->isEnabled());
        click(rig.find<ImageButton>("checkNowButton"));
        QCOMPARE(w.status(), kFirstRunHint);
        // Typing starts in the first box; the keyboard needs no click first.
        w.show();
        QCOMPARE(w.focusWidget(), rig.find<QWidget>("memberNumberEdit"));

        rig.find<QLineEdit>("memberNumberEdit")->setText("1234567");
        rig.find<QLineEdit>("surnameEdit")->setText("Smith");
        rig.find<QLineEdit>("pinEdit")->setText("1234");
        rig.find<QLineEdit>("emailEdit")->setText("smith@example.com");
        rig.find<QComboBox>("intervalChoice")->setCurrentIndex(1);
        click(rig.find<ImageButton>("saveDetailsButton"));
        QVERIFY(rig.boxes.shown.isEmpty());
        QVERIFY(rig.find<ImageButton>("itineraryTabButton")->isEnabled());
        QVERIFY(rig.find<ImageButton>("checkNowButton")->isEnabled());
        QVERIFY(rig.find<QPushButton>("checkNowKey")->isEnabled());
        // The request to fill everything in has been answered.
        QCOMPARE(w.status(), kDetailsSavedAddItinerary);
        QCoro::waitFor(schedule.onScheduleTick());
        QCOMPARE(w.status(), kDetailsSavedAddItinerary);
    }

    void changeFocusesTheFirstEmptyEntry()
    {
        WindowRig rig("focus");
        rig.storeMember();
        rig.state.settings.member.change([](Member& m) { m.email.clear(); });
        MainWindow& w = rig.open();
        w.show();
        w.showMemberPanel();
        click(rig.find<ImageButton>("changeDetailsButton"));
        QCOMPARE(w.focusWidget(), rig.find<QWidget>("emailEdit"));
    }

    void magentaIsAHole()
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.setPixelColor(20, 15, kColourKey);
        picture.setPixelColor(21, 15, QColor(254, 0, 255)); // near the key is not the key
        const QRegion shape = shapeFromPicture(picture);
        QVERIFY(!shape.contains(QPoint(20, 15)));
        QVERIFY(shape.contains(QPoint(21, 15)));
        QVERIFY(shape.contains(QPoint(0, 0)));

        WindowRig rig("shape");
        MainWindow& w = rig.open();
        QVERIFY(!w.mask().contains(QPoint(0, 0)));          // rounded corner cut away
        QVERIFY(w.mask().contains(QPoint(w.width() / 2, w.height() / 2)));
    }

    // Larger, the window gives what it gains to the lists: every control keeps
    // to its edge (l, r, b), the lists grow (g), the forms stay (f), all inside
    // a shape that follows the face as painted. It is never smaller than at first.
    void controlsKeepToTheirEdges_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("size");
        QTest::newRow("a laptop's work area") << QSize(1280, 776) << QSize(1280, 776);
        QTest::newRow("odd sizes") << QSize(901, 613) << QSize(901, 613);
        QTest::newRow("smaller than at first") << QSize(400, 300) << QSize(660, 452);
    }
    void controlsKeepToTheirEdges()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, size);
        const QMap<QString, QString> controls{
            {"memberTabButton", "l"},   {"alertsTabButton", "l"},     {"seatsLegendPicture", "lb"},          {"statusLabel", "lb"},
            {"closeButton", "r"}, {"maximizeButton", "r"},        {"aboutButton", "r"},         {"checkNowButton", "r"},
            {"throttleMinutesLabel", "rb"},   {"lastLoginLabel", "rb"}, {"resultsPanel", "g"}, {"itineraryScroll", "g"},
            {"memberPanel", "f"}, {"alertsPanel", "f"}};
        WindowRig first("edges-first"), rig("edges");
        first.open().show();
        MainWindow& w = rig.open();
        w.show();
        w.resize(asked);
        QCOMPARE(w.size(), size);
        const QSize grown = size - first.window->size();
        for (auto [name, edges] : controls.asKeyValueRange()) {
            const QRect b = first.find<QWidget>(name)->geometry(), a = rig.find<QWidget>(name)->geometry();
            if (edges.contains('l'))
                QCOMPARE(a.left(), b.left());
            if (edges.contains('r'))
                QCOMPARE(a.right(), b.right() + grown.width());
            if (edges.contains('b'))
                QCOMPARE(a.bottom(), b.bottom() + grown.height());
            QCOMPARE(a.size(), edges == "g" ? b.size() + grown : edges == "f" ? b.size() : a.size());
            QVERIFY2(w.mask().contains(a), qPrintable(name));
        }
        QCOMPARE(w.mask(), shapeFromPicture(w.grab().toImage()));
    }

    // Smaller than the itinerary form needs (the least size, or a small
    // screen at a large scale), the form scrolls: no control is squeezed
    // below its height, and one the keyboard reaches comes into view. At the
    // first size it fits whole.
    void theItineraryFormScrollsRatherThanSqueezes_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("least size") << QSize(660, 452) << true;
        QTest::newRow("200 % on a 1920x1080 screen") << QSize(864, 486) << true;
        QTest::newRow("first size") << QSize(940, 620) << false;
    }
    void theItineraryFormScrollsRatherThanSqueezes()
    {
        QFETCH(QSize, size);
        QFETCH(bool, scrolls);
        WindowRig rig("form-scrolls");
        rig.watch(5);
        MainWindow& w = rig.open();
        w.show();
        w.resize(size);
        w.showItineraryPanel();
        auto* area = rig.find<QScrollArea>("itineraryScroll");
        QTRY_COMPARE(area->verticalScrollBar()->isVisible(), scrolls);
        if (!scrolls)
            QVERIFY(!area->horizontalScrollBar()->isVisible());
        for (QWidget* c : rig.find<QWidget>("itineraryPanel")->findChildren<QWidget*>())
            if (c->isVisible() && (qobject_cast<QComboBox*>(c) || qobject_cast<QAbstractSpinBox*>(c)
                                   || qobject_cast<QAbstractButton*>(c) || qobject_cast<ImageButton*>(c)))
                QVERIFY2(c->height() >= c->minimumSizeHint().height(), qPrintable(c->objectName()));
        auto* save = rig.find<QWidget>("addItineraryButton");
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        rig.find<QWidget>("originChoice")->setFocus();
        for (int i = 0; i < 40 && QApplication::focusWidget() && !save->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(save->hasFocus());
        const QRect seen(save->mapTo(area->viewport(), QPoint(0, 0)), save->size());
        QVERIFY2(area->viewport()->rect().contains(seen), qPrintable(QString("Save at %1,%2").arg(seen.x()).arg(seen.y())));
    }

    // Maximised by its button, the window has no holes and keeps the size
    // given by hand to come back to, also when the window manager sizes it to
    // the work area before it says it is maximised. A size left on a larger
    // screen opens cut to this one's.
    void maximisedKeepsTheSizeToComeBackTo()
    {
        WindowRig rig("maximised");
        rig.area.values["WindowSize"] = "3000x2000";
        QVERIFY(rig.state.settings.load().ok());
        MainWindow& w = rig.open();
        w.show();
        const QSize area = w.screen()->availableGeometry().size();
        QCOMPARE(w.size(), area);
        w.resize(720, 480);
        w.resize(area);
        auto* button = rig.find<ImageButton>("maximizeButton");
        for (const QString written : {"720x480 maximised", "720x480"}) {
            click(button);
            QCOMPARE(w.isMaximized(), written.endsWith("maximised"));
            QCOMPARE(button->picture(), w.isMaximized() ? QString("restore:normal") : QString("maximise:normal"));
            QCOMPARE(w.mask() == QRegion(w.rect()), w.isMaximized());
            QVERIFY(rig.state.settings.save().ok());
            QCOMPARE(rig.area.values.value("WindowSize"), written);
        }
    }

    void imageButtonsGoBackByTheirSurface_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("surface");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("hover");
        QTest::addColumn<QString>("after");
        QTest::newRow("tab over background") << "memberTabButton" << "mainWindow" << "1" << "3" << "2";
        QTest::newRow("results tab over background") << "resultsTabButton" << "mainWindow" << "13" << "15" << "14";
        QTest::newRow("close over background") << "closeButton" << "mainWindow" << "22" << "24" << "23";
        QTest::newRow("minimise over background") << "minimizeButton" << "mainWindow" << "25" << "27" << "26";
        QTest::newRow("maximise over background") << "maximizeButton" << "mainWindow" << "maximise:pressed" << "maximise:hover" << "maximise:normal";
        QTest::newRow("check now over background") << "checkNowButton" << "mainWindow" << "checkNow:pressed" << "checkNow:hover" << "checkNow:normal";
        QTest::newRow("help over background") << "aboutButton" << "mainWindow" << "help:pressed" << "help:hover" << "help:normal";
        QTest::newRow("add over its panel") << "addItineraryButton" << "itineraryPanel" << "16" << "18" << "17";
        QTest::newRow("delete over its panel") << "deleteItineraryButton" << "itineraryPanel" << "19" << "21" << "20";
        QTest::newRow("delete all over its panel") << "deleteAllButton" << "itineraryPanel" << "deleteAll:pressed" << "deleteAll:hover" << "deleteAll:normal";
        QTest::newRow("save over its panel") << "saveDetailsButton" << "memberPanel" << "16" << "18" << "17";
        QTest::newRow("change over its panel") << "changeDetailsButton" << "memberPanel" << "change:pressed" << "change:hover" << "change:normal";
        QTest::newRow("save over the other panel stays") << "saveDetailsButton" << "itineraryPanel" << "16" << "18" << "18";
        QTest::newRow("tab over a panel stays") << "itineraryTabButton" << "memberPanel" << "4" << "6" << "6";
        QTest::newRow("the results panel resets nothing") << "memberTabButton" << "resultsPanel" << "1" << "3" << "3";
    }
    void imageButtonsGoBackByTheirSurface()
    {
        QFETCH(QString, button);
        QFETCH(QString, surface);
        QFETCH(QString, pressed);
        QFETCH(QString, hover);
        QFETCH(QString, after);
        WindowRig rig("buttons");
        rig.storeMember();
        rig.open();
        auto* b = rig.find<ImageButton>(button);
        QWidget* over = surface == "mainWindow" ? rig.window.get() : rig.find<QWidget>(surface);
        mouse(b, QEvent::MouseButtonPress, Qt::MiddleButton); // no action on a middle press
        QCOMPARE(b->picture(), pressed);
        mouse(b, QEvent::MouseMove);
        QCOMPARE(b->picture(), hover);
        mouse(over, QEvent::MouseMove);
        QCOMPARE(b->picture(), after);
    }

    void imageButtonReleaseRules_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mouseButton");
        QTest::addColumn<bool>("acts");
        QTest::addColumn<QString>("pictureAfter");
        QTest::newRow("check now, right release") << "checkNowButton" << int(Qt::RightButton) << true << "checkNow:pressed";
        QTest::newRow("delete all, right release") << "deleteAllButton" << int(Qt::RightButton) << true << "deleteAll:pressed";
        QTest::newRow("help, right release") << "aboutButton" << int(Qt::RightButton) << true << "help:pressed";
        QTest::newRow("tab, left click") << "resultsTabButton" << int(Qt::LeftButton) << true << "14";
        QTest::newRow("tab, right click does nothing") << "resultsTabButton" << int(Qt::RightButton) << false << "14";
        QTest::newRow("change, left click") << "changeDetailsButton" << int(Qt::LeftButton) << true << "change:normal";
    }
    void imageButtonReleaseRules()
    {
        QFETCH(QString, button);
        QFETCH(int, mouseButton);
        QFETCH(bool, acts);
        QFETCH(QString, pictureAfter);
        WindowRig rig("release");
        rig.storeMember();
        // Check now with an empty list starts no session, which would still be
        // waiting on the rig's clock when the rig goes.
        if (button != "checkNowButton")
            rig.watch(2);
        rig.open();
        rig.boxes.answers = {MsgAnswer::No};
        auto* b = rig.find<ImageButton>(button);
        QSignalSpy acted(b, &ImageButton::activated);
        rig.find<QTreeWidget>("itineraryList")->setCurrentItem(rig.find<QTreeWidget>("itineraryList")->topLevelItem(0));
        click(b, Qt::MouseButton(mouseButton));
        QCOMPARE(acted.count() == 1, acts);
        QCOMPARE(b->picture(), pictureAfter);
        if (b->objectName() == "aboutButton")
            QCOMPARE(rig.host.abouts, 1);
        if (b->objectName() == "deleteAllButton")
            QCOMPARE(rig.boxes.shown.value(0).title, kDeleteAllItineraries);
    }

    void memberSave_data()
    {
        QTest::addColumn<QString>("memNo");
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("storedNo");
        QTest::addColumn<QString>("storedPin");
        QTest::addColumn<QString>("storedSurname");
        // Stored before each row: 7654321, "Jones", PIN 1111.
        QTest::newRow("all good") << "1234567" << "Smith" << "1234" << "" << "" << 1234567.0 << "1234" << "Smith";
        QTest::newRow("empty member number")
            << "" << "Smith" << "1234" << kFillAllInformation << "Zelvane" << 7654321.0 << "1111" << "Jones";
        QTest::newRow("six-digit PIN changes nothing")
            << "1234567" << "Smith" << "123456" << kPinTooLong << "PIN Invalid" << 7654321.0 << "1111" << "Jones";
        QTest::newRow("PIN with a letter")
            << "1234567" << "Smith" << "12a4" << kPinNotDigits << "PIN Invalid" << 7654321.0 << "1111" << "Jones";
        QTest::newRow("PIN past 16 bits") << "1234567" << "Smith" << "32768" << kPinTooLong << "PIN Invalid" << 7654321.0 << "1111" << "Jones";
        QTest::newRow("largest PIN kept") << "1234567" << "Smith" << "32767" << "" << "" << 1234567.0 << "32767" << "Smith";
        QTest::newRow("PIN of zeros kept") << "1234567" << "Smith" << "0000" << "" << "" << 1234567.0 << "0000" << "Smith";
        QTest::newRow("blanks keep the stored number")
            << "   " << "Smith" << "1234" << "" << "" << 7654321.0 << "1234" << "Smith";
        QTest::newRow("leading zeros kept") << "1234567" << "Smith" << "0042" << "" << "" << 1234567.0 << "0042" << "Smith";
        QTest::newRow("PIN 0123 kept as typed") << "1234567" << "Smith" << "0123" << "" << "" << 1234567.0 << "0123" << "Smith";
        // A PIN is digits only: nothing is rounded, trimmed or read another way.
        for (const char* pin : {"1234.6", "1234.4", "12e3", " 1234", "+123", "0x12", "\uff11\uff12\uff13\uff14"})
            QTest::addRow("PIN \"%s\" refused", pin)
                << "1234567" << "Smith" << QString::fromUtf8(pin) << kPinNotDigits << "PIN Invalid" << 7654321.0 << "1111" << "Jones";
        QTest::newRow("PIN \"99999\" refused")
            << "1234567" << "Smith" << "99999" << kPinTooLong << "PIN Invalid" << 7654321.0 << "1111" << "Jones";
    }
    void memberSave()
    {
        QFETCH(QString, message);
        QFETCH(QString, memNo);
        QFETCH(QString, surname);
        QFETCH(QString, pin);
        QFETCH(QString, title);
        QFETCH(double, storedNo);
        QFETCH(QString, storedPin);
        QFETCH(QString, storedSurname);
        WindowRig rig("save");
        rig.state.settings.member.change([&](Member& m) {
            m.number = 7654321;
            m.surname = "Jones";
            m.setPinText("1111");
            m.email = "jones@example.com";
        });
        rig.state.settings.save();
        rig.open();
        click(rig.find<ImageButton>("changeDetailsButton"));
        QVERIFY(rig.find<QLineEdit>("memberNumberEdit")->isEnabled());
        rig.find<QLineEdit>("memberNumberEdit")->setText(memNo);
        rig.find<QLineEdit>("surnameEdit")->setText(surname);
        rig.find<QLineEdit>("pinEdit")->setText(pin);
        rig.find<QComboBox>("mailChoice")->setCurrentIndex(3); // only when availability changes
        rig.find<QComboBox>("intervalChoice")->setCurrentIndex(1);
        click(rig.find<ImageButton>("saveDetailsButton"));
        QCOMPARE(rig.boxes.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(rig.boxes.shown[0].text, message);
            QCOMPARE(rig.boxes.shown[0].title, title);
            QCOMPARE(rig.boxes.shown[0].icon, MsgIcon::Exclamation);
        }
        // What a save leaves in the settings is what the next save writes.
        rig.state.settings.save();
        QCOMPARE(rig.area.values.value("MemberNo").toDouble(), storedNo);
        QCOMPARE(rig.state.settings.member->pinText(), storedPin);
        QCOMPARE(rig.state.settings.member->surname, storedSurname);
        // A good save locks the entries and opens the other panels; a refused one leaves them open.
        QCOMPARE(rig.find<QLineEdit>("memberNumberEdit")->isEnabled(), !message.isEmpty());
        if (message.isEmpty()) {
            QCOMPARE(*rig.state.settings.mailPolicy, MailPolicy::OnChange);
            QCOMPARE(rig.area.values.value("MailSendType"), QString("3"));
            QVERIFY(!rig.find<QWidget>("memberPanel")->isHidden());
        }
    }

    // Choosing how often to check while the details are half typed asks
    // nothing of them: only Save judges what was typed.
    void intervalChoiceJudgesNoTypedDetail_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("atSave");
        QTest::newRow("PIN half typed with a slip") << "Smith" << "12a" << kPinNotDigits;
        QTest::newRow("surname not typed yet") << "" << "1234" << kFillAllInformation;
    }
    void intervalChoiceJudgesNoTypedDetail()
    {
        QFETCH(QString, surname);
        QFETCH(QString, pin);
        QFETCH(QString, atSave);
        WindowRig rig("halftyped");
        rig.storeMember();
        rig.open();
        click(rig.find<ImageButton>("changeDetailsButton"));
        rig.find<QLineEdit>("surnameEdit")->setText(surname);
        rig.find<QLineEdit>("pinEdit")->setText(pin);
        rig.find<QComboBox>("intervalChoice")->setCurrentIndex(3);
        QCOMPARE(rig.state.settings.schedule->everyHours, 48);
        QVERIFY(rig.boxes.shown.isEmpty() && rig.find<QLineEdit>("pinEdit")->isEnabled());
        QCOMPARE(rig.state.settings.member->pinText(), QString("1234"));
        click(rig.find<ImageButton>("saveDetailsButton"));
        QCOMPARE(rig.boxes.shown.value(0).text, atSave);
    }

    // A PIN of zeros saved once stays saved: the next start shows it and asks
    // for nothing.
    void aPinOfZerosSurvivesTheNextStart_data()
    {
        QTest::addColumn<QString>("pin");
        QTest::newRow("0000") << "0000";
        QTest::newRow("00") << "00";
        QTest::newRow("0") << "0";
    }
    void aPinOfZerosSurvivesTheNextStart()
    {
        QFETCH(QString, pin);
        WindowRig rig("zeros");
        MainWindow& w = rig.open();
        w.openAtMemberDetails();
        rig.find<QLineEdit>("memberNumberEdit")->setText("1234567");
        rig.find<QLineEdit>("surnameEdit")->setText("Smith");
        rig.find<QLineEdit>("pinEdit")->setText(pin);
        rig.find<QLineEdit>("emailEdit")->setText("smith@example.com");
        rig.find<QComboBox>("intervalChoice")->setCurrentIndex(1);
        click(rig.find<ImageButton>("saveDetailsButton"));
        QVERIFY(rig.boxes.shown.isEmpty());

        // The next start reads the stored settings and builds the window again.
        QCoreApplication::processEvents(); // saved as the event loop turns
        rig.state.settings.load();
        QVERIFY(!rig.state.settings.member->missing());
        rig.open();
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxes.shown.value(0).text));
        QCOMPARE(rig.find<QLineEdit>("pinEdit")->text(), pin);
        QVERIFY(rig.find<ImageButton>("itineraryTabButton")->isEnabled());
    }

    void intervalChoiceSetsTheSchedule_data()
    {
        QTest::addColumn<int>("storedHours"); // before the window opens
        QTest::addColumn<int>("chosen");      // interval the user picks; -1 none
        QTest::addColumn<bool>("saveClicked");
        QTest::addColumn<int>("hours");       // the schedule's interval after
        QTest::newRow("12 Hours chosen") << 24 << 0 << false << 12;
        QTest::newRow("24 Hours chosen") << 12 << 1 << false << 24;
        QTest::newRow("48 Hours chosen") << 12 << 3 << false << 48;
        QTest::newRow("12 Hours stored is shown as chosen") << 12 << -1 << false << 12;
        QTest::newRow("12 Hours stored, saved again") << 12 << -1 << true << 12;
        QTest::newRow("36 Hours stored, saved again") << 36 << -1 << true << 36;
    }
    void intervalChoiceSetsTheSchedule()
    {
        QFETCH(int, storedHours);
        QFETCH(int, chosen);
        QFETCH(bool, saveClicked);
        QFETCH(int, hours);
        WindowRig rig("interval");
        rig.storeMember();
        rig.state.settings.schedule.change([&](Schedule& s) { s.everyHours = qint16(storedHours); });
        rig.state.settings.save();
        MainWindow& w = rig.open();
        auto* combo = rig.find<QComboBox>("intervalChoice");
        QCOMPARE(combo->currentText(), QString("%1 Hours").arg(storedHours));
        if (chosen >= 0 || saveClicked)
            click(rig.find<ImageButton>("changeDetailsButton"));
        if (chosen >= 0)
            combo->setCurrentIndex(chosen);
        if (saveClicked)
            click(rig.find<ImageButton>("saveDetailsButton"));
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxes.shown.value(0).text));
        // Locked again only by a save.
        QCOMPARE(!rig.find<QLineEdit>("memberNumberEdit")->isEnabled(), saveClicked || chosen < 0);
        QCoreApplication::processEvents(); // saved as the event loop turns
        QCOMPARE(rig.area.values.value("TimeIndex"), QString("1"));
        QCOMPARE(rig.area.values.value("TimeHou"), QString::number(hours));
        // The schedule reads what was stored: the check after the first comes `hours` later.
        WindowSessions sessions(w);
        Scheduler schedule(rig.state.settings.schedule, rig.state.watchList, rig.clock, sessions);
        schedule.onScheduleTick();
        schedule.onScheduleTick();
        QCOMPARE(schedule.nextCheckTime, rig.clock.now().addSecs(hours * 3600));
    }

    // Each figure of the status row has its word just before it, whole.
    void statusFiguresSayWhatTheyAre()
    {
        WindowRig rig("figures");
        MainWindow& w = rig.open();
        const QList<QLabel*> row = w.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        for (auto [figure, word] : {std::pair{"loginsSentLabel", "Logins"}, {"throttleMinutesLabel", "Minutes"}}) {
            const QRect number = rig.find<QLabel>(figure)->geometry();
            QLabel* before = nullptr; // the nearest shown label to its left on its row
            for (QLabel* l : row)
                if (!l->isHidden() && l->geometry().right() < number.x() && l->y() == number.y()
                    && (!before || l->geometry().right() > before->geometry().right()))
                    before = l;
            QVERIFY(before);
            QCOMPARE(before->text(), QString(word));
            QVERIFY(before->width() >= before->sizeHint().width());
            for (QLabel* l : row)
                QVERIFY(l == before || l->isHidden() || !l->geometry().intersects(before->geometry()));
        }
    }

    void addRules_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("destination");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("status");
        QTest::newRow("99 takes one more") << 99 << 2 << true << "" << 100 << kItineraryAdded;
        QTest::newRow("100 is the limit") << 100 << 2 << true << kMaxItinerariesText << 100 << "";
        QTest::newRow("no destination") << 0 << -1 << true << kSelectCities << 0 << "";
        QTest::newRow("during a session: stored, shown later") << 3 << 2 << false << "" << 4 << kResultsAfterProcess;
        // City.txt names a city that "City Code.txt" has no code for.
        QTest::newRow("city without a code is not reported as added") << 0 << 4 << true << "" << 0 << kItineraryNotAdded;
    }
    void addRules()
    {
        QFETCH(QString, message);
        QFETCH(int, before);
        QFETCH(bool, idle);
        QFETCH(int, destination);
        QFETCH(int, after);
        QFETCH(QString, status);
        BusyRig busy;
        QVERIFY(busy.start("add", before));
        WindowRig& rig = *busy.rig;
        MainWindow& w = rig.open();
        if (!idle)
            QVERIFY(busy.busy());
        if (status == kItineraryNotAdded)
            rig.state.cities.codes.removeLast();
        w.setStatus("before");
        rig.find<QComboBox>("destinationChoice")->setCurrentIndex(destination);
        click(rig.find<ImageButton>("addItineraryButton"));
        QCOMPARE(rig.boxes.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(rig.boxes.shown[0].text, message);
        QCOMPARE(rig.find<QTreeWidget>("itineraryList")->topLevelItemCount(), after);
        QCOMPARE(readFile(rig.folder + "/Query.txt").count("\r\n"), qsizetype(message.isEmpty() ? after : 0));
        QCOMPARE(w.status(), status.isEmpty() ? QString("before") : status);
        // The results list shows every itinerary, the one added in a session too.
        QCOMPARE(w.results().rowCount(), after);
    }

    void addedDate_data()
    {
        QTest::addColumn<bool>("userPicked");
        QTest::addColumn<QString>("date");
        QTest::newRow("picker untouched: tomorrow, whatever it shows") << false << "09/12/2026";
        QTest::newRow("picked by the user") << true << "20/02/2027";
    }
    void addedDate()
    {
        QFETCH(bool, userPicked);
        QFETCH(QString, date);
        WindowRig rig("date");
        rig.open();
        auto* picker = rig.find<DateField>("dateField");
        picker->blockSignals(!userPicked);
        picker->setDate(QDate(2027, 2, 20));
        picker->blockSignals(false);
        rig.find<QComboBox>("originChoice")->setCurrentIndex(4);
        rig.find<QComboBox>("destinationChoice")->setCurrentIndex(1);
        rig.find<QComboBox>("timeChoice")->setCurrentText("13:00");
        click(rig.find<ImageButton>("addItineraryButton"));
        QCOMPARE(readFile(rig.folder + "/Query.txt"),
                 QString("Sydney;Brisbane;%1;13:00;SYD;BNE\r\n").arg(date).toUtf8());
    }

    void deleteRules_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("selected"); // row of the five, from 0
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("status"); // after "New Itinerary Added!"
        const QString added = kItineraryAdded;
        QTest::newRow("one, during a session") << "deleteItineraryButton" << false << int(MsgAnswer::Yes) << 2 << kWaitBeforeDeleting << 5 << added;
        QTest::newRow("all, during a session") << "deleteAllButton" << false << int(MsgAnswer::Yes) << 2 << kWaitBeforeDeleting << 5 << added;
        QTest::newRow("one, No") << "deleteItineraryButton" << true << int(MsgAnswer::No) << 2 << kReallyDelete << 5 << added;
        QTest::newRow("all, No") << "deleteAllButton" << true << int(MsgAnswer::No) << 2 << kReallyDeleteAll << 5 << added;
        QTest::newRow("one, Yes") << "deleteItineraryButton" << true << int(MsgAnswer::Yes) << 2 << kReallyDelete << 4 << kItineraryDeleted;
        QTest::newRow("all, Yes") << "deleteAllButton" << true << int(MsgAnswer::Yes) << 2 << kReallyDeleteAll << 0 << kAllItinerariesDeleted;
        QTest::newRow("one, the last row") << "deleteItineraryButton" << true << int(MsgAnswer::Yes) << 4 << kReallyDelete << 4 << kItineraryDeleted;
        QTest::newRow("all, the last row selected") << "deleteAllButton" << true << int(MsgAnswer::Yes) << 4 << kReallyDeleteAll << 0 << kAllItinerariesDeleted;
        QTest::newRow("one, the first row") << "deleteItineraryButton" << true << int(MsgAnswer::Yes) << 0 << kReallyDelete << 4 << kItineraryDeleted;
        // Delete needs a choice and says so; Delete All needs none.
        QTest::newRow("one, none chosen") << "deleteItineraryButton" << true << int(MsgAnswer::Yes) << -1 << QString() << 5 << kSelectToDelete;
        QTest::newRow("all, none chosen") << "deleteAllButton" << true << int(MsgAnswer::Yes) << -1 << kReallyDeleteAll << 0 << kAllItinerariesDeleted;
    }
    void deleteRules()
    {
        QFETCH(bool, idle);
        QFETCH(int, answer);
        QFETCH(QString, button);
        QFETCH(QString, message);
        QFETCH(int, left);
        QFETCH(int, selected);
        QFETCH(QString, status);
        BusyRig busy;
        QVERIFY(busy.start("delete", 5));
        WindowRig& rig = *busy.rig;
        rig.state.watchList.save();
        const QByteArray file = readFile(rig.folder + "/Query.txt");
        rig.open();
        if (!idle)
            QVERIFY(busy.busy());
        rig.window->setStatus(kItineraryAdded); // as the last add left it
        rig.boxes.answers = {MsgAnswer(answer)};
        auto* list = rig.find<QTreeWidget>("itineraryList");
        if (selected >= 0)
            list->setCurrentItem(list->topLevelItem(selected));
        const Itinerary chosen = rig.state.watchList.at(std::max(selected, 0) + 1);
        click(rig.find<ImageButton>(button));
        QCOMPARE(rig.boxes.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(rig.boxes.shown[0].text, message);
        QCOMPARE(list->topLevelItemCount(), left);
        QCOMPARE(rig.state.watchList.count(), left);
        if (left == 5)
            QCOMPARE(readFile(rig.folder + "/Query.txt"), file);
        else
            QCOMPARE(readFile(rig.folder + "/Query.txt").count("\r\n"), qsizetype(left));
        // What goes is the selected itinerary.
        bool kept = false;
        for (int p = 1; p <= rig.state.watchList.count(); ++p)
            kept = kept || rig.state.watchList.at(p) == chosen;
        QCOMPARE(kept, left == 5);
        QCOMPARE(rig.window->status(), status);
    }

    // Enter held on a focused image button: the repeats of the key neither
    // repeat the command nor answer the question it asks.
    void aHeldKeyActsOnce_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("left");
        QTest::newRow("add") << "addItineraryButton" << 0 << 3;
        QTest::newRow("delete all, answered No") << "deleteAllButton" << 1 << 2;
    }
    void aHeldKeyActsOnce()
    {
        QFETCH(QString, button);
        QFETCH(int, questions);
        QFETCH(int, left);
        WindowRig rig("held");
        rig.watch(2);
        rig.open();
        rig.find<QComboBox>("destinationChoice")->setCurrentIndex(1);
        auto* list = rig.find<QTreeWidget>("itineraryList");
        list->setCurrentItem(list->topLevelItem(1));
        rig.boxes.answers = {MsgAnswer::No};
        auto* b = rig.find<ImageButton>(button);
        const auto key = [b](QEvent::Type type, bool repeat) {
            QKeyEvent e(type, Qt::Key_Return, Qt::NoModifier, QString("\r"), repeat);
            QCoreApplication::sendEvent(b, &e);
        };
        key(QEvent::KeyPress, false);
        for (int i = 0; i < 15; ++i) {
            key(QEvent::KeyRelease, true);
            key(QEvent::KeyPress, true);
        }
        QCOMPARE(rig.state.watchList.count(), 2); // nothing yet: the key is still down
        key(QEvent::KeyRelease, false);
        QCOMPARE(rig.boxes.shown.size(), questions);
        QCOMPARE(rig.state.watchList.count(), left);
    }

    // A real question box: over the main window, and deaf to a key that was
    // already down when it opened.
    void aQuestionIgnoresAKeyHeldSinceBeforeIt()
    {
        WindowRig rig("question");
        MainWindow& w = rig.open();
        w.move(40, 30);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QtMessageBoxes real;
        QPoint boxCentre;
        bool stillOpenAfterRepeats = false;
        QTimer::singleShot(50, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            boxCentre = box->geometry().center();
            for (int i = 0; i < 5; ++i) {
                QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
                QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : box, &repeat);
            }
            stillOpenAfterRepeats = QApplication::activeModalWidget() == box;
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(real.show(kReallyDeleteAll, kDeleteAllItineraries, MsgIcon::Question, MsgButtons::YesNo),
                 MsgAnswer::No);
        QVERIFY(stillOpenAfterRepeats);
        QVERIFY2((boxCentre - w.geometry().center()).manhattanLength() < 40,
                 qPrintable(QString("box centred at %1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
    }

    void detailsFollowTheCurrentRow()
    {
        WindowRig rig("arrows");
        rig.watch(3);
        MainWindow& w = rig.open();
        rig.found(2, "Y");
        w.showResultsPanel();
        auto* view = rig.find<QTreeView>("resultsList");
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(rig.find<QTextEdit>("detailsText")->toPlainText(), QString("QF 1"));
        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(rig.find<QTextEdit>("detailsText")->toPlainText().isEmpty());
    }

    void deleteKeepsEachItineraryItsResult()
    {
        WindowRig rig("shift");
        rig.watch(5);
        MainWindow& w = rig.open();
        rig.found(4, "Y");
        rig.found(5, "-");
        rig.boxes.answers = {MsgAnswer::Yes};
        auto* list = rig.find<QTreeWidget>("itineraryList");
        list->setCurrentItem(list->topLevelItem(2));
        click(rig.find<ImageButton>("deleteItineraryButton"));
        const QAbstractItemModel& rows = w.results();
        QCOMPARE(rows.rowCount(), 4);
        QCOMPARE(rows.index(2, ResultsViewModel::kDateColumn).data().toString(), QString("04/01/2027"));
        QCOMPARE(rows.index(2, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::Seats));
        QCOMPARE(rows.index(3, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::NoSeats));
        auto* view = rig.find<QTreeView>("resultsList");
        w.showResultsPanel();
        emit view->clicked(view->model()->index(2, 0));
        QCOMPARE(rig.find<QTextEdit>("detailsText")->toPlainText(), QString("QF 1"));
    }

    void deleteAllThenAddLeavesNoStaleResult()
    {
        WindowRig rig("stale");
        rig.watch(2);
        MainWindow& w = rig.open();
        rig.found(1, "Y");
        rig.boxes.answers = {MsgAnswer::Yes};
        auto* list = rig.find<QTreeWidget>("itineraryList");
        list->setCurrentItem(list->topLevelItem(0));
        click(rig.find<ImageButton>("deleteAllButton"), Qt::RightButton);
        QCOMPARE(rig.state.watchList.count(), 0);
        rig.find<QComboBox>("destinationChoice")->setCurrentIndex(1);
        click(rig.find<ImageButton>("addItineraryButton"));
        QCOMPARE(w.results().rowCount(), 1);
        QCOMPARE(w.results().index(0, 0).data(ResultsViewModel::kAvailabilityRole).toInt(),
                 int(Availability::NotKnown));
        auto* view = rig.find<QTreeView>("resultsList");
        rig.find<QTextEdit>("detailsText")->setPlainText("old");
        emit view->clicked(view->model()->index(0, 0));
        QVERIFY(rig.find<QTextEdit>("detailsText")->toPlainText().isEmpty());
    }

    void legendPicturesMatchTheRows_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("row"); // the results row in that state
        QTest::newRow("available") << "seatsLegendPicture" << "seatsLegend" << "Flight Available" << 0;
        QTest::newRow("not available") << "noSeatsLegendPicture" << "noSeatsLegend" << "Flight Not Available" << 1;
        QTest::newRow("not checked") << "notCheckedLegendPicture" << "notCheckedLegend" << "Not Checked Yet" << 2;
    }
    void legendPicturesMatchTheRows()
    {
        QFETCH(QString, image);
        QFETCH(QString, label);
        QFETCH(QString, caption);
        QFETCH(int, row);
        WindowRig rig("legend");
        rig.watch(3);
        MainWindow& w = rig.open();
        rig.found(1, "Y");
        rig.found(2, "-");
        w.showResultsPanel();
        auto* picture = rig.find<QLabel>(image);
        auto* text = rig.find<QLabel>(label);
        QCOMPARE(text->text(), caption);
        // The picture is the one just before its caption, on the same line.
        QVERIFY(picture->geometry().right() < text->x() && text->x() - picture->geometry().right() < 12);
        QVERIFY(qAbs(picture->geometry().center().y() - text->geometry().center().y()) < 4);
        const QAbstractItemModel* model = rig.find<QTreeView>("resultsList")->model();
        const QIcon shown = model->data(model->index(row, 0), Qt::DecorationRole).value<QIcon>();
        const QImage inRow = shown.pixmap(picture->pixmap().size()).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(picture->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), inRow);
    }

    void print_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("made");
        QTest::newRow("to the named file") << "prints/results.pdf" << true;
        QTest::newRow("no folder can be made") << "/proc/zelvane/results.pdf" << false;
    }
    void print()
    {
        QFETCH(QString, target);
        QFETCH(bool, made);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            ZELVANE_SKIP_MISSING_TOOL("pdftotext (poppler-utils)");
        WindowRig rig("print");
        if (!target.startsWith('/'))
            target = rig.folder + "/a folder with a rather long name for its prints/" + target;
        qputenv("ZELVANE_PRINT_PDF", target.toUtf8());
        MainWindow& w = rig.open();
        w.showResultsPanel();
        rig.find<QTextEdit>("detailsText")->setPlainText("QF 401 09:05 SYD 11:15 PER");
        auto* print = rig.find<QPushButton>("printButton");
        print->click();
        print->click();
        qunsetenv("ZELVANE_PRINT_PDF");
        QCOMPARE(QFileInfo::exists(target), made);
        QVERIFY(!QFileInfo::exists(target + ".part"));
        QVERIFY2(w.status().contains(QDir::toNativeSeparators(target)), qPrintable(w.status()));
        // A status too long for its place is shortened in the middle, not cut
        // at the end, and told whole in its tooltip.
        auto* line = rig.find<QLabel>("statusLabel");
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->contentsRect().width());
        if (made)
            QVERIFY(line->text().contains(QChar(0x2026)));
        QCOMPARE(line->text().right(8), w.status().right(8));
        QCOMPARE(line->toolTip(), line->text() == w.status() ? QString() : w.status().trimmed());
        if (!made) {
            QVERIFY(w.status().startsWith("Print failed"));
            return;
        }
        QProcess text;
        text.start("pdftotext", {target, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(printed.count("Zelvane Results"), 2);
        QCOMPARE(printed.count("http://www.zelvane.example"), 2);
        // Each header says when it was printed, in the user's short date form.
        QCOMPARE(printed.count(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat)), 2);
        QVERIFY(printed.contains("QF 401 09:05 SYD 11:15 PER"));
    }

    void printDestination_data()
    {
        QTest::addColumn<QString>("override");
        QTest::addColumn<bool>("printer");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("named file wins") << "/tmp/x.pdf" << true << false << "/tmp/x.pdf";
        QTest::newRow("default printer") << "" << true << false << "printer";
        QTest::newRow("no printer: documents") << "" << false << false << "Zelvane Results 2026-12-08.pdf";
        QTest::newRow("an earlier print is kept") << "" << false << true << "Zelvane Results 2026-12-08 (2).pdf";
    }
    void printDestination()
    {
        QFETCH(bool, existing);
        QFETCH(QString, override);
        QFETCH(bool, printer);
        QFETCH(QString, expected);
        const QString docs = freshFolder("docs");
        if (existing)
            writeFile(docs + "/Zelvane Results 2026-12-08.pdf", "%PDF");
        const PrintDestination d =
            choosePrintDestination(override, printer, docs, QDate(2026, 12, 8));
        if (expected == "printer")
            QVERIFY(d.printer);
        else
            QCOMPARE(QFileInfo(d.pdfFile).fileName(), QFileInfo(expected).fileName());
    }

    // No login yet, no time of one: a first run shows none, also when the
    // window comes to the front; a stored time reads as it always did. A
    // time no form reads shows none, and the status line names its key.
    void lastLoginShowsOnlyALoginThatHappened_data()
    {
        QTest::addColumn<QString>("stored"); // LastLoginTime in the settings file; empty: no key
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("told"); // on the status line
        QTest::newRow("first run") << "" << "" << "";
        QTest::newRow("a login stored")
            << storedDateTimeText(QDateTime(QDate(2026, 12, 7), QTime(21, 5, 9))) << "07/12/2026 21:05:09" << "";
        QTest::newRow("a login no form reads")
            << "gestern 21:05" << "" << "The setting LastLoginTime could not be read; it is kept as it was.";
    }
    void lastLoginShowsOnlyALoginThatHappened()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, told);
        WindowRig rig("lastlogin");
        if (!stored.isEmpty())
            rig.area.values["LastLoginTime"] = stored;
        QCOMPARE(rig.state.settings.load().ok(), told.isEmpty());
        MainWindow& w = rig.open();
        QCOMPARE(rig.find<QLabel>("lastLoginLabel")->text(), shown);
        if (!told.isEmpty())
            QCOMPARE(w.status(), told);
        w.onActivate();
        QCOMPARE(rig.find<QLabel>("lastLoginLabel")->text(), shown);
    }

    // Settings that cannot be written are said where the user looks; the
    // file keeps what it had.
    void settingsThatCannotBeWrittenAreTold()
    {
        WindowRig rig("unwritable-settings");
        MainWindow& w = rig.open();
        rig.area.refuseKey = "MailSendType";
        rig.state.settings.mailPolicy.set(MailPolicy::Never);
        QCoreApplication::processEvents();
        QVERIFY2(w.status().startsWith("The settings could not be saved"), qPrintable(w.status()));
        QVERIFY(!rig.area.values.contains("MailSendType"));
    }

    // What the status line says of the outbox follows its tries until
    // something else is said there.
    void outboxWordFollowsItsTries()
    {
        WindowRig rig("outbox-word");
        MainWindow& w = rig.open();
        SessionStatus& line = rig.checks.status();
        line.setStatus({StatusMessage::Kind::Outbox, 0, "1 alert waiting"});
        emit rig.post.waitingChanged();
        QCOMPARE(w.status(), kWaitingAlertsSent);
        emit rig.post.waitingChanged();
        QCOMPARE(w.status(), kWaitingAlertsSent);
        line.setStatus({StatusMessage::Kind::Outbox, 0, "1 alert waiting"});
        line.setStatus("1 alert waiting"); // the same words, said by the session
        emit rig.post.waitingChanged();
        QCOMPARE(w.status(), QString("1 alert waiting"));
    }

    void activationTellsTheAnnouncementWasSeen()
    {
        WindowRig rig("activate");
        rig.state.settings.schedule.change([&](Schedule& s) { s.lastLoginTime = QDateTime(QDate(2026, 12, 7), QTime(21, 5, 9)); });
        MainWindow& w = rig.open();
        QCOMPARE(rig.find<QLabel>("lastLoginLabel")->text(), QString("07/12/2026 21:05:09"));
        QSignalSpy activated(&w, &MainWindow::windowActivated);
        w.onActivate();
        QCOMPARE(activated.count(), 1);
    }

    void waysOut_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("ended");
        QTest::addColumn<bool>("saved");
        QTest::newRow("close button ends the program") << "closeButton" << 1 << false;
        QTest::newRow("minimise only hides") << "minimizeButton" << 0 << false;
        QTest::newRow("closed by the desktop: settings and list saved") << "" << 0 << true;
    }
    void waysOut()
    {
        QFETCH(QString, how);
        QFETCH(int, ended);
        QFETCH(bool, saved);
        WindowRig rig("out");
        MainWindow& w = rig.open();
        w.show();
        rig.watchLine("Perth;Sydney;01/02/2027;Morning;PER;SYD");
        rig.state.settings.member.change([](Member& m) { m.email = "new@example.com"; });
        rig.area.values.clear(); // written at the change; the way out must write it again
        if (how.isEmpty())
            w.close();
        else
            click(rig.find<ImageButton>(how));
        QCOMPARE(rig.host.ended, ended);
        QCOMPARE(w.isHidden(), how != "closeButton");
        QCOMPARE(QFileInfo::exists(rig.folder + "/Query.txt"), saved);
        QCOMPARE(rig.area.values.value("Mail") == "new@example.com", saved);
        QCOMPARE(rig.area.values.contains("Mail"), saved);
    }

    void noticeAndUpdateOffer()
    {
        SiteSim sim(R"({"site": {"alert": "Fares change on 1 July.\nCheck your list.", "version": null}})", false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        WindowRig rig("notice");
        rig.news.newVersion = true;
        rig.news.updateAddress = "http://www.zelvane.example/get";
        rig.open();
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
        auto* info = rig.find<ImageButton>("noticeButton");
        QVERIFY(info->isHidden()); // the load does not wait for the site
        QTRY_VERIFY_WITH_TIMEOUT(!info->isHidden(), 10000);
        click(info);
        QCOMPARE(rig.boxes.shown.value(0).text, QString("Fares change on 1 July.\nCheck your list."));
        QCOMPARE(rig.boxes.shown.value(0).title, kNoticeTitle);

        rig.boxes.answers = {MsgAnswer::No, MsgAnswer::Yes};
        auto* label = rig.find<QLabel>("newVersionLabel");
        mouse(label, QEvent::MouseButtonRelease);
        QCOMPARE(rig.boxes.shown.value(1).title, kUpdateOfferTitle);
        QCOMPARE(rig.host.ended, 0);
        mouse(label, QEvent::MouseButtonRelease);
        QCOMPARE(rig.host.opened, rig.news.updateAddress);
        QCOMPARE(rig.host.ended, 1);
    }
};

ZELVANE_TEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
