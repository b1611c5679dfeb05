#include "notify/LoginFailMail.h"

#include "net/Addresses.h"
#include "net/QueryText.h"
#include "notify/AlertSender.h"
#include "notify/ResultsMail.h"

namespace zelvane {

QString loginFailBody(SessionOutcome outcome)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString middle =
        outcome != SessionOutcome::GaveUp
            ? QLatin1String("Login failed!") + crlf
                  + QLatin1String("Qantas did not accept the member number, surname or PIN.") + crlf
                  + QLatin1String("Please check your member details in Zelvane. Until a login gets ")
                  + QLatin1String("through, this warning is not sent again.")
            : QLatin1String("Login 3 time attempts failed!") + crlf
                  + QLatin1String("IF Qantas site is down or Login details incorrect.") + crlf
                  + QLatin1String(" Qantas Program check after 15 minute wait") + crlf
                  + QLatin1String("and after 15 minute trying again.") + crlf
                  + QLatin1String(" For more detailed results plus booking times please ")
                  + QLatin1String("check the results in your Frequent Flyer Program. ");
    return QLatin1String("Hi There,") + crlf + crlf + middle + crlf + crlf + QLatin1String("Thank you,") + crlf
           + crlf + QLatin1String("Zelvane Alert") + crlf + crlf + kProductWebAddress;
}

QString loginFailFormData(const QString& to, SessionOutcome outcome)
{
    // The address is escaped like the results mail's: in a form body a "+"
    // would arrive as a blank and an "&" would start a new field.
    return QLatin1String("to=") + escapeQueryBreakers(to) + QLatin1String("&sub=") + encodeMailText(kLoginFailSubject)
           + QLatin1String("&body=") + encodeMailText(loginFailBody(outcome));
}

QString loginFailAddress(const QString& relay)
{
    return relay + kRelayMailPath;
}

std::optional<OutboxEntry> loginFailEntry(const MailTarget& target, SessionOutcome outcome)
{
    using Topic = OutboxEntry::Topic;
    switch (mailWay(target.channels)) {
    case MailWay::NotSetUp:
        return std::nullopt;
    case MailWay::Smtp: {
        const QString body = loginFailBody(outcome);
        return mailEntry(Topic::LoginWarning, target, kLoginFailSubject, mailHtml(body), mailPlain(body));
    }
    case MailWay::Site: break;
    }
    return sitePostEntry(Topic::LoginWarning, loginFailAddress(mailRelayBase(target.channels)),
                         loginFailFormData(target.memberEmail, outcome));
}

QCoro::Task<Delivery> sendLoginFailMail(AlertSender& post, SessionOutcome outcome)
{
    const std::optional<OutboxEntry> entry = loginFailEntry(post.mailTarget(), outcome);
    if (!entry)
        co_return Delivery::failed(kMailNotSetUpReason);
    const OutboxEntry e = *entry;
    const Delivery posted = co_await post.send(e);
    co_return posted;
}

} // namespace zelvane
