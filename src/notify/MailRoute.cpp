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

std::optional<QString> mailSiteBase(const Settings& settings)
{
    for (const QString& given : {qEnvironmentVariable("ZELVANE_SITE_URL"), settings.siteUrl}) {
        const QString base = trimmedBase(given);
        if (!base.isEmpty())
            return base;
    }
    return std::nullopt;
}

QString mailRelayBase(const Settings& settings)
{
    const QString relay = trimmedBase(qEnvironmentVariable("ZELVANE_RELAY_URL"));
    return relay.isEmpty() ? mailSiteBase(settings).value_or(QString()) : relay;
}

MailWay mailWay(const Settings& settings)
{
    if (!settings.smtpHost.trimmed().isEmpty())
        return MailWay::Smtp;
    return mailSiteBase(settings) ? MailWay::Site : MailWay::NotSetUp;
}

QString mailFrom(const Settings& settings)
{
    return settings.smtpFrom.trimmed().isEmpty() ? settings.email.trimmed() : settings.smtpFrom.trimmed();
}

QCoro::Task<Delivery> mailBySmtp(const Settings& settings, MailMessage message, MailDeadlines deadlines)
{
    message.to = settings.email.trimmed();
    message.from = mailFrom(settings);
    if (message.to.isEmpty())
        co_return Delivery::failed(QStringLiteral("no e-mail address in the member details"));
    SmtpServer server = smtpServerFrom(settings);
    const SmtpPassword password = co_await smtpPassword(settings, deadlines.secret);
    if (!password.problem.isEmpty())
        co_return Delivery::failed(password.problem);
    server.password = password.password;
    co_return co_await sendSmtp(server, message, deadlines.smtp);
}

} // namespace zelvane
