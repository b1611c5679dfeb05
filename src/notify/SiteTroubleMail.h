#pragma once

#include "notify/MailRoute.h"

#include <QCoroTask>
#include <QString>

namespace zelvane {

class AlertSender;
class Settings;

inline const QString kSiteTroubleTitle = QStringLiteral("Zelvane cannot check for seats");

// The mail that tells the member checks have not worked for a while;
// `notice` says since when and why. Not yet encoded.
QString siteTroubleBody(const QString& notice);

// Sends it the way the results e-mail goes (mailWay()): the member's mail
// server, else the product site's mail endpoint, through `post`'s outbox.
// `settings` and `post` must outlive the call.
QCoro::Task<Delivery> sendSiteTroubleMail(const Settings& settings, QString notice,
                                          AlertSender& post);

} // namespace zelvane
