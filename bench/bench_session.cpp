// A whole check session of 100 itineraries against the simulated site on
// loopback, the fixed pauses scaled to nothing: wall time, CPU time and peak
// memory of one session, then memory across 200 sessions back to back.
// Prints figures; never fails on time.
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/modMain.h"
#include "engine/CheckEngine.h"
#include "engine/HttpBrowser.h"
#include "engine/ResultTable.h"
#include "engine/Waits.h"
#include "notify/ResultsViewModel.h"
#include "support/EngineDoubles.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <sys/resource.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

constexpr int kItineraries = 100;
constexpr int kSessions = 200;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Keeps the last value only: a recording double would grow with every session.
class PlainSettingsArea final : public SettingsArea {
public:
    bool save(const QString& key, const QString& value) override
    {
        values_[key] = value;
        return true;
    }
    QString get(const QString& key, const QString& fallback) override
    {
        return values_.value(key, fallback);
    }

private:
    QHash<QString, QString> values_;
};

class QuietView final : public SessionView {
public:
    void setStatus(const QString& t) override { status_ = t; }
    QString status() const override { return status_; }

private:
    QString status_;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    freshHome();

    const QStringList codes = {"ADL", "BNE", "CNS", "CBR", "DRW", "HBA", "MEL", "PER", "SYD"};
    QJsonArray available;
    QStringList lines;
    for (int i = 0; i < kItineraries; ++i) {
        const QString from = codes[i % codes.size()], to = codes[(i + 3) % codes.size()];
        const QString date = QDate(2027, 1, 1).addDays(i).toString("dd/MM/yyyy");
        lines << QStringList{from, to, date, "Morning", from, to}.join(';');
        if (i % 4 == 0)
            available << QJsonObject{{"from", from}, {"to", to}, {"date", date}};
    }
    SiteSim sim(QString::fromUtf8(QJsonDocument(QJsonObject{{"available", available}})
                                      .toJson(QJsonDocument::Compact)),
                true);
    if (!sim.start())
        return 1;
    qputenv("ZELVANE_AIRLINE_URL", sim.baseUrl().toUtf8());
    qputenv("ZELVANE_CA_FILE", sim.caFile().toUtf8());

    PlainSettingsArea area;
    const QString folder = freshFolder("bench");
    modMain state(area, SystemClock::instance(), folder, folder);
    state.settings.m_dMemberNo = 1234567;
    state.settings.m_strLastName = "Smith";
    state.settings.setPinText("1234");
    state.settings.m_nMailSendType = 2;
    for (const QString& l : lines)
        state.itineraries.append(l);
    ResultsViewModel results;
    ResultTable table;
    HttpBrowser b1, b3;
    RealWaits waits(SystemClock::instance(), 0.0);
    QuietView view;
    RecordingMail mail;
    CheckEngine engine(state, results, table, {b1, b3}, waits, view, mail);

    const auto session = [&] {
        engine.OverKill = 0; // back to back, far faster than the login throttle allows
        return QCoro::waitFor(engine.MainPro());
    };

    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    const SessionOutcome outcome = session();
    const double wallS = wall.elapsed() / 1000.0;
    const double cpuS = cpuSeconds() - cpu0;
    int found = 0;
    for (int i = 1; i <= results.count(); ++i)
        found += results.row(i).icon == kIconAvailable;
    std::printf("one session of %d itineraries over HTTPS, pauses scaled to 0 (%s, %d available):\n"
                "  wall %.2f s, CPU %.2f s, peak memory (VmHWM) %s  [goal: < 3 s wall, < 80 MB]\n",
                kItineraries, outcome == SessionOutcome::Completed ? "completed" : "NOT completed",
                found, wallS, cpuS, procStatus("VmHWM:").constData());

    wall.restart();
    for (int s = 2; s <= kSessions; ++s) {
        session();
        if (s == 10 || s % 50 == 0)
            std::printf("  after %3d sessions: VmRSS %s, VmHWM %s\n", s,
                        procStatus("VmRSS:").constData(), procStatus("VmHWM:").constData());
        std::fflush(stdout);
    }
    std::printf("%d sessions back to back: %.1f s  [goal: memory flat after the first ten]\n",
                kSessions, wall.elapsed() / 1000.0);
    return outcome == SessionOutcome::Completed ? 0 : 1;
}
