// Fetching a text by GET: the body on success, nothing on any failure, and
// the address going out without being re-encoded or decoded.
#include "net/WebText.h"
#include "support/LocalHttpServer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

namespace {

const NetTimeouts kShort{2000ms, 3000ms};

} // namespace

class TestWebText : public QObject {
    Q_OBJECT

private slots:
    void bodyComesBackAsText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("pieceSize");
        QTest::newRow("version file") << QByteArray("1.2,http://www.zelvane.example/update.htm") << 0;
        QTest::newRow("several lines") << QByteArray("Line one\r\nLine two\r\n") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("in pieces") << QByteArray(5000, 'x') << 512;
    }
    void bodyComesBackAsText()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, pieceSize);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer.body = body;
        server.answer.pieceSize = pieceSize;
        const std::optional<QString> text =
            QCoro::waitFor(getWebText(server.base() + "/prgver.txt", kShort));
        QVERIFY(text.has_value());
        QCOMPARE(*text, QString::fromUtf8(body));
        QCOMPARE(LocalHttpServer::headLines(server.requests.value(0)).value(0).trimmed(),
                 QByteArray("GET /prgver.txt HTTP/1.1"));
    }

    void failureGivesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing file") << "404";
        QTest::newRow("server error") << "500";
        QTest::newRow("nobody listens") << "closed";
        QTest::newRow("server hangs up") << "hangUp";
        QTest::newRow("server never answers") << "stall";
        QTest::newRow("not a web address") << "file";
        QTest::newRow("no address at all") << "empty";
    }
    void failureGivesNothing()
    {
        QFETCH(QString, kind);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer.body = "Not Found";
        server.answer.status = kind == "500" ? 500 : kind == "404" ? 404 : 200;
        server.answer.hangUp = kind == "hangUp";
        server.answer.stall = kind == "stall";
        QString address = server.base() + "/dev/alert.txt";
        if (kind == "closed")
            address = QString("http://127.0.0.1:%1/dev/alert.txt").arg(LocalHttpServer::closedPort());
        if (kind == "file")
            address = "file:///etc/hostname";
        if (kind == "empty")
            address = "";

        QElapsedTimer clock;
        clock.start();
        const std::optional<QString> text = QCoro::waitFor(getWebText(address, kShort));
        QVERIFY(!text.has_value());
        QVERIFY(clock.elapsed() < 20000);
    }

    // Each deadline ends an exchange on its own: a server that accepts and
    // stays silent, and one that answers too slowly to finish.
    void eachDeadlineIsKept_data()
    {
        QTest::addColumn<bool>("trickle");
        QTest::addColumn<int>("connectMs");
        QTest::addColumn<int>("transferMs");
        QTest::newRow("silent server, connect deadline") << false << 500 << 60000;
        QTest::newRow("trickling reply, transfer deadline") << true << 60000 << 1000;
    }
    void eachDeadlineIsKept()
    {
        QFETCH(bool, trickle);
        QFETCH(int, connectMs);
        QFETCH(int, transferMs);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer.stall = !trickle;
        server.answer.body = QByteArray(100000, 'x');
        server.answer.pieceSize = 10;
        server.answer.pieceDelayMs = 200;

        QElapsedTimer clock;
        clock.start();
        const std::optional<QString> text = QCoro::waitFor(getWebText(
            server.base() + "/prgver.txt",
            NetTimeouts{std::chrono::milliseconds(connectMs), std::chrono::milliseconds(transferMs)}));
        QVERIFY(!text.has_value());
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    }

    // What was built as escapes stays as escapes: "%2B" must not become a
    // "+" (a blank to the server) and "%20" must not become "%2520".
    void addressGoesOutAsBuilt()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        QCoro::waitFor(getWebText(server.base() + "/e.php?to=a%2Bb%26c@x.y&body=Hi%20There,%25<br>",
                                  kShort));
        const QByteArray line = LocalHttpServer::headLines(server.requests.value(0)).value(0);
        QVERIFY2(line.startsWith("GET /e.php?to=a%2Bb%26c@x.y&body=Hi%20There,%25"), line.constData());
        // "<" and ">" are not allowed as they are in a request line; their
        // escapes decode to the same text at the server.
        QVERIFY2(line.contains("%25%3Cbr%3E HTTP/1.1"), line.constData());
    }
};

QTEST_GUILESS_MAIN(TestWebText)
#include "test_web_text.moc"
