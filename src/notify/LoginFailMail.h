#pragma once

#include "notify/MailRoute.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class AlertSender;
class Settings;

inline const QString kRelayMailPath = QStringLiteral("/dev/email.asp");

QString loginFailBody();                      // not yet encoded; ends with the site address
QString loginFailFormData(const QString& to); // "to=...&sub=...&body=..."
QString loginFailAddress(const QString& relay); // the relay's form

// Tells the member by mail that the login failed and a retry will follow,
// the way mailWay() says, through `post`'s outbox. Through the relay, a 2xx
// answer means it took the form; an address the URL parser refuses fails
// quietly, a request that cannot be opened is reported by the form POST client.
// `settings` and `post` must outlive the call.
QCoro::Task<Delivery> sendLoginFailMail(const Settings& settings, AlertSender& post);

} // namespace zelvane
