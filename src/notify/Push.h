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
    QString click{}; // opened when the push is tapped: the first flight's award search
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
    QString booking{};    // the award search to book its seats from
};
QJsonArray pushLinesJson(const QList<PushLine>& lines);
QList<PushLine> pushLinesFromJson(const QJsonArray& lines);
// A waiting push and a newer one become one: a newer line replaces the one
// about the same thing, the others stay, carried, after it waited.
QList<PushLine> mergePushLines(const QList<PushLine>& older, const QList<PushLine>& newer);
// The text that goes out. Seats may have gone while a push waited, so a
// line that waited says when it was seen: " (seen 09/12/2026 10:00)". A line
// with seats to book is followed by "Book on the airline's site: <address>".
QString pushText(const QList<PushLine>& lines, bool waited);
// The award search the push opens when tapped: the first line's that has one.
QString pushClick(const QList<PushLine>& lines);

} // namespace zelvane
