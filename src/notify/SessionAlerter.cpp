#include "notify/SessionAlerter.h"

#include "app/Settings.h"
#include "results/ResultIcons.h"
#include "engine/StatusLine.h"
#include "notify/LoginFailMail.h"
#include "notify/Push.h"
#include "notify/SiteTroubleMail.h"
#include "results/ResultTable.h"
#include "results/ResultsViewModel.h"
#include "results/SeatTexts.h"

#include <algorithm>

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString testAlertBody()
{
    return QLatin1String("Hi There,") + kCrLf + kCrLf
           + QLatin1String("This is a <B>test alert</B> from Zelvane. When seats open on a flight "
                           "you watch, or when Zelvane cannot log in, it tells you this way.")
           + kCrLf + kCrLf + QLatin1String("Zelvane Alert");
}

} // namespace

QList<MailRow> mailRows(const ResultsViewModel& results, const ResultTable& table)
{
    QList<MailRow> rows;
    for (int i = 1; i <= results.count(); ++i) {
        const ResultsViewModel::Row& r = results.row(i);
        const SeatTexts texts = seatTexts(r, table.entry(i - 1));
        rows.append({r.cells[0], r.cells[1], texts.dates, r.icon, texts.seats, texts.severalDates});
    }
    return rows;
}

QString flightLine(const QString& origin, const QString& destination, const QString& date,
                   const QString& timeOfDay, const QString& seats)
{
    QString line = origin + QStringLiteral(" → ") + destination + QStringLiteral(", ") + date
                   + QStringLiteral(", ") + timeOfDay;
    if (!seats.isEmpty())
        line += QStringLiteral(" (") + seats + QLatin1Char(')');
    return line;
}

QString outcomeLine(const QList<ChannelOutcome>& outcomes)
{
    if (outcomes.isEmpty())
        return QStringLiteral("No alert channel is set up");
    QStringList parts;
    for (const ChannelOutcome& o : outcomes) {
        const QString done = o.channel == QLatin1String("Desktop") ? QStringLiteral("shown")
                                                                   : QStringLiteral("sent");
        parts << o.channel + QStringLiteral(": ")
                     + (o.delivery.delivered ? done
                                             : QStringLiteral("failed (") + o.delivery.failure
                                                   + QLatin1Char(')'));
    }
    return parts.join(QStringLiteral(" · "));
}

SessionAlerter::SessionAlerter(const ResultsViewModel& results, const ResultTable& table,
                               Settings& settings, StatusLine& status, AlertSender& post)
    : results_(results), table_(table), settings_(settings), status_(status), post_(post)
{
}

void SessionAlerter::showWaiting()
{
    if (const QString waiting = post_.outbox().summary(); !waiting.isEmpty())
        status_.setStatus(waiting);
}

void SessionAlerter::note(const ChannelOutcome& o)
{
    if (o.counts && !o.delivery.delivered)
        undelivered << o.channel + QStringLiteral(": ") + o.delivery.failure;
}

bool SessionAlerter::becameAvailable(int position) const
{
    // A flexible itinerary has a record per day: new seats on any of them count.
    return std::any_of(checks_.cbegin(), checks_.cend(), [position](const CheckRecord& c) {
        return c.position == position && c.changed && c.outcome == CheckOutcome::Available;
    });
}

QList<SessionAlerter::Flight> SessionAlerter::flightsToAnnounce() const
{
    const bool changesOnly = settings_.announceChangesOnly != 0;
    QList<Flight> flights;
    for (int i = 1; i <= results_.count(); ++i) {
        const ResultsViewModel::Row& r = results_.row(i);
        if (r.icon != kIconAvailable || (changesOnly && !becameAvailable(i)))
            continue;
        const SeatTexts texts = seatTexts(r, table_.entry(i - 1));
        const ItineraryKey k = r.historyKey();
        const QString key = QStringList{k.origin, k.destination, k.date, QString::number(r.extraDays),
                                        k.time, k.cabin, QString::number(k.adults)}.join(QLatin1Char(';'));
        flights.append({flightLine(r.cells[0], r.cells[1], texts.dates, r.cells[3], texts.seats), key});
    }
    return flights;
}

QCoro::Task<> SessionAlerter::sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                                           QList<CheckRecord> checks)
{
    undelivered.clear();
    checks_ = std::move(checks);
    if (outcome == SessionOutcome::LoginFailed || outcome == SessionOutcome::GaveUp) {
        co_await announceLoginFailure(outcome);
        showWaiting();
        co_return;
    }
    if (outcome == SessionOutcome::SiteTrouble || outcome == SessionOutcome::Unreachable) {
        co_await announceSiteTrouble();
        showWaiting();
        co_return;
    }
    if (outcome != SessionOutcome::Completed)
        co_return;
    // The login got through: a warning still waiting would be false now.
    post_.drop(OutboxEntry::Topic::LoginWarning);
    post_.drop(OutboxEntry::Topic::SiteNotice);
    if (resultsMailDue) {
        const QList<MailRow> rows = mailRows(results_, table_);
        const bool changed = std::any_of(checks_.cbegin(), checks_.cend(),
                                         [](const CheckRecord& c) { return c.changed; });
        const std::optional<Delivery> mail =
            co_await sendmail(rows, settings_, status_, startJustSent, post_, changed);
        if (mail)
            note({QStringLiteral("E-mail"), *mail});
    }
    const QList<Flight> flights = flightsToAnnounce();
    const QList<ChannelOutcome> others = co_await announceFlights(flights);
    for (const ChannelOutcome& o : others)
        note(o);
    showWaiting();
}

// Every co_await below stands in a statement of its own and takes named
// values: g++ 12 mishandles braced temporaries around one (the heap gets
// corrupted).

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::noteAndPush(Alert alert)
{
    QList<ChannelOutcome> outcomes;
    if (settings_.notifyDesktop) {
        for (const QString& body : alert.notes) {
            const DesktopNotifier::Note note{alert.title, body, alert.showResults};
            const Delivery shown = co_await desktop_.notify(note, desktopDeadline);
            // A desktop without a notification service is no failure of the alert.
            outcomes << ChannelOutcome{QStringLiteral("Desktop"), shown, false};
        }
    }
    if (!settings_.pushUrl.trimmed().isEmpty()) {
        const PushMessage push{alert.title, alert.notes.join(QLatin1Char('\n')), alert.priority, alert.tags};
        const OutboxEntry entry = pushEntry(alert.topic, push, alert.pushLines);
        Delivery pushed;
        if (alert.once)
            pushed = co_await post_.sendOnce(entry);
        else
            pushed = co_await post_.send(entry);
        outcomes << ChannelOutcome{QStringLiteral("Push"), pushed};
    }
    co_return outcomes;
}

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::announceFlights(QList<Flight> flights)
{
    if (flights.isEmpty())
        co_return QList<ChannelOutcome>();
    QStringList lines;
    for (const Flight& f : flights)
        lines << f.line;
    Alert alert{kSeatsFound, lines, true, QStringLiteral("high"), QStringLiteral("airplane")};
    for (const Flight& f : flights)
        alert.pushLines.append({f.key, f.line, QDateTime::currentDateTime()});
    // More than a few become one note that lists them all.
    if (lines.size() > kNotesBeforeGrouping)
        alert.notes = QStringList{lines.join(QLatin1Char('\n'))};
    const QList<ChannelOutcome> outcomes = co_await noteAndPush(alert);
    co_return outcomes;
}

QCoro::Task<> SessionAlerter::announceLoginFailure(SessionOutcome outcome)
{
    // Told once per failing streak; a good login clears the mark.
    if (settings_.loginFailTold)
        co_return;
    QList<ChannelOutcome> outcomes;
    const Delivery mailed = co_await sendLoginFailMail(settings_, post_, outcome);
    // Without any way to mail, the other channels tell; that is the user's choice.
    outcomes << ChannelOutcome{QStringLiteral("E-mail"), mailed,
                               mailWay(settings_) != MailWay::NotSetUp};
    const Alert alert{kLoginTroubleText,
                      {QStringLiteral("Zelvane could not log in to the frequent-flyer site. "
                                      "Check the member details.")},
                      false, QStringLiteral("high"), QStringLiteral("warning"),
                      OutboxEntry::Topic::LoginWarning};
    const QList<ChannelOutcome> noted = co_await noteAndPush(alert);
    outcomes << noted;
    for (const ChannelOutcome& o : outcomes)
        note(o);
    // Handed to every channel: what one could not take waits in the outbox,
    // so the rest of the streak sends nothing again.
    settings_.loginFailTold = 1;
    settings_.save();
}

QCoro::Task<> SessionAlerter::announceSiteTrouble()
{
    // Whether it is due is the streak's to say; told once until a check works.
    const std::optional<QString> notice = siteTroubleNotice(settings_.siteTrouble);
    if (!notice)
        co_return;
    const QString text = *notice;
    QList<ChannelOutcome> outcomes;
    const Delivery mailed = co_await sendSiteTroubleMail(settings_, text, post_);
    outcomes << ChannelOutcome{QStringLiteral("E-mail"), mailed,
                               mailWay(settings_) != MailWay::NotSetUp};
    const Alert alert{kSiteTroubleTitle, {text}, false, QStringLiteral("high"),
                      QStringLiteral("warning"), OutboxEntry::Topic::SiteNotice};
    const QList<ChannelOutcome> noted = co_await noteAndPush(alert);
    outcomes << noted;
    for (const ChannelOutcome& o : outcomes)
        note(o);
    // Handed to every channel: what one could not take waits in the outbox.
    settings_.siteTrouble.told = true;
    settings_.save();
}

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::sendTestAlert()
{
    QList<ChannelOutcome> outcomes;
    // The site's endpoints carry only the two e-mails they were made for.
    if (mailWay(settings_) == MailWay::Smtp) {
        const QString html = mailHtml(testAlertBody()), plain = mailPlain(testAlertBody());
        const OutboxEntry entry = mailEntry(OutboxEntry::Topic::Results, settings_, kTestAlertTitle, html, plain);
        const Delivery mailed = co_await post_.sendOnce(entry);
        outcomes << ChannelOutcome{QStringLiteral("E-mail"), mailed};
    }
    const Alert alert{kTestAlertTitle, {QStringLiteral("This is a test alert from Zelvane.")}, false,
                      QStringLiteral("default"), QStringLiteral("bell"), OutboxEntry::Topic::Seats, true};
    const QList<ChannelOutcome> noted = co_await noteAndPush(alert);
    outcomes << noted;
    co_return outcomes;
}

} // namespace zelvane
