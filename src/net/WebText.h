#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QCoroTask>
#include <chrono>
#include <optional>

namespace zelvane {

// Every request to the product site and the relay is bounded: a reply that
// is co_awaited without a deadline would never resume when a server accepts
// the connection and then says nothing.
// Until the server is reached: name lookup, connection, TLS, and the request
// written out (or the reply begun).
inline constexpr std::chrono::milliseconds kConnectTimeout{15000};
// The whole exchange, from the start to the last byte of the reply.
inline constexpr std::chrono::milliseconds kTransferTimeout{60000};

struct NetTimeouts {
    std::chrono::milliseconds connect = kConnectTimeout;
    std::chrono::milliseconds transfer = kTransferTimeout;
};

// What one exchange gave: the body holds whatever arrived, even from an
// exchange that failed or ran out of time.
struct HttpReply {
    QByteArray body;
    int status = 0; // 0 when no reply line arrived
    QNetworkReply::NetworkError error = QNetworkReply::UnknownNetworkError;
    bool timedOut = false;
};

// One GET or POST on a manager of its own, never served from a cache, with
// the extra trusted certificates of ZELVANE_CA_FILE. Waits on the event loop.
QCoro::Task<HttpReply> httpExchange(QNetworkRequest request, QByteArray verb, QByteArray body,
                                    NetTimeouts timeouts = {});

// The body of a GET as text; nothing when the address is not an http(s)
// address, the exchange fails or times out, or the server answers with an
// error status (a missing file is not a text).
QCoro::Task<std::optional<QString>> getWebText(QString address, NetTimeouts timeouts = {});

// What the server answered, whatever its status ("quota exceeded" with a 500
// says more than nothing); empty when no answer came at all.
QCoro::Task<QString> getWebReply(QString address, NetTimeouts timeouts = {});

} // namespace zelvane
