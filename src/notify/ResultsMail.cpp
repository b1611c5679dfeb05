#include "notify/ResultsMail.h"

#include "notify/AlertSender.h"
#include "engine/StatusLine.h"
#include "net/Addresses.h"

#include <QNetworkRequest>
#include <QUrl>
#include "net/QueryText.h"

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Under a flight with seats, a line per day with seats: the award search to
// book from, which works once the member has signed in to the site.
QString bookingLines(const MailRow& row)
{
    QString lines;
    for (const BookingLink& link : row.links)
        lines += kBookOnAirlineSite + (link.day.isEmpty() ? QString() : QLatin1String(" (") + link.day + QLatin1Char(')'))
                 + QLatin1String(": ") + kSignInFirst + QLatin1String(" <A HREF=\"") + link.address
                 + QLatin1String("\">") + link.address + QLatin1String("</A>") + kCrLf;
    return lines;
}

QString flightLine(const MailRow& row)
{
    const QString seats = row.seats.isEmpty() ? QString() : QLatin1String(" (") + row.seats + QLatin1Char(')');
    const QString why = row.availability == Availability::NotKnown && !row.paused ? QLatin1String(": ") + row.reason : QString();
    const QString counts = row.counts.isEmpty() ? QString() : QStringLiteral(" · ") + row.counts;
    return QLatin1String("<br>") + QLatin1String("<B>Flight ") + row.origin
           + QLatin1String(" TO ") + row.destination
           + (row.severalDates ? QLatin1String(" On Dates ") : QLatin1String(" On Date ")) + row.date
           + seats + QLatin1String("</B>") + counts + why + QLatin1String(" ") + kCrLf + bookingLines(row);
}

} // namespace

QString encodeMailText(const QString& text)
{
    return escapeQueryBreakers(text)
        .replace(QLatin1Char(' '), QLatin1String("%20"))
        .replace(kCrLf, QLatin1String("<br>"));
}

ResultsMail buildResultsMail(const QList<MailRow>& rows, const QString& trouble)
{
    ResultsMail mail;
    QString availableLines;
    QString unavailableLines;
    QString notCheckedLines;
    QString pausedLines;
    for (const MailRow& row : rows) {
        if (row.paused) {
            pausedLines += flightLine(row);
        } else if (row.availability == Availability::NoSeats) {
            unavailableLines += flightLine(row);
            ++mail.unavailable;
        } else if (row.availability == Availability::Seats) {
            availableLines += flightLine(row);
            ++mail.available;
        } else if (!row.reason.isEmpty()) {
            notCheckedLines += flightLine(row);
            ++mail.notChecked;
        }
    }
    const QString a = QString::number(mail.available);
    const QString u = QString::number(mail.unavailable);
    // What a check could not answer is neither: said apart, and only when there is some.
    const QString counts = mail.notChecked == 0
                               ? QLatin1String("Available and (") + u + QLatin1String(") Unavailable  Flights ")
                               : QLatin1String("Available, (") + u + QLatin1String(") Unavailable and (")
                                     + QString::number(mail.notChecked) + QLatin1String(") Not checked  Flights ");
    const QString notChecked = mail.notChecked == 0 ? QString()
                                                    : kCrLf + kCrLf + QLatin1String(" <B>Not checked:</B> ") + kCrLf
                                                          + notCheckedLines;
    const QString paused = pausedLines.isEmpty() ? QString()
                                                 : kCrLf + kCrLf + QLatin1String(" <B>Paused:</B> ") + kCrLf + pausedLines;
    const QString stopped = trouble.isEmpty() ? QString() : trouble + QLatin1Char('.') + kCrLf;
    mail.body = QLatin1String("Hi There,") + kCrLf + kCrLf
                + QLatin1String("Below are your scheduled results from a check that just took place. ")
                + kCrLf + stopped
                + QLatin1String("You have (") + a + QLatin1String(")")
                + counts + kCrLf
                + QLatin1String(" <BR><B>Available:</B>") + kCrLf
                + availableLines
                + kCrLf + kCrLf + QLatin1String(" <B>Unavailable:</B> ") + kCrLf
                + unavailableLines
                + notChecked
                + paused
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

namespace {

// "(2)Available and (1)Unavailable Results Found, ", with "(1)Not Checked"
// among them when a check could not answer some.
QString foundCounts(const ResultsMail& mail)
{
    const QString a = QLatin1String("(") + QString::number(mail.available) + QLatin1String(")Available");
    const QString u = QLatin1String("(") + QString::number(mail.unavailable) + QLatin1String(")Unavailable");
    if (mail.notChecked == 0)
        return a + QLatin1String(" and ") + u + QLatin1String(" Results Found, ");
    return a + QLatin1String(", ") + u + QLatin1String(" and (") + QString::number(mail.notChecked)
           + QLatin1String(")Not Checked Results Found, ");
}

} // namespace

QString mailSentStatus(const ResultsMail& mail)
{
    return foundCounts(mail) + QLatin1String("Mail Sent");
}

QString mailNotSentStatus(MailPolicy policy, const ResultsMail& mail, const QString& why)
{
    const QString prefix =
        policy == MailPolicy::IfAvailable ? availableResultsStatus(mail.available, QString()) : foundCounts(mail);
    return prefix + QLatin1String("Mail Not Sent: ") + why;
}

namespace {

QList<MailRow> htmlEscaped(QList<MailRow> rows)
{
    for (MailRow& r : rows) {
        for (QString* text : {&r.origin, &r.destination, &r.date, &r.seats, &r.reason, &r.counts})
            *text = text->toHtmlEscaped();
        for (BookingLink& l : r.links)
            l = {l.day.toHtmlEscaped(), l.address.toHtmlEscaped()};
    }
    return rows;
}

} // namespace

ResultsMailPlan planResultsMail(const QList<MailRow>& rows, MailPolicy policy, StatusLine& status,
                                const MailTarget& target, bool changed, const QString& trouble)
{
    ResultsMailPlan plan;
    plan.mail = buildResultsMail(rows, trouble);
    plan.wanted = policy == MailPolicy::Always || (policy == MailPolicy::IfAvailable && plan.mail.available > 0)
                  || (policy == MailPolicy::OnChange && changed);
    if (!plan.wanted) {
        // Mail only on a change: the user hears why none came.
        if (policy == MailPolicy::OnChange)
            status.setStatus(kNoChangeNoMail);
        return plan;
    }
    switch (mailWay(target.channels)) {
    case MailWay::NotSetUp:
        status.setStatus(kMailNotSetUp);
        break;
    case MailWay::Smtp: {
        const QString html = mailHtml(buildResultsMail(htmlEscaped(rows), trouble.toHtmlEscaped()).body);
        const QString plain = mailPlain(plan.mail.body);
        plan.entry = mailEntry(OutboxEntry::Topic::Results, target, kMailSubjectText, html, plain);
        break;
    }
    case MailWay::Site: {
        // The endpoint takes the whole mail in its address, which servers
        // refuse past 8 KB: the award searches to book from (some 600
        // characters each) stay out of it.
        QList<MailRow> withoutLinks = rows;
        for (MailRow& r : withoutLinks)
            r.links.clear();
        const QString body = buildResultsMail(withoutLinks, trouble).body;
        const QString address = resultsMailAddress(mailSiteBase(target.channels).value_or(QString()),
                                                   target.memberEmail, encodeMailText(body));
        plan.entry = siteGetEntry(OutboxEntry::Topic::Results, address);
        break;
    }
    }
    return plan;
}

void tellMailOutcome(StatusLine& status, MailPolicy policy, const ResultsMail& mail, Delivery delivery,
                     OutboxEntry::Form form)
{
    if (delivery.delivered && form == OutboxEntry::Form::Smtp)
        delivery.reply = QStringLiteral("Mail Sent");
    if (!delivery.delivered)
        status.setStatus(mailNotSentStatus(policy, mail, delivery.failure));
    else if (policy == MailPolicy::IfAvailable)
        status.setStatus(availableResultsStatus(mail.available, delivery.reply));
    else
        status.setStatus(mailSentStatus(mail));
}

QCoro::Task<std::optional<Delivery>> sendmail(QList<MailRow> rows, MailPolicy policy,
                                              StatusLine& status, AlertSender& post, bool changed, QString trouble)
{
    const ResultsMailPlan plan = planResultsMail(rows, policy, status, post.mailTarget(), changed, trouble);
    if (!plan.wanted)
        co_return std::nullopt;
    if (!plan.entry)
        co_return Delivery::failed(kMailNotSetUpReason);
    const OutboxEntry entry = *plan.entry;
    const Delivery delivery = co_await post.send(entry);
    tellMailOutcome(status, policy, plan.mail, delivery, entry.form);
    Delivery told = delivery;
    if (told.delivered && entry.form == OutboxEntry::Form::Smtp)
        told.reply = QStringLiteral("Mail Sent");
    co_return told;
}

} // namespace zelvane
