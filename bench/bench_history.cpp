// A year of checks in the history: 100 itineraries, two sessions a day, 365
// days (73,000 checks), written session by session as the engine writes
// them. Prints the time of one session's write, the size of the file, the
// time to build the "Last seen" data and the whole results view, one itinerary's
// timeline, opening the file at start-up and a CSV export of it all, then
// the history window of one itinerary opened from the results panel: the
// time to its first page and the longest the window's thread went without
// turning its event loop (the main window deaf to clicks meanwhile).
// Never fails on time, only when the history does not hold what was written.
#include "history/HistoryExport.h"
#include "history/HistoryStore.h"
#include "results/CheckResults.h"
#include "itineraries/WatchList.h"
#include "itineraries/WatchListFile.h"
#include "results/ResultsViewModel.h"
#include "support/TestSupport.h"
#include "app/Clock.h"
#include "ui/QtDialogs.h"
#include "ui/ResultsPanel.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <time.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

constexpr int kItineraries = 100;
constexpr int kDays = 365;
constexpr int kSessionsPerDay = 2;

qint64 cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

struct Figures {
    double median, p95, max;
};

Figures figures(QList<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return {ms(ns[ns.size() / 2]), ms(ns[ns.size() * 95 / 100]), ms(ns.last())};
}

// Times `run` `times` times.
QList<qint64> timed(int times, const std::function<void()>& run)
{
    QList<qint64> ns;
    QElapsedTimer t;
    for (int i = 0; i < times; ++i) {
        t.start();
        run();
        ns << t.nsecsElapsed();
    }
    return ns;
}

void print(const char* what, const Figures& f, const char* goal)
{
    std::printf("%-44s median %7.2f ms  p95 %7.2f ms  max %7.2f ms  (goal %s)\n", what, f.median,
                f.p95, f.max, goal);
}

qint64 sizeOnDisk(const QString& file)
{
    qint64 size = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        size += QFileInfo(file + suffix).size();
    return size;
}

ItineraryKey keyOf(int i)
{
    static const QStringList codes = {"SYD", "MEL", "BNE", "PER", "ADL", "HBA", "CNS", "DRW", "LON", "SIN"};
    return {codes[i % 10], codes[(i / 10 + 1 + i % 10) % 10],
            QDate(2027, 1, 1).addDays(i).toString("dd/MM/yyyy"),
            i % 2 ? QStringLiteral("Morning") : QStringLiteral("%1:00").arg(i % 23 + 1, 2, 10, QLatin1Char('0')),
            i % 4 == 0 ? QStringLiteral("Business") : QStringLiteral("Any")};
}

// An itinerary's flight table: mostly the same from one session to the next,
// now and then a seat mark moves.
QList<QStringList> flightsOf(const ItineraryKey& k, int variant)
{
    QList<QStringList> rows;
    for (int f = 0; f < 1 + variant % 3; ++f)
        rows << QStringList{QStringLiteral("%1:05 %2").arg(6 + 3 * f, 2, 10, QLatin1Char('0')).arg(k.origin),
                            QStringLiteral("%1:40 %2").arg(8 + 3 * f, 2, 10, QLatin1Char('0')).arg(k.destination),
                            QStringLiteral("QF %1").arg(400 + f), QStringLiteral("738"), QStringLiteral("0"),
                            (variant + f) % 2 ? QStringLiteral("Yes") : QStringLiteral("No"),
                            (variant + f) % 3 ? QStringLiteral("No") : QStringLiteral("4"),
                            QStringLiteral("No")};
    return rows;
}

// The history window of the itinerary at `position`, opened from the results
// panel as a click opens it, in the event loop: from the click, the time
// until the window shows its first page (its timeline and figures), the time
// until every tab is read, and the longest gap between two turns of the
// event loop from the click until then.
struct WindowFigures {
    double firstPage = -1, whole = -1, longestStall = 0;
};

WindowFigures openHistoryWindow(ResultsPanel& panel, int position)
{
    WindowFigures f;
    QElapsedTimer sinceClick;
    qint64 lastTurn = 0, longest = 0;
    QEventLoop loop;
    QTimer turn;
    turn.setInterval(1);
    QObject::connect(&turn, &QTimer::timeout, &loop, [&] {
        const qint64 now = sinceClick.nsecsElapsed();
        longest = std::max(longest, now - lastTurn);
        lastTurn = now;
        auto* window = panel.findChild<QWidget*>(QStringLiteral("historyWindow"));
        if (!window || !window->isVisible())
            return;
        auto* figures = window->findChild<QLabel*>(QStringLiteral("historyFigures"));
        if (f.firstPage < 0 && figures && !figures->text().startsWith(QLatin1String("Reading")))
            f.firstPage = ms(now);
        auto* checks = window->findChild<QTreeWidget*>(QStringLiteral("historyChecks"));
        if (f.firstPage >= 0 && checks && checks->topLevelItemCount() > 0) {
            f.whole = ms(now);
            loop.quit();
        }
    });
    QTimer::singleShot(0, &loop, [&] {
        sinceClick.start();
        lastTurn = 0;
        turn.start();
        panel.showHistory(position);
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    f.longestStall = ms(longest);
    if (auto* window = panel.findChild<QWidget*>(QStringLiteral("historyWindow")))
        window->close();
    QCoreApplication::processEvents();
    return f;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = freshFolder("bench_history");
    const QDateTime now(QDate(2026, 12, 8), QTime(8, 0));
    const QDateTime first = now.addDays(-kDays);
    QRandomGenerator random(19);

    QList<ItineraryKey> keys;
    QList<bool> available(kItineraries);
    QList<int> variant(kItineraries);
    for (int i = 0; i < kItineraries; ++i) {
        keys << keyOf(i);
        available[i] = random.bounded(4) == 0;
    }

    std::printf("bench_history: %d itineraries x %d sessions a day x %d days = %d checks\n",
                kItineraries, kSessionsPerDay, kDays, kItineraries * kSessionsPerDay * kDays);
    QList<qint64> inserts, insertsCpu;
    int withFlights = 0;
    {
        HistoryStore store;
        if (!store.open(folder, first)) {
            std::printf("FAIL: no history: %s\n", qPrintable(store.takeNotice()));
            return 1;
        }
        QElapsedTimer t;
        for (int s = 0; s < kDays * kSessionsPerDay; ++s) {
            QList<CheckRecord> checks;
            for (int i = 0; i < kItineraries; ++i) {
                // Availability changes in one session in twenty; one check in a hundred is
                // cut short by a logout.
                if (random.bounded(20) == 0)
                    available[i] = !available[i];
                if (random.bounded(10) == 0)
                    ++variant[i];
                CheckRecord c;
                c.position = i + 1;
                c.key = keys[i];
                c.outcome = random.bounded(100) == 0 ? CheckOutcome::LoggedOut
                            : available[i]           ? CheckOutcome::Available
                                                     : CheckOutcome::NotAvailable;
                if (c.outcome == CheckOutcome::Available)
                    c.flights = flightsOf(keys[i], variant[i]);
                withFlights += !c.flights.isEmpty();
                checks << c;
            }
            const QDateTime at = first.addSecs(qint64(s) * 43200);
            t.start();
            const qint64 cpu = cpuNs();
            store.recordSession(at, true, checks);
            inserts << t.nsecsElapsed();
            insertsCpu << cpuNs() - cpu;
        }
        const QString notice = store.takeNotice();
        if (!notice.isEmpty()) {
            std::printf("FAIL: %s\n", qPrintable(notice));
            return 1;
        }
    }
    std::printf("%d of the checks carry a flight table\n", withFlights);
    print("a session's insert (100 checks)", figures(inserts), "<= 5 ms");
    print("  the same in CPU time of the thread", figures(insertsCpu), "<= 5 ms");
    const QString file = QDir(folder).filePath(kHistoryFile);
    std::printf("%-44s %7.2f MB  (goal <= 10 MB)\n", "file after a year, closed",
                double(sizeOnDisk(file)) / (1024.0 * 1024.0));

    HistoryStore store;
    const QList<qint64> opens = timed(1, [&] { store.open(folder, now); });
    std::printf("%-44s %7.2f ms  (check of the file and pruning included)\n", "open at start-up",
                ms(opens[0]));
    QList<ItinerarySummary> summaries;
    print("\"Last seen\" of 100 itineraries", figures(timed(50, [&] { summaries = store.summaries(keys); })),
          "<= 50 ms");
    // The whole view as the window rebuilds it: rows from the watch list,
    // icons from the result table, "Last seen" and tooltips from the history.
    WatchList watchList;
    for (const ItineraryKey& k : keys) {
        QStringList fields = {k.origin, k.destination, k.date, k.time, k.origin, k.destination};
        if (k.cabin != QLatin1String("Any"))
            fields << k.cabin;
        watchList.add(readItineraryLine(fields.join(QLatin1Char(';'))).itinerary);
    }
    CheckResults results(watchList);
    ResultsViewModel view(watchList, results, SystemClock::instance());
    view.setHistory(&store);
    print("results view of 100 rows with \"Last seen\"",
          figures(timed(50, [&] { view.refreshHistory(); })), "<= 50 ms");
    int timelinePoints = 0;
    int k = 0;
    print("timeline of one itinerary", figures(timed(100, [&] {
              timelinePoints = store.timeline(keys[k++ % kItineraries]).size();
          })),
          "<= 20 ms");
    QList<HistoryCheck> lastFive;
    print("last 5 sessions (zelvane-check --history 5)", figures(timed(20, [&] { lastFive = store.checks(5); })),
          "none");
    QList<HistoryCheck> all;
    print("every check read", figures(timed(3, [&] { all = store.checks(); })), "none");
    QByteArray csv;
    print("CSV of every check, from those read", figures(timed(3, [&] { csv = historyCsv(all); })), "none");
    std::printf("%-44s %7.2f MB\n", "CSV size", double(csv.size()) / (1024.0 * 1024.0));

    // The history window, opened as a click on "History" opens it, of
    // itineraries spread over the list.
    {
        QWidget host;
        QtDialogs dialogs;
        ResultsPanel panel(view, watchList, results, store, SystemClock::instance(), dialogs, lightTheme(), &host);
        host.resize(940, 620);
        host.show();
        QList<qint64> firstPages, wholes, stalls;
        for (int position : {1, 25, 50, 75, 100}) {
            const WindowFigures f = openHistoryWindow(panel, position);
            if (f.whole < 0) {
                std::printf("FAIL: the history window of itinerary %d never held its checks\n", position);
                return 1;
            }
            firstPages << qint64(f.firstPage * 1e6);
            wholes << qint64(f.whole * 1e6);
            stalls << qint64(f.longestStall * 1e6);
        }
        print("history window: click to its first page", figures(firstPages), "<= 100 ms");
        print("history window: click to every tab read", figures(wholes), "none");
        print("history window: longest UI-thread stall", figures(stalls), "<= 50 ms");
    }

    // A session's write while another program holds the file: how long the
    // thread that writes it waits, as zelvane-check waits and as the tray
    // program's window does.
    store.close();
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(file);
        QSqlQuery hold(holder);
        if (holder.open() && hold.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            for (const auto& [who, wait] : {std::pair{"a session's write, file held (zelvane-check)", 3000},
                                            std::pair{"a session's write, file held (tray program)", 100}}) {
                HistoryStore held;
                held.setBusyWait(std::chrono::milliseconds(wait));
                held.open(folder, now);
                CheckRecord first;
                first.position = 1;
                first.key = keys[0];
                first.outcome = CheckOutcome::Available;
                QList<CheckRecord> one{first};
                print(who, figures(timed(1, [&] { held.recordSession(now, true, one); })), "none");
            }
            hold.exec(QStringLiteral("ROLLBACK"));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));

    // What was written must be what is read.
    const int expected = kItineraries * kSessionsPerDay * kDays;
    if (all.size() != expected || timelinePoints != kSessionsPerDay * kDays
        || lastFive.size() != 5 * kItineraries || !summaries[0].lastOutcome
        || view.index(kItineraries - 1, ResultsViewModel::kLastSeenColumn).data().toString()
               != summaries.last().lastAvailable.toString("dd/MM/yyyy")) {
        std::printf("FAIL: the history does not hold what was written\n");
        return 1;
    }
    return 0;
}
