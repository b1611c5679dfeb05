#include "notify/ResultsMail.h"

#include "notify/AlertSender.h"
#include "app/Settings.h"
#include "engine/StatusLine.h"
#include "net/Addresses.h"

#include <QNetworkRequest>
#include <QUrl>
#include "net/QueryText.h"

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString flightLine(const MailRow& row)
{
    const QString seats = row.seats.isEmpty() ? QString() : QLatin1String(" (") + row.seats + QLatin1Char(')');
    return QLatin1String("<br>") + QLatin1String("<B>Flight ") + row.origin
           + QLatin1String(" TO ") + row.destination
           + (row.severalDates ? QLatin1String(" On Dates ") : QLatin1String(" On Date ")) + row.date
           + seats + QLatin1String("</B> ") + kCrLf;
}

} // namespace

QString encodeMailText(const QString& text)
{
    return escapeQueryBreakers(text)
        .replace(QLatin1Char(' '), QLatin1String("%20"))
        .replace(kCrLf, QLatin1String("<br>"));
}

ResultsMail buildResultsMail(const QList<MailRow>& rows)
{
    ResultsMail mail;
    QString availableLines;
    QString unavailableLines;
    for (const MailRow& row : rows) {
        if (row.availability == Availability::NoSeats) {
            unavailableLines += flightLine(row);
            ++mail.unavailable;
        } else if (row.availability == Availability::Seats) {
            availableLines += flightLine(row);
            ++mail.available;
        }
    }
    const QString a = QString::number(mail.available);
    const QString u = QString::number(mail.unavailable);
    mail.body = QLatin1String("Hi There,") + kCrLf + kCrLf
                + QLatin1String("Below are your scheduled results from a check that just took place. ")
                + kCrLf
                + QLatin1String("You have (") + a + QLatin1String(")")
                + QLatin1String("Available and (") + u
                + QLatin1String(") Unavailable  Flights ") + kCrLf
                + QLatin1String(" <BR><B>Available:</B>") + kCrLf
                + availableLines
                + kCrLf + kCrLf + QLatin1String(" <B>Unavailable:</B> ") + kCrLf
                + unavailableLines
                + kCrLf + kCrLf
                + QLatin1String(" For more detailed itinerary information check ")
                + QLatin1String("the results at Zelvane. To make the booking contact your airline.")
                + kCrLf + kCrLf
                + QLatin1String("Thank you,") + kCrLf + kCrLf
                + QLatin1String("Zelvane Alert") + kCrLf + kCrLf
                + kProductWebAddress + kCrLf + kCrLf
                + QLatin1String("**This is an auto-generated email, please do not reply to this email address.");
    return mail;
}

const QStringList& mailSendChoices()
{
    static const QStringList choices = {QStringLiteral("Send regardless of results"),
                                        QStringLiteral("Send only if at least one itinerary is available"),
                                        QStringLiteral("Never send!"),
                                        QStringLiteral("Send only when availability changes")};
    return choices;
}

QString resultsMailAddress(const QString& site, const QString& to, const QString& encodedBody)
{
    return site + kResultsMailPath + QLatin1String("?to=") + escapeQueryBreakers(to)
           + QLatin1String("&from=") + kAlertSender + QLatin1String("&subject=") + kMailSubject
           + QLatin1String("&body=") + encodedBody;
}

QString availableResultsStatus(int available, const QString& reply)
{
    return QLatin1String("( ") + QString::number(available)
           + QLatin1String(" )Available Results Found, ") + reply;
}

QString mailSentStatus(int available, int unavailable)
{
    return QLatin1String("(") + QString::number(available) + QLatin1String(")Available and (")
           + QString::number(unavailable) + QLatin1String(")Unavailable Results Found, Mail Sent");
}

QString mailNotSentStatus(int sendType, int available, int unavailable, const QString& why)
{
    const QString prefix = sendType == kMailIfAvailable
                               ? availableResultsStatus(available, QString())
                               : QLatin1String("(") + QString::number(available)
                                     + QLatin1String(")Available and (") + QString::number(unavailable)
                                     + QLatin1String(")Unavailable Results Found, ");
    return prefix + QLatin1String("Mail Not Sent: ") + why;
}

namespace {

QList<MailRow> htmlEscaped(QList<MailRow> rows)
{
    for (MailRow& r : rows)
        for (QString* text : {&r.origin, &r.destination, &r.date, &r.seats})
            *text = text->toHtmlEscaped();
    return rows;
}

} // namespace

QCoro::Task<std::optional<Delivery>> sendmail(QList<MailRow> rows, const Settings& settings,
                                              StatusLine& status, AlertSender& post, bool changed)
{
    const ResultsMail mail = buildResultsMail(rows);
    const qint16 sendType = settings.mailSendType;
    const bool wanted = sendType == kMailAlways || (sendType == kMailIfAvailable && mail.available > 0)
                        || (sendType == kMailOnChange && changed);
    if (!wanted) {
        // Mail only on a change: the user hears why none came.
        if (sendType == kMailOnChange)
            status.setStatus(kNoChangeNoMail);
        co_return std::nullopt;
    }

    Delivery delivery;
    switch (mailWay(settings)) {
    case MailWay::NotSetUp:
        status.setStatus(kMailNotSetUp);
        co_return Delivery::failed(kMailNotSetUpReason);
    case MailWay::Smtp:
    {
        const QString html = mailHtml(buildResultsMail(htmlEscaped(rows)).body);
        const QString plain = mailPlain(mail.body);
        const OutboxEntry entry = mailEntry(OutboxEntry::Topic::Results, settings, kMailSubjectText, html, plain);
        delivery = co_await post.send(entry);
        if (delivery.delivered)
            delivery.reply = QStringLiteral("Mail Sent");
        break;
    }
    case MailWay::Site: {
        const QString address = resultsMailAddress(mailSiteBase(settings).value_or(QString()),
                                                   settings.email, encodeMailText(mail.body));
        const OutboxEntry entry = siteGetEntry(OutboxEntry::Topic::Results, address);
        delivery = co_await post.send(entry);
        break;
    }
    }
    if (!delivery.delivered)
        status.setStatus(mailNotSentStatus(sendType, mail.available, mail.unavailable, delivery.failure));
    else if (sendType == kMailIfAvailable)
        status.setStatus(availableResultsStatus(mail.available, delivery.reply));
    else
        status.setStatus(mailSentStatus(mail.available, mail.unavailable));
    co_return delivery;
}

} // namespace zelvane
