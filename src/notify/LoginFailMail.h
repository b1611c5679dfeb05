#pragma once

#include "net/WebText.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class MessageBoxes;
class clsSettings;

inline const QString kRelayMailPath = QStringLiteral("/dev/email.asp");

QString loginFailBody();                      // not yet encoded; ends with the site address
QString loginFailFormData(const QString& to); // "to=...&sub=...&body=..."
QString loginFailAddress();                   // the relay's form

// Tells the member by mail that the logins failed and a retry will follow.
// The reply is not used; an address the URL parser refuses ends it quietly,
// a request that cannot be opened is reported by the form POST client.
// `settings` must outlive the call.
QCoro::Task<> QFLoginFailMail(const clsSettings& settings, MessageBoxes& boxes,
                              NetTimeouts timeouts = {});

} // namespace zelvane
