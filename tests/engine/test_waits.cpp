// The session's waits: whole seconds on the clock, the busy wait woken by the
// browser as soon as it settles, and a browser that never settles cannot
// hold a session nor pass off an old page as the answer.
#include "startup/Startup.h"
#include "engine/CheckEngine.h"
#include "itineraries/WatchListFile.h"
#include "engine/Waits.h"
#include "browser/WebBrowser.h"
#include "net/Addresses.h"
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
    void navigate(const QString& url) override
    {
        busy_ = !url.contains("dologin");
        location_ = busy_ ? url : airlineBase() + kAccountPath;
    }
    bool busy() const override { return busy_; }
    QString locationUrl() const override { return location_; }
    PageStatus pageStatus() const override { return {200, "OK"}; }
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

// After navigate, changes its busy state at set moments, saying so or not.
struct Step {
    int atMs;
    bool busy;
    bool signal;
};

class ScriptedBrowser final : public WebBrowser {
public:
    explicit ScriptedBrowser(QList<Step> steps) : steps_(std::move(steps)) {}
    void navigate(const QString&) override
    {
        busy_ = true;
        for (const Step& s : steps_)
            QTimer::singleShot(s.atMs, this, [this, s] {
                busy_ = s.busy;
                if (s.signal)
                    emit busyEnded();
            });
    }
    bool busy() const override { return busy_; }
    QString locationUrl() const override { return {}; }
    PageStatus pageStatus() const override { return {}; }
    std::optional<QString> documentText() const override { return std::nullopt; }
    std::optional<QString> frameText(int) const override { return std::nullopt; }
    std::optional<QString> documentHtml() const override { return std::nullopt; }

private:
    QList<Step> steps_;
    bool busy_ = false;
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

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

    void busyWaitEndsWhenTheBrowserSettles_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("atLeastMs");
        QTest::addColumn<int>("atMostMs");

        // The wait looks at busy again once a second on its own; ending well
        // before that shows the browser's signal woke it.
        QTest::newRow("woken by the signal") << QList<Step>{{20, false, true}} << true << 15 << 700;
        QTest::newRow("signal twice") << QList<Step>{{20, false, true}, {20, false, true}} << true
                                      << 15 << 700;
        QTest::newRow("signal while a new load is under way")
            << QList<Step>{{20, true, true}, {200, false, true}} << true << 190 << 900;
        QTest::newRow("settles without a word") << QList<Step>{{20, false, false}} << true << 15
                                                << 2500;
        QTest::newRow("never settles: the bound ends it") << QList<Step>{} << false << 1200
                                                         << 4000;
        QTest::newRow("settles after the bound") << QList<Step>{{3000, false, true}} << false
                                                 << 1200 << 2900;
    }

    void busyWaitEndsWhenTheBrowserSettles()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(bool, loaded);
        QFETCH(int, atLeastMs);
        QFETCH(int, atMostMs);
        ScriptedBrowser browser(steps);
        RealWaits waits(SystemClock::instance(), 0.0, 1200ms);
        QElapsedTimer t;
        t.start();
        browser.navigate(QString());
        QCOMPARE(QCoro::waitFor(waits.busyWait(browser)), loaded);
        const qint64 ms = t.elapsed();
        QVERIFY2(ms >= atLeastMs && ms <= atMostMs, qPrintable(QString("%1 ms").arg(ms)));
        QTest::qWait(50); // a late signal must not resume a wait that has ended
    }

    void aPageThatNeverLoadsIsNotRead()
    {
        qputenv("ZELVANE_AIRLINE_URL", "https://airline.test");
        MemorySettingsArea area;
        const QString folder = freshFolder("waits");
        ProgramData state(area, SystemClock::instance(), folder, folder);
        state.settings.member.change([](Member& m) { m.number = 42; });
        state.settings.mailPolicy.set(MailPolicy::Never);
        state.watchList.add(readItineraryLine("Sydney;Melbourne;25/12/2026;Morning;SYD;MEL").itinerary);
        CheckResults results(state.watchList);
        StuckBrowser b1, b3;
        RealWaits waits(SystemClock::instance(), 0.0, 50ms);
        RecordingMail mail;
        CheckEngine engine(state.parts.data, results, {b1, b3}, waits, mail);
        SessionRecorder view(engine, SystemClock::instance());

        QElapsedTimer t;
        t.start();
        QCOMPARE(QCoro::waitFor(engine.runCheck()), SessionOutcome::Completed);
        QVERIFY(t.elapsed() < 5000);
        // No page came: not checked, as the history records it, not "not available".
        QCOMPARE(results.at(1).availability(), Availability::NotKnown);
        QCOMPARE(results.at(1).reason(), QString("the result page did not load"));
        QVERIFY(view.announcements.isEmpty());
        qunsetenv("ZELVANE_AIRLINE_URL");
    }
};

QTEST_GUILESS_MAIN(TestWaits)
#include "test_waits.moc"
