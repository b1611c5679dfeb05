// The itinerary panel's travellers and extra days as the user chooses them:
// the line written, what the lists show, the size of a check told
// beforehand, and the refusal past the airline's limit of searches.
// Offscreen; controls found by name, boxes answered through the seam.
#include "WindowRig.h"

#include "itineraries/ItineraryEditing.h"
#include "results/ResultsViewModel.h"
#include "ui/ImageButton.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
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
        choose(rig, "adultsChoice", "2 adults");
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
            QCOMPARE(rig.boxes.shown[0].title, kZlvAlert);
            QCOMPARE(readFile(rig.folder + "/Query.txt"), before);
            QCOMPARE(w.status(), QString("before"));
        }
        QCOMPARE(rig.find<QTreeWidget>("itineraryList")->topLevelItemCount(), itineraries + (refused ? 0 : 1));
        QCOMPARE(rig.find<QLabel>("sessionSizeLabel")->text(), size);
    }
};

QTEST_MAIN(TestItineraryPanel)
#include "test_itinerary_panel.moc"
