#pragma once

#include "notify/MailRoute.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class MessageBoxes;
class Settings;

inline const QString kRelayMailPath = QStringLiteral("/dev/email.asp");

QString loginFailBody();                      // not yet encoded; ends with the site address
QString loginFailFormData(const QString& to); // "to=...&sub=...&body=..."
QString loginFailAddress(const QString& relay); // the relay's form

// Tells the member by mail that the login failed and a retry will follow,
// the way mailWay() says. Through the relay, a 2xx answer means it took the
// form; an address the URL parser refuses fails quietly, a request that
// cannot be opened is reported by the form POST client.
// `settings` must outlive the call.
QCoro::Task<Delivery> QFLoginFailMail(const Settings& settings, MessageBoxes& boxes,
                                      MailDeadlines deadlines = {});

} // namespace zelvane
