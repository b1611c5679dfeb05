// The tray program started at log-in while a timer's zelvane-check is in the
// middle of a check: the real programs in a virtual tray, against the
// simulated airline, a real mail server and a push server on loopback, with
// and without XDG_RUNTIME_DIR on either side. The tray program waits, saying
// so, starts once the check has ended, and neither sends what the other sent.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"
#include "support/VirtualDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSettings>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <functional>

using namespace zelvane::test;

namespace {

const QString kSydney = "Sydney → Melbourne, 25/12/2026, Evening";
const QByteArray kWatchList = "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\nPerth;Darwin;03/01/2027;Morning;PER;DRW\r\n";
const QByteArray kWaits = "waits for zelvane-check to finish its check";
const QByteArray kAlreadyRunning = "Application already running";

struct Tally {
    int runs = 0, expected = 0, delivered = 0, duplicated = 0, lost = 0;
};

} // namespace

class TestTwoCopies : public QObject {
    Q_OBJECT

    QMap<QString, Tally> table;
    QString program;
    QProcessEnvironment env;

    void start(QProcess& p, const QString& exe, const SiteSim& airline, bool runtimeDir,
               const QMap<QString, QString>& more = {})
    {
        QProcessEnvironment e = env;
        e.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        e.insert("ZELVANE_CA_FILE", airline.caFile());
        for (auto k = more.cbegin(); k != more.cend(); ++k)
            e.insert(k.key(), k.value());
        if (!runtimeDir)
            e.remove("XDG_RUNTIME_DIR");
        p.setProcessEnvironment(e);
        p.start(program + "/" + exe, {});
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        if (!VirtualDesktop::missingTool().isEmpty())
            ZELVANE_SKIP_MISSING_TOOL("xvfb, trayer and xdotool");
    }

    void trayStartedDuringACheckWaitsForIt_data()
    {
        QTest::addColumn<bool>("checkRuntimeDir"); // XDG_RUNTIME_DIR set for zelvane-check
        QTest::addColumn<bool>("trayRuntimeDir");  // and for the tray program
        QTest::newRow("both with XDG_RUNTIME_DIR") << true << true;
        QTest::newRow("a timer's check and a log-in without it") << false << false;
        QTest::newRow("a tray program without it, a check with it") << true << false;
        QTest::newRow("a tray program with it, a check without it") << false << true;
    }
    void trayStartedDuringACheckWaitsForIt()
    {
        QFETCH(bool, checkRuntimeDir);
        QFETCH(bool, trayRuntimeDir);
        Tally& t = table[QTest::currentDataTag()];
        const QString home = freshFolder("home");
        program = home + "/program";
        for (const QString& dir : {program, home + "/config/Zelvapp", home + "/data", home + "/run"})
            QVERIFY(QDir().mkpath(dir));
        QFile::setPermissions(home + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& exe : {QString(ZELVANE_CHECK_PATH), QString(ZELVANE_TRAY_PATH), QString(ZELVANE_MAIL_PROGRAM_PATH)})
            QVERIFY(QFile::copy(exe, program + "/" + QFileInfo(exe).fileName()));
        writeFile(program + "/Query.txt", kWatchList);
        env = QProcessEnvironment::systemEnvironment();
        for (const auto& [key, dir] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
                                       {"XDG_RUNTIME_DIR", "/run"}})
            env.insert(key, home + dir);
        env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        env.insert("ZELVANE_TIME_SCALE", "0.01");
        env.remove("QT_QPA_PLATFORM");

        SmtpTestServer mail;
        LocalHttpServer push;
        QVERIFY(mail.start() && push.start());
        {
            QSettings s(home + "/config/Zelvapp/Zelvapp.conf", QSettings::IniFormat);
            const QMap<QString, QString> keys{
                {"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"}, {"Mail", "me@example.com"},
                {"NotifyDesktop", "0"}, {"TimeIndex", "1"}, {"TimeHou", "12"}, {"Autostartup", "0"},
                {"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(mail.port())}, {"SmtpSecurity", "0"},
                {"MailSendType", "3"}, {"AnnounceChangesOnly", "1"}, {"PushUrl", push.base() + "/seats"}};
            for (auto k = keys.cbegin(); k != keys.cend(); ++k)
                s.setValue("Settings/" + k.key(), k.value());
        }
        // Seats on the first; the second search is slow, and the check is
        // held there, in the middle, while the tray program starts.
        SiteSim airline(R"({"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026"}],
                            "searchFaults": {"2": "slow:1500"}})");
        VirtualDesktop desk;
        QVERIFY(airline.start() && desk.start());

        QProcess check, tray;
        start(check, "zelvane-check", airline, checkRuntimeDir);
        ++t.runs;
        QVERIFY2(waitUntil([&] { return check.peek(1 << 20).contains("Checking Itinerary #2"); }),
                 check.readAll().constData());
        ::kill(pid_t(check.processId()), SIGSTOP);
        start(tray, "zelvane", airline, trayRuntimeDir, {{"DISPLAY", desk.display()}, {"ZELVANE_PRINT_STATUS", "1"}});
        ++t.runs;
        // It says it waits; a copy that starts beside the check prints its
        // status, and one that gives up says it is already running.
        QByteArray said;
        waitUntil([&] {
            said += tray.readAllStandardError();
            return said.contains(kWaits) || said.contains(kAlreadyRunning) || tray.peek(1 << 20).contains(":")
                   || tray.state() == QProcess::NotRunning;
        });
        const bool waited = said.contains(kWaits) && !tray.peek(1 << 20).contains(":");
        ::kill(pid_t(check.processId()), SIGCONT);
        if (!waited) {
            stopProcess(tray);
            stopProcess(check);
            QFAIL(qPrintable("the tray program did not wait for the check: " + QString::fromUtf8(said + tray.readAll())));
        }
        QVERIFY(waitUntil([&] { return check.state() == QProcess::NotRunning; }));
        QCOMPARE(check.exitCode(), 0);
        // Then it starts, and checks for itself: no change since the check.
        const bool started = waitUntil([&] {
            said += tray.readAllStandardError();
            return said.contains("Zelvane starts") && tray.peek(1 << 20).contains("No change since the last check");
        });
        // Now the tray program is the one running: a check and a second tray
        // program, each as this row starts it, stay out as they always did.
        QProcess again, second;
        start(again, "zelvane-check", airline, checkRuntimeDir);
        again.waitForFinished(60000);
        start(second, "zelvane", airline, trayRuntimeDir, {{"DISPLAY", desk.display()}});
        QByteArray secondSaid;
        waitUntil([&] {
            secondSaid += second.readAllStandardError() + second.readAllStandardOutput();
            return secondSaid.contains(kAlreadyRunning) || secondSaid.contains(kWaits);
        });
        stopProcess(second);
        stopProcess(tray);
        QVERIFY2(started, qPrintable(QString::fromUtf8(said + tray.readAll())));
        QVERIFY2(again.exitCode() == 2, again.readAll().constData());
        QVERIFY2(secondSaid.contains(kAlreadyRunning), secondSaid.constData());

        // One results mail and one push line for the seats, told once.
        t.expected = 2;
        QSet<QString> ids;
        int mails = 0;
        for (const QJsonObject& m : mail.messages())
            for (const QJsonValue& h : m["headers"].toArray())
                if (h[0].toString() == "Message-ID") {
                    ++mails;
                    ids.insert(h[1].toString());
                }
        int lines = 0;
        for (const QByteArray& request : push.requests)
            lines += int(QString::fromUtf8(LocalHttpServer::body(request)).split('\n').filter(kSydney).size());
        t.delivered = std::min(1, mails) + std::min(1, lines);
        t.duplicated = std::max(0, mails - 1) + std::max(0, lines - 1);
        t.lost = t.expected - t.delivered;
        QVERIFY2(t.delivered == t.expected && t.duplicated == 0,
                 qPrintable(QString("mails %1, push lines %2").arg(mails).arg(lines)));
    }

    void cleanupTestCase()
    {
        std::printf("%-46s %4s %8s %9s %10s %4s\n", "the tray started during a check", "runs", "expected",
                    "delivered", "duplicated", "lost");
        for (auto t = table.cbegin(); t != table.cend(); ++t)
            std::printf("%-46s %4d %8d %9d %10d %4d\n", qPrintable(t.key()), t->runs, t->expected, t->delivered,
                        t->duplicated, t->lost);
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestTwoCopies)
#include "test_two_copies.moc"
