// The push to the phone: what a loopback server receives after a session
// with seats found and after a refused login, and how a failing push server
// is reported.
#include "engine/ResultIcons.h"
#include "engine/ResultTable.h"
#include "engine/StatusLine.h"
#include "itineraries/modMain.h"
#include "notify/ResultsViewModel.h"
#include "notify/SessionAlerter.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

class Line final : public StatusLine {
public:
    void setStatus(const QString& text) override { text_ = text; }
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

} // namespace

class TestPush : public QObject {
    Q_OBJECT

    struct Rig {
        VirtualClock clock;
        MemorySettingsArea area;
        QString folder = freshFolder("push");
        modMain state{area, clock, folder, folder};
        ResultsViewModel results;
        ResultTable table;
        Line line;
        RecordingMessageBoxes boxes;
        SessionAlerter alerts{results, state.settings, line, boxes};

        explicit Rig(const QString& pushUrl)
        {
            state.settings.m_strPushUrl = pushUrl;
            state.settings.m_nNotifyDesktop = 0;
            state.settings.m_nMailSendType = 2;
            alerts.deadlines.http = {2000ms, 3000ms};
            state.itineraries.append("Sydney;London;25/12/2026;Evening;SYD;LON");
            state.itineraries.append("Perth;Darwin;03/01/2027;Morning;PER;DRW");
            state.itineraries.append("Hobart;Cairns;04/01/2027;Morning;HBA;CNS");
            table.setResultText(0, "09:05 flight");
            table.setResultText(2, "10:05 flight");
            table.markNotAvailableIfEmpty(1);
            results.FillListViewQuery(state.itineraries, table);
        }
    };

private slots:
    void initTestCase() { freshHome(); }

    void seatsFoundArePushed()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base() + "/zelvane-seats");
        QCoro::waitFor(rig.alerts.sessionEnded(SessionOutcome::Completed, false));
        QCOMPARE(server.requests.size(), 1);
        const QByteArray r = server.requests.first();
        QVERIFY(r.startsWith("POST /zelvane-seats HTTP/1.1\r\n"));
        const auto h = headers(r);
        QCOMPARE(h["content-type"], QByteArray("text/plain; charset=utf-8"));
        QCOMPARE(h["title"], QByteArray("Seats found"));
        QCOMPARE(h["priority"], QByteArray("high"));
        QCOMPARE(h["tags"], QByteArray("airplane"));
        QCOMPARE(QString::fromUtf8(body(r)), QString("Sydney → London, 25/12/2026, Evening\n"
                                                     "Hobart → Cairns, 04/01/2027, Morning"));
        QVERIFY(rig.alerts.undelivered.isEmpty());
    }

    void refusedLoginIsPushedOnce()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        Rig rig(server.base());
        QCoro::waitFor(rig.alerts.sessionEnded(SessionOutcome::LoginFailed, false));
        QCoro::waitFor(rig.alerts.sessionEnded(SessionOutcome::LoginFailed, false));
        QCOMPARE(server.requests.size(), 1);
        // The header goes as an encoded word: it is not ASCII.
        QCOMPARE(headers(server.requests.first())["title"],
                 "=?UTF-8?B?" + QString("Login failed — check your details").toUtf8().toBase64() + "?=");
        QCOMPARE(headers(server.requests.first())["tags"], QByteArray("warning"));
    }

    void failingPushServerIsReported_data()
    {
        QTest::addColumn<int>("status"); // 0: nobody listens, -1: never answers
        QTest::addColumn<QString>("why");
        QTest::newRow("error status") << 500 << "Push: the push server answered HTTP 500";
        QTest::newRow("nobody listens") << 0 << "Push: could not reach the push server (connection refused)";
        QTest::newRow("never answers") << -1 << "Push: the push server did not answer in time";
    }
    void failingPushServerIsReported()
    {
        QFETCH(int, status);
        QFETCH(QString, why);
        LocalHttpServer server;
        server.answer.status = qMax(status, 200);
        server.answer.stall = status < 0;
        QVERIFY(server.start());
        const QString address = status == 0 ? QString("http://127.0.0.1:%1").arg(LocalHttpServer::closedPort())
                                             : server.base();
        Rig rig(address);
        QCoro::waitFor(rig.alerts.sessionEnded(SessionOutcome::Completed, false));
        QCOMPARE(rig.alerts.undelivered, QStringList{why});
        // A refused login whose push failed is tried again at the next refusal.
        QCoro::waitFor(rig.alerts.sessionEnded(SessionOutcome::LoginFailed, false));
        QCOMPARE(rig.state.settings.m_nLoginFailTold, 0);
    }
};

QTEST_GUILESS_MAIN(TestPush)
#include "test_push.moc"
