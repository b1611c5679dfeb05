#pragma once

// A bare HTTP server on 127.0.0.1 for the client tests: it keeps every request
// exactly as it came off the socket and answers the way a test asks, including
// in small pieces, not at all, or by hanging up.

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace zelvane::test {

class LocalHttpServer : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        int pieceSize = 0;    // > 0: chunked transfer, pieces of this size
        int pieceDelayMs = 0; // pause between pieces
        bool stall = false;   // read the request, never answer
        bool hangUp = false;  // close the connection without a word
    };

    Answer answer;
    QList<QByteArray> requests; // head and body of each request, raw

    bool start()
    {
        connect(&server_, &QTcpServer::newConnection, this, &LocalHttpServer::accept);
        return server_.listen(QHostAddress::LocalHost);
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

    // The request line and the header lines, without the body.
    static QList<QByteArray> headLines(const QByteArray& request)
    {
        return request.left(request.indexOf("\r\n\r\n")).split('\n');
    }
    static QByteArray header(const QByteArray& request, const QByteArray& name)
    {
        for (QByteArray line : headLines(request).mid(1)) {
            line = line.trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
    static QByteArray body(const QByteArray& request)
    {
        return request.mid(request.indexOf("\r\n\r\n") + 4);
    }

    // A port on 127.0.0.1 where nobody listens.
    static quint16 closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            if (answer.hangUp) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            auto* buffer = new QByteArray;
            connect(socket, &QObject::destroyed, this, [buffer] { delete buffer; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
                if (headEnd < 0)
                    return;
                const qsizetype length = header(*buffer, "Content-Length").toLongLong();
                if (buffer->size() < headEnd + 4 + length)
                    return;
                requests << *buffer;
                buffer->clear();
                respond(socket);
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void respond(QTcpSocket* socket)
    {
        if (answer.stall)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\n"
                          "Content-Type: text/plain\r\nConnection: close\r\n";
        if (answer.pieceSize <= 0) {
            socket->write(head + "Content-Length: " + QByteArray::number(answer.body.size())
                          + "\r\n\r\n" + answer.body);
            socket->disconnectFromHost();
            return;
        }
        socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
        socket->flush();
        sendPiece(QPointer<QTcpSocket>(socket), 0);
    }

    void sendPiece(QPointer<QTcpSocket> socket, qsizetype from)
    {
        if (!socket)
            return;
        if (from >= answer.body.size()) {
            socket->write("0\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const QByteArray piece = answer.body.mid(from, answer.pieceSize);
        socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        socket->flush();
        QTimer::singleShot(answer.pieceDelayMs, this,
                           [this, socket, next = from + piece.size()] { sendPiece(socket, next); });
    }

    QTcpServer server_;
};

} // namespace zelvane::test
