// zelvane-check run as a user would run it from cron, against the simulated
// airline and product sites.
#include "app/SingleInstance.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace zelvane::test;

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

} // namespace

class TestCheckCommand : public QObject {
    Q_OBJECT

    QString program; // a copy of the executable in a folder of its own: its data folder
    std::unique_ptr<SiteSim> airline, site;

    void writeSettings(const QString& memberNo, const QString& pin, int mailType = 0)
    {
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf",
                  QString("[Settings]\nMemberNo=%1\nLastName=Smith\nPin=%2\nMail=me+flights@example.com\n"
                          "MailSendType=%3\n")
                      .arg(memberNo, pin)
                      .arg(mailType)
                      .toUtf8());
    }

    Run run(const QStringList& args = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZELVANE_AIRLINE_URL", airline->baseUrl());
        env.insert("ZELVANE_CA_FILE", airline->caFile());
        env.insert("ZELVANE_SITE_URL", site->baseUrl());
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
    }

    void failuresEndWithAReasonAndTheirOwnStatus()
    {
        writeSettings("0", "0");
        Run r = run();
        QCOMPARE(r.exitCode, 4);
        QVERIFY(r.err.contains("watch list is empty"));

        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        r = run();
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.err.count('\n'), 1);

        writeSettings("1234567", "9999");
        r = run();
        QCOMPARE(r.exitCode, 6);
        QVERIFY(r.err.startsWith("zelvane-check: the login failed"));
        QVERIFY(r.out.contains("Login Failed...Check Details and Try Again"));
        QVERIFY(site->requests("email").isEmpty());
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

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "test_check_command.moc"
