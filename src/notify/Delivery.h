#pragma once

#include "net/WebText.h"

#include <QString>

namespace zelvane {

// What became of one alert on one channel. "Delivered" means a server took
// it (an SMTP server's reply to the end of the data, an HTTP 2xx) or the
// desktop showed it; anything else names what failed, as the user reads it.
struct Delivery {
    bool delivered = false;
    QString failure; // empty when delivered
    QString reply;   // what the server answered, when that is worth showing

    static Delivery ok(QString reply = {}) { return {true, {}, std::move(reply)}; }
    static Delivery failed(QString why) { return {false, std::move(why), {}}; }
};

QString networkErrorText(QNetworkReply::NetworkError error);
// An HTTP exchange with `server` (as the user reads it: "the push server")
// delivered when it answered 2xx; the reply's text comes along.
Delivery httpDelivery(const HttpReply& reply, const QString& server);

} // namespace zelvane
