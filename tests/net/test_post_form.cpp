// The form POST client against a server on 127.0.0.1: what goes on the wire,
// replies read whole, and which failures are reported in a box (only an
// address that cannot become a request) and which just give an empty reply.
#include "net/Url.h"
#include "net/FormPost.h"
#include "support/TestSupport.h"
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

class TestPostForm : public QObject {
    Q_OBJECT

private slots:
    void postsTheFormAsWritten()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer.body = "OK";
        RecordingMessageBoxes boxes;
        const QString form = "to=a%2Bb@x.y&sub=Your%20Frequent%20Flyer%20Results&body=<br>Hi%20There";

        const QString reply = QCoro::waitFor(
            postForm(server.base() + "/dev/email.asp?ignored=1#top", form, boxes, kShort));

        QCOMPARE(reply, QString("OK"));
        QCOMPARE(server.requests.size(), 1);
        const QByteArray request = server.requests.front();
        // The object is the page path alone.
        QCOMPARE(LocalHttpServer::headLines(request).front().trimmed(),
                 QByteArray("POST /dev/email.asp HTTP/1.1"));
        QCOMPARE(LocalHttpServer::header(request, "User-Agent"), QByteArray("http generic"));
        QCOMPARE(LocalHttpServer::header(request, "Content-Type"),
                 QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(LocalHttpServer::body(request), form.toUtf8());
        QVERIFY(boxes.shown.isEmpty());
    }

    void addressWithoutPathPostsToTheRoot()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        RecordingMessageBoxes boxes;
        QCoro::waitFor(postForm(server.base(), "a=1", boxes, kShort));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(LocalHttpServer::headLines(server.requests.front()).front().trimmed(),
                 QByteArray("POST / HTTP/1.1"));
    }

    void replyIsReadWhole_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("pieceSize");
        QByteArray longText;
        for (int i = 0; longText.size() < 9000; ++i)
            longText += "line " + QByteArray::number(i) + " of the relay's answer\r\n";
        QTest::newRow("short") << 200 << QByteArray("Mail sent") << 0;
        QTest::newRow("longer than one read, in one go") << 200 << longText << 0;
        QTest::newRow("longer than one read, in many pieces") << 200 << longText << 700;
        // A character cut in two by a piece boundary still arrives whole.
        QTest::newRow("accented text in pieces of three bytes")
            << 200 << QString("Zürich, São Paulo, Kraków").toUtf8() << 3;
        QTest::newRow("error page is still the reply") << 500 << QByteArray("relay down") << 0;
    }
    void replyIsReadWhole()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, pieceSize);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer = {status, body, pieceSize, 5};
        RecordingMessageBoxes boxes;
        const QString reply =
            QCoro::waitFor(postForm(server.base() + "/dev/email.asp", "a=1", boxes, kShort));
        QCOMPARE(reply, QString::fromUtf8(body));
        QVERIFY(boxes.shown.isEmpty());
    }

    void failuresOnTheWayGiveAnEmptyReplyAndNoBox_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("nobody listens") << "closed";
        QTest::newRow("server hangs up") << "hangUp";
        QTest::newRow("server never answers") << "stall";
        QTest::newRow("host name that does not resolve") << "unknownHost";
    }
    void failuresOnTheWayGiveAnEmptyReplyAndNoBox()
    {
        QFETCH(QString, kind);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.answer.hangUp = kind == "hangUp";
        server.answer.stall = kind == "stall";
        QString address = server.base() + "/dev/email.asp";
        if (kind == "closed")
            address = QString("http://127.0.0.1:%1/dev/email.asp").arg(LocalHttpServer::closedPort());
        if (kind == "unknownHost")
            address = "http://relay.invalid/dev/email.asp";
        RecordingMessageBoxes boxes;

        QElapsedTimer clock;
        clock.start();
        const QString reply = QCoro::waitFor(postForm(address, "a=1", boxes, kShort));

        QCOMPARE(reply, QString());
        QVERIFY(boxes.shown.isEmpty());
        // A server that says nothing is given up on, not waited for forever.
        QVERIFY(clock.elapsed() < 20000);
    }

    void addressThatCannotBeRequestedIsReported_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("port out of range") << "http://127.0.0.1:99999/dev/email.asp";
        QTest::newRow("port too long for a number") << "http://127.0.0.1:123456789012345678901/x.asp";
    }
    void addressThatCannotBeRequestedIsReported()
    {
        QFETCH(QString, address);
        RecordingMessageBoxes boxes;
        const QString reply = QCoro::waitFor(postForm(address, "a=1", boxes, kShort));
        QCOMPARE(reply, QString());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.front().text, QString("Extended error returned from server."));
        QCOMPARE(boxes.shown.front().title, QString("Zelvane"));
        QCOMPARE(boxes.shown.front().icon, MsgIcon::Exclamation);
        QCOMPARE(boxes.shown.front().buttons, MsgButtons::Ok);
    }

    void addressTheParserRefusesReachesTheCaller()
    {
        RecordingMessageBoxes boxes;
        auto attempt = [&]() -> QCoro::Task<int> {
            try {
                co_await postForm("http:relay/dev/email.asp", "a=1", boxes, kShort);
            } catch (const UrlError& e) {
                co_return e.number;
            }
            co_return 0;
        };
        QCOMPARE(QCoro::waitFor(attempt()), 5);
        QVERIFY(boxes.shown.isEmpty());
    }

    void reportShowsTheServersLastWords()
    {
        RecordingMessageBoxes boxes;
        reportInternetError(boxes, QString("550 Relay refused") + QChar(0) + "garbage");
        reportInternetError(boxes, QString());
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown.at(0).text, QString("550 Relay refused"));
        QCOMPARE(boxes.shown.at(1).text, QString("Extended error returned from server."));
    }
};

QTEST_GUILESS_MAIN(TestPostForm)
#include "test_post_form.moc"
