#pragma once

#include "notify/MailRoute.h"
#include "notify/Outbox.h"
#include <optional>

#include "engine/CheckEngine.h"
#include "notify/MailRoute.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class AlertSender;

inline const QString kRelayMailPath = QStringLiteral("/dev/email.asp");
// Not the results mail's subject: a warning must not read as results.
inline const QString kLoginFailSubject = QStringLiteral("Zelvane could not log in to your frequent flyer account");

// The warning after a refused login (LoginFailed) or after the session gave
// up on it (GaveUp), which alone has failed attempts to count and a retry to
// promise. Not yet encoded; ends with the site address.
QString loginFailBody(SessionOutcome outcome);
QString loginFailFormData(const QString& to, SessionOutcome outcome); // "to=...&sub=...&body=..."
QString loginFailAddress(const QString& relay); // the relay's form

// Tells the member by mail that the login failed, the way mailWay() says,
// through `post`'s outbox. Through the relay, a 2xx answer means it took the
// form; an address the URL parser refuses fails quietly, a request that
// cannot be opened is reported by the form POST client.
// `post` must outlive the call.
QCoro::Task<Delivery> sendLoginFailMail(AlertSender& post, SessionOutcome outcome);
// The same warning made ready for the outbox; nothing when no way to mail is set up.
std::optional<OutboxEntry> loginFailEntry(const MailTarget& target, SessionOutcome outcome);

} // namespace zelvane
