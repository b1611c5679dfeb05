// Where the availability pop-ups and the tray menu come to rest, worked out
// without a display.
#include "notify/PopupGeometry.h"

#include <QtTest>

using namespace zelvane;

Q_DECLARE_METATYPE(zelvane::Announcement)

namespace {

// Runs the two animations side by side as their timers would (10 ms and 20 ms).
ReminderFrame animate(const ReminderStart& s, int* growTicks = nullptr)
{
    ReminderFrame f;
    f.top = s.top;
    for (int ms = 10; f.growing || f.sliding; ms += 10) {
        const bool wasGrowing = f.growing;
        growTick(f, s.fullHeight, s.finalTop);
        if (growTicks && wasGrowing)
            ++*growTicks;
        if (ms % 20 == 0)
            slideTick(f, s.slideRest);
    }
    return f;
}

} // namespace

class TestPopupGeometry : public QObject {
    Q_OBJECT

private slots:
    // Inside the work area whichever edge the panel takes: on its bottom, its
    // right edge on the area's right edge, never over the panel; beside the
    // main window, not over it, while it is shown, where the room is.
    void placesRestInTheWorkArea_data()
    {
        QTest::addColumn<QRect>("work");
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("window"); // the main window, in pixels; none while hidden
        QTest::addColumn<int>("gap");
        QTest::addColumn<int>("finalTop");
        QTest::addColumn<int>("slideRest"); // 3680 twips above the work area's bottom
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("top");       // where it appears, collapsed
        // 1024x768 at 96 dpi: 15360 x 11520 twips.
        QTest::newRow("40 px bar at the bottom, place 1")
            << QRect(0, 0, 1024, 728) << 1 << QRect() << 600 << 11520 - 3315 << 7240 << 15360 << 10920;
        QTest::newRow("place 2 one window higher") << QRect(0, 0, 1024, 728) << 2 << QRect() << 600 << 5490 << 7240 << 15360 << 10920;
        QTest::newRow("place 3") << QRect(0, 0, 1024, 728) << 3 << QRect() << 600 << 2775 << 7240 << 15360 << 10920;
        QTest::newRow("place 4") << QRect(0, 0, 1024, 728) << 4 << QRect() << 600 << 60 << 7240 << 15360 << 10920;
        QTest::newRow("24 px bar at the bottom") << QRect(0, 0, 1024, 744) << 1 << QRect() << 360 << 8445 << 7480 << 15360 << 11020;
        QTest::newRow("bar at the top") << QRect(0, 40, 1024, 728) << 1 << QRect() << 0 << 11520 - 2715 << 7840 << 15360 << 11020;
        QTest::newRow("bar at the left") << QRect(60, 0, 964, 768) << 1 << QRect() << 0 << 11520 - 2715 << 7840 << 15360 << 11020;
        QTest::newRow("bar at the right") << QRect(0, 0, 964, 768) << 1 << QRect() << 0 << 11520 - 2715 << 7840 << 14460 << 11020;
        // The pop-up's column is 265 px wide: 759 to 1024 here.
        QTest::newRow("main window clear of the column")
            << QRect(0, 0, 1024, 728) << 1 << QRect(40, 60, 700, 500) << 600 << 8205 << 7240 << 15360 << 10920;
        QTest::newRow("main window over the column: beside its left edge")
            << QRect(0, 0, 1024, 728) << 1 << QRect(300, 100, 600, 500) << 600 << 8205 << 7240 << 4500 << 10920;
        QTest::newRow("main window over place 4 only")
            << QRect(0, 0, 1024, 728) << 4 << QRect(500, 0, 400, 150) << 600 << 60 << 7240 << 7500 << 10920;
        QTest::newRow("main window above the pop-up's way")
            << QRect(0, 0, 1024, 728) << 1 << QRect(300, 0, 700, 500) << 600 << 8205 << 7240 << 15360 << 10920;
        QTest::newRow("main window in the way from where it appears")
            << QRect(0, 0, 1024, 728) << 1 << QRect(700, 700, 200, 28) << 600 << 8205 << 7240 << 10500 << 10920;
        QTest::newRow("no room beside the main window: at the edge as before")
            << QRect(0, 0, 1024, 728) << 1 << QRect(200, 50, 824, 678) << 600 << 8205 << 7240 << 15360 << 10920;
        QTest::newRow("main window beside a bar at the left")
            << QRect(60, 0, 964, 768) << 1 << QRect(400, 300, 600, 468) << 0 << 11520 - 2715 << 7840 << 6000 << 11020;
    }
    void placesRestInTheWorkArea()
    {
        QFETCH(QRect, work);
        QFETCH(int, index);
        QFETCH(QRect, window);
        QFETCH(int, gap);
        QFETCH(int, finalTop);
        QFETCH(int, slideRest);
        QFETCH(int, right);
        QFETCH(int, top);
        const ReminderStart s = reminderStart(QRect(0, 0, 1024, 768), work, twipsPerPixel(96), index,
                                              {kReminderWidth, kReminderHeight}, window);
        QCOMPARE(s.taskbarGap, gap);
        QCOMPARE(s.finalTop, finalTop);
        QCOMPARE(s.slideRest, slideRest);
        QCOMPARE(s.left + kReminderWidth, right);
        QCOMPARE(s.top, top);
        QCOMPARE(s.fullHeight, 2715);
    }

    // As many places as the work area holds whole, four at most.
    void placesFitTheWorkArea_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("places");
        QTest::newRow("1080 px") << 1040 << 4;
        QTest::newRow("768 px") << 728 << 4;
        QTest::newRow("600 px") << 560 << 3;
        QTest::newRow("a sliver") << 100 << 1;
    }
    void placesFitTheWorkArea()
    {
        QFETCH(int, height);
        QFETCH(int, places);
        QCOMPARE(reminderPlaces(QRect(0, 0, 1024, height), 15.0), places);
    }

    void growIsClampedOnTheTickAfterPassingTheFullHeight()
    {
        ReminderFrame f;
        f.top = 11020;
        for (int tick = 1; tick <= 28; ++tick)
            growTick(f, 2715, 8205);
        QCOMPARE(f.height, 2800);
        QVERIFY(f.growing);
        growTick(f, 2715, 8205);
        QCOMPARE(f.height, 2715);
        QCOMPARE(f.top, 8205);
        QVERIFY(!f.growing);
        growTick(f, 2715, 8205); // a stopped timer changes nothing
        QCOMPARE(f.top, 8205);
    }

    // Each place rests one window above the last, over the task bar, however
    // tall the screen: the grow, not the slide, decides where a pop-up stays.
    void popupsStackOnAnyScreen_data()
    {
        QTest::addColumn<int>("screenHeight");
        QTest::addColumn<int>("bar");
        QTest::newRow("768 px, 40 px bar") << 768 << 40;
        QTest::newRow("800 px, no bar") << 800 << 0;
        QTest::newRow("1080 px, 40 px bar") << 1080 << 40;
        QTest::newRow("1440 px, 48 px bar") << 1440 << 48;
        QTest::newRow("2160 px, no bar") << 2160 << 0;
    }
    void popupsStackOnAnyScreen()
    {
        QFETCH(int, screenHeight);
        QFETCH(int, bar);
        const QRect screen(0, 0, 1920, screenHeight);
        const int workBottom = (screenHeight - bar) * 15;
        for (int place = 1; place <= 4; ++place) {
            const ReminderStart s = reminderStart(screen, screen.adjusted(0, 0, 0, -bar), 15.0, place);
            int growTicks = 0;
            const ReminderFrame f = animate(s, &growTicks);
            QCOMPARE(growTicks, 29);
            QCOMPARE(f.height, 2715);
            QCOMPARE(f.top, workBottom - place * 2715);
        }
    }

    void theSlideRestsOnTheOldLineOnAnEightHundredPixelScreen()
    {
        const QRect screen(0, 0, 1280, 800);
        QCOMPARE(reminderStart(screen, screen, 15.0, 1).slideRest, 8320);
    }

    void captionBreaksTheAnnouncementIntoLines_data()
    {
        QTest::addColumn<Announcement>("announcement");
        QTest::addColumn<int>("shownDays"); // -1: the whole caption
        QTest::addColumn<QString>("caption");
        QTest::newRow("one date")
            << Announcement{"Sydney", "Melbourne", "25/12/2026"}
            << -1 << "Flight Sydney\r\n To Melbourne\r\n On Date 25/12/2026\r\n is Available!";
        QTest::newRow("seats on a line of their own")
            << Announcement{"Sydney", "Melbourne", "25/12/2026", false, "2 adults, Business"}
            << -1 << "Flight Sydney\r\n To Melbourne\r\n On Date 25/12/2026\r\n For 2 adults, Business\r\n is Available!";
        QTest::newRow("how many seats, last")
            << Announcement{"Sydney", "Melbourne", "25/12/2026", false, "2 adults or fewer, Business", "Business: 1 seat"}
            << -1 << "Flight Sydney\r\n To Melbourne\r\n On Date 25/12/2026\r\n For 2 adults or fewer, Business\r\n"
               " is Available!\r\n Business: 1 seat";
        QTest::newRow("days with seats")
            << Announcement{"Sydney", "Melbourne", "Fri 25/12/2026, Sun 27/12/2026", true}
            << -1 << "Flight Sydney\r\n To Melbourne\r\n On Dates Fri 25/12/2026, Sun 27/12/2026\r\n is Available!";
        QTest::newRow("days in a row")
            << Announcement{"Sydney", "Melbourne", "Fri 25/12/2026 to Sun 27/12/2026", true}
            << -1 << "Flight Sydney\r\n To Melbourne\r\n On Dates Fri 25/12/2026 to Sun 27/12/2026\r\n is Available!";
        // A trip too long for the pop-up: its first days and how many more.
        const Announcement trip{"Sydney or Newcastle or Canberra", "Melbourne",
                                "Outbound Sydney → Melbourne: Tue 15/06/2027 · Return: Melbourne → Sydney: Sun 27/06/2027",
                                true, "2 adults, Business", "Outbound Business: 2 seats on Tue 15",
                                {"Outbound SYD→MEL Tue 15/06/2027", "Outbound NTL→MEL Wed 16/06/2027",
                                 "Return MEL→SYD Sun 27/06/2027"}};
        QTest::newRow("a long trip, two of its days")
            << trip << 2
            << "Flight Sydney or Newcastle or Canberra\r\n To Melbourne\r\n For 2 adults, Business\r\n"
               " Outbound SYD→MEL Tue 15/06/2027\r\n Outbound NTL→MEL Wed 16/06/2027\r\n and 1 more day\r\n is Available!";
        QTest::newRow("a long trip, all its days")
            << trip << 3
            << "Flight Sydney or Newcastle or Canberra\r\n To Melbourne\r\n For 2 adults, Business\r\n"
               " Outbound SYD→MEL Tue 15/06/2027\r\n Outbound NTL→MEL Wed 16/06/2027\r\n Return MEL→SYD Sun 27/06/2027\r\n"
               " is Available!";
        QTest::newRow("a long trip, none of its days")
            << trip << 0
            << "Flight Sydney or Newcastle or Canberra\r\n To Melbourne\r\n For 2 adults, Business\r\n On 3 days\r\n"
               " is Available!";
        QTest::newRow("nothing announced yet") << Announcement{} << -1 << QString();
    }
    void captionBreaksTheAnnouncementIntoLines()
    {
        QFETCH(Announcement, announcement);
        QFETCH(int, shownDays);
        QFETCH(QString, caption);
        QCOMPARE((shownDays < 0 ? reminderCaption(announcement) : reminderCaption(announcement, shownDays)).value_or(QString()),
                 caption);
    }

    // The menu (156x118 px at 96 dpi) opens beside the icon, on the side of
    // the work area its panel is on, whole inside the area.
    void trayMenuOpensBesideTheIcon_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QPoint>("topLeft");
        // 1770 + 400 twips above the bottom, 2340 + 50 in from the right.
        QTest::newRow("no icon, 1024x768") << QRect(0, 0, 1024, 768) << QRect() << 96.0 << QPoint(865, 623);
        QTest::newRow("no icon, second screen") << QRect(1024, 0, 1024, 768) << QRect() << 96.0 << QPoint(1889, 623);
        QTest::newRow("no icon, 144 dpi") << QRect(0, 0, 1536, 1152) << QRect() << 144.0 << QPoint(1297, 935);
        QTest::newRow("panel at the bottom")
            << QRect(0, 0, 1366, 728) << QRect(1300, 736, 24, 24) << 96.0 << QPoint(1324 - 156, 728 - 118);
        QTest::newRow("panel at the top")
            << QRect(0, 40, 1366, 728) << QRect(1300, 8, 24, 24) << 96.0 << QPoint(1324 - 156, 40);
        QTest::newRow("panel at the right")
            << QRect(0, 0, 1326, 768) << QRect(1334, 700, 24, 24) << 96.0 << QPoint(1326 - 156, 768 - 118);
        QTest::newRow("panel at the right, icon at the top")
            << QRect(0, 0, 1326, 768) << QRect(1334, 4, 24, 24) << 96.0 << QPoint(1326 - 156, 4);
        QTest::newRow("panel at the left")
            << QRect(40, 0, 1326, 768) << QRect(8, 300, 24, 24) << 96.0 << QPoint(40, 300);
        QTest::newRow("icon at the top left corner")
            << QRect(0, 30, 1366, 738) << QRect(2, 3, 24, 24) << 96.0 << QPoint(0, 30);
        QTest::newRow("panel reserving nothing")
            << QRect(0, 0, 1366, 768) << QRect(1300, 744, 24, 24) << 96.0 << QPoint(1324 - 156, 744 - 118);
    }
    void trayMenuOpensBesideTheIcon()
    {
        QFETCH(QRect, area);
        QFETCH(QRect, icon);
        QFETCH(double, dpi);
        QFETCH(QPoint, topLeft);
        QCOMPARE(menuPlace(area, icon, twipsPerPixel(dpi)), topLeft);
    }
};

QTEST_GUILESS_MAIN(TestPopupGeometry)
#include "test_popup_geometry.moc"
