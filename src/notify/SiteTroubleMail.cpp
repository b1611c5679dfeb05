#include "notify/SiteTroubleMail.h"

#include "notify/AlertSender.h"
#include "notify/ResultsMail.h"

namespace zelvane {

QString noticeBody(const QString& notice, const QString& after)
{
    const QString crlf = QStringLiteral("\r\n");
    return QLatin1String("Hi There,") + crlf + crlf + notice + crlf + crlf + after + crlf + crlf
           + QLatin1String("Zelvane Alert");
}

QString siteTroubleBody(const QString& notice)
{
    return noticeBody(notice + QLatin1Char('.'), kAfterACheckWorked);
}

std::optional<OutboxEntry> noticeMailEntry(const QString& title, const QString& body, OutboxEntry::Topic topic,
                                           const MailTarget& target)
{
    switch (mailWay(target.channels)) {
    case MailWay::NotSetUp:
        return std::nullopt;
    case MailWay::Smtp:
        return mailEntry(topic, target, title, mailHtml(body.toHtmlEscaped()), mailPlain(body));
    case MailWay::Site: break;
    }
    return siteGetEntry(topic, resultsMailAddress(mailSiteBase(target.channels).value_or(QString()),
                                                  target.memberEmail, encodeMailText(body)));
}

// Every co_await takes named values: g++ 12 frees temporaries beside one twice.
QCoro::Task<Delivery> sendNoticeMail(QString title, QString body, OutboxEntry::Topic topic, AlertSender& post)
{
    const MailTarget target = post.mailTarget();
    switch (mailWay(target.channels)) {
    case MailWay::NotSetUp:
        co_return Delivery::failed(kMailNotSetUpReason);
    case MailWay::Smtp: {
        const OutboxEntry entry = mailEntry(topic, target, title, mailHtml(body.toHtmlEscaped()), mailPlain(body));
        const Delivery mailed = co_await post.send(entry);
        co_return mailed;
    }
    case MailWay::Site: break;
    }
    const OutboxEntry entry = siteGetEntry(
        topic, resultsMailAddress(mailSiteBase(target.channels).value_or(QString()), target.memberEmail, encodeMailText(body)));
    const Delivery sent = co_await post.send(entry);
    co_return sent;
}

QCoro::Task<Delivery> sendSiteTroubleMail(QString notice, AlertSender& post)
{
    const QString body = siteTroubleBody(notice);
    const Delivery sent = co_await sendNoticeMail(kSiteTroubleTitle, body, OutboxEntry::Topic::SiteNotice, post);
    co_return sent;
}

} // namespace zelvane
