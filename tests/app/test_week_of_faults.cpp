// A week of checks by the real zelvane-check on a timer, against the site
// simulator, a real mail server and a push server on loopback, through the
// faults of a bad week. What the user should have been told is compared with
// what the servers received: every opening told once, nothing lost, no false
// login warning. The table it prints is the week's account.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

namespace {

enum class Airline { Up, Unreachable };

// One check of the week and the world it meets.
struct Step {
    const char* fault; // the row of the table its alerts count to
    bool sydney, perth; // seats found on the two watched trips
    Airline airline = Airline::Up;
    bool mailUp = true;
    int pushStatus = 200;
    bool historyLocked = false; // another program holds the history while the check writes it
    const char* loginFault = nullptr; // how the site answers the login instead of the login page
};

const char* const kSydney = "Sydney → Melbourne, 25/12/2026, Evening";
const char* const kPerth = "Perth → Darwin, 03/01/2027, Morning";

// Twice a day for a week.
const QList<Step> kWeek = {
    {"none", false, false},
    {"none", true, false},                                     // Sydney opens
    {"site unreachable", true, false, Airline::Unreachable},
    {"site unreachable", true, false, Airline::Unreachable},
    {"maintenance, HTTP 503", true, false, Airline::Up, true, 200, false, "status:503"},
    {"captive portal", true, false, Airline::Up, true, 200, false, "portal"},
    {"mail server down a day", true, true, Airline::Up, false}, // Perth opens
    {"mail server down a day", true, true, Airline::Up, false},
    {"none", true, true},
    {"seats close and reopen", false, true},                    // Sydney closes
    {"push server answers 500", true, true, Airline::Up, true, 500}, // and reopens
    {"none", true, true},
    {"history write fails once", true, false, Airline::Up, true, 200, true}, // Perth closes
    {"none", true, false},
    {"none", true, false},
    {"none", true, false},
};

struct Tally {
    int expected = 0, delivered = 0, duplicated = 0, lost = 0, falseAlarm = 0;
};

} // namespace

class TestWeekOfFaults : public QObject {
    Q_OBJECT

    QString program;

    std::pair<int, QByteArray> check(const SiteSim& airline, const QString& airlineUrl, bool holdHistory)
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(QFileInfo(program).absolutePath() + "/history.sqlite");
        QSqlQuery hold(holder);
        // Held until the program says the history did not take the session.
        if (holdHistory && (!holder.open() || !hold.exec("BEGIN IMMEDIATE")))
            qWarning("could not hold the history");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZELVANE_AIRLINE_URL", airlineUrl);
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        env.insert("ZELVANE_TIME_SCALE", "0");
        p.setProcessEnvironment(env);
        QSignalSpy finished(&p, &QProcess::finished);
        QByteArray out;
        connect(&p, &QProcess::readyReadStandardOutput, this, [&] {
            out += p.readAllStandardOutput();
            if (out.contains("History "))
                hold.exec("ROLLBACK");
        });
        p.start(program, {});
        // The push server answers on this thread: the loop must run meanwhile.
        if (!finished.wait(60000))
            p.kill();
        hold.finish();
        holder.close();
        holder = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
        return {p.exitCode(), out + p.readAllStandardOutput()};
    }

    static void settings(int smtpPort, const QString& pushUrl)
    {
        QSettings file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf", QSettings::IniFormat);
        const QMap<QString, QString> keys{
            {"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"}, {"Mail", "me@example.com"},
            {"MailSendType", "3"}, {"AnnounceChangesOnly", "1"}, {"NotifyDesktop", "0"},
            {"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(smtpPort)}, {"SmtpSecurity", "0"},
            {"PushUrl", pushUrl}};
        for (auto k = keys.cbegin(); k != keys.cend(); ++k)
            file.setValue("Settings/" + k.key(), k.value());
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        freshHome();
        program = freshFolder("program") + "/zelvane-check";
        QVERIFY(QFile::copy(ZELVANE_CHECK_PATH, program));
        writeFile(QFileInfo(program).absolutePath() + "/Query.txt",
                  "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL\r\nPerth;Darwin;03/01/2027;Morning;PER;DRW\r\n");
    }

    void everyOpeningIsToldOnceThroughABadWeek()
    {
        SmtpTestServer mail;
        QVERIFY(mail.start());
        LocalHttpServer push;
        QVERIFY(push.start());
        const int closed = LocalHttpServer::closedPort();

        QMap<QString, Tally> table;
        for (const Step& s : kWeek)
            table[s.fault];
        int mailsBefore = 0;
        QStringList openings;           // "<trip>#<step>", what the push must tell once
        QMap<QString, QString> faultOf; // opening → the row it counts to
        QList<int> changes;             // steps whose results differ from the last check's
        bool sydney = false, perth = false, firstCheck = true;
        int pushesBefore = 0;
        QStringList told;               // the trip of every flight line a push carried
        for (int i = 0; i < kWeek.size(); ++i) {
            const Step& s = kWeek[i];
            QJsonArray available;
            if (s.sydney)
                available.append(QJsonObject{{"from", "SYD"}, {"to", "MEL"}, {"date", "25/12/2026"}});
            if (s.perth)
                available.append(QJsonObject{{"from", "PER"}, {"to", "DRW"}, {"date", "03/01/2027"}});
            QJsonObject scenario{{"available", available}};
            if (s.loginFault)
                scenario.insert("loginFaults", QJsonObject{{"1", s.loginFault}});
            SiteSim airline(QString::fromUtf8(QJsonDocument(scenario).toJson()), true);
            QVERIFY(airline.start());
            settings(s.mailUp ? mail.port() : closed, push.base() + "/seats");
            push.answer.status = s.pushStatus;
            const bool checked = s.airline == Airline::Up && !s.loginFault;
            const auto [code, out] = check(airline, s.airline == Airline::Up ? airline.baseUrl()
                                                                             : QString("https://127.0.0.1:%1").arg(closed),
                                           s.historyLocked);
            QVERIFY2(code == 0 || code == 8 || code == 9, qPrintable(QString("step %1 ended %2").arg(i).arg(code)));
            QCOMPARE(out.contains("History Not Saved"), s.historyLocked);
            if (checked) {
                for (auto [was, now, trip] : {std::tuple{sydney, s.sydney, kSydney}, std::tuple{perth, s.perth, kPerth}}) {
                    if (now && !was) {
                        openings << QString("%1#%2").arg(trip).arg(i);
                        faultOf.insert(openings.last(), s.fault);
                        ++table[s.fault].expected;
                    }
                }
                // A first answer is news only when it is seats.
                if (firstCheck ? s.sydney || s.perth : s.sydney != sydney || s.perth != perth)
                    changes << i;
                sydney = s.sydney;
                perth = s.perth;
                firstCheck = false;
            }
            // What the push server answered with an error was not delivered.
            for (int r = pushesBefore; r < push.requests.size() && s.pushStatus == 200; ++r) {
                const QByteArray body = push.requests[r].mid(push.requests[r].indexOf("\r\n\r\n") + 4);
                // A line that waited says when it was seen; the trip is the same.
                told << QString::fromUtf8(body).remove(QRegularExpression(" \\(seen [^)]*\\)")).split('\n');
            }
            pushesBefore = int(push.requests.size());
            // A login warning in a week without a refused login is a false alarm.
            const QList<QJsonObject> mails = mail.messages();
            for (int m = mailsBefore; m < mails.size(); ++m)
                table[s.fault].falseAlarm += QJsonDocument(mails[m]).toJson().contains("Login") ? 1 : 0;
            mailsBefore = int(mails.size());
            table[s.fault].falseAlarm += int(told.filter("log in").size());
        }

        // The site out of use for three checks in a row: told once on each channel.
        const QString noticeText = "not been able to check for seats";
        const QStringList noticePushes = told.filter(noticeText);
        // Pushes: each opening once.
        QStringList remaining = told;
        for (const QString& n : noticePushes)
            remaining.removeOne(n);
        remaining.removeAll(QString());
        remaining.removeIf([](const QString& line) { return !line.contains(" → "); });
        for (const QString& opening : openings) {
            const QString trip = opening.section('#', 0, 0);
            Tally& t = table[faultOf[opening]];
            if (remaining.removeOne(trip))
                ++t.delivered;
            else
                ++t.lost;
        }
        for (const QString& extra : remaining)
            ++table[openings.filter(extra).isEmpty() ? QString("none") : faultOf[openings.filter(extra).last()]].duplicated;

        // Results mails: one per change, none twice.
        QList<QJsonObject> mails = mail.messages();
        const int noticeMails = int(mails.removeIf([&](const QJsonObject& m) {
            return QJsonDocument(m).toJson().contains(noticeText.toUtf8());
        }));
        Tally& notice = table["site out of use, notice"];
        notice.expected = 2; // an e-mail and a push
        notice.delivered = std::min(1, noticeMails) + std::min<int>(1, int(noticePushes.size()));
        notice.duplicated = std::max(0, noticeMails - 1) + std::max<int>(0, int(noticePushes.size()) - 1);
        notice.lost = notice.expected - notice.delivered;
        QSet<QString> ids;
        for (const QJsonObject& m : mails) {
            for (const QJsonValue& h : m["headers"].toArray()) {
                if (h[0].toString() == "Message-ID")
                    ids.insert(h[1].toString());
            }
        }
        Tally& results = table["results e-mails"];
        results.expected = int(changes.size());
        results.delivered = int(ids.size());
        results.duplicated = int(mails.size() - ids.size());
        results.lost = std::max(0, int(changes.size() - ids.size()));
        results.falseAlarm = std::max(0, int(ids.size() - changes.size())); // a mail with no change behind it

        std::printf("%-26s %8s %9s %10s %4s %5s\n", "fault", "expected", "delivered", "duplicated", "lost", "false");
        for (auto t = table.cbegin(); t != table.cend(); ++t)
            std::printf("%-26s %8d %9d %10d %4d %5d\n", qPrintable(t.key()), t->expected, t->delivered,
                        t->duplicated, t->lost, t->falseAlarm);
        for (auto t = table.cbegin(); t != table.cend(); ++t) {
            QVERIFY2(t->delivered == t->expected && t->duplicated == 0 && t->lost == 0 && t->falseAlarm == 0,
                     qPrintable(t.key()));
        }
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestWeekOfFaults)
#include "test_week_of_faults.moc"
