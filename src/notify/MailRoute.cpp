#include "notify/MailRoute.h"

#include "app/Settings.h"

namespace zelvane {

namespace {

QString trimmedBase(QString address)
{
    address = address.trimmed();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

} // namespace

std::optional<QString> mailSiteBase(const AlertChannels& channels)
{
    for (const QString& given : {qEnvironmentVariable("ZELVANE_SITE_URL"), channels.siteUrl}) {
        const QString base = trimmedBase(given);
        if (!base.isEmpty())
            return base;
    }
    return std::nullopt;
}

QString mailRelayBase(const AlertChannels& channels)
{
    const QString relay = trimmedBase(qEnvironmentVariable("ZELVANE_RELAY_URL"));
    return relay.isEmpty() ? mailSiteBase(channels).value_or(QString()) : relay;
}

MailWay mailWay(const AlertChannels& channels)
{
    if (!channels.smtpHost.trimmed().isEmpty())
        return MailWay::Smtp;
    return mailSiteBase(channels) ? MailWay::Site : MailWay::NotSetUp;
}

QString mailFrom(const MailTarget& target)
{
    const QString from = target.channels.smtpFrom.trimmed();
    return from.isEmpty() ? target.memberEmail.trimmed() : from;
}

QCoro::Task<Delivery> mailBySmtp(MailTarget target, MailMessage message, MailDeadlines deadlines)
{
    message.to = target.memberEmail.trimmed();
    message.from = mailFrom(target);
    if (message.to.isEmpty())
        co_return Delivery::failed(QStringLiteral("no e-mail address in the member details"));
    SmtpServer server = smtpServerFrom(target.channels);
    const SmtpPassword password = co_await smtpPassword(target.channels, deadlines.secret);
    if (!password.problem.isEmpty())
        co_return Delivery::failed(password.problem);
    server.password = password.password;
    co_return co_await sendSmtp(server, message, deadlines.smtp);
}

} // namespace zelvane
