#pragma once

#include "net/WebText.h"
#include "notify/Delivery.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

// A push to the user's phone: the text as text/plain, posted to an address
// of the user's choosing with the headers ntfy servers read (any endpoint
// that takes a POST will do).
struct PushMessage {
    QString title, text;
    QString priority = QStringLiteral("default");
    QString tags;
};

QCoro::Task<Delivery> sendPush(QString address, PushMessage message, NetTimeouts timeouts = {});

// A push address the program can post to: http or https with a host.
bool isPushAddress(const QString& address);

} // namespace zelvane
