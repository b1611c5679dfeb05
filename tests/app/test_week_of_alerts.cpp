// A bad week for the servers that carry the alerts and for the programs that
// send them, met by the real programs: zelvane-check as a timer runs it, the
// tray program in a virtual desktop's tray with zelvane-mail, against the
// site simulator, a mail server and a push server on loopback. Each row
// counts the alerts the user should have had against what the servers took:
// each told once, none lost, none saying seats that had gone without saying
// when they were seen. The table it prints is the week's account.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"
#include "support/VirtualDesktop.h"

#include <QJsonArray>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

using namespace zelvane::test;

namespace {

enum class Fault {
    HistoryReadOnly,
    HistoryHeldWhileTrayRuns,
    PushServerDown,
    MailDownWhileTrayRuns,
    TrayKilledMidSend,
    CheckStoppedMidSend,
    CheckWithoutRuntimeDir,
};

const QString kSydney = "Sydney → Melbourne, 25/12/2026, Evening";
const QString kPerth = "Perth → Darwin, 03/01/2027, Morning";
const QByteArray kWatchList = "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\nPerth;Darwin;03/01/2027;Morning;PER;DRW\r\n";
// The pauses of the tray program and between its tries, a hundred times shorter.
const QString kTimeScale = "0.01";

QString seats(bool sydney, bool perth = false)
{
    QJsonArray available;
    if (sydney)
        available.append(QJsonObject{{"from", "SYD"}, {"to", "MEL"}, {"date", "25/12/2026"}});
    if (perth)
        available.append(QJsonObject{{"from", "PER"}, {"to", "DRW"}, {"date", "03/01/2027"}});
    return QString::fromUtf8(QJsonDocument(QJsonObject{{"available", available}}).toJson());
}

struct Tally {
    int expected = 0, delivered = 0, duplicated = 0, lost = 0, falseAlarm = 0;
};

// One user: the folder of the programs, which is their data folder, and a home.
struct Profile {
    QString program;
    QProcessEnvironment env;
    QStringList runAs; // the command that runs a program as this user, if not this one
};

} // namespace

class TestWeekOfAlerts : public QObject {
    Q_OBJECT

    QMap<QString, Tally> table;
    std::unique_ptr<QTemporaryDir> unprivilegedHome;
    // What the servers of a row took so far.
    LocalHttpServer* push = nullptr;
    SmtpTestServer* mail = nullptr;
    int pushesSeen = 0, mailsSeen = 0;
    QSet<QString> ids, trips;

    Profile profile(bool unprivileged)
    {
        QString home = freshFolder("home");
        Profile p;
        if (unprivileged && ::geteuid() == 0) {
            // Root writes any file: the user whose history goes read-only is another.
            unprivilegedHome = std::make_unique<QTemporaryDir>();
            home = unprivilegedHome->path();
            p.runAs = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        }
        p.program = home + "/program";
        for (const QString& dir : {p.program, home + "/config/Zelvapp", home + "/data", home + "/run"})
            QDir().mkpath(dir);
        QFile::setPermissions(home + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& exe : {QString(ZELVANE_CHECK_PATH), QString(ZELVANE_TRAY_PATH), QString(ZELVANE_MAIL_PROGRAM_PATH)})
            QFile::copy(exe, p.program + "/" + QFileInfo(exe).fileName());
        writeFile(p.program + "/Query.txt", kWatchList);
        p.env = QProcessEnvironment::systemEnvironment();
        for (const auto& [key, dir] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
                                       {"XDG_RUNTIME_DIR", "/run"}})
            p.env.insert(key, home + dir);
        p.env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        p.env.insert("ZELVANE_TIME_SCALE", kTimeScale);
        p.env.remove("QT_QPA_PLATFORM");
        if (!p.runAs.isEmpty())
            QProcess::execute("chown", {"-R", "65534:65534", home});
        return p;
    }

    static void settings(const Profile& p, const QMap<QString, QString>& keys)
    {
        const QString file = p.env.value("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf";
        {
            QSettings s(file, QSettings::IniFormat);
            QMap<QString, QString> all{{"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"},
                                       {"Mail", "me@example.com"}, {"NotifyDesktop", "0"}, {"TimeIndex", "1"},
                                       {"TimeHou", "12"}, {"Autostartup", "0"}, {"SmtpHost", "127.0.0.1"},
                                       {"SmtpSecurity", "0"}};
            all.insert(keys);
            for (auto k = all.cbegin(); k != all.cend(); ++k)
                s.setValue("Settings/" + k.key(), k.value());
        }
        if (!p.runAs.isEmpty())
            QProcess::execute("chown", {"-R", "65534:65534", QFileInfo(file).absolutePath()});
    }

    static void start(QProcess& process, const Profile& p, const QString& exe, const SiteSim& airline,
                      const QStringList& unset = {})
    {
        QProcessEnvironment env = p.env;
        env.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        for (const QString& key : unset)
            env.remove(key);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QString path = p.program + "/" + exe;
        process.start(p.runAs.isEmpty() ? path : p.runAs.first(),
                      p.runAs.isEmpty() ? QStringList() : p.runAs.mid(1) << path);
    }

    // zelvane-check to its end, its exit status and output; the push server
    // answers on this thread meanwhile.
    std::pair<int, QByteArray> check(const Profile& p, const SiteSim& airline, const QStringList& unset = {})
    {
        QProcess c;
        start(c, p, "zelvane-check", airline, unset);
        waitUntil([&] { return c.state() == QProcess::NotRunning; });
        return {c.exitStatus() == QProcess::NormalExit ? c.exitCode() : -1, c.readAll()};
    }

    // What reached the servers since the last look, against what should have:
    // `lines` names the trip of each push line the user should have had, true
    // where the seats had gone meanwhile, so that the line must say when they
    // were seen; `mails` how many new mails.
    void account(Tally& t, const QMap<QString, bool>& lines, int mails, bool pushUp = true)
    {
        QStringList got;
        for (; pushUp && pushesSeen < push->requests.size(); ++pushesSeen)
            got << QString::fromUtf8(LocalHttpServer::body(push->requests[pushesSeen])).split('\n');
        pushesSeen = int(push->requests.size());
        t.expected += int(lines.size()) + mails;
        for (auto l = lines.cbegin(); l != lines.cend(); ++l) {
            const QStringList named = got.filter(l.key());
            t.delivered += named.isEmpty() ? 0 : 1;
            t.lost += named.isEmpty() ? 1 : 0;
            t.duplicated += std::max<int>(0, int(named.size()) - 1);
            t.falseAlarm += !named.isEmpty() && l.value() && !named.first().contains(" (seen ") ? 1 : 0;
        }
        for (const QString& trip : {kSydney, kPerth}) {
            const int extra = lines.contains(trip) ? 0 : int(got.filter(trip).size());
            (trips.contains(trip) ? t.duplicated : t.falseAlarm) += extra;
            if (!got.filter(trip).isEmpty())
                trips.insert(trip);
        }
        const QList<QJsonObject> all = mail ? mail->messages() : QList<QJsonObject>();
        int newIds = 0;
        for (const QString& id : messageIds(all.mid(std::exchange(mailsSeen, int(all.size()))))) {
            (ids.contains(id) ? t.duplicated : newIds) += 1;
            ids.insert(id);
        }
        t.delivered += std::min(newIds, mails);
        t.lost += std::max(0, mails - newIds);
        t.falseAlarm += std::max(0, newIds - mails);
    }

    // The rows of `table` in the program's data file `file` (0 without the file).
    static int rowsIn(const Profile& p, const QString& file, const QString& table)
    {
        if (!QFile::exists(p.program + "/" + file))
            return 0;
        int n = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "look");
            db.setDatabaseName(p.program + "/" + file);
            db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1000");
            QSqlQuery q(db);
            if (db.open() && q.exec("SELECT count(*) FROM " + table) && q.next())
                n = q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase("look");
        return n;
    }

    static bool mailProgramRunning(const Profile& p)
    {
        QProcess pgrep;
        pgrep.start("pgrep", {"-f", p.program + "/zelvane-mail"});
        pgrep.waitForFinished();
        return pgrep.exitCode() == 0;
    }

    // The tray program printing its status and what waits, as a terminal shows them.
    static void startTray(QProcess& tray, const Profile& p, const SiteSim& airline, const VirtualDesktop& desk)
    {
        Profile shown = p;
        shown.env.insert("DISPLAY", desk.display());
        shown.env.insert("ZELVANE_PRINT_STATUS", "1");
        start(tray, shown, "zelvane", airline);
    }

    // The row's week; its tally stays in the table when a check of it fails.
    void weekOf(Fault fault, Tally& t);

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        freshHome();
    }

    void everyAlertIsToldOnce_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("history read-only for three runs") << Fault::HistoryReadOnly;
        QTest::newRow("history held by another program, tray running") << Fault::HistoryHeldWhileTrayRuns;
        QTest::newRow("push server down for five checks") << Fault::PushServerDown;
        QTest::newRow("mail server down 7 min, tray running") << Fault::MailDownWhileTrayRuns;
        QTest::newRow("tray program killed mid-send") << Fault::TrayKilledMidSend;
        QTest::newRow("check stopped by SIGTERM mid-send") << Fault::CheckStoppedMidSend;
        QTest::newRow("check from a job without XDG_RUNTIME_DIR") << Fault::CheckWithoutRuntimeDir;
    }
    void everyAlertIsToldOnce()
    {
        QFETCH(Fault, fault);
        const bool tray = fault == Fault::MailDownWhileTrayRuns || fault == Fault::TrayKilledMidSend
                          || fault == Fault::CheckWithoutRuntimeDir || fault == Fault::HistoryHeldWhileTrayRuns;
        if (tray && !VirtualDesktop::missingTool().isEmpty())
            ZELVANE_SKIP_MISSING_TOOL("xvfb, trayer and xdotool");
        if (fault == Fault::HistoryReadOnly && ::geteuid() == 0
            && QStandardPaths::findExecutable("setpriv").isEmpty())
            ZELVANE_SKIP_MISSING_TOOL("util-linux (setpriv)");
        LocalHttpServer pushServer;
        QVERIFY(pushServer.start());
        push = &pushServer;
        pushesSeen = mailsSeen = 0;
        ids.clear();
        trips.clear();
        Tally& t = table[QTest::currentDataTag()];
        weekOf(fault, t);
        mail = nullptr;
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(t.delivered == t.expected && t.duplicated == 0 && t.lost == 0 && t.falseAlarm == 0,
                 qPrintable(QString("expected %1, delivered %2, duplicated %3, lost %4, false %5")
                                .arg(t.expected).arg(t.delivered).arg(t.duplicated).arg(t.lost).arg(t.falseAlarm)));
    }

    void cleanupTestCase()
    {
        std::printf("%-46s %8s %9s %10s %4s %5s\n", "fault", "expected", "delivered", "duplicated", "lost", "false");
        for (auto t = table.cbegin(); t != table.cend(); ++t)
            std::printf("%-46s %8d %9d %10d %4d %5d\n", qPrintable(t.key()), t->expected, t->delivered,
                        t->duplicated, t->lost, t->falseAlarm);
    }
};

void TestWeekOfAlerts::weekOf(Fault fault, Tally& t)
{
    switch (fault) {
    case Fault::HistoryReadOnly: {
        // Mail and push only on a change. Sydney opens; the history goes
        // read-only for three runs and comes back; Sydney closes and opens
        // again: the history must take both, or the new opening is lost.
        SmtpTestServer server;
        QVERIFY(server.start());
        mail = &server;
        const Profile p = profile(true);
        settings(p, {{"SmtpPort", QString::number(server.port())}, {"PushUrl", push->base() + "/seats"},
                     {"MailSendType", "3"}, {"AnnounceChangesOnly", "1"}});
        const QString history = p.program + "/history.sqlite";
        const QList<bool> sydney = {true, true, true, true, false, true};
        for (int run = 0; run < sydney.size(); ++run) {
            if (run == 1 || run == 4)
                QFile::setPermissions(history, run == 1 ? QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther
                                                        : QFile::ReadOwner | QFile::WriteOwner);
            SiteSim airline(seats(sydney[run]), false);
            QVERIFY(airline.start());
            const auto [code, out] = check(p, airline);
            const bool opened = sydney[run] && (run == 0 || !sydney[run - 1]);
            account(t, opened ? QMap<QString, bool>{{kSydney, false}} : QMap<QString, bool>{},
                    opened || run == 4 ? 1 : 0);
            // After the spell the history is written again.
            QVERIFY2(run < 4 || !out.contains("History Not Saved"), out.constData());
        }
        break;
    }
    case Fault::HistoryHeldWhileTrayRuns: {
        // A check makes the history; another program then holds it while the
        // tray program checks. Its mail goes all the same, and once the hold
        // goes its session is in the history, the program still running.
        SmtpTestServer server;
        QVERIFY(server.start());
        mail = &server;
        const Profile p = profile(false);
        settings(p, {{"SmtpPort", QString::number(server.port())}, {"MailSendType", "0"}});
        SiteSim airline(seats(true));
        VirtualDesktop desk;
        QVERIFY(airline.start() && desk.start());
        check(p, airline);
        account(t, {}, 1);
        QProcess tray;
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(p.program + "/history.sqlite");
            QSqlQuery hold(holder);
            QVERIFY(holder.open() && hold.exec("BEGIN IMMEDIATE"));
            startTray(tray, p, airline, desk);
            waitUntil([&] { return server.messages().size() == 2 && tray.peek(1 << 20).contains("History Not Saved"); });
            hold.exec("ROLLBACK");
        }
        QSqlDatabase::removeDatabase("holder");
        account(t, {}, 1);
        const bool written = waitUntil([&] { return rowsIn(p, "history.sqlite", "sessions") == 2; });
        stopProcess(tray);
        QVERIFY2(written, "the session waited in memory after the history was free");
        break;
    }
    case Fault::PushServerDown: {
        // Every check announces what it finds. The push server fails five
        // checks; Sydney's seats go at the fifth; Perth's open at the sixth,
        // with the server back: one push, Sydney's line saying when.
        const Profile p = profile(false);
        settings(p, {{"PushUrl", push->base() + "/seats"}, {"MailSendType", "2"}});
        for (int run = 0; run < 6; ++run) {
            push->answer.status = run < 5 ? 500 : 200;
            SiteSim airline(seats(run < 4, run == 5));
            QVERIFY(airline.start());
            check(p, airline);
            account(t, run < 5 ? QMap<QString, bool>{} : QMap<QString, bool>{{kSydney, true}, {kPerth, false}}, 0,
                    run == 5);
        }
        break;
    }
    case Fault::MailDownWhileTrayRuns: {
        // The tray program's results mail meets a mail server that is down
        // through its first four tries (1 + 2 + 4 minutes), then back.
        const int port = LocalHttpServer::closedPort();
        const Profile p = profile(false);
        settings(p, {{"SmtpPort", QString::number(port)}, {"MailSendType", "0"}});
        SiteSim airline(seats(true));
        VirtualDesktop desk;
        QVERIFY(airline.start() && desk.start());
        QProcess tray;
        startTray(tray, p, airline, desk);
        SmtpTestServer back(SmtpTestServer::Options{false, {}, "normal", port});
        mail = &back;
        // Each failed try says why in the tooltip, which the program prints too.
        const bool tried = waitUntil([&] { return tray.peek(1 << 20).count(" outbox: 1 alert waiting to be sent: ") >= 4; });
        QVERIFY(back.start());
        waitUntil([&] { return !back.messages().isEmpty(); });
        account(t, {}, 1);
        stopProcess(tray);
        QVERIFY2(tried, "the tray program stopped trying while the mail server was down");
        break;
    }
    case Fault::TrayKilledMidSend: {
        // The mail server takes the mail and never answers the goodbye; the
        // tray program is killed meanwhile and started again, while its mail
        // program still waits. Mail only on a change: the restart's own
        // check finds none.
        SmtpTestServer server(SmtpTestServer::Options{false, {}, "silent-at-quit"});
        QVERIFY(server.start());
        mail = &server;
        const Profile p = profile(false);
        settings(p, {{"SmtpPort", QString::number(server.port())}, {"MailSendType", "3"}});
        SiteSim airline(seats(true));
        VirtualDesktop desk;
        QVERIFY(airline.start() && desk.start());
        QProcess tray, restarted;
        startTray(tray, p, airline, desk);
        waitUntil([&] { return !server.messages().isEmpty(); });
        tray.kill();
        tray.waitForFinished();
        startTray(restarted, p, airline, desk);
        waitUntil([&] {
            return restarted.peek(1 << 20).contains("No change since the last check") && rowsIn(p, "outbox.sqlite", "outbox") == 0
                   && !mailProgramRunning(p);
        });
        account(t, {}, 1);
        stopProcess(restarted);
        break;
    }
    case Fault::CheckStoppedMidSend: {
        // Stopped while the server, having taken the mail, says nothing to
        // the goodbye; the next run, with the server mended, finds no change.
        SmtpTestServer silent(SmtpTestServer::Options{false, {}, "silent-at-quit"}), server;
        QVERIFY(silent.start() && server.start());
        mail = &silent;
        const Profile p = profile(false);
        settings(p, {{"SmtpPort", QString::number(silent.port())}, {"MailSendType", "3"}});
        SiteSim airline(seats(true));
        QVERIFY(airline.start());
        QProcess c;
        start(c, p, "zelvane-check", airline);
        waitUntil([&] { return !silent.messages().isEmpty(); });
        c.terminate();
        waitUntil([&] { return c.state() == QProcess::NotRunning; });
        account(t, {}, 1);
        settings(p, {{"SmtpPort", QString::number(server.port())}});
        mail = &server;
        mailsSeen = 0;
        check(p, airline);
        account(t, {}, 0);
        // It said how it ended: stopped.
        QCOMPARE(c.exitStatus(), QProcess::NormalExit);
        QCOMPARE(c.exitCode(), 128 + SIGTERM);
        break;
    }
    case Fault::CheckWithoutRuntimeDir: {
        // The tray program runs and has mailed its results; a timer's check
        // without XDG_RUNTIME_DIR must see it and stay out.
        SmtpTestServer server;
        QVERIFY(server.start());
        mail = &server;
        const Profile p = profile(false);
        settings(p, {{"SmtpPort", QString::number(server.port())}, {"MailSendType", "0"}});
        SiteSim airline(seats(true));
        VirtualDesktop desk;
        QVERIFY(airline.start() && desk.start());
        QProcess tray;
        startTray(tray, p, airline, desk);
        waitUntil([&] { return !server.messages().isEmpty(); });
        const auto [code, out] = check(p, airline, {"XDG_RUNTIME_DIR"});
        account(t, {}, 1);
        // A second results mail of the same check's news is a second telling.
        t.duplicated += std::exchange(t.falseAlarm, 0);
        stopProcess(tray);
        QVERIFY2(code == 2, out.constData());
        break;
    }
    }
}

ZELVANE_TEST_GUILESS_MAIN(TestWeekOfAlerts)
#include "test_week_of_alerts.moc"
