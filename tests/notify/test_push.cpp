// The push to the phone: what a loopback server receives after a session
// with seats found and after a refused login, and how a failing push server
// is reported; and the change-only choices, which decide for the push and
// the results e-mail alike.
#include "itineraries/WatchListFile.h"
#include "results/CheckRecords.h"
#include "results/CheckResults.h"
#include "engine/StatusLine.h"
#include "history/HistoryStore.h"
#include "startup/Startup.h"
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "support/CheckedDays.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "MailWire.h"
#include "results/AnnouncedSeats.h"

#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

class Line final : public StatusLine {
public:
    void setStatus(const StatusMessage& message) override { text_ = message.words(); }
    QString status() const override { return text_; }
    QString text_;
};

// The header lines of a raw request, by lower-case name.
QMap<QByteArray, QByteArray> headers(const QByteArray& request)
{
    QMap<QByteArray, QByteArray> h;
    for (const QByteArray& line : LocalHttpServer::headLines(request).mid(1)) {
        const qsizetype colon = line.indexOf(':');
        h.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    return h;
}

QByteArray body(const QByteArray& request)
{
    return request.mid(request.indexOf("\r\n\r\n") + 4);
}

// What a push tells of its flights, without the line after each with seats
// that says where to book it.
QString flightsOf(const QByteArray& request)
{
    QStringList lines = QString::fromUtf8(body(request)).split('\n');
    lines.removeIf([](const QString& l) { return l.startsWith("Book on the airline's site: "); });
    return lines.join('\n');
}

// The requests of `server` whose request line starts with `start`.
QList<QByteArray> requestsTo(const LocalHttpServer& server, const QByteArray& start)
{
    QList<QByteArray> out;
    for (const QByteArray& r : server.requests)
        if (r.startsWith(start))
            out << r;
    return out;
}

} // namespace

class TestPush : public QObject {
    Q_OBJECT

    struct Rig {
        VirtualClock clock;
        MemorySettingsArea area;
        QString folder = freshFolder("push");
        ProgramData state{area, clock, folder, folder};
        CheckResults results{state.watchList};
        Line line;
        RecordingMessageBoxes boxes;
        AlertSender post{state.outbox, state.settings.channels, {state.settings.member, &Member::email}, boxes, clock};
        SetDesktop desktop;
        SessionAlerter alerts{state.watchList, results, state.announced, state.settings.mailPolicy, state.settings.told, line, post, clock, desktop};

        explicit Rig(const QString& pushUrl)
        {
            state.settings.channels.change([&](AlertChannels& c) {
                c.pushUrl = pushUrl;
                c.notifyDesktop = false;
            });
            state.settings.mailPolicy.set(MailPolicy(2));
            post.deadlines.http = {2000ms, 3000ms};
            watch("Sydney;London;25/12/2026;Evening;SYD;LON", "Y");
            watch("Perth;Darwin;03/01/2027;Morning;PER;DRW", "-");
            watch("Hobart;Cairns;04/01/2027;Morning;HBA;CNS", "Y");
        }
        // An itinerary and what its last check found on each of its days.
        void watch(const QString& line, const QString& days)
        {
            state.watchList.add(readItineraryLine(line).itinerary);
            const int p = state.watchList.count();
            results.set(p, checkedDays(state.watchList.at(p).date, days));
        }
    };

private slots:
    void initTestCase() { freshHome(); }

    void seatsFoundArePushed()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base() + "/zelvane-seats");
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::Completed}));
        QCOMPARE(server.requests.size(), 1);
        const QByteArray r = server.requests.first();
        QVERIFY(r.startsWith("POST /zelvane-seats HTTP/1.1\r\n"));
        const auto h = headers(r);
        QCOMPARE(h["content-type"], QByteArray("text/plain; charset=utf-8"));
        QCOMPARE(h["title"], QByteArray("Seats found"));
        QCOMPARE(h["priority"], QByteArray("high"));
        QCOMPARE(h["tags"], QByteArray("airplane"));
        QCOMPARE(flightsOf(r), QString("Sydney → London, 25/12/2026, Evening\n"
                                       "Hobart → Cairns, 04/01/2027, Morning"));
        // Each flight is followed by its award search, the first one opened by a tap.
        const QStringList lines = QString::fromUtf8(body(r)).split('\n');
        QCOMPARE(lines.size(), 4);
        for (const int link : {1, 3})
            QVERIFY2(lines[link].startsWith("Book on the airline's site: https://"), qPrintable(lines[link]));
        QVERIFY(lines[1].contains("departureCity=SYD") && lines[3].contains("departureCity=HBA"));
        QCOMPARE(h["click"], lines[1].section(": ", 1).toUtf8());
        QVERIFY(rig.alerts.undelivered.isEmpty());
    }

    // Rows of one trip for other seats or days never read alike, in the push
    // and in the results e-mail of one session; the plain row reads as ever.
    void theSeatsAndTheDaysWithSeatsAreNamed()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base() + "/push");
        rig.state.settings.channels.change([&](AlertChannels& c) { c.siteUrl = server.base(); });
        rig.state.settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        rig.state.settings.mailPolicy.set(MailPolicy(MailPolicy::Always));
        rig.state.watchList.clear();
        const QList<QPair<QString, QString>> rows{{"", "Y"},           {";Business;2", "Y"},     {";Any;1;3", "Y-Y-"},
                                                  {";First;1;3", "----"}, {";Any;1;6", "YYY-YY-"}, {";Business;9;6", "YYYYYYY"}};
        for (const auto& [tail, days] : rows)
            rig.watch("Sydney;London;03/02/2027;Evening;SYD;LON" + tail, days);
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::Completed}));

        const QList<QByteArray> pushed = requestsTo(server, "POST /push");
        QCOMPARE(pushed.size(), 1);
        QCOMPARE(flightsOf(pushed[0]),
                 QString("Sydney → London, 03/02/2027, Evening\n"
                         "Sydney → London, 03/02/2027, Evening (2 adults, Business)\n"
                         "Sydney → London, Wed 03/02/2027, Fri 05/02/2027, Evening\n"
                         "Sydney → London, Wed 03/02/2027 to Fri 05/02/2027, Sun 07/02/2027, Mon 08/02/2027, Evening\n"
                         "Sydney → London, Wed 03/02/2027 to Tue 09/02/2027, Evening (9 adults, Business)"));
        const QList<QByteArray> mailed = requestsTo(server, "GET /dev/mainsite/zlv/admin/email.php");
        QCOMPARE(mailed.size(), 1);
        const QByteArray target = LocalHttpServer::headLines(mailed[0]).first().split(' ').value(1);
        const QString mail = serverFields(QString::fromUtf8(target.mid(target.indexOf('?') + 1))).value("body");
        QVERIFY2(mail.contains("<B>Available:</B><br>"
                               "<br><B>Flight Sydney TO London On Date 03/02/2027</B> <br>"
                               "<br><B>Flight Sydney TO London On Date 03/02/2027 (2 adults, Business)</B> <br>"
                               "<br><B>Flight Sydney TO London On Dates Wed 03/02/2027, Fri 05/02/2027</B> <br>")
                     && mail.contains("<B>Unavailable:</B> <br>"
                                      "<br><B>Flight Sydney TO London On Date 03/02/2027 and the 3 days after: no seats on any of the 4 days (First)</B> <br>"),
                 qPrintable(mail));
    }

    void refusedLoginIsPushedOnce()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base());
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::LoginFailed}));
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::LoginFailed}));
        QCOMPARE(server.requests.size(), 1);
        // The header goes as an encoded word: it is not ASCII.
        QCOMPARE(headers(server.requests.first())["title"],
                 "=?UTF-8?B?" + QString("Login failed — check your details").toUtf8().toBase64() + "?=");
        QCOMPARE(headers(server.requests.first())["tags"], QByteArray("warning"));
    }

    // With "Send only when availability changes" and "Announce only flights
    // that became available", session after session against a real history:
    // the first session tells, the same again tells nothing, a logout is no
    // change, seats gone are mailed but not pushed, seats back are both.
    void onlyChangesAreMailedAndAnnounced()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base() + "/push");
        rig.state.settings.channels.change([&](AlertChannels& c) { c.siteUrl = server.base(); }); // the results e-mail goes to the same server
        rig.state.settings.member.change([&](Member& m) { m.email = "member@example.com"; });
        rig.state.settings.mailPolicy.set(MailPolicy(MailPolicy::OnChange));
        rig.state.settings.channels.change([&](AlertChannels& c) { c.announceChangesOnly = true; });
        QVERIFY(rig.state.history.open(rig.folder, rig.clock.now()));
        using O = CheckOutcome;
        const struct {
            const char* what;
            QList<O> outcomes; // of the three itineraries
            bool mailed;
            QString pushed;
        } sessions[] = {
            {"first session", {O::Available, O::NotAvailable, O::Available}, true,
             "Sydney → London, 25/12/2026, Evening\nHobart → Cairns, 04/01/2027, Morning"},
            {"the same again", {O::Available, O::NotAvailable, O::Available}, false, ""},
            {"logged out before the first", {O::LoggedOut, O::NotAvailable, O::Available}, false, ""},
            {"first found again after the logout", {O::Available, O::NotAvailable, O::Available}, false, ""},
            {"seats gone on the third", {O::Available, O::NotAvailable, O::NotAvailable}, true, ""},
            {"seats back on the third", {O::Available, O::NotAvailable, O::Available}, true,
             "Hobart → Cairns, 04/01/2027, Morning"},
        };
        qsizetype mails = 0, pushes = 0;
        for (const auto& session : sessions) {
            QList<CheckRecord> checks;
            for (int i = 0; i < session.outcomes.size(); ++i) {
                const QString mark = session.outcomes[i] == O::Available      ? "Y"
                                     : session.outcomes[i] == O::NotAvailable ? "-"
                                                                              : "?";
                rig.results.set(i + 1, checkedDays(rig.state.watchList.at(i + 1).date, mark));
                CheckRecord c;
                c.position = i + 1;
                c.outcome = session.outcomes[i];
                c.key = historyKeys(rig.state.watchList.at(i + 1)).value(0);
                checks << c;
            }
            rig.clock.advance(12 * 3600 * 1000);
            rig.state.announced.markNews(checks, rig.state.history);
            rig.state.history.recordSession(rig.clock.now(), true, checks);
            QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::Completed, checks}));

            const QList<QByteArray> mailed = requestsTo(server, "GET /dev/mainsite/zlv/admin/email.php");
            const QList<QByteArray> pushed = requestsTo(server, "POST /push");
            QVERIFY2(mailed.size() == mails + session.mailed, session.what);
            QVERIFY2(pushed.size() == pushes + !session.pushed.isEmpty(), session.what);
            if (!session.pushed.isEmpty())
                QCOMPARE(flightsOf(pushed.last()), session.pushed);
            mails = mailed.size();
            pushes = pushed.size();
            QVERIFY2(rig.alerts.undelivered.isEmpty(), qPrintable(rig.alerts.undelivered.join("; ")));
        }
    }

    // The retry timer may fire a little before the pause ends: what falls
    // due by then is due, not left for another hour's wait.
    void aRetryTimerFiringALittleEarlyTriesWhatFallsDue()
    {
        LocalHttpServer server;
        server.answer.status = 500;
        QVERIFY(server.start());
        Rig rig(server.base());
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::Completed}));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(rig.state.outbox.count(), 1);
        const QDateTime due = rig.state.outbox.waiting().first().nextTry;
        QCOMPARE(due, rig.clock.now().addSecs(60));
        server.answer.status = 200;
        // Well before: nothing is tried.
        rig.clock.set(due.addSecs(-30));
        WaitingRound timer;
        timer.dueOnly = true;
        QCoro::waitFor(rig.post.sendWaiting(timer));
        QCOMPARE(server.requests.size(), 1);
        // The timer fired 400 ms early.
        rig.clock.set(due.addMSecs(-400));
        QCoro::waitFor(rig.post.sendWaiting(timer));
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(rig.state.outbox.count(), 0);
    }

    // Every channel fails at once (the mail server, the push server, the
    // desktop): the seats are told all the same, as they wait in the
    // outbox; the next check does not take them for news again.
    void anOpeningInTheOutboxIsToldThoughEveryChannelFailed()
    {
        LocalHttpServer server;
        server.answer.status = 503;
        QVERIFY(server.start());
        Rig rig(server.base());
        rig.state.settings.member.change([](Member& m) { m.email = "member@example.com"; });
        rig.state.settings.channels.change([](AlertChannels& c) {
            c.smtpHost = "127.0.0.1";
            c.smtpPort = LocalHttpServer::closedPort();
            c.smtpSecurity = SmtpSecurity::None;
            c.notifyDesktop = true;
        });
        rig.state.settings.mailPolicy.set(MailPolicy::Always);
        rig.desktop.notes = true; // a bus, but no note is shown
        CheckRecord opened;
        opened.position = 1;
        opened.key = {"SYD", "LON", "25/12/2026", "Evening", "Any", 1, rig.state.watchList.at(1).identity()};
        opened.outcome = CheckOutcome::Available;
        opened.opening = opened.changed = true;
        SessionReport report{SessionOutcome::Completed};
        report.checks = {opened};
        QCoro::waitFor(rig.alerts.sessionEnded(report));
        QCOMPARE(rig.alerts.undelivered.size(), 2); // the mail and the push; the note does not count
        QCOMPARE(rig.state.outbox.count(), 4);      // the mail, two notes, the push
        QCOMPARE(rig.state.announced.told(opened.key), std::optional(Availability::Seats));
        AnnouncedSeats onDisk;
        onDisk.setFolder(rig.folder);
        onDisk.load();
        QCOMPARE(onDisk.told(opened.key), std::optional(Availability::Seats));
        QVERIFY(rig.state.outbox.toldWaiting().isEmpty()); // announced.json took it
    }

    void failingPushServerIsReported_data()
    {
        // 0: nobody listens, -1: never answers, -2: answers drop by drop past the deadline
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("why");
        QTest::newRow("error status") << 500 << "Push: the push server answered HTTP 500";
        QTest::newRow("nobody listens") << 0 << "Push: could not reach the push server (connection refused)";
        QTest::newRow("never answers") << -1 << "Push: the push server did not answer in time";
        QTest::newRow("answers too slowly") << -2 << "Push: the push server did not answer in time";
    }
    void failingPushServerIsReported()
    {
        QFETCH(int, status);
        QFETCH(QString, why);
        LocalHttpServer server;
        server.answer.status = qMax(status, 200);
        server.answer.stall = status == -1;
        if (status == -2) {
            server.answer.body = QByteArray(20, 'x');
            server.answer.pieceSize = 1;
            server.answer.pieceDelayMs = 500;
        }
        QVERIFY(server.start());
        const QString address = status == 0 ? QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort())
                                             : server.base();
        Rig rig(address);
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::Completed}));
        QCOMPARE(rig.alerts.undelivered, QStringList{why});
        // A refused login whose push failed is told all the same: the push
        // waits in the outbox beside the seats', and the streak sends no more.
        QCoro::waitFor(rig.alerts.sessionEnded({SessionOutcome::LoginFailed}));
        QCOMPARE(rig.state.settings.told->loginFailure, 1);
        QCOMPARE(rig.state.outbox.count(), 2);
        QCOMPARE(rig.line.status(), "2 alerts waiting to be sent: " + why.mid(6));
    }
};

QTEST_GUILESS_MAIN(TestPush)
#include "test_push.moc"
