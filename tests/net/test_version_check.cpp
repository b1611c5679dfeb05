// The version check and the special notice: what a version file announces,
// the update offer, and both files fetched from the simulated product site.
#include "net/VersionCheck.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

const NetTimeouts kShort{5000ms, 10000ms};

QString siteScenario(const QJsonObject& site)
{
    return QString::fromUtf8(QJsonDocument(QJsonObject{{"site", site}}).toJson(QJsonDocument::Compact));
}

struct State {
    ProductNews main;
};

} // namespace

class TestVersionCheck : public QObject {
    Q_OBJECT

private slots:
    void runningVersionLeavesOutTheRevision()
    {
        QCOMPARE(runningVersionText(), QString("1.1"));
    }

    // Every row starts from a flag already set and an earlier address, to see
    // what each outcome clears and what it leaves.
    void versionFileDecides_data()
    {
        QTest::addColumn<bool>("fetched");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("panelUp");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("panelAsked");
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("newer, with an address") << true << "1.2,http://u.example/get.htm" << "1.1" << false
            << int(VersionCheckOutcome::NewVersion) << true << "http://u.example/get.htm" << 1;
        row("same version") << true << "1.1,http://u.example/get.htm" << "1.1" << false
            << int(VersionCheckOutcome::NotNewer) << false << "earlier" << 0;
        row("older version") << true << "1.0,http://u.example/get.htm" << "1.1" << false
            << int(VersionCheckOutcome::NotNewer) << false << "earlier" << 0;
        row("newer, no comma") << true << "1.2" << "1.1" << false
            << int(VersionCheckOutcome::NoAddress) << false << "" << 1;
        row("newer, empty address") << true << "1.2," << "1.1" << false
            << int(VersionCheckOutcome::NoAddress) << false << "" << 1;
        row("1.10 is not newer than 1.9, as texts") << true << "1.10,http://u.example/" << "1.9" << false
            << int(VersionCheckOutcome::NotNewer) << false << "earlier" << 0;
        row("1.1.1 is newer than 1.1") << true << "1.1.1,http://u.example/" << "1.1" << false
            << int(VersionCheckOutcome::NewVersion) << true << "http://u.example/" << 1;
        row("empty first field") << true << ",http://u.example/" << "1.1" << false
            << int(VersionCheckOutcome::NotNewer) << false << "earlier" << 0;
        row("empty file") << true << "" << "1.1" << false
            << int(VersionCheckOutcome::NotNewer) << false << "earlier" << 0;
        row("a final line break belongs to the address") << true << "1.2,http://u.example/\r\n" << "1.1"
            << false << int(VersionCheckOutcome::NewVersion) << true << "http://u.example/\r\n" << 1;
        row("fields after the second are ignored") << true << "1.2,http://u.example/, extra" << "1.1"
            << false << int(VersionCheckOutcome::NewVersion) << true << "http://u.example/" << 1;
        // The address goes to the desktop to open; the file comes over plain HTTP.
        row("newer, a local file as address") << true << "1.2,file:///home/u/run.desktop" << "1.1"
            << false << int(VersionCheckOutcome::NoAddress) << false << "" << 1;
        row("newer, no host in the address") << true << "1.2,get.htm" << "1.1" << false
            << int(VersionCheckOutcome::NoAddress) << false << "" << 1;
        row("fetch failed") << false << "" << "1.1" << false
            << int(VersionCheckOutcome::FetchFailed) << false << "earlier" << 0;
        row("results panel up: everything left as it was") << true << "1.2,http://u.example/" << "1.1"
            << true << int(VersionCheckOutcome::ResultsShown) << true << "earlier" << 1;
    }
    void versionFileDecides()
    {
        QFETCH(bool, fetched);
        QFETCH(QString, body);
        QFETCH(QString, running);
        QFETCH(bool, panelUp);
        QFETCH(int, outcome);
        QFETCH(bool, flag);
        QFETCH(QString, address);
        QFETCH(int, panelAsked);
        State s;
        s.main.newVersion = true;
        s.main.updateAddress = "earlier";
        int asked = 0;
        const auto panel = [&] {
            ++asked;
            return panelUp;
        };
        const VersionCheckOutcome got = applyVersionFile(
            s.main, fetched ? std::optional<QString>(body) : std::nullopt, panel, running);
        QCOMPARE(int(got), outcome);
        QCOMPARE(s.main.newVersion, flag);
        QCOMPARE(showNewVersionLabel(s.main), flag);
        QCOMPARE(s.main.updateAddress, address);
        // Asking about the panel can bring up the main window: only when it matters.
        QCOMPARE(asked, panelAsked);
    }

    void updateOffer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("no address: nothing asked") << "" << int(MsgAnswer::Yes) << 0 << false;
        QTest::newRow("No") << "http://u.example/" << int(MsgAnswer::No) << 1 << false;
        QTest::newRow("Yes") << "http://u.example/" << int(MsgAnswer::Yes) << 1 << true;
    }
    void updateOffer()
    {
        QFETCH(QString, address);
        QFETCH(int, answer);
        QFETCH(int, boxes);
        QFETCH(bool, accepted);
        State s;
        s.main.updateAddress = address;
        RecordingMessageBoxes box;
        box.answers.push_back(MsgAnswer(answer));
        QCOMPARE(offerUpdate(s.main, box), accepted);
        QCOMPARE(box.shown.size(), boxes);
        if (boxes) {
            QCOMPARE(box.shown.front().text,
                     QString("Your program will now close and you will be taken to the Update page. "
                             "Press No to update later..."));
            QCOMPARE(box.shown.front().title, QString("Get Latest"));
            QCOMPARE(box.shown.front().icon, MsgIcon::Information);
            QCOMPARE(box.shown.front().buttons, MsgButtons::YesNo);
        }
    }

    void versionFileFromTheSite_data()
    {
        QTest::addColumn<QJsonValue>("version");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("address");
        QTest::newRow("newer") << QJsonValue("1.2,http://www.zelvane.example/download.html")
                               << int(VersionCheckOutcome::NewVersion)
                               << "http://www.zelvane.example/download.html";
        QTest::newRow("current") << QJsonValue("1.1,http://www.zelvane.example/download.html")
                                 << int(VersionCheckOutcome::NotNewer) << "";
        QTest::newRow("missing file") << QJsonValue(QJsonValue::Null)
                                      << int(VersionCheckOutcome::FetchFailed) << "";
    }
    void versionFileFromTheSite()
    {
        QFETCH(QJsonValue, version);
        QFETCH(int, outcome);
        QFETCH(QString, address);
        SiteSim sim(siteScenario({{"version", version}}), false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        State s;
        const VersionCheckOutcome got =
            QCoro::waitFor(checkVersion(s.main, [] { return false; }, kShort));
        QCOMPARE(int(got), outcome);
        QCOMPARE(s.main.updateAddress, address);
        QCOMPARE(sim.requests("version").size(), 1);
        QCOMPARE(sim.requests("version").front().value("method").toString(), QString("GET"));
    }

    void noticeFromTheSite_data()
    {
        QTest::addColumn<QJsonValue>("alert");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("notice");
        QTest::newRow("several lines, shown whole")
            << QJsonValue("Site maintenance tonight.\r\nChecks may fail until 02:00.\r\n") << true
            << "Site maintenance tonight.\r\nChecks may fail until 02:00.\r\n";
        QTest::newRow("empty file empties the notice") << QJsonValue("") << true << "";
        QTest::newRow("missing file keeps the old notice") << QJsonValue(QJsonValue::Null) << false
                                                           << "old notice";
    }
    void noticeFromTheSite()
    {
        QFETCH(QJsonValue, alert);
        QFETCH(bool, replaced);
        QFETCH(QString, notice);
        SiteSim sim(siteScenario({{"alert", alert}}), false);
        QVERIFY(sim.start());
        qputenv("ZELVANE_SITE_URL", sim.baseUrl().toUtf8());
        State s;
        s.main.noticeText = "old notice";

        QCOMPARE(QCoro::waitFor(fetchNotice(s.main, noticeAddress(), kShort)), replaced);
        QCOMPARE(s.main.noticeText, notice);
        QCOMPARE(showNoticeButton(s.main), !notice.isEmpty());
        QCOMPARE(sim.requests("alert").size(), 1);

        RecordingMessageBoxes box;
        showNotice(s.main, box);
        QCOMPARE(box.shown.front().text, notice);
        QCOMPARE(box.shown.front().title, QString("ZLV Special Notice"));
        QCOMPARE(box.shown.front().icon, MsgIcon::Information);
        QCOMPARE(box.shown.front().buttons, MsgButtons::Ok);
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "test_version_check.moc"
