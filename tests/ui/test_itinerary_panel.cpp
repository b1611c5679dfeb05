// The itinerary panel's travellers and extra days as the user chooses them:
// the line written, what the lists show, the size of a check told
// beforehand, and the refusal past the airline's limit of searches.
// Offscreen; controls found by name, boxes answered through the seam.
#include "WindowRig.h"

#include "itineraries/ItineraryEditing.h"
#include "results/ResultsViewModel.h"
#include "ui/DateField.h"
#include "ui/ImageButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

void choose(const WindowRig& rig, const char* box, const QString& text)
{
    auto* choice = rig.find<QComboBox>(box);
    QVERIFY2(choice, box);
    const int at = choice->findText(text);
    QVERIFY2(at >= 0, qPrintable(text));
    choice->setCurrentIndex(at);
}

// `n` itineraries of `extraDays` days each after their date.
void watchFlexible(WindowRig& rig, int n, int extraDays)
{
    for (int i = 0; i < n; ++i)
        rig.watchLine(QString("Sydney;Perth;%1/01/2027;Morning;SYD;PER;Any;1;%2")
                          .arg(i % 28 + 1, 2, 10, QChar('0'))
                          .arg(extraDays));
}

// Ten itineraries of every kind: one way and return, flexible and whole
// trips, nearby airports at either end, parties and cabins.
const QStringList kMixedItineraries = {
    "Sydney;London;14/03/2027;Evening;SYD;LON;Business;1;3",
    "Sydney;Melbourne;07/02/2027;Morning;SYD;MEL;Any;2;2;1;14/02/2027;1;1;;Newcastle/NTL|Canberra/CBR",
    "Brisbane;Auckland;21/05/2027;09:00;BNE;AKL;Economy",
    "Perth;Sydney;30/06/2027;Afternoon;PER;SYD;First;4;0;0;;;;;;;fewer",
    "Adelaide;Darwin;11/07/2027;18:00;ADL;DRW;Any;1;0;0;18/07/2027",
    "Melbourne;Los Angeles;03/09/2027;Evening;MEL;LAX;Business;2;3;3;24/09/2027;3;3;trip",
    "Sydney;Tokyo;16/04/2027;Morning;SYD;NRT;Any;3;2;0;;;;;;Haneda/HND",
    "Cairns;Brisbane;01/08/2027;Afternoon;CNS;BNE",
    "Hobart;Melbourne;20/10/2027;Morning;HBA;MEL;Economy;2;0;0;27/10/2027;0;0;;Launceston/LST|Devonport/DPO;Avalon/AVV",
    "Darwin;Singapore;12/11/2027;13:00;DRW;SIN;Business;1;6"};

// The room a cell of `view` gives its text, and the width its text needs.
int textRoom(QTreeView* view, const QModelIndex& i)
{
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return view->visualRect(i).width() - 2 * margin;
}
int textNeed(QTreeView* view, const QModelIndex& i)
{
    return view->fontMetrics().horizontalAdvance(i.data().toString());
}

} // namespace

class TestItineraryPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        freshHome();
        qputenv("ZELVANE_SITE_URL", "http://127.0.0.1:1");
    }

    void twoAdultsUpToThreeDaysLater()
    {
        WindowRig rig("travellers");
        rig.storeMember();
        rig.watch(5);
        rig.state.watchList.save();
        MainWindow& w = rig.open();
        w.showItineraryPanel();
        auto* size = rig.find<QLabel>("sessionSizeLabel");
        QCOMPARE(size->text(), QString("5 searches, about 3 minutes per check"));
        QCOMPARE(rig.find<QComboBox>("adultsChoice")->currentText(), QString("1 adult"));
        QCOMPARE(rig.find<QComboBox>("extraDaysChoice")->currentText(), QString("Exact date"));

        choose(rig, "originChoice", "Sydney");
        choose(rig, "destinationChoice", "Perth");
        // Only a party is asked whether fewer seats than it needs are news.
        auto* party = rig.find<QCheckBox>("partyOnlyCheck");
        QVERIFY(party && !party->isVisibleTo(&w));
        choose(rig, "adultsChoice", "2 adults");
        QVERIFY(party->isVisibleTo(&w) && party->isChecked());
        QCOMPARE(party->text().remove('&'), QString("Only when there are seats for all 2"));
        choose(rig, "extraDaysChoice", "Up to 3 days later");
        click(rig.find<ImageButton>("addItineraryButton"));
        QVERIFY(rig.boxes.shown.isEmpty());
        const QByteArray file = readFile(rig.folder + "/Query.txt");
        QVERIFY2(file.endsWith("\r\nSydney;Perth;09/12/2026;Morning;SYD;PER;Any;2;3\r\n"), file.constData());

        auto* list = rig.find<QTreeWidget>("itineraryList");
        QCOMPARE(list->topLevelItemCount(), 6);
        const auto row = [list](int r) {
            return QStringList{list->topLevelItem(r)->text(2), list->topLevelItem(r)->text(7)};
        };
        QCOMPARE(row(0), QStringList({"01/01/2027", "1 adult"}));
        QCOMPARE(row(5), QStringList({"09/12/2026 +3", "2 adults"}));
        QCOMPARE(size->text(), QString("9 searches, about 5 minutes per check"));
        const QAbstractItemModel* results = rig.find<QTreeView>("resultsList")->model();
        QCOMPARE(results->index(5, 2).data().toString(), QString("09/12/2026 +3"));
        QCOMPARE(results->index(5, ResultsViewModel::kSeatsColumn).data().toString(), QString("2 adults"));

        // Deleting it gives the searches back.
        list->setCurrentItem(list->topLevelItem(5));
        rig.boxes.answers = {MsgAnswer::Yes};
        click(rig.find<ImageButton>("deleteItineraryButton"));
        QCOMPARE(size->text(), QString("5 searches, about 3 minutes per check"));

        // Unchecked, the line and the list say so.
        party->setFocus();
        QTest::keyClick(party, Qt::Key_Space);
        click(rig.find<ImageButton>("addItineraryButton"));
        QVERIFY(readFile(rig.folder + "/Query.txt").endsWith(";Any;2;3;0;;0;0;;;;fewer\r\n"));
        QCOMPARE(list->topLevelItem(5)->text(7), QString("2 adults or fewer"));
    }

    // Days either side of the date: the line written and the dates listed,
    // or the refusal that says what can be chosen, with nothing written.
    void daysEitherSideOfTheDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message"); // empty when added
        QTest::addColumn<QString>("listed"); // the dates the list shows; the fields after the sixth
        QTest::newRow("two before, one after")
            << QDate(2026, 12, 20) << "From 2 days earlier" << "Up to 1 day later" << ""
            << "20/12/2026 -2 +1;Any;1;1;2";
        QTest::newRow("three before, back to tomorrow")
            << QDate(2026, 12, 12) << "From 3 days earlier" << "Exact date" << "" << "12/12/2026 -3;Any;1;0;3";
        QTest::newRow("before tomorrow")
            << QDate(2026, 12, 10) << "From 2 days earlier" << "Exact date"
            << "10/12/2026 with 2 days before it reaches back past 09/12/2026, the first date the airline "
               "searches: choose from 1 day earlier."
            << "";
        QTest::newRow("more than seven days")
            << QDate(2027, 1, 20) << "From 3 days earlier" << "Up to 4 days later"
            << "A watch searches at most 7 days: with 4 days later, choose from 2 days earlier." << "";
        QTest::newRow("past the last date")
            << QDate(2027, 11, 25) << "From 1 day earlier" << "Up to 2 days later"
            << "25/11/2027 and the 2 days after it reach past 26/11/2027, the last date the airline searches: "
               "choose up to 1 day later."
            << "";
    }
    void daysEitherSideOfTheDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, message);
        QFETCH(QString, listed);
        WindowRig rig("either side");
        rig.storeMember();
        rig.open();
        rig.find<DateField>("dateField")->setDate(date);
        choose(rig, "originChoice", "Sydney");
        choose(rig, "destinationChoice", "Perth");
        choose(rig, "daysBeforeChoice", before);
        choose(rig, "extraDaysChoice", after);
        click(rig.find<ImageButton>("addItineraryButton"));
        auto* list = rig.find<QTreeWidget>("itineraryList");
        if (!message.isEmpty()) {
            QCOMPARE(rig.boxes.shown.size(), 1);
            QCOMPARE(rig.boxes.shown[0].text, message);
            QCOMPARE(list->topLevelItemCount(), 0);
            QVERIFY(!QFile::exists(rig.folder + "/Query.txt"));
            return;
        }
        QVERIFY(rig.boxes.shown.isEmpty());
        QCOMPARE(list->topLevelItemCount(), 1);
        const QStringList expected = listed.split(';');
        QCOMPARE(list->topLevelItem(0)->text(2), expected[0]);
        QCOMPARE(readFile(rig.folder + "/Query.txt"),
                 QString("Sydney;Perth;%1;Morning;SYD;PER;%2\r\n")
                     .arg(date.toString("dd/MM/yyyy"), expected.mid(1).join(';'))
                     .toUtf8());
    }

    // What a watch costs is told while it is made, before Save, and says by
    // how much it would take the list past the limit of a check.
    void aWatchTellsItsCostBeforeItIsAdded_data()
    {
        QTest::addColumn<int>("itineraries"); // each up to 3 days later: 4 searches
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("cost");
        QTest::newRow("the exact date") << 0 << "From the date" << "Exact date" << "This watch: 1 day = 1 search";
        QTest::newRow("days either side")
            << 2 << "From 2 days earlier" << "Up to 3 days later" << "This watch: 6 days = 6 searches";
        QTest::newRow("up to the limit")
            << 24 << "From the date" << "Up to 3 days later" << "This watch: 4 days = 4 searches";
        QTest::newRow("past the limit")
            << 24 << "From 1 day earlier" << "Up to 5 days later"
            << "This watch: 7 days = 7 searches, 3 searches past the limit of 100 with the list's 96";
    }
    void aWatchTellsItsCostBeforeItIsAdded()
    {
        QFETCH(int, itineraries);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, cost);
        WindowRig rig("cost");
        rig.storeMember();
        watchFlexible(rig, itineraries, 3);
        rig.state.watchList.save();
        rig.open();
        rig.find<DateField>("dateField")->setDate(QDate(2027, 1, 20));
        choose(rig, "daysBeforeChoice", before);
        choose(rig, "extraDaysChoice", after);
        auto* label = rig.find<QLabel>("watchCostLabel");
        QVERIFY(label);
        QCOMPARE(label->text(), cost);
    }

    // A return journey made on the panel: its cost told beforehand, the line
    // written with the way back, or the refusal of a way back that cannot be.
    void aReturnJourneyIsMadeOnThePanel_data()
    {
        QTest::addColumn<QDate>("back");
        QTest::addColumn<QString>("backAfter");
        QTest::addColumn<bool>("wholeTrip");
        QTest::addColumn<QString>("cost");
        QTest::addColumn<QString>("message"); // empty when added
        QTest::addColumn<QString>("tail");    // after "...;SYD;PER;Any;1;1;1"
        QTest::addColumn<QStringList>("nearby"); // second origin, third origin, second destination
        QTest::newRow("same days both ways")
            << QDate(2027, 1, 30) << "Up to 1 day later" << false << "This watch: 2 legs × 3 days = 6 searches" << ""
            << ";30/01/2027;1;1" << QStringList();
        QTest::newRow("from either of two cities")
            << QDate(2027, 1, 30) << "Up to 1 day later" << false
            << "This watch: 2 legs × 2 pairs × 3 days = 12 searches" << "" << ";30/01/2027;1;1;;Brisbane/BNE"
            << QStringList{"Brisbane"};
        QTest::newRow("between either of three and either of two")
            << QDate(2027, 1, 30) << "Exact date" << false
            << "This watch: 6 pairs × (3 days out + 2 days back) = 30 searches" << ""
            << ";30/01/2027;0;1;;Brisbane/BNE|Melbourne/MEL;Adelaide/ADL" << QStringList{"Brisbane", "Melbourne", "Adelaide"};
        QTest::newRow("a city chosen twice is searched once")
            << QDate(2027, 1, 30) << "Up to 1 day later" << false << "This watch: 2 legs × 3 days = 6 searches" << ""
            << ";30/01/2027;1;1" << QStringList{"Sydney", "", "Perth"};
        QTest::newRow("a nearby city chosen in two places is searched once")
            << QDate(2027, 1, 30) << "Up to 1 day later" << false
            << "This watch: 2 legs × 2 pairs × 3 days = 12 searches" << "" << ";30/01/2027;1;1;;Brisbane/BNE"
            << QStringList{"Brisbane", "Brisbane"};
        QTest::newRow("a whole trip, other days")
            << QDate(2027, 1, 30) << "Exact date" << true << "This watch: 3 days out + 2 days back = 5 searches" << ""
            << ";30/01/2027;0;1;trip" << QStringList();
        QTest::newRow("a nearby city at the other end")
            << QDate(2027, 1, 30) << "Up to 1 day later" << false
            << "This watch: 2 legs × 2 pairs × 3 days = 12 searches"
            << "This itinerary cannot be flown: Sydney is at both ends of it. Please choose other cities." << ""
            << QStringList{"", "", "Sydney"};
        QTest::newRow("back before out")
            << QDate(2027, 1, 19) << "Exact date" << false << "This watch: 3 days out + 2 days back = 5 searches"
            << "Please choose a return date on or after the departure date, 20/01/2027." << "" << QStringList();
        QTest::newRow("back past the last date")
            << QDate(2027, 11, 26) << "Up to 1 day later" << false << "This watch: 2 legs × 3 days = 6 searches"
            << "Return: 26/11/2027 and the 1 days after it reach past 26/11/2027, the last date the airline "
               "searches: choose the exact date."
            << "" << QStringList();
    }
    void aReturnJourneyIsMadeOnThePanel()
    {
        QFETCH(QDate, back);
        QFETCH(QString, backAfter);
        QFETCH(bool, wholeTrip);
        QFETCH(QString, cost);
        QFETCH(QString, message);
        QFETCH(QString, tail);
        QFETCH(QStringList, nearby);
        WindowRig rig("return");
        rig.storeMember();
        rig.open();
        rig.find<DateField>("dateField")->setDate(QDate(2027, 1, 20));
        choose(rig, "originChoice", "Sydney");
        choose(rig, "destinationChoice", "Perth");
        const char* nearbyChoices[] = {"secondOriginChoice", "thirdOriginChoice", "secondDestinationChoice"};
        for (int i = 0; i < nearby.size(); ++i)
            if (!nearby[i].isEmpty())
                choose(rig, nearbyChoices[i], nearby[i]);
        choose(rig, "daysBeforeChoice", "From 1 day earlier");
        choose(rig, "extraDaysChoice", "Up to 1 day later");
        auto* returnCheck = rig.find<QCheckBox>("returnCheck");
        QVERIFY(returnCheck);
        QVERIFY(!rig.find<QWidget>("returnDateField")->isEnabled());
        returnCheck->setChecked(true);
        rig.find<DateField>("returnDateField")->setDate(back);
        choose(rig, "returnDaysBeforeChoice", "From 1 day earlier");
        choose(rig, "returnDaysAfterChoice", backAfter);
        rig.find<QCheckBox>("wholeTripCheck")->setChecked(wholeTrip);
        QCOMPARE(rig.find<QLabel>("watchCostLabel")->text(), cost);
        click(rig.find<ImageButton>("addItineraryButton"));
        if (!message.isEmpty()) {
            QCOMPARE(rig.boxes.shown.size(), 1);
            QCOMPARE(rig.boxes.shown[0].text, message);
            QVERIFY(!QFile::exists(rig.folder + "/Query.txt"));
            return;
        }
        QVERIFY(rig.boxes.shown.isEmpty());
        QCOMPARE(readFile(rig.folder + "/Query.txt"),
                 ("Sydney;Perth;20/01/2027;Morning;SYD;PER;Any;1;1;1" + tail + "\r\n").toUtf8());
    }

    // Rows of one trip for other seats read differently in the results
    // view, whose seats column stays beside the trip after every check.
    void resultRowsTellTheSeatsApart()
    {
        WindowRig rig("seats");
        rig.storeMember();
        const QString trip = "Sydney;Perth;01/01/2027;Morning;SYD;PER";
        for (const char* tail : {"", ";Business", ";Any;2", ";Business;2;1"})
            rig.watchLine(trip + tail);
        MainWindow& w = rig.open();
        w.showResultsPanel();
        auto* view = rig.find<QTreeView>("resultsList");
        for (int pass = 0; pass < 2; ++pass) {
            QStringList shown;
            for (int r = 0; r < 4; ++r)
                shown << view->model()->index(r, 2).data().toString() + " "
                             + view->model()->index(r, ResultsViewModel::kSeatsColumn).data().toString();
            QCOMPARE(shown, QStringList({"01/01/2027 1 adult", "01/01/2027 1 adult, Business",
                                         "01/01/2027 2 adults", "01/01/2027 +1 2 adults, Business"}));
            QVERIFY(view->header()->visualIndex(ResultsViewModel::kSeatsColumn)
                    < view->header()->visualIndex(ResultsViewModel::kLastSeenColumn));
            QVERIFY(!view->isColumnHidden(ResultsViewModel::kSeatsColumn));
            rig.found(4, "Y-");
        }
    }

    // At the first size, ten itineraries of every kind read whole where the
    // list has the room: each column as wide as what it holds, the dates with
    // the return date in sight; a cell still cut short tells its whole text
    // when hovered, and no column keeps room it does not need meanwhile.
    void tenMixedItinerariesReadWhole()
    {
        WindowRig rig("mixed");
        rig.storeMember();
        for (const QString& line : kMixedItineraries)
            rig.watchLine(line);
        MainWindow& w = rig.open();
        w.showItineraryPanel();
        w.resize(940, 620);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        auto* list = rig.find<QTreeWidget>("itineraryList");
        QCOMPARE(list->topLevelItemCount(), 10);
        QAbstractItemModel* m = list->model();
        const int dateColumn = 2;
        // The return dates are in sight.
        for (int r = 0; r < 10; ++r) {
            const QModelIndex date = m->index(r, dateColumn);
            QVERIFY2(textNeed(list, date) <= textRoom(list, date),
                     qPrintable(QString("%1 in %2 px").arg(date.data().toString()).arg(textRoom(list, date))));
        }
        QVERIFY(m->index(1, dateColumn).data().toString().contains("back 14/02/2027"));
        bool anyCut = false;
        QList<int> widest; // by column: its heading or its widest text, with margins
        for (int c = 0; c < m->columnCount(); ++c) {
            widest << list->header()->sectionSizeHint(c);
            if (list->isColumnHidden(c))
                continue;
            for (int r = 0; r < 10; ++r) {
                const QModelIndex i = m->index(r, c);
                widest[c] = std::max(widest[c], textNeed(list, i) + list->visualRect(i).width() - textRoom(list, i));
                if (textNeed(list, i) <= textRoom(list, i))
                    continue;
                anyCut = true;
                // Cut short: hovered, it tells its whole text.
                const QPoint at = list->visualRect(i).center();
                QHelpEvent tip(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
                QCoreApplication::sendEvent(list->viewport(), &tip);
                QTRY_COMPARE(QToolTip::text(), i.data().toString());
                QToolTip::hideText();
            }
        }
        // The Travellers column once held 380 px of nothing while the dates
        // were cut: while any cell is cut, no column is wider than it needs.
        for (int c = 0; c < m->columnCount() && anyCut; ++c)
            if (!list->isColumnHidden(c))
                QVERIFY2(list->columnWidth(c) <= widest[c] + 2, qPrintable(m->headerData(c, Qt::Horizontal).toString()));
        QVERIFY2(list->columnWidth(7) < 2 * widest[7], qPrintable(QString::number(list->columnWidth(7))));
    }

    // A check makes at most 100 award searches: an itinerary that would take
    // it past them is refused, saying by how many, and nothing is written.
    void searchesPastTheLimitAreRefused_data()
    {
        QTest::addColumn<int>("itineraries"); // each up to 3 days later: 4 searches
        QTest::addColumn<QString>("extraDays");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("size");
        QTest::newRow("up to the limit") << 24 << "Up to 3 days later" << ""
                                         << "100 searches, about 51 minutes per check";
        QTest::newRow("three over")
            << 24 << "Up to 6 days later"
            << "With this itinerary the watch list would make 103 searches per check; the limit is 100. "
               "Remove 3 searches first: delete itineraries or search fewer days."
            << "96 searches, about 49 minutes per check";
        QTest::newRow("one over, on the exact date")
            << 25 << "Exact date"
            << "With this itinerary the watch list would make 101 searches per check; the limit is 100. "
               "Remove 1 search first: delete itineraries or search fewer days."
            << "100 searches, about 51 minutes per check";
    }
    void searchesPastTheLimitAreRefused()
    {
        QFETCH(int, itineraries);
        QFETCH(QString, extraDays);
        QFETCH(QString, message);
        QFETCH(QString, size);
        WindowRig rig("limit");
        rig.storeMember();
        watchFlexible(rig, itineraries, 3);
        rig.state.watchList.save();
        const QByteArray before = readFile(rig.folder + "/Query.txt");
        MainWindow& w = rig.open();
        w.setStatus("before");
        choose(rig, "destinationChoice", "Perth");
        choose(rig, "extraDaysChoice", extraDays);
        click(rig.find<ImageButton>("addItineraryButton"));

        const bool refused = !message.isEmpty();
        QCOMPARE(rig.boxes.shown.size(), refused ? 1 : 0);
        if (refused) {
            QCOMPARE(rig.boxes.shown[0].text, message);
            QCOMPARE(rig.boxes.shown[0].title, kZelvaneAlert);
            QCOMPARE(readFile(rig.folder + "/Query.txt"), before);
            QCOMPARE(w.status(), QString("before"));
        }
        QCOMPARE(rig.find<QTreeWidget>("itineraryList")->topLevelItemCount(), itineraries + (refused ? 0 : 1));
        QCOMPARE(rig.find<QLabel>("sessionSizeLabel")->text(), size);
    }
};

QTEST_MAIN(TestItineraryPanel)
#include "test_itinerary_panel.moc"
