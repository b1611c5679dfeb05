// A process killed at any moment of a save never leaves a data file or the
// settings half written, and the settings stay readable by their owner only.
#include "app/DataFolder.h"
#include "app/SettingsArea.h"
#include "support/TestSupport.h"
#include "SoakRound.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
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
        int inside = 0;
        for (int kill = 1; kill <= kKills; ++kill) {
            QProcess child;
            child.start(QStringLiteral(ZELVANE_SOAK_CHILD), {folder});
            QVERIFY(child.waitForStarted());
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
        }
        qInfo("%d kills, %d rounds saved, %d kills inside a round's saves", kKills, last[0], inside);
        // Kills must land in the middle of the saves, or this proves nothing.
        QVERIFY(inside >= kKills / 10);
    }
};

QTEST_GUILESS_MAIN(TestKillSoak)
#include "test_kill_soak.moc"
