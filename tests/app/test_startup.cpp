// Start-up: the one-copy rule, the first-run path, the data folder and autostart.
#include "app/AutoStart.h"
#include "app/DataFolder.h"
#include "app/SettingsArea.h"
#include "startup/Startup.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

class RecordingWindows final : public StartupWindows {
public:
    void showFirstRun() override { calls << "first-run"; }
    void loadTrayWindow() override { calls << "tray"; }
    QStringList calls;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    VirtualClock clock;

private slots:
    void init() { freshHome(); }

    void secondCopyIsRefusedBeforeReadingAnything()
    {
        SingleInstance first;
        QVERIFY(first.acquire());

        const QString data = freshFolder("data");
        writeFile(data + "/Query.txt", "A;B;01/01/2027;Morning;AAA;BBB\r\n");
        MemorySettingsArea area;
        area.values["LastName"] = "Smith";
        ProgramData state(area, clock, data, data);
        RecordingMessageBoxes boxes;
        RecordingWindows windows;

        QCOMPARE(startUp(state.parts, {}, boxes, windows), StartResult::AlreadyRunning);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QString("Application already running"));
        QCOMPARE(boxes.shown[0].title, QString("Zelvane"));
        QCOMPARE(boxes.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(boxes.shown[0].buttons, MsgButtons::Ok);
        QVERIFY(area.reads.isEmpty());
        QVERIFY(area.writes.isEmpty());
        QCOMPARE(state.watchList.count(), 0);
        QVERIFY(windows.calls.isEmpty());

        // Any argument at all lifts the rule.
        QCOMPARE(startUp(state.parts, {"--again"}, boxes, windows), StartResult::Running);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(state.watchList.count(), 1);
    }

    void lockOfACrashedCopyIsTakenOver()
    {
        // Lock files naming a process that no longer exists.
        for (const QString& lockPath : SingleInstance::defaultLockPaths())
            writeFile(lockPath, "999999\nzelvane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        SingleInstance instance;
        QVERIFY(instance.acquire());
        // Each names this machine and process: for the user's eyes alone.
        for (const QString& lockPath : SingleInstance::defaultLockPaths())
            QVERIFY2(!(QFileInfo(lockPath).permissions() & (QFile::ReadGroup | QFile::ReadOther)), qPrintable(lockPath));
    }

    void firstRunOpensTheMemberPanelBeforeTheTray_data()
    {
        QTest::addColumn<QString>("memberNo");
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QStringList>("calls");
        const QStringList firstRun = {"first-run", "tray"};
        const QStringList trayOnly = {"tray"};
        QTest::newRow("nothing stored") << "" << "" << "" << firstRun;
        QTest::newRow("blank surname only") << "0" << "   " << "0" << firstRun;
        QTest::newRow("number 0 with a surname") << "0" << "Smith" << "0" << trayOnly;
        QTest::newRow("pin only") << "" << "" << "7" << trayOnly;
        QTest::newRow("member number only") << "12345" << "" << "" << trayOnly;
    }
    void firstRunOpensTheMemberPanelBeforeTheTray()
    {
        QFETCH(QString, memberNo);
        QFETCH(QString, surname);
        QFETCH(QString, pin);
        QFETCH(QStringList, calls);
        MemorySettingsArea area;
        if (!memberNo.isEmpty())
            area.values["MemberNo"] = memberNo;
        if (!surname.isEmpty())
            area.values["LastName"] = surname;
        if (!pin.isEmpty())
            area.values["Pin"] = pin;
        const QString data = freshFolder("data");
        ProgramData state(area, clock, data, data);
        RecordingMessageBoxes boxes;
        RecordingWindows windows;
        QCOMPARE(startUp(state.parts, {}, boxes, windows), StartResult::Running);
        QCOMPARE(windows.calls, calls);
        QVERIFY(boxes.shown.isEmpty());
    }

    void missingDataFilesLeaveEmptyListsAndAreNotCreated()
    {
        MemorySettingsArea area;
        const QString data = freshFolder("data");
        ProgramData state(area, clock, data, data);
        RecordingMessageBoxes boxes;
        RecordingWindows windows;
        startUp(state.parts, {}, boxes, windows);
        QCOMPARE(state.watchList.count(), 0);
        QVERIFY(state.cities.names.isEmpty());
        QVERIFY(state.cities.codes.isEmpty());
        QVERIFY(QDir(data).entryList(QDir::Files).isEmpty());
    }

    void unwritableProgramFolderUsesTheSeededUserFolder()
    {
        const QString program = freshFolder("program");
        const QString user = freshFolder("user") + "/Zelvane";
        writeFile(program + "/City.txt", "Adelaide\r\nAlbany\r\n");
        writeFile(program + "/City Code.txt", "ADL\r\nALH\r\n");
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                   | QFile::ExeGroup | QFile::ReadOther
                                                   | QFile::ExeOther));
        QDir().mkpath(QFileInfo(user).absolutePath());
        QFile::setPermissions(QFileInfo(user).absolutePath(), QFileDevice::Permissions(0x7777));

        // Root writes anywhere, so the check runs as an ordinary user in a child.
        const pid_t child = fork();
        if (child == 0) {
            if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(3);
            const QString folder = resolveDataFolder(program, user);
            if (folder != user)
                _exit(1);
            if (readFile(user + "/City Code.txt") != "ADL\r\nALH\r\n"
                || readFile(user + "/City.txt") != "Adelaide\r\nAlbany\r\n")
                _exit(2);
            // The user's folder and what is in it are the user's alone.
            for (const QString& made : {user, user + "/City.txt", user + "/City Code.txt"})
                if (QFileInfo(made).permissions() & (QFile::ReadGroup | QFile::ReadOther))
                    _exit(4);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);

        // A writable program folder is used as it is.
        QCOMPARE(resolveDataFolder(program, user), program);
    }

    void endingTheProgramSavesTheSettingsAndLetsTheNextCopyStart()
    {
        const pid_t child = fork();
        if (child == 0) {
            NativeSettingsArea area;
            ProgramData state(area, clock, "/p", freshFolder("end"));
            if (!state.instance.acquire())
                _exit(3);
            state.settings.member.change([](Member& m) { m.surname = "Leaving"; });
            // Whatever a file holds by then, the end writes the change.
            QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf");
            endProcess(state.settings, state.history, &state.instance);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf")
                    .contains("LastName=Leaving"));
        SingleInstance next;
        QVERIFY(next.acquire());
    }

    void autostartEntryRunsTheProgramWithoutArguments()
    {
        QCOMPARE(autoStartEntryPath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/Zelvane.desktop");
        QVERIFY(autoStartEntryText("/opt/zelvane/zelvane").contains("\nExec=/opt/zelvane/zelvane\n"));
        QVERIFY(autoStartEntryText("/home/me/My Apps/zelvane")
                    .contains("\nExec=\"/home/me/My Apps/zelvane\"\n"));
        QVERIFY(autoStartEntryText("/x/a$b").contains("\nExec=\"/x/a\\$b\"\n"));
        QVERIFY(autoStartEntryText("/opt/100%/zelvane").contains("\nExec=/opt/100%%/zelvane\n"));
        // Once the program is removed, the desktop skips the entry.
        QVERIFY(autoStartEntryText("/home/me/My Apps/zelvane")
                    .contains("\nTryExec=/home/me/My Apps/zelvane\n"));
        QVERIFY(autoStartEntryText("/x/a\\b").contains("\nTryExec=/x/a\\\\b\n"));

        setAutoStart(true);
        const QByteArray entry = readFile(autoStartEntryPath());
        QVERIFY(entry.contains("Exec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
        setAutoStart(true); // written again at every start, no harm
        QCOMPARE(readFile(autoStartEntryPath()), entry);
        setAutoStart(false);
        QVERIFY(!QFile::exists(autoStartEntryPath()));
    }

    void autostartStartsTheInstalledLink_data()
    {
        QTest::addColumn<QString>("linkTarget"); // what PREFIX/bin/zelvane points to; empty: none
        QTest::addColumn<bool>("usesLink");
        QTest::newRow("installed with its link") << "../lib/zelvane/zelvane" << true;
        QTest::newRow("build tree, no link") << "" << false;
        QTest::newRow("link to another copy") << "../opt/zelvane" << false;
        QTest::newRow("dangling link") << "../lib/zelvane/gone" << false;
    }

    void autostartStartsTheInstalledLink()
    {
        QFETCH(QString, linkTarget);
        QFETCH(bool, usesLink);
        const QString prefix = freshFolder("prefix");
        const QString program = prefix + "/lib/zelvane/zelvane";
        writeFile(program, "#!/bin/sh\n");
        writeFile(prefix + "/opt/zelvane", "#!/bin/sh\n");
        QDir().mkpath(prefix + "/bin");
        if (!linkTarget.isEmpty())
            QVERIFY(QFile::link(linkTarget, prefix + "/bin/zelvane"));
        QCOMPARE(launcherPath(program), usesLink ? prefix + "/bin/zelvane" : program);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
