#pragma once

#include "notify/MailRoute.h"
#include "notify/Outbox.h"

#include <QCoroTask>
#include <QString>
#include <optional>

namespace zelvane {

class AlertSender;

inline const QString kSiteTroubleTitle = QStringLiteral("Zelvane cannot check for seats");

// A mail that tells the member something has not worked for a while:
// `notice` says what and since when, `after` when they hear of it again.
// Not yet encoded.
QString noticeBody(const QString& notice, const QString& after);
// The checks have not worked: `notice` says since when and why.
QString siteTroubleBody(const QString& notice);

// Sends a notice the way the results e-mail goes (mailWay()): the member's
// mail server, else the product site's mail endpoint, through `post`'s
// outbox. `post` must outlive the call.
QCoro::Task<Delivery> sendNoticeMail(QString title, QString body, OutboxEntry::Topic topic, AlertSender& post);
QCoro::Task<Delivery> sendSiteTroubleMail(QString notice, AlertSender& post);
// A notice's mail made ready for the outbox; nothing when no way to mail is set up.
std::optional<OutboxEntry> noticeMailEntry(const QString& title, const QString& body, OutboxEntry::Topic topic,
                                           const MailTarget& target);

inline const QString kAfterACheckWorked =
    QStringLiteral("Zelvane keeps checking on its schedule and tells you again only after a check has worked.");
inline const QString kAfterPagesWereRead = QStringLiteral(
    "Zelvane keeps checking on its schedule; meanwhile every itinerary whose page it cannot read shows as not "
    "checked, never as without seats. It tells you again only after it could read the pages again.");

} // namespace zelvane
