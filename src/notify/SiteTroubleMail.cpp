#include "notify/SiteTroubleMail.h"

#include "app/Settings.h"
#include "notify/ResultsMail.h"

#include <QNetworkRequest>
#include <QUrl>

namespace zelvane {

QString siteTroubleBody(const QString& notice)
{
    const QString crlf = QStringLiteral("\r\n");
    return QLatin1String("Hi There,") + crlf + crlf + notice + QLatin1Char('.') + crlf + crlf
           + QLatin1String("Zelvane keeps checking on its schedule and tells you again only after "
                           "a check has worked.")
           + crlf + crlf + QLatin1String("Zelvane Alert");
}

QCoro::Task<Delivery> mailSiteTroubleNotice(const Settings& settings, QString notice,
                                            MailDeadlines deadlines)
{
    const QString body = siteTroubleBody(notice);
    switch (mailWay(settings)) {
    case MailWay::NotSetUp:
        co_return Delivery::failed(kMailNotSetUpReason);
    case MailWay::Smtp: {
        const QString html = mailHtml(body.toHtmlEscaped()), plain = mailPlain(body);
        const Delivery mailed = co_await mailBySmtp(settings, kSiteTroubleTitle, html, plain, deadlines);
        co_return mailed;
    }
    case MailWay::Site: break;
    }
    const QString address = resultsMailAddress(mailSiteBase(settings).value_or(QString()),
                                               settings.email, encodeMailText(body));
    const QNetworkRequest request(QUrl(address, QUrl::TolerantMode));
    const HttpReply reply = co_await httpExchange(request, "GET", QByteArray(), deadlines.http);
    co_return httpDelivery(reply, QStringLiteral("the product site"));
}

} // namespace zelvane
