// The session's waits: whole seconds on the clock, and a browser that never
// settles cannot hold a session nor pass off an old page as the answer.
#include "app/modMain.h"
#include "engine/CheckEngine.h"
#include "engine/ResultTable.h"
#include "engine/Waits.h"
#include "engine/WebBrowser.h"
#include "net/Addresses.h"
#include "notify/ResultsViewModel.h"
#include "support/EngineDoubles.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

// Logs in at once, then hangs on every search while still showing a page
// that would read as seats found.
class StuckBrowser final : public WebBrowser {
public:
    void Navigate(const QString& url) override
    {
        busy_ = !url.contains("dologin");
        location_ = busy_ ? url : airlineBase() + kAccountPath;
    }
    bool Busy() const override { return busy_; }
    QString LocationURL() const override { return location_; }
    std::optional<QString> documentText() const override { return QString("Award Availability"); }
    std::optional<QString> frameText(int) const override
    {
        return QString("DepartingArrivingFlightAircraftStopsEcon.Bus.FirstQF1 stale");
    }
    std::optional<QString> documentHtml() const override { return QString(); }

private:
    bool busy_ = false;
    QString location_;
};

} // namespace

class TestWaits : public QObject {
    Q_OBJECT

private slots:
    void timedWaitEndsWhenTheSecondCountHasMoved()
    {
        RealWaits waits(SystemClock::instance(), 1.0);
        const QDateTime start = QDateTime::currentDateTime();
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(waits.timedWait(1));
        QVERIFY(QDateTime::currentDateTime().toSecsSinceEpoch() - start.toSecsSinceEpoch() >= 1);
        QVERIFY(t.elapsed() <= 1100);
    }

    void aPageThatNeverLoadsIsNotRead()
    {
        qputenv("ZELVANE_AIRLINE_URL", "https://airline.test");
        MemorySettingsArea area;
        const QString folder = freshFolder("waits");
        modMain state(area, SystemClock::instance(), folder, folder);
        state.settings.m_dMemberNo = 42;
        state.settings.m_nMailSendType = 2;
        state.itineraries.append("Sydney;Melbourne;25/12/2026;Morning;SYD;MEL");
        ResultsViewModel results;
        ResultTable table;
        StuckBrowser b1, b3;
        RealWaits waits(SystemClock::instance(), 0.0, 50ms);
        RecordingSessionView view(SystemClock::instance());
        RecordingMail mail;
        CheckEngine engine(state, results, table, {b1, b3}, waits, view, mail);

        QElapsedTimer t;
        t.start();
        QCOMPARE(QCoro::waitFor(engine.MainPro()), SessionOutcome::Completed);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(results.row(1).icon, int(kIconNotAvailable));
        QVERIFY(table.entry(0).ResultText.isEmpty());
        QVERIFY(view.popups.isEmpty());
        qunsetenv("ZELVANE_AIRLINE_URL");
    }
};

QTEST_GUILESS_MAIN(TestWaits)
#include "test_waits.moc"
