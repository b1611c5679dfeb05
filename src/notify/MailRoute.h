#pragma once

#include "app/Settings.h"
#include "net/WebText.h"
#include "notify/Delivery.h"
#include "notify/SecretStore.h"
#include "notify/SmtpMail.h"

#include <QCoroTask>
#include <QString>
#include <optional>

namespace zelvane {

// Where the member's mail goes: the alert channels and the member's own address.
struct MailTarget {
    AlertChannels channels;
    QString memberEmail;
};

// Which way an e-mail leaves: the user's own mail server when one is set;
// otherwise the product site's endpoints, but only where a site address was
// given (no site runs at the placeholder address); otherwise not at all.
enum class MailWay { Smtp, Site, NotSetUp };
MailWay mailWay(const AlertChannels& channels);
// ZELVANE_SITE_URL, else the SiteUrl setting; nothing when neither is given.
std::optional<QString> mailSiteBase(const AlertChannels& channels);
// ZELVANE_RELAY_URL, else that site.
QString mailRelayBase(const AlertChannels& channels);

struct MailDeadlines {
    SmtpDeadlines smtp;
    NetTimeouts http;
    std::chrono::milliseconds secret = kSecretStoreLimit;
};

// SmtpFrom, else the member's own address.
QString mailFrom(const MailTarget& target);
// One e-mail to the member through their mail server, from mailFrom(), the
// password from the secret store or the settings file. `message` brings the
// subject, the parts and, for a mail tried again, its Message-ID and date.
QCoro::Task<Delivery> mailBySmtp(MailTarget target, MailMessage message,
                                 MailDeadlines deadlines);

inline const QString kMailNotSetUp = QStringLiteral("E-mail Not Set Up");
inline const QString kMailNotSetUpReason =
    QStringLiteral("e-mail is not set up: enter a mail server in the Alerts panel");

} // namespace zelvane
