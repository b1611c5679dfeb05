// A process killed at any moment of a save never leaves a data file or the
// settings half written, the settings stay readable by their owner only, and
// the history keeps every session it had, each whole.
#include "app/DataFolder.h"
#include "app/SettingsArea.h"
#include "support/TestSupport.h"
#include "SoakRound.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <array>
#include <csignal>

using namespace zelvane;
using namespace zelvane::test;

namespace {

constexpr int kKills = 100;

// The round whose whole text the file holds; 0 for a file not written yet,
// -1 for a torn one (cut short, or lines of two rounds).
int roundOfFile(const QString& path, QStringList (*linesOf)(int))
{
    if (!QFile::exists(path))
        return 0;
    const QByteArray bytes = readFile(path);
    const int r = bytes.mid(6, bytes.indexOf(' ', 6) - 6).toInt();
    return r > 0 && bytes == linesOf(r).join(QLatin1String("\r\n")).toUtf8() + "\r\n" ? r : -1;
}

// What the history holds after a kill, read as the program reads it.
struct HistorySeen {
    QString problem; // empty when the file is sound
    int sessions = 0;
    int lastRound = 0;
};

HistorySeen historyOf(const QString& folder)
{
    HistorySeen seen;
    const QString file = QDir(folder).filePath(kHistoryFile);
    if (!QDir(folder).entryList({"history-broken-*"}).isEmpty())
        seen.problem = "the history was moved aside";
    if (!QFile::exists(file) || !seen.problem.isEmpty())
        return seen;
    int version = 0;
    {
        // Read and write, as the program's next start opens it: that is what
        // finishes or undoes a write the kill cut short.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "soak");
        db.setDatabaseName(file);
        db.open();
        QSqlQuery q(db);
        const auto ask = [&q](const char* sql) { return q.exec(sql) && q.next() ? q.value(0) : QVariant(); };
        const QString check = ask("PRAGMA quick_check").toString();
        if (check != "ok")
            seen.problem = "quick_check: " + check + q.lastError().text();
        version = ask("PRAGMA user_version").toInt();
        if (version > 0) {
            seen.sessions = ask("SELECT count(*) FROM sessions").toInt();
            if (ask("SELECT count(*) FROM (SELECT session FROM checks GROUP BY session"
                    " HAVING count(*) != 100)").toInt() != 0
                || ask("SELECT count(*) FROM sessions WHERE id NOT IN (SELECT session FROM checks)").toInt() != 0)
                seen.problem = "a session is not whole";
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("soak");
    if (version == 0 || !seen.problem.isEmpty())
        return seen; // killed before its tables were made: nothing recorded yet
    HistoryStore store;
    if (!store.openForReading(folder)) {
        seen.problem = store.error();
        return seen;
    }
    const QList<HistoryCheck> last = store.checks(1);
    if (!last.isEmpty())
        seen.lastRound = last[0].check.flights.value(0).value(0).mid(6).toInt();
    for (const HistoryCheck& c : last)
        if (c.check.flights != QList<QStringList>{{soakTag(seen.lastRound)}})
            seen.problem = "a session mixes rounds";
    return seen;
}

} // namespace

class TestKillSoak : public QObject {
    Q_OBJECT

private slots:
    void killedSavesLeaveOldOrNewFiles()
    {
        freshHome();
        const QString folder = freshFolder("data");
        const QString settingsFile = NativeSettingsArea().fileName();
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("seed %u", seed);

        // Rounds seen after the last kill: Query.txt, City.txt, City Code.txt,
        // and the settings' first two keys. Saved in that order, so each is at
        // most the one before it, and none goes back.
        std::array<int, 5> last{};
        HistorySeen lastHistory;
        int inside = 0;
        int insideHistory = 0; // killed after the watch list, before its session was in
        for (int kill = 1; kill <= kKills; ++kill) {
            QProcess child;
            child.start(QStringLiteral(ZELVANE_SOAK_CHILD), {folder});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(60000)); // its rounds begin
            QTest::qSleep(int(random.bounded(20, 150)));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished());
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            std::array<int, 5> now{roundOfFile(QDir(folder).filePath(kQueryFile), soakItineraries),
                                   roundOfFile(QDir(folder).filePath(kCityFile), soakNames),
                                   roundOfFile(QDir(folder).filePath(kCityCodeFile), soakCodes), 0, 0};
            if (QFile::exists(settingsFile)) {
                QVERIFY(!(QFileInfo(settingsFile).permissions()
                          & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));
                QSettings s(settingsFile, QSettings::IniFormat);
                QCOMPARE(s.status(), QSettings::NoError);
                now[3] = s.value("Settings/MemberNo", 0).toInt();
                const QString name = s.value("Settings/LastName").toString();
                now[4] = name.isEmpty() ? 0 : name.mid(6).toInt();
                QVERIFY2(name.isEmpty() || name == soakTag(now[4]), qPrintable(name));
            }
            const QString seen = QStringLiteral("kill %1: rounds %2 %3 %4 %5 %6")
                                     .arg(kill).arg(now[0]).arg(now[1]).arg(now[2]).arg(now[3]).arg(now[4]);
            for (int f = 0; f < 5; ++f) {
                QVERIFY2(now[f] >= 0, qPrintable(seen + " (torn)"));
                QVERIFY2(now[f] >= last[f] && (f == 0 || now[f] <= now[f - 1]), qPrintable(seen));
            }
            inside += now[0] != now[4]; // killed inside a round's saves
            last = now;

            // Recorded after the watch list: never a round it has not reached.
            const HistorySeen history = historyOf(folder);
            QVERIFY2(history.problem.isEmpty(), qPrintable(seen + ": " + history.problem));
            QVERIFY2(history.sessions >= lastHistory.sessions && history.lastRound >= lastHistory.lastRound
                         && history.lastRound <= now[0],
                     qPrintable(seen + QStringLiteral(", history: %1 sessions, round %2")
                                           .arg(history.sessions).arg(history.lastRound)));
            insideHistory += history.lastRound < now[0];
            lastHistory = history;
        }
        qInfo("%d kills, %d rounds saved, %d kills inside a round's saves, %d sessions in the "
              "history, %d kills before a round's session was in",
              kKills, last[0], inside, lastHistory.sessions, insideHistory);
        QVERIFY(lastHistory.sessions > 0);
        // Kills must land in the middle of the saves, or this proves nothing.
        QVERIFY(inside >= kKills / 10);
    }
};

QTEST_GUILESS_MAIN(TestKillSoak)
#include "test_kill_soak.moc"
