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
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <sys/stat.h>

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

    void writeWatchList(const QByteArray& lines)
    {
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt", lines);
    }

    // Results mailed to `mail` and pushed to the site, each only when it changed.
    void tellChangesOnly(const SmtpTestServer& mail)
    {
        writeSettings("1234567", "1234", 3,
                      mailTo(mail, {{"AnnounceChangesOnly", "1"}, {"PushUrl", site->baseUrl() + "/"}}));
    }

    // The keys that send mail to `mail`, a plain server on this machine, and
    // no desktop notes (no desktop here).
    static QMap<QString, QString> mailTo(const SmtpTestServer& mail, QMap<QString, QString> more = {})
    {
        more.insert({{"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(mail.port())},
                     {"SmtpSecurity", "0"}, {"NotifyDesktop", "0"}});
        return more;
    }

    // `down` names a site that nobody answers for; `more` adds to the environment;
    // `then` runs once the program has printed `printed` (or has ended).
    Run run(const QStringList& args = {}, const QString& down = {},
            const QMap<QString, QString>& more = {}, const QString& printed = {},
            const std::function<void()>& then = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto k = more.cbegin(); k != more.cend(); ++k)
            env.insert(k.key(), k.value());
        const QString closed = QString("http://127.0.0.1:%1").arg(closedPort());
        env.insert("ZELVANE_AIRLINE_URL", down == "airline" ? closed : airline->baseUrl());
        env.insert("ZELVANE_CA_FILE", airline->caFile());
        env.insert("ZELVANE_SITE_URL", down == "site" ? closed : site->baseUrl());
        if (down == "mail")
            env.remove("ZELVANE_SITE_URL"); // no mail server and no site: no way to mail
        env.insert("ZELVANE_TIME_SCALE", "0");
        p.setProcessEnvironment(env);
        p.start(program, args);
        QByteArray out;
        if (then) {
            while (!out.contains(printed.toUtf8()) && p.waitForReadyRead(60000))
                out += p.readAllStandardOutput();
            then();
        }
        if (!p.waitForFinished(60000))
            p.kill();
        out += p.readAllStandardOutput();
        return {p.exitCode(), QString::fromUtf8(out), QString::fromUtf8(p.readAllStandardError())};
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
        QVERIFY(r.out.contains("\n  --json "));
    }

    void completedSessionPrintsStatusesAndResults()
    {
        writeSettings("1234567", "1234");
        // The third has a date no search can be made for: it is not checked,
        // says why, and the mail counts it apart.
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                       "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n"
                       "Adelaide;Hobart;31/02/2027;Morning;ADL;HBA\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QRegularExpression timed("^\\d\\d:\\d\\d:\\d\\d ");
        QVERIFY(timed.match(lines.value(0)).hasMatch());
        QCOMPARE(lines.value(0).mid(9), QString("Waiting For New Session To Start..."));
        QVERIFY(r.out.contains(" Login Successful!\n"));
        QVERIFY(r.out.contains(" Session completed...See Results\n"));
        QVERIFY(r.out.contains(" (1)Available, (1)Unavailable and (1)Not Checked Results Found, Mail Sent\n"));
        QCOMPARE(lines.mid(lines.size() - 3),
                 QStringList({"1\tSydney\tMelbourne\t25/12/2026\tEvening\tavailable",
                              "2\tPerth\tDarwin\t03/01/2027\tMorning\tnot available",
                              "3\tAdelaide\tHobart\t31/02/2027\tMorning\tnot checked: its date \"31/02/2027\" is no "
                              "day of the calendar"}));
        const auto mails = site->requests("email");
        QCOMPARE(mails.size(), 1);
        QVERIFY(mails[0]["query"].toString().startsWith("to=me%2Bflights@example.com&"));
        // The session's time is kept for the tray program.
        QVERIFY(readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf")
                    .contains("LastLoginTime"));
    }

    // One trip watched for other seats or more days: each result line says
    // which it is; the plain one reads as it always did.
    void resultLinesTellTheSeatsApart()
    {
        writeSettings("1234567", "1234");
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                       "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL;First\r\n"
                       "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL;Any;2;3\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(lines.size() - 3),
                 QStringList({"1\tSydney\tMelbourne\t25/12/2026\tEvening\tavailable",
                              "2\tSydney\tMelbourne\t25/12/2026\tEvening\tFirst\tnot available",
                              "3\tSydney\tMelbourne\t25/12/2026 +3\tEvening\t2 adults\t1 of 4 days: Fri 25\tavailable"}));
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
        QVERIFY2(table[1].contains(QRegularExpression("SYD +MEL +25/12/2026 +Evening +Any +1 +available +1$")),
                 qPrintable(table[1]));
        QVERIFY2(table[2].contains(QRegularExpression("PER +DRW +03/01/2027 +Morning +First +1 +not available +0$")),
                 qPrintable(table[2]));

        r = run({"--history", "--json"});
        QCOMPARE(r.exitCode, 0);
        // The options in either order.
        const Run jsonFirst = run({"--json", "--history"});
        QCOMPARE(jsonFirst.exitCode, 0);
        QCOMPARE(jsonFirst.out, r.out);
        QCOMPARE(run({"--json", "--history", "1"}).out.count('\n'), 2);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4); // both sessions
        const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
        QCOMPARE(first["destination"].toString(), QString("MEL"));
        QCOMPARE(first["adults"].toInt(), 1);
        QCOMPARE(first["flights"].toArray().size(), 1);
        QVERIFY(QDateTime::fromString(first["session"].toString(), Qt::ISODate).isValid());

        for (const QStringList& wrong : {QStringList{"--history", "0"}, QStringList{"--history", "x"},
                                         QStringList{"--history", "--calendar", "0"},
                                         QStringList{"--history", "2", "3"}})
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

    // The pushes the site took, at its root, in order.
    QStringList pushes() const
    {
        QStringList bodies;
        for (const QJsonObject& r : site->requests())
            if (r["method"].toString() == "POST" && r["path"].toString() == "/")
                bodies << r["body"].toString();
        return bodies;
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
        tellChangesOnly(mail);
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
                       "Perth;Darwin;03/01/2027;Morning;PER;DRW\r\n");

        Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY(r.out.contains(" (1)Available and (1)Unavailable Results Found, Mail Sent\n"));
        QCOMPARE(mail.messages().size(), 1);
        QCOMPARE(pushes().size(), 1);
        // The flight, then the way to book it.
        const QStringList pushed = pushes()[0].split('\n');
        QCOMPARE(pushed.size(), 2);
        QCOMPARE(pushed[0], "Sydney → Melbourne, 25/12/2026, Evening");
        QVERIFY2(pushed[1].startsWith("Book on the airline's site: https://"), qPrintable(pushed[1]));

        r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains("Mail"), qPrintable(r.out));
        QVERIFY2(r.out.contains(" No change since the last check: no e-mail sent\n"), qPrintable(r.out));
        QCOMPARE(mail.messages().size(), 1);
        QCOMPARE(pushes().size(), 1);
    }

    // A paused watch makes no search; a snoozed one is searched and kept in
    // the history, but neither mailed nor pushed up to and including its
    // last quiet day, and its seats are told, once, the day after.
    void pausedAndSnoozedWatches()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        tellChangesOnly(mail);
        // The pause is the line's twenty-second field, the snooze's last day its twenty-third.
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL" + QByteArray(17, ';') + "17/12/2026\r\n"
                       "Perth;Darwin;03/01/2027;Morning;PER;DRW" + QByteArray(16, ';') + "paused\r\n"
                       "Adelaide;Darwin;05/01/2027;Morning;ADL;DRW\r\n");
        const auto count = [](const QList<QJsonObject>& requests, const QString& from) {
            return std::count_if(requests.cbegin(), requests.cend(),
                                 [&from](const QJsonObject& r) { return r["from"].toString() == from; });
        };
        const QString told = "1\tSydney\tMelbourne\t25/12/2026\tEvening\tavailable\n";
        const struct {
            const char* today;
            QString sydneyLine;
            int mails, pushes;
        } days[] = {
            {"2026-12-10", "1\tSydney\tMelbourne\t25/12/2026\tEvening\tsnoozed until 17/12/2026\tavailable\n", 0, 0},
            {"2026-12-17", "1\tSydney\tMelbourne\t25/12/2026\tEvening\tsnoozed until 17/12/2026\tavailable\n", 0, 0},
            {"2026-12-18", told, 1, 1},
            {"2026-12-19", told, 1, 1},
        };
        qsizetype searchedBefore = 0;
        for (const auto& day : days) {
            const Run r = run({}, {}, {{"ZELVANE_TODAY", day.today}});
            QVERIFY2(r.exitCode == 0, qPrintable(day.today + r.out + r.err));
            const QList<QJsonObject> searches = airline->requests("search").mid(searchedBefore);
            searchedBefore += searches.size();
            QCOMPARE(count(searches, "PER"), 0);
            QCOMPARE(count(searches, "SYD"), 1);
            QVERIFY2(r.out.contains(day.sydneyLine), qPrintable(day.today + r.out));
            QVERIFY2(r.out.contains("2\tPerth\tDarwin\t03/01/2027\tMorning\tpaused\n"), qPrintable(r.out));
            QVERIFY2(r.out.contains(" Session completed...See Results; 1 itinerary paused\n"), qPrintable(r.out));
            QVERIFY2(!r.out.contains("Checking Itinerary #2"), qPrintable(r.out));
            QCOMPARE(mail.messages().size(), day.mails);
            QCOMPARE(pushes().size(), day.pushes);
        }
        QCOMPARE(pushes().size(), 1);
        QCOMPARE(pushes()[0].section('\n', 0, 0), QString("Sydney → Melbourne, 25/12/2026, Evening"));
        // The snoozed days' checks are in the history all the same.
        int sydneySeats = 0;
        for (const QString& line : run({"--history", "--json"}).out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject check = QJsonDocument::fromJson(line.toUtf8()).object();
            sydneySeats += check["origin"].toString() == "SYD" && check["outcome"].toString() == "available";
        }
        QCOMPARE(sydneySeats, 4);
    }

    // "Send only when availability changes", and one session's write refused
    // by another program holding the history past the wait. That session
    // still mails its change and says the history was not saved; what it
    // found goes into the file once the hold goes, so the next session,
    // finding the same, mails nothing; and the history records again.
    void aSessionTheHistoryRefusedIsNotMailedAgain()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeSettings("1234567", "1234", 3, mailTo(mail));
        const QString folder = QFileInfo(program).absolutePath();
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(mail.messages().size(), 1);

        // The seats go, while another connection holds the history's write lock.
        airline = std::make_unique<SiteSim>("{}", true);
        QVERIFY(airline->start());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
            db.setDatabaseName(folder + "/history.sqlite");
            QVERIFY(db.open());
            QSqlQuery hold(db);
            QVERIFY(hold.exec("BEGIN IMMEDIATE"));
            r = run({}, {}, {}, "History ", [&hold] { hold.exec("ROLLBACK"); });
        }
        QSqlDatabase::removeDatabase("holder");
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(mail.messages().size(), 2);
        const QString refused = r.out;

        r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains("Mail") && !r.out.contains("History"), qPrintable(r.out));
        QCOMPARE(mail.messages().size(), 2);
        const QStringList recorded = run({"--history", "--json"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(recorded.size(), 3);
        QCOMPARE(QJsonDocument::fromJson(recorded[1].toUtf8()).object()["outcome"].toString(),
                 QString("not available"));
        QCOMPARE(refused.count("History Not Saved: database is locked"), 1);
    }

    // A history whose header is whole over damaged tables is not an empty
    // one: --history says what SQLite found and ends with 66.
    void aDamagedHistoryIsReportedNotPrintedEmpty()
    {
        const QString folder = QFileInfo(program).absolutePath();
        writeSettings("1234567", "1234", 2);
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        QCOMPARE(run().exitCode, 0);
        QFile file(folder + "/history.sqlite");
        QVERIFY(file.size() > 8192);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(4096);
        file.write(QByteArray(4096, char(0xff)));
        file.close();
        for (const QStringList& args : {QStringList{"--history"}, QStringList{"--history", "--json"}}) {
            const Run r = run(args);
            QCOMPARE(r.exitCode, 66);
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.startsWith("zelvane-check: " + file.fileName() + ": "), qPrintable(r.err));
            QVERIFY2(r.err.contains("malformed") || r.err.contains("damaged"), qPrintable(r.err));
        }
    }

    // What holds the user's data (the trips, the history, the mails waiting)
    // is readable by the user alone, as the settings file is: what a run
    // makes, what an older version left open to everyone, and the copy of a
    // damaged history moved aside.
    void theUsersDataIsTheirsAlone_data()
    {
        QTest::addColumn<bool>("older");   // files an older version left open to everyone
        QTest::addColumn<bool>("damaged"); // a history SQLite finds damaged
        QTest::addColumn<bool>("unreadable"); // a result page it cannot read, kept
        QTest::newRow("made by a run") << false << false << false;
        QTest::newRow("left open by an older version") << true << false << false;
        QTest::newRow("a damaged history moved aside") << false << true << false;
        QTest::newRow("an unreadable result page kept") << false << false << true;
    }
    void theUsersDataIsTheirsAlone()
    {
        QFETCH(bool, older);
        QFETCH(bool, damaged);
        QFETCH(bool, unreadable);
        // Files are made open to everyone unless the program closes them.
        const mode_t mask = ::umask(022);
        const auto restoreMask = qScopeGuard([mask] { ::umask(mask); });
        const QString folder = QFileInfo(program).absolutePath();
        const QStringList data{"Query.txt", "history*", "outbox*", "announced.json", "unreadable-*"};
        if (unreadable) {
            airline = std::make_unique<SiteSim>(R"({"searchFaults": {"1": "redesigned"}})", true);
            QVERIFY(airline->start());
        }
        // The site is down: the results mail waits in the outbox.
        writeSettings("1234567", "1234");
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        if (older || damaged)
            QCOMPARE(run({}, "site").exitCode, 8);
        for (const QFileInfo& f : QDir(folder).entryInfoList(data, QDir::Files))
            if (older)
                QFile::setPermissions(f.filePath(), f.permissions() | QFile::ReadGroup | QFile::ReadOther);
        if (damaged) {
            QFile file(folder + "/history.sqlite");
            QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 8192);
            file.seek(4096);
            file.write(QByteArray(4096, char(0xff)));
        }
        QCOMPARE(run({}, "site").exitCode, unreadable ? 10 : 8);
        QCOMPARE(QDir(folder).entryList({"unreadable-*"}).isEmpty(), !unreadable);
        QStringList open;
        for (const QFileInfo& f : QDir(folder).entryInfoList(data, QDir::Files))
            if (f.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther))
                open << f.fileName();
        QVERIFY2(open.isEmpty(), qPrintable(open.join(", ")));
        QCOMPARE(QDir(folder).entryList({"history-broken-*"}).isEmpty(), !damaged);
    }

    // Each way a check can end short, from where the user stands: the exit
    // code, the reason on standard error, the last status printed, and
    // whether the warning e-mail went out (through the site's relay here).
    void failuresEndWithAReasonAndTheirOwnStatus_data()
    {
        QTest::addColumn<QString>("memberNo");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<bool>("watchList");
        QTest::addColumn<QString>("down"); // "airline" or "site": nobody listens there; "mail": none set up
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<int>("warnings");
        QTest::newRow("nothing set up") << "" << "" << false << "" << 3
                                        << "no member details stored" << "" << 0;
        QTest::newRow("a stored PIN that is no PIN")
            << "1234567" << "-5" << true << "" << 78
            << "the stored PIN is not digits only; enter the member details again in Zelvane" << "" << 0;
        QTest::newRow("details, no watch list") << "1234567" << "1234" << false << "" << 4
                                                << "the watch list is empty"
                                                << "Waiting For Itinerary Details To Be Entered..." << 0;
        QTest::newRow("wrong PIN") << "1234567" << "9999" << true << "" << 6
                                   << "the login failed; check the member number, surname and PIN"
                                   << "Login Failed...Check Details and Try Again" << 1;
        QTest::newRow("airline site unreachable")
            << "1234567" << "1234" << true << "airline" << 9
            << "the airline's site could not be reached (Connection refused)"
            << "Qantas Website Could Not Be Reached...Check Your Connection" << 0;
        QTest::newRow("results e-mail not delivered")
            << "1234567" << "1234" << true << "site" << 8
            << "an alert could not be delivered and waits in the outbox: Results e-mail of "
            << "1 alert waiting to be sent: could not reach the product site (connection refused)"
            << 0;
        QTest::newRow("results e-mail wanted, no way to send it")
            << "1234567" << "1234" << true << "mail" << 8
            << "an alert could not be sent: E-mail: e-mail is not set up: enter a mail server in the Alerts panel"
            << "E-mail Not Set Up" << 0;
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
            writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        const Run r = run({}, down);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith("zelvane-check: " + reason), qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        const QStringList statuses = lines.filter(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d "));
        QCOMPARE(statuses.isEmpty() ? QString() : statuses.last().mid(9), lastStatus);
        QCOMPARE(site->requests("relay").size(), warnings);
        // A first refusal is told as it is: no failed attempts counted, no
        // retry promised; that is the give-up's warning.
        for (const QJsonObject& post : site->requests("relay")) {
            const QString body = post["body"].toString().replace("%20", " ");
            QVERIFY2(body.contains("Login failed!") && body.contains("member number, surname or PIN"),
                     qPrintable(body));
            QVERIFY2(!body.contains("attempts") && !body.contains("15 minute"), qPrintable(body));
        }
        // Details it cannot log in with never reach the airline.
        if (exitCode == 3 || exitCode == 78)
            QCOMPARE(airline->requests().size(), 0);
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
            << "Qantas Website Could Not Be Used: HTTP 503 Service Unavailable"
            << QStringList{"not checked", "not checked"} << QStringList{} << false;
        QTest::newRow("sign-in page of another host")
            << "{" + sydMel + R"(, "loginFaults": {"1": "portal"}})" << "1234" << 9
            << "the airline's site could not be used: redirected to another host (localhost)."
            << "Qantas Website Could Not Be Used: redirected to another host (localhost)"
            << QStringList{"not checked", "not checked"} << QStringList{} << false;
        QTest::newRow("refused by the airline's own page")
            << "{" + sydMel + "}" << "9999" << 6
            << "the login failed; check the member number, surname and PIN"
            << "Login Failed...Check Details and Try Again"
            << QStringList{"not checked", "not checked"} << QStringList{} << true;
        QTest::newRow("503 at the second search")
            << "{" + sydMel + R"(, "searchFaults": {"2": "status:503"}})" << "1234" << 9
            << "the airline's site could not be used: HTTP 503 Service Unavailable."
            << "Qantas Website Could Not Be Used: HTTP 503 Service Unavailable"
            << QStringList{"available", "not checked: HTTP 503 Service Unavailable"}
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
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n"
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
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
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

    // The warning of a refused login is not titled as results.
    void theLoginWarningHasASubjectOfItsOwn()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        writeSettings("1234567", "9999", 0, mailTo(mail));
        QCOMPARE(run().exitCode, 6);
        writeSettings("1234567", "1234", 0, mailTo(mail));
        QCOMPARE(run().exitCode, 0);
        QStringList subjects;
        for (const QJsonObject& m : mail.messages())
            subjects << QJsonDocument(m["headers"].toArray()).toJson(QJsonDocument::Compact);
        QCOMPARE(subjects.filter(R"(["Subject","Zelvane could not log in to your frequent flyer account"])").size(), 1);
        QCOMPARE(subjects.filter(R"(["Subject","Your Frequent Flyer Results"])").size(), 1);
    }

    // Watches of several days across a month end, one with seats and one
    // without: the days name their months, the mail says in words what none
    // of the days had, and --json gives the same lines as JSON objects.
    void daysAcrossAMonthEndReadWhole()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        airline = std::make_unique<SiteSim>(R"({"available": [
            {"from": "SYD", "to": "MEL", "date": "28/02/2027"},
            {"from": "SYD", "to": "MEL", "date": "02/03/2027"}]})", true);
        QVERIFY(airline->start());
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeSettings("1234567", "1234", 0, mailTo(mail));
        writeWatchList("Sydney;Melbourne;26/02/2027;Morning;SYD;MEL;Any;1;4\r\n"
                       "Perth;Darwin;25/02/2027;Evening;PER;DRW;Any;1;3\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(r.out.contains("1\tSydney\tMelbourne\t26/02/2027 +4\tMorning\t2 of 5 days: Sun 28 Feb, Tue 2 Mar\tavailable\n"),
                 qPrintable(r.out));
        QCOMPARE(mail.messages().size(), 1);
        QVERIFY(QJsonDocument(mail.messages().first()).toJson().contains(
            "Flight Perth TO Darwin On Date 25/02/2027 and the 3 days after: no seats on any of the 4 days"));

        const Run json = run({"--json"}); // the status lines go to standard error
        QVERIFY2(json.exitCode == 0 && json.err.contains(" Session completed...See Results\n"), qPrintable(json.err));
        QStringList states;
        for (const QJsonValue& w : QJsonDocument::fromJson(json.out.toUtf8())["watches"].toArray()) {
            const QJsonObject watch = w["watch"].toObject(), result = w["result"].toObject();
            QStringList seatDays;
            for (const QJsonValue& d : result["legs"][0]["pairs"][0]["dates"].toArray())
                if (d["state"] == "seats")
                    seatDays << d["date"].toString();
            states << QString("%1 %2-%3 %4 +%5 %6 %7").arg(w["position"].toInt()).arg(watch["origins"][0]["code"].toString(),
                watch["destinations"][0]["code"].toString(), watch["outbound"]["date"].toString())
                .arg(watch["searches"].toInt() - 1).arg(result["state"].toString(), seatDays.join(','));
        }
        QCOMPARE(states, QStringList({"1 SYD-MEL 2027-02-26 +4 available 2027-02-28,2027-03-02",
                                      "2 PER-DRW 2027-02-25 +3 not available "}));
    }

    // The whole road: a check against the simulated airline whose results
    // reach a real mail server, what --test-alert says of it, of an option
    // the mail library refuses, and without the mail library. OpenSSL's
    // clean-up at exit, which freed memory twice now and then when it ran
    // beside a network thread still ending, never runs beside another thread.
    void resultsReachTheUsersMailServer()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer mail;
        QVERIFY(mail.start());
        writeSettings("1234567", "1234", 0, mailTo(mail));
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        // The sanitizers' runtime need not come first where the probe does.
        const QMap<QString, QString> probe{
            {"LD_PRELOAD", ZELVANE_EXIT_PROBE},
            {"ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") + ":verify_asan_link_order=0"}};
        // The probe was there and watched the clean-up, and it never ran beside another thread.
        const auto probed = [](const Run& run) {
            return run.err.contains("openssl_exit_probe: loaded\n")
                   && run.err.contains("OPENSSL_cleanup registered to run at exit, watched\n")
                   && !run.err.contains("OPENSSL_cleanup ran beside other threads");
        };
        const Run r = run({}, {}, probe);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY(r.out.contains(" (1)Available and (0)Unavailable Results Found, Mail Sent\n"));
        QVERIFY2(probed(r), qPrintable(r.err));
        QCOMPARE(mail.messages().size(), 1);
        QVERIFY(site->requests("email").isEmpty()); // the user's server, not the site
        const Run test = run({"--test-alert"}, {}, probe);
        QCOMPARE(test.exitCode, 0);
        QCOMPARE(test.out, QString("E-mail: sent\n"));
        QVERIFY2(probed(test), qPrintable(test.err));
        QCOMPARE(mail.messages().size(), 2);

        // libcurl takes no text over 8 MB: the refused user name ends the
        // send, named, where it used to be dropped and the mail sent without a login.
        writeSettings("1234567", "1234", 0,
                      mailTo(mail, {{"SmtpUser", QString(8'000'001, 'u')}, {"SmtpPassword", "pw"}}));
        const Run refused = run({"--test-alert"});
        QCOMPARE(refused.exitCode, 8);
        QCOMPARE(refused.out, QString("E-mail: failed (sending failed: the mail library refused "
                                      "CURLOPT_USERNAME (A libcurl function was given a bad argument))\n"));
        QCOMPARE(mail.messages().size(), 2);
        writeSettings("1234567", "1234", 0, mailTo(mail, {{"SmtpUser", ""}, {"SmtpPassword", ""}}));

        // A broken libcurl.so.4 found first, as a missing one would be: linked
        // the ordinary way, it stops the program at its start, before any
        // check or mail.
        const QString libraries = freshFolder("libraries");
        writeFile(libraries + "/libcurl.so.4", "not a library");
        const Run broken = run({"--test-alert"}, {}, {{"LD_LIBRARY_PATH", libraries}});
        QCOMPARE(broken.exitCode, 127);
        QVERIFY2(broken.err.contains("libcurl.so.4"), qPrintable(broken.err));
        QCOMPARE(mail.messages().size(), 2);

        mail.stop();
        const Run down = run({"--test-alert"});
        QCOMPARE(down.exitCode, 8);
        QVERIFY2(down.out.startsWith("E-mail: failed (could not connect to 127.0.0.1:"), qPrintable(down.out));
        // Mail is set up: what failed is told above, not that nothing is set up.
        QVERIFY2(!down.err.contains("set up e-mail or a push address"), qPrintable(down.err));
        QVERIFY2(down.err.contains("no alert reached you: every channel that is set up failed"),
                 qPrintable(down.err));
    }

    // The mail server is down when seats open: the results mail waits in the
    // outbox, a later check that finds no change does not lose it, and once
    // the server is back it arrives once.
    void anUndeliveredMailWaitsAndArrivesOnce()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer down;
        QVERIFY(down.start());
        down.stop();
        writeSettings("1234567", "1234", 3, mailTo(down));
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        for (int i = 0; i < 2; ++i) {
            const Run r = run();
            QCOMPARE(r.exitCode, 8);
            QVERIFY2(r.err.contains("waits in the outbox: Results e-mail of "), qPrintable(r.err));
        }
        SmtpTestServer back;
        QVERIFY(back.start());
        writeSettings("1234567", "1234", 3, mailTo(back));
        const Run sent = run({"--send-waiting"});
        QVERIFY2(sent.exitCode == 0, qPrintable(sent.out + sent.err));
        QCOMPARE(back.messages().size(), 1);
        QCOMPARE(airline->requests("login").size(), 2); // it checked nothing
        const Run after = run();
        QCOMPARE(after.exitCode, 0);
        QCOMPARE(back.messages().size(), 1);
    }

    // A refused login's warning waits while the mail server is down; the next
    // check's login gets through, so the warning is no longer true and never
    // arrives, while that check's results mail does.
    void aLoginThatWorksDropsTheWaitingWarning()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        SmtpTestServer down;
        QVERIFY(down.start());
        down.stop();
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        writeSettings("1234567", "9999", 0, mailTo(down));
        const Run refused = run();
        QCOMPARE(refused.exitCode, 6);
        QVERIFY2(refused.err.contains("waits in the outbox"), qPrintable(refused.err));
        writeSettings("1234567", "1234", 0, mailTo(down));
        const Run good = run();
        QCOMPARE(good.exitCode, 8);
        SmtpTestServer back;
        QVERIFY(back.start());
        writeSettings("1234567", "1234", 0, mailTo(back));
        const Run sent = run({"--send-waiting"});
        QVERIFY2(sent.exitCode == 0, qPrintable(sent.out + sent.err));
        const QList<QJsonObject> mails = back.messages();
        QCOMPARE(mails.size(), 1);
        QVERIFY(QJsonDocument(mails.first()).toJson().contains("Flight Sydney TO Melbourne On Date 25/12/2026"));
    }

    // A watch of four dates and a party of two: every date is searched, in
    // order, with the party's adult count, and each is a check in the history.
    void aFlexibleWatchSearchesEveryDateWithItsAdults()
    {
        airline = std::make_unique<SiteSim>(R"({"available": [
            {"from": "SYD", "to": "MEL", "date": "03/02/2027"},
            {"from": "SYD", "to": "MEL", "date": "05/02/2027"},
            {"from": "PER", "to": "DRW", "date": "10/02/2027"}]})", true);
        QVERIFY(airline->start());
        writeSettings("1234567", "1234", 2);
        const QString folder = QFileInfo(program).absolutePath();
        writeFile(folder + "/Query.txt", "Sydney;Melbourne;03/02/2027;Morning;SYD;MEL;Any;1;3\r\n"
                                         "Perth;Darwin;10/02/2027;Evening;PER;DRW;Any;2\r\n");
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QStringList searched;
        for (const QJsonObject& s : airline->requests("search")) {
            QVERIFY2(s["valid"].toBool(), qPrintable(QJsonDocument(s).toJson()));
            searched << s["date"].toString() + " x" + QString::number(s["adults"].toInt());
        }
        QCOMPARE(searched, QStringList({"03/02/2027 x1", "04/02/2027 x1", "05/02/2027 x1",
                                        "06/02/2027 x1", "10/02/2027 x2"}));
        QVERIFY(r.out.contains("Checking Itinerary #1 (Thu 4)\n"));

        QVERIFY2(r.out.contains("1\tSydney\tMelbourne\t03/02/2027 +3\tMorning\t2 of 4 days: Wed 3, Fri 5\tavailable\n"),
                 qPrintable(r.out));
        // Each date is a check of its own in the history, with its party.
        QStringList recorded;
        for (const QString& line : run({"--history", "1"}).out.split('\n', Qt::SkipEmptyParts).mid(1)) {
            const QStringList cells = line.split(QRegularExpression(" {2,}"));
            recorded << cells.value(4) + " x" + cells.value(7) + " " + cells.value(8);
        }
        QCOMPARE(recorded, QStringList({"03/02/2027 x1 available", "04/02/2027 x1 not available",
                                        "05/02/2027 x1 available", "06/02/2027 x1 not available",
                                        "10/02/2027 x2 available"}));
    }

    // A return journey searches its outbound days, then its return days from
    // the destination back, each an award search of its own; the line names
    // each leg's days with seats. A whole trip needs a return after the outbound.
    // Each day of each leg of a trip, between each pair of its cities, is
    // its own award search, in order; the line names the days, the leg and
    // the pair that had seats.
    void tripsSearchEveryLegAndPair_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("searched");
        QTest::addColumn<QString>("told");
        // Days before the date are searched from tomorrow on: a day gone is never asked about.
        const QDate soon = testToday().addDays(2);
        const QString fmt = "dd/MM/yyyy";
        QTest::newRow("days either side")
            << "Sydney;Melbourne;05/02/2027;Morning;SYD;MEL;Any;1;1;2"
            << QStringList{"SYD-MEL 03/02/2027", "SYD-MEL 04/02/2027", "SYD-MEL 05/02/2027", "SYD-MEL 06/02/2027"}
            << "Sydney\tMelbourne\t05/02/2027 -2 +1\tMorning\t1 of 4 days: Thu 4\tavailable";
        QTest::newRow("days before, from tomorrow")
            << QString("Perth;Darwin;%1;Evening;PER;DRW;Any;1;0;3").arg(soon.toString(fmt))
            << QStringList{"PER-DRW " + soon.addDays(-1).toString(fmt), "PER-DRW " + soon.toString(fmt)}
            << QString("Perth\tDarwin\t%1 -3\tEvening\t1 of 2 days: %2\tavailable")
                   .arg(soon.toString(fmt), QLocale::c().toString(soon, "ddd d")
                                                + (soon.day() == 1 ? QLocale::c().toString(soon, " MMM") : QString()));
        // What the airline cannot sell is never searched, and says why.
        const QDate gone = testToday().addDays(-1), last = testToday().addDays(353);
        QTest::newRow("a date gone")
            << QString("Perth;Darwin;%1;Evening;PER;DRW").arg(gone.toString(fmt)) << QStringList{}
            << QString("Perth\tDarwin\t%1\tEvening\tnot checked: past").arg(gone.toString(fmt));
        QTest::newRow("not bookable yet")
            << "Perth;Darwin;29/02/2028;Evening;PER;DRW" << QStringList{}
            << QString("Perth\tDarwin\t29/02/2028\tEvening\tnot checked: not yet bookable: from %1")
                   .arg(QDate(2028, 2, 29).addDays(-353).toString(fmt));
        QTest::newRow("days past the last bookable one")
            << QString("Perth;Darwin;%1;Evening;PER;DRW;Any;1;2").arg(last.toString(fmt))
            << QStringList{"PER-DRW " + last.toString(fmt)}
            << QString("Perth\tDarwin\t%1 +2\tEvening\tnot available").arg(last.toString(fmt));
        QTest::newRow("either leg")
            << "Sydney;Melbourne;05/02/2027;Morning;SYD;MEL;Any;1;0;1;14/02/2027;1"
            << QStringList{"SYD-MEL 04/02/2027", "SYD-MEL 05/02/2027", "MEL-SYD 14/02/2027", "MEL-SYD 15/02/2027"}
            << "Sydney\tMelbourne\t05/02/2027 -1, back 14/02/2027 +1\tMorning\tOutbound: Thu 4 · Return: Sun 14\tavailable";
        QTest::newRow("a whole trip")
            << "Sydney;Melbourne;04/02/2027;Morning;SYD;MEL;Any;1;0;0;14/02/2027;0;0;trip"
            << QStringList{"SYD-MEL 04/02/2027", "MEL-SYD 14/02/2027"}
            << "Sydney\tMelbourne\t04/02/2027, back 14/02/2027\tMorning\tOutbound: Thu 4 · Return: Sun 14\tavailable";
        QTest::newRow("no way back after the way out")
            << "Sydney;Melbourne;05/02/2027;Morning;SYD;MEL;Any;1;0;0;05/02/2027;0;0;trip"
            << QStringList{"SYD-MEL 05/02/2027", "MEL-SYD 05/02/2027"}
            << "Sydney\tMelbourne\t05/02/2027, back 05/02/2027\tMorning\tOutbound: none · Return: none\tnot available";
        QTest::newRow("the way back is before the way out")
            << "Sydney;Melbourne;14/02/2027;Morning;SYD;MEL;Any;1;0;0;15/02/2027;0;1;trip"
            << QStringList{"SYD-MEL 14/02/2027", "MEL-SYD 14/02/2027", "MEL-SYD 15/02/2027"}
            // Seats back before any out make no trip: none for this watch.
            << "Sydney\tMelbourne\t14/02/2027, back 15/02/2027 -1\tMorning\tOutbound: none · Return: none of 2 days\tnot available";
        QTest::newRow("two origins both ways")
            << "Sydney;Melbourne;05/02/2027;Morning;SYD;MEL;Any;1;0;1;14/02/2027;0;0;;Newcastle/NTL"
            << QStringList{"SYD-MEL 04/02/2027", "SYD-MEL 05/02/2027", "NTL-MEL 04/02/2027", "NTL-MEL 05/02/2027",
                           "MEL-SYD 14/02/2027", "MEL-NTL 14/02/2027"}
            << "Sydney or Newcastle\tMelbourne\t05/02/2027 -1, back 14/02/2027\tMorning\tOutbound SYD→MEL: Thu 4; "
               "NTL→MEL: Fri 5 · Return MEL→SYD: Sun 14\tavailable";
        QTest::newRow("one way between either of three and either of two")
            << "Sydney;Melbourne;04/02/2027;Morning;SYD;MEL;Any;1;0;0;;0;0;;Newcastle/NTL|Albury/ABX;Hobart/HBA"
            << QStringList{"SYD-MEL 04/02/2027", "SYD-HBA 04/02/2027", "NTL-MEL 04/02/2027", "NTL-HBA 04/02/2027",
                           "ABX-MEL 04/02/2027", "ABX-HBA 04/02/2027"}
            << "Sydney or Newcastle or Albury\tMelbourne or Hobart\t04/02/2027\tMorning\tSYD→MEL: Thu 4\tavailable";
    }
    void tripsSearchEveryLegAndPair()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, searched);
        QFETCH(QString, told);
        airline = std::make_unique<SiteSim>(QString(R"({"available": [
            {"from": "SYD", "to": "MEL", "date": "04/02/2027"},
            {"from": "NTL", "to": "MEL", "date": "05/02/2027"},
            {"from": "MEL", "to": "SYD", "date": "14/02/2027"},
            {"from": "PER", "to": "DRW", "date": "%1"}]})").arg(testToday().addDays(2).toString("dd/MM/yyyy")),
                                            true);
        QVERIFY(airline->start());
        writeSettings("1234567", "1234", 2);
        writeWatchList((line + "\r\n").toUtf8());
        const Run r = run();
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QStringList asked;
        for (const QJsonObject& s : airline->requests("search"))
            asked << s["from"].toString() + "-" + s["to"].toString() + " " + s["date"].toString();
        QCOMPARE(asked, searched);
        QVERIFY2(r.out.contains("1\t" + told + "\n"), qPrintable(r.out));
    }

    // Three real sessions of a return journey, each against the simulator as
    // the site then was, make the history; --history names each check's leg
    // and --history --calendar shows each route's days: the last check of a
    // day decides, a search that failed later leaves it, a day only ever
    // failed is not known, and the way back is a route of its own.
    void historyCalendarShowsEachRoutesDays()
    {
        writeSettings("1234567", "1234", 2);
        writeWatchList("Sydney;Melbourne;04/02/2027;Morning;SYD;MEL;Any;1;1;0;14/02/2027;1\r\n");
        // Searches: SYD-MEL 04 and 05, MEL-SYD 14 and 15.
        const QStringList sessions{
            R"({"searchFaults": {"4": "status:503"}})",
            R"({"available": [{"from": "SYD", "to": "MEL", "date": "04/02/2027", "rows":
                [["09:05 SYD", "10:35 MEL", "QF 401", "738", "0", "No", "2", "Yes"]]},
                {"from": "MEL", "to": "SYD", "date": "14/02/2027"}], "searchFaults": {"4": "status:503"}})",
            R"({"searchFaults": {"1": "status:503"}})"};
        for (const QString& scenario : sessions) {
            airline = std::make_unique<SiteSim>(scenario, true);
            QVERIFY(airline->start());
            const Run r = run();
            QVERIFY2(r.exitCode == 9, qPrintable(r.out + r.err));
        }

        const QStringList table = run({"--history"}).out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(table[0].contains(QRegularExpression("^Session +Leg +From +To ")), qPrintable(table[0]));
        QVERIFY2(table[3].contains(QRegularExpression(" Return +MEL +SYD +14/02/2027 ")), qPrintable(table[3]));
        const QJsonObject back = QJsonDocument::fromJson(run({"--history", "--json"}).out.section('\n', 3, 3).toUtf8()).object();
        QCOMPARE(back["leg"].toString() + " " + back["origin"].toString() + " " + back["date"].toString(),
                 QString("Return MEL 15/02/2027"));

        const Run calendar = run({"--history", "--calendar"});
        QCOMPARE(calendar.exitCode, 0);
        const QString weekdays = "February 2027\nMo  Tu  We  Th  Fr  Sa  Su\n";
        QVERIFY2(calendar.out.startsWith("S seats   . no seats   ? not known"), qPrintable(calendar.out));
        QVERIFY2(calendar.out.contains("\nMEL -> SYD\n\n" + weekdays + " 1   2   3   4   5   6   7\n"
                                       " 8   9  10  11  12  13  14S\n15? 16  17  18  19  20  21\n"),
                 qPrintable(calendar.out));
        QVERIFY2(calendar.out.contains("\nSYD -> MEL\n\n" + weekdays + " 1   2   3   4S  5.  6   7\n"),
                 qPrintable(calendar.out));

        QMap<QString, QJsonObject> days;
        for (const QString& line : run({"--history", "--calendar", "--json"}).out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            days.insert(o["origin"].toString() + " " + o["date"].toString(), o);
        }
        QCOMPARE(days.keys(), QStringList({"MEL 14/02/2027", "MEL 15/02/2027", "SYD 04/02/2027", "SYD 05/02/2027"}));
        const QJsonObject seats = days["SYD 04/02/2027"];
        QCOMPARE(seats["state"].toString(), QString("seats"));
        QCOMPARE(seats["cabins"].toArray(), QJsonArray({"Business", "First"}));
        QVERIFY(seats["lastChecked"].toString() < seats["lastTried"].toString()
                || seats["lastChecked"] == seats["lastTried"]);
        QCOMPARE(days["MEL 15/02/2027"]["state"].toString(), QString("not known"));
        QVERIFY(days["MEL 15/02/2027"]["lastChecked"].isNull());
        QCOMPARE(days["SYD 05/02/2027"]["state"].toString(), QString("no seats"));
    }

    // The settings one run wrote are read by the next wherever it runs: the
    // tray program on an Australian desktop, then cron under C, or the other
    // way round; every key after the dates keeps its value. A value no form
    // reads is named, kept as it is, and the keys after it still load.
    void settingsReadInAnyRegion_data()
    {
        QTest::addColumn<QString>("written"); // locale of a run that writes the file first; empty: none
        QTest::addColumn<QString>("read");    // locale of the run that reads it
        QTest::addColumn<QString>("hours");   // TimeHou as stored
        QTest::newRow("Australian desktop, then cron under C") << "en_AU.UTF-8" << "C" << "24";
        QTest::newRow("cron under C, then an American desktop") << "C" << "en_US.UTF-8" << "24";
        QTest::newRow("cron under C, then a German desktop") << "C" << "de_DE.UTF-8" << "24";
        QTest::newRow("hours no form reads") << "" << "C" << "twelve";
    }
    void settingsReadInAnyRegion()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QFETCH(QString, hours);
        for (const QString& locale : {written, read})
            if (!locale.isEmpty() && locale != "C" && QLocale(locale.section('.', 0, 0)).language() == QLocale::C)
                QSKIP(qPrintable(locale + " is a locale this Qt does not know"));
        writeSettings("1234567", "1234", 2, {{"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(closedPort())},
                                             {"NotifyDesktop", "0"}, {"TimeIndex", "1"}, {"TimeHou", hours}});
        writeWatchList("Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\n");
        QList<Run> runs;
        for (const QString& locale : {written, read})
            if (!locale.isEmpty())
                runs << run({}, {}, {{"LANG", locale}, {"LC_ALL", locale}});
        for (const Run& r : runs)
            QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(runs.last().err.contains("zelvane-check: The setting TimeHou could not be read; it is kept as it was.\n"),
                 hours != "24");
        QSettings file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf", QSettings::IniFormat);
        QCOMPARE(file.value("Settings/TimeHou").toString(), hours);
        QCOMPARE(file.value("Settings/MailSendType").toString(), QString("2"));
        QCOMPARE(file.value("Settings/SmtpHost").toString(), QString("127.0.0.1"));
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
