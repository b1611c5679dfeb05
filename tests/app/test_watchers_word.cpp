// The watcher's word, row by row: each row a few checks by the real
// zelvane-check against the simulated airline, a real mail server and a push
// server on loopback, through one fault. What the user should have been told
// is held against what the servers received: every opening told once,
// nothing lost, and no "no seats" nor seats where the program did not know.
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SiteSim.h"
#include "support/SmtpTestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <cstdio>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QString kSydney = "Sydney → Melbourne, 25/12/2026, Evening";
const QString kSydMel = "Sydney;Melbourne;25/12/2026;Evening;SYD;MEL";
const QString kPerDrw = "Perth;Darwin;03/01/2027;Morning;PER;DRW";
const QString kCannotRead = "cannot read the airline's result pages";

QJsonObject seatsOn(const char* from, const char* to, const char* date, QJsonArray rows = {})
{
    QJsonObject entry{{"from", from}, {"to", to}, {"date", date}};
    if (!rows.isEmpty())
        entry["rows"] = rows;
    return entry;
}

// One check of a row: the airline as it answers, what zelvane-check must end
// with and say, and the openings its push must tell now (one line each).
struct Step {
    QJsonObject airline;
    int exitCode = 0;
    QStringList said;      // in its output
    QStringList neverSaid; // nowhere in its output nor in its mail
    QStringList openings;
    bool historyHeld = false; // another program holds the history: it cannot be written
};

struct Row {
    const char* name;
    QStringList watchList;
    QList<Step> steps;
    int notices = 0; // a notice that pages cannot be read, by mail and by push, each once
    int searches = -1; // award searches the airline may receive in the row's first check; -1: any
};

struct Tally {
    int expected = 0, delivered = 0, duplicated = 0, lost = 0, falseAlarm = 0;
};

} // namespace

class TestWatchersWord : public QObject {
    Q_OBJECT

    QString program, folder;

    std::pair<int, QByteArray> check(const SiteSim& airline, bool historyHeld)
    {
        // Held for the whole check, as a program that reads it long might.
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(folder + "/history.sqlite");
        QSqlQuery hold(holder);
        if (historyHeld && (!holder.open() || !hold.exec("BEGIN EXCLUSIVE")))
            qWarning("could not hold the history");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZELVANE_AIRLINE_URL", airline.baseUrl());
        env.insert("ZELVANE_CA_FILE", airline.caFile());
        env.insert("ZELVANE_SITE_URL", QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        env.insert("ZELVANE_TIME_SCALE", "0");
        p.setProcessEnvironment(env);
        QSignalSpy finished(&p, &QProcess::finished);
        p.start(program, {});
        // The push server answers on this thread: the loop must run meanwhile.
        if (!finished.wait(60000))
            p.kill();
        if (historyHeld)
            hold.exec("ROLLBACK");
        hold.finish();
        holder.close();
        holder = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
        return {p.exitCode(), p.readAllStandardOutput() + p.readAllStandardError()};
    }

    void settings(int smtpPort, const QString& pushUrl)
    {
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf");
        QSettings file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Zelvapp/Zelvapp.conf", QSettings::IniFormat);
        const QMap<QString, QString> keys{
            {"MemberNo", "1234567"}, {"LastName", "Smith"}, {"Pin", "1234"}, {"Mail", "me@example.com"},
            {"MailSendType", "3"}, {"AnnounceChangesOnly", "1"}, {"NotifyDesktop", "0"},
            {"SmtpHost", "127.0.0.1"}, {"SmtpPort", QString::number(smtpPort)}, {"SmtpSecurity", "0"},
            {"PushUrl", pushUrl}};
        for (auto k = keys.cbegin(); k != keys.cend(); ++k)
            file.setValue("Settings/" + k.key(), k.value());
    }

    // Runs the row's checks and counts what reached the servers.
    Tally run(const Row& row)
    {
        Tally t;
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile::copy(ZELVANE_CHECK_PATH, program);
        writeFile(folder + "/Query.txt", (row.watchList.join("\r\n") + "\r\n").toUtf8());
        SmtpTestServer mail;
        LocalHttpServer push;
        if (!mail.start() || !push.start()) {
            qWarning("%s: a server did not start", row.name);
            return {1, 0, 0, 1, 0};
        }
        settings(mail.port(), push.base() + "/seats");
        QStringList pushed; // every line every push carried
        int mailsBefore = 0;
        for (int s = 0; s < row.steps.size(); ++s) {
            const Step& step = row.steps[s];
            SiteSim airline(QString::fromUtf8(QJsonDocument(step.airline).toJson()), true);
            if (!airline.start())
                return {1, 0, 0, 1, 0};
            const qsizetype pushesBefore = push.requests.size();
            const auto [code, out] = check(airline, step.historyHeld);
            QString told = QString::fromUtf8(out);
            const QList<QJsonObject> mails = mail.messages();
            for (int m = mailsBefore; m < mails.size(); ++m)
                told += QString::fromUtf8(QJsonDocument(mails[m]).toJson());
            mailsBefore = int(mails.size());
            QStringList now;
            for (qsizetype r = pushesBefore; r < push.requests.size(); ++r) {
                const QByteArray& request = push.requests[r];
                now << QString::fromUtf8(request.mid(request.indexOf("\r\n\r\n") + 4)).split('\n');
            }
            const bool asExpected = code == step.exitCode;
            if (!asExpected)
                qWarning("%s, check %d: ended %d, not %d:\n%s", row.name, s + 1, code, step.exitCode, out.constData());
            t.falseAlarm += asExpected ? 0 : 1;
            for (const QString& line : step.said)
                if (!told.contains(line)) {
                    qWarning("%s, check %d: never said \"%s\":\n%s", row.name, s + 1, qPrintable(line), out.constData());
                    ++t.lost;
                }
            for (const QString& line : step.neverSaid)
                if (told.contains(line)) {
                    qWarning("%s, check %d: said \"%s\"", row.name, s + 1, qPrintable(line));
                    ++t.falseAlarm;
                }
            for (const QString& opening : step.openings) {
                ++t.expected;
                if (now.contains(opening))
                    ++t.delivered;
                else
                    ++t.lost;
            }
            for (const QString& line : now)
                if (line.contains(" → ") && !step.openings.contains(line))
                    ++(pushed.contains(line) ? t.duplicated : t.falseAlarm);
            pushed << now;
            if (s == 0 && row.searches >= 0 && airline.requests("search").size() != row.searches) {
                qWarning("%s: the airline received %lld searches, not %d", row.name,
                         qlonglong(airline.requests("search").size()), row.searches);
                ++t.falseAlarm;
            }
        }
        // A notice that pages cannot be read goes once by mail and once by push.
        if (row.notices) {
            const int byPush = int(pushed.filter(kCannotRead).size());
            int byMail = 0;
            for (const QJsonObject& m : mail.messages())
                byMail += QJsonDocument(m).toJson().contains(kCannotRead.toUtf8()) ? 1 : 0;
            t.expected += 2;
            t.delivered += std::min(1, byPush) + std::min(1, byMail);
            t.duplicated += std::max(0, byPush - 1) + std::max(0, byMail - 1);
            t.lost += int(byPush == 0) + int(byMail == 0);
        }
        return t;
    }

private slots:
    void initTestCase()
    {
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd");
        freshHome();
        folder = freshFolder("program");
        program = folder + "/zelvane-check";
    }

    void everyOpeningIsToldOnceAndNoneIsGuessed()
    {
        const QJsonObject sydney{{"available", QJsonArray{seatsOn("SYD", "MEL", "25/12/2026")}}};
        const QJsonObject redesigned{{"searchFaults", QJsonObject{{"1", "redesigned"}}}};
        QJsonObject sydneyThen503 = sydney;
        sydneyThen503["searchFaults"] = QJsonObject{{"2", "status:503"}};
        const QJsonObject brisbane{{"available", QJsonArray{seatsOn("BNE", "CNS", "15/02/2027")}}};
        QJsonObject brisbaneThen503 = brisbane;
        brisbaneThen503["searchFaults"] = QJsonObject{{"2", "status:503"}};
        const QString brisbaneLine = "Brisbane → Cairns, Mon 15/02/2027, Morning";
        const QJsonObject twoInBusiness{
            {"available", QJsonArray{seatsOn("SYD", "MEL", "25/12/2026",
                                             {QJsonArray{"09:05 SYD", "10:35 MEL", "QF 401", "738", "0", "Yes", "2", "No"}})}}};
        // The airline's count of Business seats on the one flight.
        const auto business = [](const char* seats) {
            return QJsonObject{{"available", QJsonArray{seatsOn("SYD", "MEL", "25/12/2026",
                                                                {QJsonArray{"09:05 SYD", "10:35 MEL", "QF 401", "738",
                                                                            "0", "No", seats, "No"}})}}};
        };
        const QString twoSeats = kSydney + " (2 adults, Business) · Business: 2 seats";
        const QString oneOfTwo = kSydney + " (2 adults or fewer, Business) · Business: 1 seat";
        // A family of four: three in Business seat nobody, and a "Y" on the
        // first day hides no count of the second.
        const QJsonObject fourSeatsOnTheSecondDay{
            {"available",
             QJsonArray{seatsOn("SYD", "MEL", "25/12/2026",
                                {QJsonArray{"09:05 SYD", "10:35 MEL", "QF 401", "738", "0", "Y", "3", "No"}}),
                        seatsOn("SYD", "MEL", "26/12/2026",
                                {QJsonArray{"09:05 SYD", "10:35 MEL", "QF 401", "738", "0", "4", "No", "No"}})}}};
        const QString family = "Sydney → Melbourne, Fri 25/12/2026, Sat 26/12/2026, Evening (4 adults) · Economy: 4 seats on Sat 26";
        // Direct out in the morning, at most one stop back: seats on a
        // one-stop flight out, on a direct one in the evening and on a
        // two-stop one back are none of them this watch's.
        const auto flight = [](const char* departing, const char* stops, const char* economy) {
            return QJsonArray{departing, "17:45 XXX", "QF 9", "738", stops, economy, "No", "No"};
        };
        const QJsonObject noneOfItsFlights{
            {"available", QJsonArray{seatsOn("SYD", "MEL", "25/12/2026",
                                             {flight("09:05 SYD", "1", "Yes"), flight("18:30 SYD", "0", "Yes"),
                                              flight("08:00 SYD", "0", "No")}),
                                     seatsOn("MEL", "SYD", "03/01/2027", {flight("10:00 MEL", "2", "Yes")})}}};
        QJsonObject aDirectMorningFlight = noneOfItsFlights;
        aDirectMorningFlight["available"] =
            QJsonArray{seatsOn("SYD", "MEL", "25/12/2026", {flight("09:05 SYD", "1", "Yes"), flight("08:00 SYD", "0", "4")}),
                       seatsOn("MEL", "SYD", "03/01/2027", {flight("10:00 MEL", "2", "Yes")})};
        const QString steered = kSydMel + ";Any;1;0;0;03/01/2027;0;0;;;;;0;07:00-12:00;1";
        const QString steeredWords = "outbound direct only, 07:00–12:00; return at most 1 stop";
        const QString steeredOpening = "Sydney → Melbourne, Outbound: Fri 25/12/2026 · Return: none, Evening (" + steeredWords
                                       + ") · Outbound Economy: 4 seats on Fri 25";

        QStringList week;
        for (int i = 1; i <= 15; ++i)
            week << QString("Sydney;Melbourne;%1/01/2027;Evening;SYD;MEL;Any;1;6").arg(i, 2, 10, QChar('0'));

        const QList<Row> rows = {
            {"seats, then a 503 mid-session",
             {kSydMel, kPerDrw},
             {{sydneyThen503, 9, {"Flight Sydney TO Melbourne", "the check stopped at #2: HTTP 503"}, {}, {kSydney}},
              {sydney, 0, {}, {}, {}}}},
            {"seats on one day, then a failing day",
             {"Brisbane;Cairns;15/02/2027;Morning;BNE;CNS;Any;1;1"},
             {{brisbaneThen503, 9, {"1 of 2 days: Mon 15\tavailable"}, {"not available"}, {brisbaneLine}},
              {brisbane, 0, {}, {}, {}}}},
            {"result pages unreadable for three checks",
             {kSydMel},
             {{redesigned, 10, {"not checked: the flight table of the result page could not be read"},
               {"not available", "Unavailable:</B> <br><br><B>Flight Sydney"}, {}},
              {redesigned, 10, {}, {"not available"}, {}},
              {redesigned, 10, {}, {"not available"}, {}},
              {sydney, 0, {"\tavailable"}, {}, {kSydney}}},
             1},
            {"a party larger than the seats",
             {kSydMel + ";Business;9"},
             {{twoInBusiness, 0, {"9 adults, Business\tnot available"}, {}, {}}}},
            {"a party's seats dropping below it and back",
             {kSydMel + ";Business;2"},
             {{business("2"), 0, {"2 adults, Business\tBusiness: 2 seats\tavailable", "Business) · Business: 2 seats"},
               {}, {twoSeats}},
              {business("3"), 0, {"2 adults, Business\tBusiness: 3 seats\tavailable"}, {}, {}},
              {business("1"), 0, {"2 adults, Business\tnot available"}, {"1 seat"}, {}},
              {business("2"), 0, {"Business) · Business: 2 seats"}, {}, {twoSeats}}}},
            {"a party told of fewer seats",
             {kSydMel + ";Business;2;0;0;;0;0;;;;fewer"},
             {{business("1"), 0,
               {"2 adults or fewer, Business\tBusiness: 1 seat\tavailable", "Business) · Business: 1 seat"}, {},
               {oneOfTwo}},
              {business("Yes"), 0, {"2 adults or fewer, Business\tavailable"}, {"seats\tavailable"}, {}}}},
            // Two watches of one route that differ only in "or fewer" are
            // remembered apart: each is told once, then nothing.
            {"one route watched with and without \"or fewer\"",
             {kSydMel + ";Business;2;0;0;;0;0;;;;fewer", kSydMel + ";Business;2"},
             {{business("1"), 0, {"2 adults or fewer, Business\tBusiness: 1 seat\tavailable", "2 adults, Business\tnot available"},
               {}, {oneOfTwo}},
              {business("1"), 0, {}, {"Flight Sydney TO Melbourne"}, {}},
              {business("1"), 0, {}, {"Flight Sydney TO Melbourne"}, {}}}},
            {"a family of four",
             {kSydMel + ";Any;4;1"},
             {{fourSeatsOnTheSecondDay, 0, {"Economy: 4 seats on Sat 26"}, {"Business: 3"}, {family}}}},
            // Seats out and none back make no trip: no seats, anywhere.
            {"a whole trip with seats one way only",
             {kSydMel + ";Any;1;0;0;03/01/2027;0;0;trip"},
             {{sydney, 0, {"Outbound: none · Return: none\tnot available"}, {"\tavailable", "Seats found"}, {}}}},
            {"a direct morning flight out, one stop at most back",
             {steered},
             {{noneOfItsFlights, 0, {steeredWords + "\tOutbound: none · Return: none\tnot available"},
               {"\tavailable", "Seats found", "Economy: "}, {}},
              {aDirectMorningFlight, 0, {steeredWords + "\tOutbound: Fri 25 · Return: none\tOutbound Economy: 4 seats on Fri 25\tavailable"}, {}, {steeredOpening}}}},
            {"a list of 105 searches",
             week,
             {{QJsonObject{}, 0,
               {"1 itinerary past the 100 searches a check may make not checked",
                "not checked: past the 100 searches a check may make"},
               {}, {}}},
             0,
             98},
            // 98 searches and an itinerary of three days: one past the limit.
            {"a list of 101 searches",
             week.mid(0, 14) << "Sydney;Melbourne;20/01/2027;Evening;SYD;MEL;Any;1;2",
             {{QJsonObject{}, 0, {"not checked: past the 100 searches a check may make"}, {}, {}}},
             0,
             98},
            // The limit packs what fits: a week that no longer fits is left
            // out, and the one-day watch after it is still checked.
            {"a week past the limit, then a day that fits",
             week.mid(0, 15) << "Sydney;Melbourne;20/01/2027;Evening;SYD;MEL",
             {{QJsonObject{}, 0, {"1 itinerary past the 100 searches a check may make not checked"},
               {"2 itineraries past"}, {}}},
             0,
             99},
            // 98 searches and three one-day watches: the last is the 101st.
            {"a list of 101 searches ending in a one-day watch",
             week.mid(0, 14) << "Sydney;Melbourne;20/01/2027;Evening;SYD;MEL"
                             << "Sydney;Melbourne;21/01/2027;Evening;SYD;MEL"
                             << "Sydney;Melbourne;22/01/2027;Evening;SYD;MEL",
             {{QJsonObject{}, 0, {"1 itinerary past the 100 searches a check may make not checked"}, {}, {}}},
             0,
             100},
            {"the history held for three checks",
             {kSydMel},
             {{QJsonObject{}, 0, {}, {}, {}},
              {sydney, 0, {}, {}, {kSydney}, true},
              {sydney, 0, {}, {}, {}, true},
              {sydney, 0, {}, {}, {}, true}}},
        };

        QList<std::pair<QString, Tally>> table;
        for (const Row& row : rows)
            table << std::pair{QString(row.name), run(row)};
        std::printf("%-44s %8s %9s %10s %4s %5s\n", "fault", "expected", "delivered", "duplicated", "lost", "false");
        for (const auto& [name, t] : table)
            std::printf("%-44s %8d %9d %10d %4d %5d\n", qPrintable(name), t.expected, t.delivered, t.duplicated,
                        t.lost, t.falseAlarm);
        for (const auto& [name, t] : table)
            QVERIFY2(t.delivered == t.expected && t.duplicated == 0 && t.lost == 0 && t.falseAlarm == 0,
                     qPrintable(name));
    }
};

ZELVANE_TEST_GUILESS_MAIN(TestWatchersWord)
#include "test_watchers_word.moc"
