// zelvane-check run as a user would run it from cron, against the simulated
// airline and product sites.
#include "app/SingleInstance.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

using namespace zelvane::test;

namespace {

int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

} // namespace

class TestCheckCommand : public QObject {
    Q_OBJECT

    QString program; // a copy of the executable in a folder of its own: its data folder
    std::unique_ptr<SiteSim> airline, site;

    // Sets these keys and keeps the others, as a user changing details would.
    void writeSettings(const QString& memberNo, const QString& pin, int mailType = 0,
                       const QMap<QString, QString>& more = {})
    {
        QSettings file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf",
                       QSettings::IniFormat);
        QMap<QString, QString> keys{{"MemberNo", memberNo}, {"LastName", "Smith"}, {"Pin", pin},
                                    {"Mail", "me+flights@example.com"},
                                    {"MailSendType", QString::number(mailType)}};
        keys.insert(more);
        for (auto k = keys.cbegin(); k != keys.cend(); ++k)
            file.setValue("Settings/" + k.key(), k.value());
    }

    // The keys that send mail to `mail`, a plain server on this machine, and
    // no desktop notes (no desktop here).
    static QMap<QString, QString> mailTo(const SmtpTestServer& mail, QMap<QString, QString> more = {})
    {
        more.insert({{"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(mail.port())},
                     {"SmtpSecurity", "0"}, {"NotifyDesktop", "0"}});
        return more;
    }

    // `down` names a site that nobody answers for; `more` adds to the environment.
    Run run(const QStringList& args = {}, const QString& down = {},
            const QMap<QString, QString>& more = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto k = more.cbegin(); k != more.cend(); ++k)
            env.insert(k.key(), k.value());
        const QString closed = QString("http://127.0.0.1:%1").arg(closedPort());
        env.insert("ZELVANE_AIRLINE_URL", down == "airline" ? closed : airline->baseUrl());
        env.insert("ZELVANE_CA_FILE", airline->caFile());
        env.insert("ZELVANE_SITE_URL", down == "site" ? closed : site->baseUrl());
        env.insert("ZELVANE_TIME_SCALE", "0");
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(60000))
            p.kill();
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void init()
    {
        freshHome();
        const QString folder = freshFolder("program");
        program = folder + "/zelvane-check";
        QVERIFY(QFile::copy(ZELVANE_CHECK_PATH, program));
        airline = std::make_unique<SiteSim>(
            R"({"available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026"}]})", true);
        site = std::make_unique<SiteSim>("{}", false);
        QVERIFY(airline->start());
        QVERIFY(site->start());
    }

    void cleanup()
    {
        airline.reset();
        site.reset();
    }

    void helpSaysWhatItDoes()
    {
        const Run r = run({"--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("Usage: zelvane-check"));
        QCOMPARE(run({"--bogus"}).exitCode, 64);
    }

    void completedSessionPrintsStatusesAndResults()
    {
        writeSettings("1234567", "1234");
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                  "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QRegularExpression timed("^\\d\\d:\\d\\d:\\d\\d ");
        QVERIFY(timed.match(lines.value(0)).hasMatch());
        QCOMPARE(lines.value(0).mid(9), QString(" Waiting For New Session To Start..."));
        QVERIFY(r.out.contains(" Login Successfull!\n"));
        QVERIFY(r.out.contains(" Session completed...See Results\n"));
        QVERIFY(r.out.contains(" (1)Available and (1)Unavailable Results Found, Mail Sent\n"));
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"1\tSydney\tMelbourne\t25/12/2026\tEvening\tavailable",
                              "2\tPerth\tDarwin\t03/01/2027\tMorning\tnot available"}));
        const auto mails = site->requests("email");
        QCOMPARE(mails.size(), 1);
        QVERIFY(mails[0]["query"].toString().startsWith("to=me%2Bflights@example.com&"));
        // The session's time is kept for the tray program.
        QVERIFY(readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf")
                    .contains("LastLoginTime"));
    }

    void historyPrintsTheLastSessions()
    {
        const QString folder = QFileInfo(program).absolutePath();
        Run r = run({"--history"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("no history yet"), qPrintable(r.err));

        writeSettings("1234567", "1234", 2);
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                                         "Perth;Darwin;03/01/2027;Morning;PER;DRW;First\r\n");
        QCOMPARE(run().exitCode, 0);
        QCOMPARE(run().exitCode, 0);

        r = run({"--history", "1"});
        QCOMPARE(r.exitCode, 0);
        const QStringList table = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(table.size(), 3);
        QVERIFY(table[0].startsWith("Session"));
        QVERIFY2(table[1].contains(QRegularExpression("SYD +MEL +25/12/2026 +Evening +Any +available +1$")),
                 qPrintable(table[1]));
        QVERIFY2(table[2].contains(QRegularExpression("PER +DRW +03/01/2027 +Morning +First +not available +0$")),
                 qPrintable(table[2]));

        r = run({"--history", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4); // both sessions
        const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
        QCOMPARE(first["destination"].toString(), QString("MEL"));
        QCOMPARE(first["flights"].toArray().size(), 1);
        QVERIFY(QDateTime::fromString(first["session"].toString(), Qt::ISODate).isValid());

        for (const QStringList& wrong : {QStringList{"--history", "0"}, QStringList{"--history", "x"},
                                         QStringList{"--json"}, QStringList{"--history", "2", "3"}})
            QCOMPARE(run(wrong).exitCode, 64);

        // Unreadable: said so, and the file is left as it is for the tray program to deal with.
        writeFile(folder + "/history.sqlite", QByteArray(4096, 'x'));
        QFile::remove(folder + "/history.sqlite-wal");
        QFile::remove(folder + "/history.sqlite-shm");
        r = run({"--history"});
        QCOMPARE(r.exitCode, 66);
        QVERIFY(r.err.startsWith("zelvane-check: "));
        QCOMPARE(readFile(folder + "/history.sqlite"), QByteArray(4096, 'x'));

        // A check moves it aside and says so once, before it starts.
        r = run();
        QCOMPARE(r.exitCode, 0);
        QCOMPARE((r.out + r.err).count("History unreadable"), 1);
        QVERIFY2(r.out.section('\n', 0, 0).contains("moved to history-broken-"), qPrintable(r.out));
        QCOMPARE(QDir(folder).entryList({"history-broken-*.sqlite"}).size(), 1);
        QCOMPARE(run({"--history", "1"}).out.count('\n'), 3);
    }

    // "Send only when availability changes" and "Announce only flights that
    // became available", run from a timer: the first check mails and pushes,
    // the same again does neither. What counts as a change is test_push's.
    void onlyChangesAreMailedAndAnnounced()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeSettings("1234567", "1234", 3,
                      mailTo(mail, {{"AnnounceChangesOnly", "1"}, {"PushUrl", site->baseUrl() + "/"}}));
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                  "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n");
        const auto pushes = [this] {
            QStringList bodies;
            for (const QJsonObject& r : site->requests())
                if (r["method"].toString() == "POST" && r["path"].toString() == "/")
                    bodies << r["body"].toString();
            return bodies;
        };

        Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY(r.out.contains(" (1)Available and (1)Unavailable Results Found, Mail Sent\n"));
        QCOMPARE(mail.messages().size(), 1);
        QCOMPARE(pushes(), QStringList{"Sydney → Melbourne, 25/12/2026, Evening"});

        r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains("Mail"), qPrintable(r.out));
        QCOMPARE(mail.messages().size(), 1);
        QCOMPARE(pushes().size(), 1);
    }

    // Each way a check can end short, from where the user stands: the exit
    // code, the reason on standard error, the last status printed, and
    // whether the warning e-mail went out (through the site's relay here).
    void failuresEndWithAReasonAndTheirOwnStatus_data()
    {
        QTest::addColumn<QString>("memberNo");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<bool>("watchList");
        QTest::addColumn<QString>("down"); // "airline" or "site": nobody listens there
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<int>("warnings");
        QTest::newRow("nothing set up") << "" << "" << false << "" << 3
                                        << "no member details stored" << "" << 0;
        QTest::newRow("details, no watch list") << "1234567" << "1234" << false << "" << 4
                                                << "the watch list is empty"
                                                << " Waiting For Itinerary Details To Be Entered..." << 0;
        QTest::newRow("wrong PIN") << "1234567" << "9999" << true << "" << 6
                                   << "the login failed; check the member number, surname and PIN"
                                   << "Login Failed...Check Details and Try Again" << 1;
        QTest::newRow("airline site unreachable")
            << "1234567" << "1234" << true << "airline" << 9
            << "the airline's site could not be reached (Connection refused)"
            << "Qantas Website Could Not Be Reached...Check Your Connection" << 0;
        QTest::newRow("results e-mail not delivered")
            << "1234567" << "1234" << true << "site" << 8
            << "an alert could not be delivered: E-mail: could not reach the product site "
               "(connection refused)"
            << "(1)Available and (0)Unavailable Results Found, Mail Not Sent: could not reach "
               "the product site (connection refused)"
            << 0;
    }
    void failuresEndWithAReasonAndTheirOwnStatus()
    {
        QFETCH(QString, memberNo);
        QFETCH(QString, pin);
        QFETCH(bool, watchList);
        QFETCH(QString, down);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(QString, lastStatus);
        QFETCH(int, warnings);
        const QString settingsFile = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf";
        if (!memberNo.isEmpty())
            writeSettings(memberNo, pin);
        if (watchList)
            writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                      "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        const Run r = run({}, down);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith("zelvane-check: " + reason), qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        const QStringList statuses = lines.filter(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d "));
        QCOMPARE(statuses.isEmpty() ? QString() : statuses.last().mid(9), lastStatus);
        QCOMPARE(site->requests("relay").size(), warnings);
        // With nothing set up, nothing is written either.
        if (memberNo.isEmpty())
            QVERIFY(!QFile::exists(settingsFile));
    }

    // Only the airline's own page can refuse a login. A maintenance page, a
    // network's sign-in page or a search the site fails is the site's
    // trouble: exit 9 with the reason, no login warning on any channel, the
    // refusal mark left alone, and the failed search in the history as
    // failed, never as "not available".
    void siteTroubleIsNotARefusedLogin_data()
    {
        QTest::addColumn<QString>("scenario"); // of the airline
        QTest::addColumn<QString>("pin");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<QStringList>("states");   // the lines printed at the end
        QTest::addColumn<QStringList>("recorded"); // the history's outcomes
        QTest::addColumn<bool>("warned");
        const QString sydMel = R"("available": [{"from": "SYD", "to": "MEL", "date": "25/12/2026"}])";
        QTest::newRow("503 maintenance at the login")
            << "{" + sydMel + R"(, "loginFaults": {"1": "status:503"}})" << "1234" << 9
            << "the airline's site could not be used: HTTP 503 Service Unavailable."
            << " Qantas Website Could Not Be Used: HTTP 503 Service Unavailable"
            << QStringList{"not checked", "not checked"} << QStringList{} << false;
        QTest::newRow("sign-in page of another host")
            << "{" + sydMel + R"(, "loginFaults": {"1": "portal"}})" << "1234" << 9
            << "the airline's site could not be used: redirected to another host (localhost)."
            << " Qantas Website Could Not Be Used: redirected to another host (localhost)"
            << QStringList{"not checked", "not checked"} << QStringList{} << false;
        QTest::newRow("refused by the airline's own page")
            << "{" + sydMel + "}" << "9999" << 6
            << "the login failed; check the member number, surname and PIN"
            << "Login Failed...Check Details and Try Again"
            << QStringList{"not checked", "not checked"} << QStringList{} << true;
        QTest::newRow("503 at the second search")
            << "{" + sydMel + R"(, "searchFaults": {"2": "status:503"}})" << "1234" << 9
            << "the airline's site could not be used: HTTP 503 Service Unavailable."
            << " Qantas Website Could Not Be Used: HTTP 503 Service Unavailable"
            << QStringList{"available", "not checked"}
            << QStringList{"available", "not checked (failed)"} << false;
    }
    void siteTroubleIsNotARefusedLogin()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, pin);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(QString, lastStatus);
        QFETCH(QStringList, states);
        QFETCH(QStringList, recorded);
        QFETCH(bool, warned);
        airline = std::make_unique<SiteSim>(scenario, true);
        QVERIFY(airline->start());
        writeSettings("1234567", pin, 2, {{"PushUrl", site->baseUrl() + "/"}, {"NotifyDesktop", "0"}});
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                  "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
        QVERIFY2(r.err.startsWith("zelvane-check: " + reason), qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        const QStringList statuses = lines.filter(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d "));
        QCOMPARE(statuses.last().mid(9), lastStatus);
        QVERIFY2(!r.out.contains("Login Details Incorrect") || warned, qPrintable(r.out));
        QStringList shown;
        for (const QString& line : lines.mid(lines.size() - 2))
            shown << line.section('\t', 5);
        QCOMPARE(shown, states);

        // The login warning: by mail through the relay, by push, and the mark that it was told.
        QCOMPARE(site->requests("relay").size(), warned ? 1 : 0);
        int warningPushes = 0;
        for (const QJsonObject& q : site->requests())
            warningPushes += q["method"].toString() == "POST" && q["path"].toString() == "/"
                             && q["body"].toString().startsWith("Zelvane could not log in");
        QCOMPARE(warningPushes, warned ? 1 : 0);
        QSettings file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf",
                       QSettings::IniFormat);
        QCOMPARE(file.value("Settings/LoginFailTold", "0").toString(), QString(warned ? "1" : "0"));

        const Run history = run({"--history", "--json"});
        QCOMPARE(history.exitCode, 0);
        QStringList outcomes;
        for (const QString& line : history.out.split('\n', Qt::SkipEmptyParts))
            outcomes << QJsonDocument::fromJson(line.toUtf8()).object()["outcome"].toString();
        QCOMPARE(outcomes, recorded);
    }

    // The warning goes once per failing streak: three refused checks in a row
    // mail once; after a good login the next refusal mails again.
    void refusedLoginIsToldOncePerStreak()
    {
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        writeSettings("1234567", "9999", 2);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(run().exitCode, 6);
        QCOMPARE(site->requests("relay").size(), 1);
        writeSettings("1234567", "1234", 2);
        const Run good = run();
        QVERIFY2(good.exitCode == 0, qPrintable(QString::number(good.exitCode) + good.err));
        writeSettings("1234567", "9999", 2);
        QCOMPARE(run().exitCode, 6);
        QCOMPARE(site->requests("relay").size(), 2);
    }

    // The whole road: a check against the simulated airline whose results
    // reach a real mail server, and what --test-alert says of it, also
    // without the mail library. Whether a secure session or a mail comes
    // first, OpenSSL's clean-up at exit, which now and then freed memory
    // twice as the program ended, is never registered.
    void resultsReachTheUsersMailServer()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeSettings("1234567", "1234", 0, mailTo(mail));
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        // The sanitizers' runtime need not come first where the probe does.
        const QMap<QString, QString> probe{
            {"LD_PRELOAD", ZELVANE_EXIT_PROBE},
            {"ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") + ":verify_asan_link_order=0"}};
        const QString registered = "OPENSSL_cleanup registered";
        const Run r = run({}, {}, probe);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY(r.out.contains(" (1)Available and (0)Unavailable Results Found, Mail Sent\n"));
        QVERIFY2(!r.err.contains(registered), qPrintable(r.err));
        QCOMPARE(mail.messages().size(), 1);
        QVERIFY(site->requests("email").isEmpty()); // the user's server, not the site
        const Run test = run({"--test-alert"}, {}, probe);
        QCOMPARE(test.exitCode, 0);
        QCOMPARE(test.out, QString("E-mail: sent\n"));
        QVERIFY2(!test.err.contains(registered), qPrintable(test.err));
        QCOMPARE(mail.messages().size(), 2);

        // A broken libcurl.so.4 found first, as a missing one would be.
        const QString libraries = freshFolder("libraries");
        writeFile(libraries + "/libcurl.so.4", "not a library");
        const Run broken = run({"--test-alert"}, {}, {{"LD_LIBRARY_PATH", libraries}});
        QCOMPARE(broken.exitCode, 8);
        QCOMPARE(broken.out, QString("E-mail: failed (the mail library could not be loaded)\n"));
        QCOMPARE(mail.messages().size(), 2);

        mail.stop();
        const Run down = run({"--test-alert"});
        QCOMPARE(down.exitCode, 8);
        QVERIFY2(down.out.startsWith("E-mail: failed (could not connect to 127.0.0.1:"), qPrintable(down.out));
    }

    void refusesWhileTheTrayProgramRuns()
    {
        writeSettings("1234567", "1234");
        zelvane::SingleInstance tray;
        QVERIFY(tray.acquire());
        const Run r = run();
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("tray program is running"));
        QVERIFY(airline->requests().isEmpty());
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestCheckCommand)
#include "test_check_command.moc"
