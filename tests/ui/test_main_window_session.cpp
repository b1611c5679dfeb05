// One whole check session started from "Check Itinerary Now" in the real
// window, with the real browser, against the simulated airline site, the
// fixed pauses scaled down.
#include "WindowRig.h"

#include "engine/CheckEngine.h"
#include "app/MemberDetails.h"
#include "engine/CityUpdate.h"
#include "support/EngineDoubles.h"
#include "support/SiteSim.h"

#include "itineraries/CityLists.h"
#include "ui/ImageButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QUrlQuery>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
namespace st = zelvane::status;

namespace {

// A site whose list inserts Ballina before the cities the program knows.
const char* const kCitiesSite = R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
                                    "cities": {"names": ["Ballina", "Melbourne", "Sydney", "Tamworth"],
                                               "codes": ["BNK", "MEL", "SYD", "TMW"]},
                                    "site": {"alert": null, "version": null}})";

// The city files the program starts with, and a member to update with.
void knowCities(WindowRig& rig, const QByteArray& names, const QByteArray& codes)
{
    writeFile(rig.folder + "/City.txt", names);
    writeFile(rig.folder + "/City Code.txt", codes);
    rig.state.cities = CityLists(rig.folder);
    rig.state.cities.load();
    rig.storeMember();
}

// Chooses the two cities on the itinerary panel and presses Add.
void addTrip(WindowRig& rig, const char* from, const char* to)
{
    auto* origin = rig.find<QComboBox>("originChoice");
    auto* destination = rig.find<QComboBox>("destinationChoice");
    origin->setCurrentIndex(origin->findText(from));
    destination->setCurrentIndex(destination->findText(to));
    click(rig.find<ImageButton>("addItineraryButton"));
}

// The window as the engine sees it, every status kept in order.
class RecordingWindow final : public MainWindow {
public:
    using MainWindow::MainWindow;
    void setStatus(const StatusMessage& message) override
    {
        statuses << message.words();
        MainWindow::setStatus(message);
    }
    QStringList statuses;
};

// Starts the simulator and points every address of the program at it, with
// the fixed pauses scaled down.
bool pointAtSimulator(SiteSim& sim)
{
    if (!sim.start())
        return false;
    for (const char* var : {"ZELVANE_AIRLINE_URL", "ZELVANE_SITE_URL", "ZELVANE_RELAY_URL"})
        qputenv(var, sim.baseUrl().toUtf8());
    qputenv("ZELVANE_CA_FILE", sim.caFile().toUtf8());
    qputenv("ZELVANE_TIME_SCALE", "0.02");
    return true;
}

} // namespace

class TestMainWindowSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { freshHome(); }

    void checkNowRunsAWholeSession()
    {
        SiteSim sim(R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
                        "available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026",
                                       "rows": [["09:05 SYD", "10:35 MEL", "QF 401", "738", "0",
                                                 "Yes", "No", "No"]]}],
                        "site": {"alert": null, "version": null}})");
        QVERIFY(pointAtSimulator(sim));

        WindowRig rig("session", true);
        rig.storeMember();
        rig.state.settings.mailPolicy.set(MailPolicy(2));
        rig.watchLine("Sydney;Melbourne;25/12/2026;Morning;SYD;MEL");
        rig.watchLine("Perth;Darwin;03/01/2027;Evening;PER;DRW");
        auto& w = rig.open<RecordingWindow>();
        w.show();
        QSignalSpy popups(&w.engine(), &CheckEngine::seatsAnnounced);
        // Nothing sent yet is a figure too.
        QCOMPARE(rig.find<QLabel>("loginsSentLabel")->text(), QString("0"));
        QCOMPARE(rig.find<QLabel>("throttleMinutesLabel")->text(), QString("0"));

        rig.find<QPushButton>("checkNowKey")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.statuses.contains(st::kCompleted), 120000);

        const QStringList expected = {st::kWaitingNewSession, st::kWaitingLogin, st::kSendingLogin,
                                      st::kLoginOk,           st::checking(1),   st::processed(1),
                                      st::checking(2),        st::processed(2),  st::kCompleted};
        QCOMPARE(w.statuses.mid(0, expected.size()), expected);
        QCOMPARE(popups.count(), 1);
        // Told with the way to book: the airline's award search of that day.
        const Announcement told = popups[0][0].value<Announcement>();
        QCOMPARE(told, (Announcement{"Sydney", "Melbourne", "25/12/2026", false, {}, {}, {}, told.booking}));
        const QUrlQuery search{QUrl(told.booking)};
        QVERIFY2(told.booking.startsWith(sim.baseUrl() + "/") && search.queryItemValue("QAB_availabilitySearch_departureCity") == "SYD"
                     && search.queryItemValue("QAB_availabilitySearch_departureDay") == "25",
                 qPrintable(told.booking));
        QVERIFY(!rig.find<QWidget>("resultsPanel")->isHidden());
        QCOMPARE(w.results().index(0, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::Seats));
        QCOMPARE(w.results().index(1, 0).data(ResultsViewModel::kAvailabilityRole).toInt(), int(Availability::NoSeats));
        QVERIFY(!rig.find<QLabel>("lastLoginLabel")->text().isEmpty());
        // The login the session sent, counted as soon as it went.
        QCOMPARE(rig.find<QLabel>("loginsSentLabel")->text(), QString("1"));

        auto* view = rig.find<QTreeView>("resultsList");
        emit view->clicked(view->model()->index(0, 0));
        QVERIFY2(rig.find<QTextEdit>("detailsText")->toPlainText().contains("QF 401"),
                 qPrintable(rig.find<QTextEdit>("detailsText")->toPlainText()));
    }

    // "Check For Updates" and the login "Test" before any check of this run
    // log in with the stored details; an update that finds no city list
    // says so rather than that it succeeded, and one the airline refused the
    // login to says that.
    void updateAndLoginTestUseTheStoredDetails_data()
    {
        QTest::addColumn<QString>("cities");
        QTest::addColumn<QString>("pin"); // stored; the airline's is 0000
        QTest::addColumn<QString>("said");
        const QString lists = R"({"names": ["Adelaide", "Albany", "Brisbane", "Melbourne", "Perth", "Sydney"],
                                  "codes": ["ADL", "ALH", "BNE", "MEL", "PER", "SYD"]})";
        QTest::newRow("the site lists its cities") << lists << "0000" << kCityUpdateDone;
        QTest::newRow("no city list on the page") << "null" << "0000" << kCityUpdateFailed;
        QTest::newRow("the login refused") << lists << "9999" << kCityUpdateLoginRefused;
    }
    void updateAndLoginTestUseTheStoredDetails()
    {
        QFETCH(QString, cities);
        QFETCH(QString, pin);
        QFETCH(QString, said);
        SiteSim sim(QString(R"({"member": {"number": "1234567", "surname": "Smith", "pin": "0000"},
                                "cities": %1, "site": {"alert": null, "version": null}})").arg(cities));
        QVERIFY(pointAtSimulator(sim));
        WindowRig rig("stored", true);
        rig.storeMember();
        rig.state.settings.member.change([&](Member& m) { QVERIFY(m.setPinText(pin)); });
        auto& w = rig.open<RecordingWindow>();

        w.updateCities();
        QTRY_VERIFY_WITH_TIMEOUT(w.statuses.contains(said), 60000);
        for (const QString& other : {kCityUpdateDone, kCityUpdateFailed, kCityUpdateLoginRefused})
            QVERIFY2(other == said || !w.statuses.contains(other), qPrintable(other));
        QCOMPARE(sim.requests("login").value(0)["accepted"].toBool(), pin == "0000");
        QCOMPARE(readFile(rig.folder + "/City.txt").count("\r\n"), said == kCityUpdateDone ? 6 : 5);

        w.showMemberPanel();
        rig.find<QPushButton>("loginTestButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.statuses.contains(st::kTestOk) || w.statuses.contains(st::kTestFailed), 60000);
        QCOMPARE(w.status(), pin == "0000" ? st::kTestOk : st::kTestFailed);
    }

    // "Test" and "Check Itinerary Now" with details the airline cannot be
    // sent (none on a first run, a hand-edited PIN) send nothing and say what
    // is missing or wrong, without a box; the test's word on wrong details
    // saved goes once they are saved again.
    void detailsThatCannotBeSentAreNamedNotSent_data()
    {
        QTest::addColumn<QString>("storedPin"); // "": nothing stored
        QTest::addColumn<QString>("said");
        QTest::newRow("first run") << "" << kFillAllRequired;
        QTest::newRow("PIN -5") << "-5" << storedDetailWarning("the stored PIN is not digits only");
    }
    void detailsThatCannotBeSentAreNamedNotSent()
    {
        QFETCH(QString, storedPin);
        QFETCH(QString, said);
        SiteSim sim(R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
                        "site": {"alert": null, "version": null}})");
        QVERIFY(pointAtSimulator(sim));
        WindowRig rig("unsendable", true);
        if (!storedPin.isEmpty()) {
            rig.storeMember();
            rig.area.values.insert("Pin", storedPin);
            rig.state.settings.load();
            rig.watchLine("Sydney;Melbourne;25/12/2026;Morning;SYD;MEL");
        }
        auto& w = rig.open<RecordingWindow>();
        if (!storedPin.isEmpty())
            QCOMPARE(w.status(), said); // as the window opens
        w.showMemberPanel();
        rig.find<QPushButton>("loginTestButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.status() != st::kAttempting, 60000);
        QCOMPARE(w.status(), said);
        rig.find<QPushButton>("checkNowKey")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.status(), said, 60000);
        QVERIFY(sim.requests("login").isEmpty());
        QVERIFY(rig.find<QLineEdit>("pinEdit")->isEnabled()); // open to be put right
        QVERIFY2(rig.boxes.shown.isEmpty(), qPrintable(rig.boxes.shown.value(0).text));

        const auto save = [&](const QString& pin) {
            for (auto [name, text] :
                 {std::pair{"memberNumberEdit", "1234567"}, {"surnameEdit", "Smith"}, {"emailEdit", "s@example.com"}})
                rig.find<QLineEdit>(name)->setText(text);
            rig.find<QLineEdit>("pinEdit")->setText(pin);
            rig.find<QComboBox>("intervalChoice")->setCurrentIndex(1);
            click(rig.find<ImageButton>("saveDetailsButton"));
            click(rig.find<ImageButton>("changeDetailsButton"));
        };
        save("9999");
        rig.find<QPushButton>("loginTestButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.status(), st::kTestFailed, 60000);
        save("1234");
        QCOMPARE(w.status(), storedPin.isEmpty() ? kDetailsSavedAddItinerary : kDetailsSaved);
    }

    // "Check For Updates" clicked again and again: nothing is sent without
    // details that can be sent, and never more than three logins in five
    // minutes, each counted in the status row; the fourth waits.
    void updatesKeepToTheLoginLimit_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("logins");
        QTest::addColumn<QString>("said");
        QTest::newRow("first run") << false << 0 << kFillAllRequired;
        QTest::newRow("details stored") << true << 3 << kCityUpdateWaiting;
    }
    void updatesKeepToTheLoginLimit()
    {
        QFETCH(bool, stored);
        QFETCH(int, logins);
        QFETCH(QString, said);
        SiteSim sim(R"({"member": {"number": "1234567", "surname": "Smith", "pin": "1234"},
                        "site": {"alert": null, "version": null}})");
        QVERIFY(pointAtSimulator(sim));
        WindowRig rig("limit", true);
        if (stored)
            rig.storeMember();
        auto& w = rig.open<RecordingWindow>();
        w.show();
        for (int click = 1; click <= 5; ++click) {
            w.updateCities();
            // The next click once this one has said how it went.
            QTRY_VERIFY_WITH_TIMEOUT(w.status() != kCityUpdateOpening
                                         && w.status() != "Getting Updates From Qantas Website...",
                                     60000);
        }
        QCOMPARE(w.status(), said);
        QCOMPARE(sim.requests("login").size(), logins);
        QCOMPARE(rig.find<QLabel>("loginsSentLabel")->text(), QString::number(logins));
        // The window closes: the update that waited goes on, and ends.
        resetThrottle(w.engine());
        if (stored)
            QTRY_COMPARE_WITH_TIMEOUT(w.status(), kCityUpdateDone, 60000);
    }

    // "Check For Updates" brings a list with a city inserted before the ones
    // already shown: a flight added afterwards carries its own cities' codes,
    // not those of the cities one line further up.
    void itinerariesAddedAfterACityUpdateCarryTheirOwnCodes()
    {
        SiteSim sim(kCitiesSite);
        QVERIFY(pointAtSimulator(sim));

        WindowRig rig("update", true);
        knowCities(rig, "Melbourne\r\nSydney\r\nTamworth\r\n", "MEL\r\nSYD\r\nTMW\r\n");
        rig.watchLine("Melbourne;Tamworth;25/12/2026;Morning;MEL;TMW");
        auto& w = rig.open<RecordingWindow>();
        rig.find<QPushButton>("checkNowKey")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.statuses.contains(st::kCompleted), 60000);
        w.updateCities();
        QTRY_VERIFY_WITH_TIMEOUT(w.statuses.contains("Update From Qantas Website Successfully Completed..."), 60000);
        QCOMPARE(readFile(rig.folder + "/City.txt"), QByteArray("Ballina\r\nMelbourne\r\nSydney\r\nTamworth\r\n"));

        w.showItineraryPanel();
        addTrip(rig, "Sydney", "Melbourne");
        QCOMPARE(rig.state.watchList.count(), 2);
        QCOMPARE(rig.state.watchList.at(2).origin, (City{"Sydney", "SYD"}));
        QCOMPARE(rig.state.watchList.at(2).destination, (City{"Melbourne", "MEL"}));
    }

    // The data folder goes away while the program runs (a disk unplugged):
    // a city update and an added itinerary say they were not saved, nothing
    // is taken that its file does not hold, and once the folder is back the
    // next change writes the whole list.
    void writesThatFailAreTold()
    {
        SiteSim sim(kCitiesSite);
        QVERIFY(pointAtSimulator(sim));
        WindowRig rig("gone", true);
        knowCities(rig, "Melbourne\r\nSydney\r\n", "MEL\r\nSYD\r\n");
        auto& w = rig.open<RecordingWindow>();
        QVERIFY(QDir(rig.folder).removeRecursively());

        w.updateCities();
        QTRY_VERIFY_WITH_TIMEOUT(w.status().startsWith("Update From Qantas Website Not Saved: the data folder"), 60000);
        QCOMPARE(rig.state.cities.names, QStringList({"Melbourne", "Sydney"}));

        w.showItineraryPanel();
        addTrip(rig, "Sydney", "Melbourne");
        QCOMPARE(rig.boxes.shown.size(), 1);
        QVERIFY2(rig.boxes.shown[0].text.startsWith("The watch list could not be saved: the data folder"),
                 qPrintable(rig.boxes.shown[0].text));
        QCOMPARE(rig.state.watchList.count(), 1);

        QVERIFY(QDir().mkpath(rig.folder));
        addTrip(rig, "Melbourne", "Sydney");
        QCOMPARE(rig.boxes.shown.size(), 1);
        const QByteArray file = readFile(rig.folder + "/Query.txt");
        QVERIFY2(file.startsWith("Sydney;Melbourne;") && file.contains("\r\nMelbourne;Sydney;"), file.constData());
    }
};

QTEST_MAIN(TestMainWindowSession)
#include "test_main_window_session.moc"
