// "Book on the airline's site" in the windows: beside the flights of a day
// with seats in the results, and on the pop-up of a flight with seats; a
// click asks the desktop to open the award search of that day (caught here
// by a handler of the desktop's own for web addresses). Offscreen.
#include "WindowRig.h"
#include "support/CheckedDays.h"

#include "ui/QtDialogs.h"
#include "ui/SeatPopup.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QUrlQuery>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

// What the desktop was asked to open.
class Browser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened << url; }
};

// The search a link asks the airline for: "SYD PER 2/1/2027 for 2".
QString searchOf(const QUrl& url)
{
    const QUrlQuery q(url);
    const auto v = [&q](const char* key) { return q.queryItemValue(QStringLiteral("QAB_availabilitySearch_") + key); };
    return QString("%1 %2 %3/%4/%5 for %6")
        .arg(v("departureCity"), v("arrivalCity"), v("departureDay"), v("departureMonth"), v("departureYear"),
             q.queryItemValue("QAB_passengerForm_numberOfAdultPassengers"));
}

} // namespace

class TestBookOnAirlineSite : public QObject {
    Q_OBJECT

    Browser browser;
    QtDialogs dialogs; // the desktop's own handler answers

private slots:
    void initTestCase()
    {
        freshHome();
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
        qputenv("ZELVANE_AIRLINE_URL", "https://airline.example");
        QDesktopServices::setUrlHandler("https", &browser, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("https"); }
    void init() { browser.opened.clear(); }

    // The results: the day in view (the first with seats, or the one chosen)
    // is the one booked; a day without seats offers nothing to book.
    void resultsBookTheDayInView_data()
    {
        QTest::addColumn<QString>("watch");
        QTest::addColumn<QString>("days"); // per day searched: Y seats, - none, ? not known
        QTest::addColumn<int>("chosen");   // the day chosen in the results; -1: as shown
        QTest::addColumn<QString>("search"); // that the click asks for; empty: no click
        const QString sydPer = "Sydney;Perth;01/01/2027;Morning;SYD;PER";
        QTest::newRow("one date, two adults") << sydPer + ";Any;2" << "Y" << -1 << "SYD PER 1/1/2027 for 2";
        QTest::newRow("Business for one") << sydPer + ";Business" << "Y" << -1 << "SYD PER 1/1/2027 for 1";
        QTest::newRow("the first day with seats") << sydPer + ";Any;1;3" << "-?Y-" << -1 << "SYD PER 3/1/2027 for 1";
        QTest::newRow("a later day chosen") << sydPer + ";Any;4;3" << "-Y-Y" << 3 << "SYD PER 4/1/2027 for 4";
        QTest::newRow("a day without seats chosen") << sydPer + ";Any;1;3" << "-Y-Y" << 2 << "";
        QTest::newRow("no seats") << sydPer << "-" << -1 << "";
        QTest::newRow("not known") << sydPer << "?" << -1 << "";
    }
    void resultsBookTheDayInView()
    {
        QFETCH(QString, watch);
        QFETCH(QString, days);
        QFETCH(int, chosen);
        QFETCH(QString, search);
        WindowRig rig("results");
        rig.storeMember();
        rig.watchLine(watch);
        MainWindow& w = rig.open();
        w.showResultsPanel();
        w.show();
        ItineraryResult found = checkedDays(QDate(2027, 1, 1), days);
        for (SearchOutcome& d : found.days)
            setFlights(d, {{"09:05 SYD", "11:15 PER", "QF 401", "738", "0", "Y", "Y", "No"}},
                       rig.state.watchList.at(1).cabin, rig.state.watchList.at(1).adults);
        rig.checks.results().set(1, found);
        auto* list = rig.find<QTreeView>("resultsList");
        list->setCurrentIndex(list->model()->index(0, 0));
        if (chosen >= 0) {
            auto* choice = rig.find<QComboBox>("dayChoice");
            choice->setCurrentIndex(chosen);
            emit choice->activated(chosen);
        }
        auto* book = rig.find<QPushButton>("bookButton");
        QVERIFY(book && book->isVisible());
        QCOMPARE(book->text().remove('&'), QString("Book on the airline's site"));
        QCOMPARE(book->isEnabled(), !search.isEmpty());
        if (search.isEmpty())
            return;
        QVERIFY(book->toolTip().contains("signed in"));
        QTest::mouseClick(book, Qt::LeftButton);
        QCOMPARE(browser.opened.size(), 1);
        QCOMPARE(browser.opened[0].host(), QString("airline.example"));
        QCOMPARE(searchOf(browser.opened[0]), search);
    }

    // The pop-up of a flight with seats offers its search, and a click opens
    // it and takes the pop-up away; one without seats to book offers none,
    // and its caption still asks for the results.
    void popupBooksTheFlightItTells_data()
    {
        QTest::addColumn<QString>("booking");
        QTest::newRow("seats to book") << "https://airline.example/fflyer/dyns/auth/AwardBooking?a=1&b=2";
        QTest::newRow("nothing to book") << "";
    }
    void popupBooksTheFlightItTells()
    {
        QFETCH(QString, booking);
        auto* popup = new SeatPopup(dialogs);
        QPointer<SeatPopup> alive(popup);
        QSignalSpy results(popup, &SeatPopup::resultsAsked);
        Announcement a{"Sydney", "Perth", "01/01/2027"};
        a.booking = booking;
        popup->start(a, 1);
        auto* link = popup->findChild<QLabel*>("bookLink");
        QVERIFY(link);
        QCOMPARE(link->isVisible(), !booking.isEmpty());
        if (booking.isEmpty()) {
            QTest::mouseClick(popup->findChild<QLabel*>("captionLabel"), Qt::LeftButton);
            QCOMPARE(results.size(), 1);
            QVERIFY(browser.opened.isEmpty());
        } else {
            QCOMPARE(link->text(), QString("Book on the airline's site"));
            QTest::mouseClick(link, Qt::LeftButton);
            QCOMPARE(browser.opened, QList<QUrl>{QUrl(booking)});
            QCOMPARE(results.size(), 0);
        }
        QTRY_VERIFY(!alive);
    }
};

QTEST_MAIN(TestBookOnAirlineSite)
#include "test_book_on_airline_site.moc"
