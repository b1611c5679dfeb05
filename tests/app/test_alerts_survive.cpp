// The alerts of a session survive what the user's own machine does to the
// programs: zelvane-check stopped by SIGTERM or SIGKILL at each step of its
// end of session (during the check, with the alerts just kept and the
// history being written, during the mail, during the push, after it), and a
// data folder that fills up during a session (a small tmpfs), then has room
// again. Each row runs the real zelvane-check against the site simulator, a
// real SMTP server and a push server on loopback, then runs it again as the
// next timer would, and counts what the user should have had against what
// the servers took. The table it prints is the account.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QtTest>
#include <csignal>
#include <unistd.h>

using namespace zelvane::test;

namespace {

enum class Step { DuringCheck, AlertsKept, DuringMail, DuringPush, AfterPush };

const QString kSydney = "Sydney → Melbourne, 25/12/2026, Evening";
const QByteArray kWatchList = "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\nPerth;Darwin;03/01/2027;Morning;PER;DRW\r\n";

QString seats(bool sydney)
{
    QJsonArray available;
    if (sydney)
        available.append(QJsonObject{{"from", "SYD"}, {"to", "MEL"}, {"date", "25/12/2026"}});
    return QString::fromUtf8(QJsonDocument(QJsonObject{{"available", available}}).toJson());
}

struct Tally {
    int runs = 0, expected = 0, delivered = 0, duplicated = 0, replyLost = 0, lost = 0;
};

struct Profile {
    QString home, program;
    QProcessEnvironment env;
};

// The rows of the outbox file (-1 while it cannot be read).
int outboxRows(const Profile& p)
{
    const QString file = p.program + "/outbox.sqlite";
    if (!QFile::exists(file))
        return 0;
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "look");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=50;QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        if (db.open() && q.exec("SELECT count(*) FROM outbox") && q.next())
            n = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("look");
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestAlertsSurvive : public QObject {
    Q_OBJECT

    QMap<QString, Tally> table;

    // A user whose program folder (its data folder) is `program`, made here
    // or, for a tmpfs, already mounted.
    static Profile profile(const QString& program = {})
    {
        Profile p;
        p.home = freshFolder("home");
        p.program = program.isEmpty() ? p.home + "/program" : program;
        for (const QString& dir : {p.program, p.home + "/config/Zelvapp", p.home + "/data", p.home + "/run"})
            QDir().mkpath(dir);
        QFile::setPermissions(p.home + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(ZELVANE_CHECK_PATH, p.program + "/zelvane-check");
        writeFile(p.program + "/Query.txt", kWatchList);
        p.env = QProcessEnvironment::systemEnvironment();
        for (const auto& [key, dir] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
                                       {"XDG_RUNTIME_DIR", "/run"}})
            p.env.insert(key, p.home + dir);
        p.env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        p.env.insert("ZELVANE_TIME_SCALE", "0.01");
        // No desktop: the notes are the tray program's and the desktop tests'.
        p.env.remove("DBUS_SESSION_BUS_ADDRESS");
        return p;
    }

    static void settings(const Profile& p, const QMap<QString, QString>& keys)
    {
        QSettings s(p.home + "/config/Zelvapp/Zelvapp.conf", QSettings::IniFormat);
        // Mail and push only for news: a run after the first tells nothing of its own.
        QMap<QString, QString> all{{"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"},
                                   {"Mail", "me@example.com"}, {"NotifyDesktop", "0"}, {"TimeIndex", "1"},
                                   {"TimeHou", "12"}, {"Autostartup", "0"}, {"SmtpHost", "127.0.0.1"},
                                   {"SmtpSecurity", "0"}, {"MailSendType", "3"}, {"AnnounceChangesOnly", "1"}};
        all.insert(keys);
        for (auto k = all.cbegin(); k != all.cend(); ++k)
            s.setValue("Settings/" + k.key(), k.value());
    }

    static void start(QProcess& process, const Profile& p, const SiteSim& airline)
    {
        QProcessEnvironment env = p.env;
        env.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(p.program + "/zelvane-check", {});
    }

    static std::pair<int, QByteArray> check(const Profile& p, const SiteSim& airline)
    {
        QProcess c;
        start(c, p, airline);
        waitUntil([&] { return c.state() == QProcess::NotRunning; });
        return {c.exitStatus() == QProcess::NormalExit ? c.exitCode() : -1, c.readAll()};
    }

    // One mail and one push (Sydney's seats) were owed: what the servers took.
    static void account(Tally& t, const QList<QJsonObject>& mails, const QList<QByteArray>& pushes, int unanswered)
    {
        t.expected += 2;
        const QStringList ids = messageIds(mails);
        const int distinct = int(QSet<QString>(ids.cbegin(), ids.cend()).size());
        t.delivered += std::min(distinct, 1);
        t.lost += distinct == 0 ? 1 : 0;
        t.duplicated += std::max(0, distinct - 1);
        // The same Message-ID again: the server took it, its reply was lost.
        t.replyLost += int(ids.size()) - distinct;
        int told = 0;
        for (const QByteArray& r : pushes)
            told += QString::fromUtf8(LocalHttpServer::body(r)).contains(kSydney) ? 1 : 0;
        t.delivered += std::min(told, 1);
        t.lost += told == 0 ? 1 : 0;
        // A push the server took and never answered is the push's lost reply.
        const int again = std::max(0, told - 1);
        t.replyLost += std::min(again, unanswered);
        t.duplicated += again - std::min(again, unanswered);
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        freshHome();
    }

    void aStopAtAnyStepLosesNothing_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<Step>("step");
        for (int sig : {SIGTERM, SIGKILL}) {
            const QString name = sig == SIGTERM ? "SIGTERM" : "SIGKILL";
            QTest::addRow("%s during the check, before the history", qPrintable(name)) << sig << Step::DuringCheck;
            QTest::addRow("%s alerts kept, history write, before the mail", qPrintable(name)) << sig << Step::AlertsKept;
            QTest::addRow("%s during the mail", qPrintable(name)) << sig << Step::DuringMail;
            QTest::addRow("%s after the mail, during the push", qPrintable(name)) << sig << Step::DuringPush;
            QTest::addRow("%s after the push", qPrintable(name)) << sig << Step::AfterPush;
        }
    }
    void aStopAtAnyStepLosesNothing()
    {
        QFETCH(int, signal);
        QFETCH(Step, step);
        Tally& t = table[QTest::currentDataTag()];
        // Slow (a reply every 0.6 s) to stop it with the alerts kept; silent
        // after the data to stop it in the middle of the mail.
        const QString mode = step == Step::AlertsKept ? "slow" : step == Step::DuringMail ? "silent-after-data" : "normal";
        SmtpTestServer first(SmtpTestServer::Options{false, {}, mode}), mended;
        LocalHttpServer push;
        push.answer.stall = step == Step::DuringPush;
        QVERIFY(first.start() && mended.start() && push.start());
        const Profile p = profile();
        settings(p, {{"SmtpPort", QString::number(first.port())}, {"PushUrl", push.base() + "/seats"}});
        SiteSim airline(seats(true), false);
        QVERIFY(airline.start());

        QProcess c;
        start(c, p, airline);
        const bool reached = waitUntil([&] {
            switch (step) {
            case Step::DuringCheck: return c.peek(1 << 20).contains("Checking Itinerary #");
            case Step::AlertsKept: return outboxRows(p) >= 2;
            case Step::DuringMail: return !first.messages().isEmpty();
            case Step::DuringPush: return !push.requests.isEmpty();
            // Taken by the server and its answer read: the outbox is empty.
            case Step::AfterPush: return !push.requests.isEmpty() && outboxRows(p) == 0;
            }
            return false;
        });
        // A check already ended has no pid: kill(0) would stop this test's own group.
        if (const qint64 pid = c.processId(); pid > 0)
            ::kill(pid_t(pid), signal);
        waitUntil([&] { return c.state() == QProcess::NotRunning; });
        const QByteArray stopped = c.readAll();
        ++t.runs;
        QVERIFY2(reached, stopped.constData());
        const int unanswered = step == Step::DuringPush ? int(push.requests.size()) : 0;
        push.answer.stall = false;

        // The next timer's run, with the servers mended and the same seats.
        settings(p, {{"SmtpPort", QString::number(mended.port())}});
        const auto [code, out] = check(p, airline);
        ++t.runs;
        QList<QJsonObject> mails = first.messages();
        mails << mended.messages();
        account(t, mails, push.requests, unanswered);
        QVERIFY2(code == 0, (stopped + "\n---\n" + out).constData());
        QVERIFY2(outboxRows(p) == 0, out.constData());
        QVERIFY2(t.lost == 0 && t.duplicated == 0,
                 qPrintable(QString("delivered %1 of %2, duplicated %3, lost %4\n%5\n---\n%6")
                                .arg(t.delivered).arg(t.expected).arg(t.duplicated).arg(t.lost)
                                .arg(QString::fromUtf8(stopped), QString::fromUtf8(out))));
        // A SIGTERM says how it ended.
        if (signal == SIGTERM && c.exitStatus() == QProcess::NormalExit && step != Step::AfterPush)
            QCOMPARE(c.exitCode(), 128 + SIGTERM);
    }

    // The data folder fills up during a session: the user is told that it
    // is full, the alerts go out all the same, no good file is replaced by
    // an empty one, and once there is room again nothing is lost or sent twice.
    void aFullDiskIsToldAndLosesNothing()
    {
        Tally& t = table["full disk during a session, then room again"];
        // Room for the program beside its data (a sanitizer's build is large), and 10 MB more.
        SmallDisk disk(QFileInfo(ZELVANE_CHECK_PATH).size() + (10 << 20));
        if (disk.path().isEmpty()) {
            noteMissingTool("root to mount a tmpfs");
            QSKIP("a tmpfs cannot be mounted here");
        }
        const QString mount = disk.path();
        SmtpTestServer server;
        LocalHttpServer push;
        QVERIFY(server.start() && push.start());
        const Profile p = profile(mount);
        settings(p, {{"SmtpPort", QString::number(server.port())}, {"PushUrl", push.base() + "/seats"}});
        {
            // No seats yet: the memory of what was told, the history, the outbox are made.
            SiteSim airline(seats(false), false);
            QVERIFY(airline.start());
            const auto [code, out] = check(p, airline);
            ++t.runs;
            QVERIFY2(code == 0, out.constData());
        }
        const QByteArray told = readFile(p.program + "/announced.json");
        QVERIFY2(told.contains("no seats"), told.constData());
        // Full.
        QVERIFY(disk.fill());
        SiteSim airline(seats(true), false);
        QVERIFY(airline.start());
        const auto [code, out] = check(p, airline);
        ++t.runs;
        // The reason is the real one; no other sender is made up.
        QVERIFY2(out.contains("the data folder is full"), out.constData());
        QVERIFY2(!out.contains("another program is sending it"), out.constData());
        QVERIFY2(!out.contains("disk I/O error"), out.constData());
        QVERIFY2(out.contains("Mail Sent"), out.constData());
        // Nothing good was replaced by less.
        const QByteArray after = readFile(p.program + "/announced.json");
        QVERIFY2(QJsonDocument::fromJson(after).isObject() && after.contains("\"told\""), after.constData());
        QCOMPARE(readFile(p.program + "/Query.txt"), kWatchList);
        // Room again; the next timer's runs.
        QVERIFY(disk.room());
        for (int run = 0; run < 2; ++run) {
            const auto [again, said] = check(p, airline);
            ++t.runs;
            QVERIFY2(again == 0, said.constData());
            QVERIFY2(!said.contains("is full"), said.constData());
        }
        account(t, server.messages(), push.requests, 0);
        QVERIFY2(t.lost == 0 && t.duplicated == 0 && t.replyLost == 0,
                 qPrintable(QString("delivered %1 of %2, duplicated %3, lost %4\n%5")
                                .arg(t.delivered).arg(t.expected).arg(t.duplicated).arg(t.lost)
                                .arg(QString::fromUtf8(out))));
        QVERIFY(QFile::exists(p.program + "/outbox.reserve")); // kept again
    }

    void cleanupTestCase()
    {
        std::printf("%-56s %4s %8s %9s %10s %10s %4s\n", "fault", "runs", "expected", "delivered", "duplicated",
                    "reply lost", "lost");
        for (auto t = table.cbegin(); t != table.cend(); ++t)
            std::printf("%-56s %4d %8d %9d %10d %10d %4d\n", qPrintable(t.key()), t->runs, t->expected, t->delivered,
                        t->duplicated, t->replyLost, t->lost);
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestAlertsSurvive)
#include "test_alerts_survive.moc"
