#include "notify/SiteTroubleMail.h"

#include "app/Settings.h"
#include "notify/AlertSender.h"
#include "notify/ResultsMail.h"

namespace zelvane {

QString siteTroubleBody(const QString& notice)
{
    const QString crlf = QStringLiteral("\r\n");
    return QLatin1String("Hi There,") + crlf + crlf + notice + QLatin1Char('.') + crlf + crlf
           + QLatin1String("Zelvane keeps checking on its schedule and tells you again only after "
                           "a check has worked.")
           + crlf + crlf + QLatin1String("Zelvane Alert");
}

// Every co_await takes named values: g++ 12 frees temporaries beside one twice.
QCoro::Task<Delivery> sendSiteTroubleMail(const Settings& settings, QString notice,
                                          AlertSender& post)
{
    const QString body = siteTroubleBody(notice);
    switch (mailWay(settings)) {
    case MailWay::NotSetUp:
        co_return Delivery::failed(kMailNotSetUpReason);
    case MailWay::Smtp: {
        const OutboxEntry entry = mailEntry(OutboxEntry::Topic::SiteNotice, settings, kSiteTroubleTitle,
                                            mailHtml(body.toHtmlEscaped()), mailPlain(body));
        const Delivery mailed = co_await post.send(entry);
        co_return mailed;
    }
    case MailWay::Site: break;
    }
    const OutboxEntry entry = siteGetEntry(
        OutboxEntry::Topic::SiteNotice,
        resultsMailAddress(mailSiteBase(settings).value_or(QString()), settings.email, encodeMailText(body)));
    const Delivery sent = co_await post.send(entry);
    co_return sent;
}

} // namespace zelvane
