#pragma once

#include "net/WebText.h"
#include "notify/Delivery.h"

#include <QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QList>
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

// One line of a push that may wait for its server: what it is about (an
// itinerary), what it says, and when that was seen.
struct PushLine {
    QString key;
    QString text;
    QDateTime seen;
    bool carried = false; // it waited in an earlier push
};
QJsonArray pushLinesJson(const QList<PushLine>& lines);
QList<PushLine> pushLinesFromJson(const QJsonArray& lines);
// A waiting push and a newer one become one: a newer line replaces the one
// about the same thing, the others stay, carried, after it waited.
QList<PushLine> mergePushLines(const QList<PushLine>& older, const QList<PushLine>& newer);
// The text that goes out. Seats may have gone while a push waited, so a
// line that waited says when it was seen: " (seen 09/12/2026 10:00)".
QString pushText(const QList<PushLine>& lines, bool waited);

} // namespace zelvane
