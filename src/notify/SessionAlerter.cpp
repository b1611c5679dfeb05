#include "notify/SessionAlerter.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "engine/StatusLine.h"
#include "itineraries/WatchList.h"
#include "results/AnnouncedSeats.h"
#include "results/CheckResults.h"
#include "notify/LoginFailMail.h"
#include "notify/Push.h"
#include "notify/SiteTroubleMail.h"
#include "results/SeatTexts.h"

#include <algorithm>

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// A results e-mail asked for this shortly after another is none.
constexpr qint64 kJustSentMs = 5000;

QString testAlertBody()
{
    return QLatin1String("Hi There,") + kCrLf + kCrLf
           + QLatin1String("This is a <B>test alert</B> from Zelvane. When seats open on a flight "
                           "you watch, or when Zelvane cannot log in, it tells you this way.")
           + kCrLf + kCrLf + QLatin1String("Zelvane Alert");
}

} // namespace

QList<MailRow> mailRows(const WatchList& list, const CheckResults& results)
{
    QList<MailRow> rows;
    for (int p = 1; p <= list.count(); ++p) {
        const Itinerary& it = list.at(p);
        const ItineraryResult& r = results.at(p);
        const SeatTexts texts = seatTexts(it, r);
        rows.append({it.originNames(), it.destinationNames(), texts.dates, r.availability(), texts.seats,
                     texts.severalDates, r.reason(), texts.counts});
    }
    return rows;
}

QString flightLine(const QString& origin, const QString& destination, const QString& date,
                   const QString& timeOfDay, const QString& seats, const QString& counts)
{
    QString line = origin + QStringLiteral(" → ") + destination + QStringLiteral(", ") + date
                   + QStringLiteral(", ") + timeOfDay;
    if (!seats.isEmpty())
        line += QStringLiteral(" (") + seats + QLatin1Char(')');
    if (!counts.isEmpty())
        line += QStringLiteral(" · ") + counts;
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

SessionAlerter::SessionAlerter(const WatchList& list, const CheckResults& results, AnnouncedSeats& announced,
                               const SettingsGroup<MailPolicy>& mailPolicy, SettingsGroup<Told>& told,
                               StatusLine& status, AlertSender& post, const Clock& clock)
    : list_(list), results_(results), announced_(announced), mailPolicy_(mailPolicy), told_(told), status_(status),
      post_(post), clock_(clock)
{
}

bool SessionAlerter::resultsMailDue()
{
    const MailPolicy policy = *mailPolicy_;
    if (policy != MailPolicy::Always && policy != MailPolicy::IfAvailable && policy != MailPolicy::OnChange)
        return false;
    const QDateTime now = clock_.now();
    if (lastResultsMail_.isValid() && lastResultsMail_.msecsTo(now) < kJustSentMs)
        return false;
    lastResultsMail_ = now;
    return true;
}

void SessionAlerter::showWaiting()
{
    if (const QString waiting = post_.outbox().summary(); !waiting.isEmpty())
        status_.setOutboxStatus(waiting);
}

void SessionAlerter::note(const ChannelOutcome& o)
{
    if (o.counts && !o.delivery.delivered)
        undelivered << o.channel + QStringLiteral(": ") + o.delivery.failure;
}

namespace {

Availability answerOf(const CheckRecord& c)
{
    return c.outcome == CheckOutcome::Available      ? Availability::Seats
           : c.outcome == CheckOutcome::NotAvailable ? Availability::NoSeats
                                                     : Availability::NotKnown;
}

} // namespace

bool SessionAlerter::becameAvailable(int position) const
{
    // A flexible itinerary has a record per day: new seats on any of them count.
    return std::any_of(checks_.cbegin(), checks_.cend(),
                       [position](const CheckRecord& c) { return c.position == position && c.opening; });
}

bool SessionAlerter::availabilityChanged() const
{
    return std::any_of(checks_.cbegin(), checks_.cend(), [](const CheckRecord& c) { return c.changed; });
}

QString SessionAlerter::troubleLine(int flightsFound) const
{
    if (report_.stoppedAt == 0)
        return {};
    const QString why = report_.trouble.isEmpty()
                            ? QStringLiteral("the site logged the session out and did not let it log in again")
                            : report_.trouble;
    const QString found = flightsFound == 1 ? QStringLiteral("Seats found on 1 itinerary")
                                            : QStringLiteral("Seats found on %1 itineraries").arg(flightsFound);
    return found + QStringLiteral("; the check stopped at #%1: %2").arg(report_.stoppedAt).arg(why);
}

void SessionAlerter::rememberTold(bool seatsCarried)
{
    for (const CheckRecord& c : std::as_const(checks_)) {
        const Availability now = answerOf(c);
        // Seats no channel carried stay news for the next check.
        if (c.opening && !seatsCarried && !report_.shown.contains(c.position))
            continue;
        announced_.remember(c.key, now);
    }
    announced_.save(clock_.now().date());
}

QList<SessionAlerter::Flight> SessionAlerter::flightsToAnnounce() const
{
    const bool changesOnly = post_.channels().announceChangesOnly;
    QList<Flight> flights;
    for (int p = 1; p <= results_.count(); ++p) {
        const ItineraryResult& r = results_.at(p);
        if (r.availability() != Availability::Seats || (changesOnly && !becameAvailable(p)))
            continue;
        const Itinerary& it = list_.at(p);
        const SeatTexts texts = seatTexts(it, r);
        // One waiting push per watch: a newer one takes its place.
        const QString key = it.identity();
        flights.append({flightLine(it.originNames(), it.destinationNames(), texts.dates, it.timeOfDay, texts.seats,
                                   texts.counts),
                        key});
    }
    return flights;
}

QCoro::Task<> SessionAlerter::sessionEnded(SessionReport report)
{
    // What waited from before and this session did not try goes after its
    // own alerts: a server that was down may be back, and the user expects
    // news after a check, not at the next hour's retry.
    WaitingRound rest;
    rest.untriedSince = clock_.now();
    undelivered.clear();
    report_ = std::move(report);
    checks_ = report_.checks;
    const SessionOutcome outcome = report_.outcome;
    if (outcome == SessionOutcome::LoginFailed || outcome == SessionOutcome::GaveUp)
        co_await announceLoginFailure(outcome);
    if (outcome == SessionOutcome::SiteTrouble || outcome == SessionOutcome::Unreachable)
        co_await announceSiteTrouble();
    if (outcome == SessionOutcome::Completed) {
        // The login got through: a warning still waiting would be false now.
        post_.drop(OutboxEntry::Topic::LoginWarning);
        post_.drop(OutboxEntry::Topic::SiteNotice);
    }
    if (outcome != SessionOutcome::Completed && checks_.isEmpty()) {
        co_await post_.sendWaiting(rest);
        showWaiting();
        co_return;
    }
    // Whatever happened after them, the seats a session found are told.
    bool carried = false;
    const QList<Flight> flights = flightsToAnnounce();
    if (resultsMailDue()) {
        const QList<MailRow> rows = mailRows(list_, results_);
        const std::optional<Delivery> mail =
            co_await sendmail(rows, *mailPolicy_, status_, post_, availabilityChanged(), troubleLine(int(flights.size())));
        if (mail) {
            note({QStringLiteral("E-mail"), *mail});
            carried = carried || mail->delivered || mailWay(post_.channels()) != MailWay::NotSetUp;
        }
    }
    const QList<ChannelOutcome> others = co_await announceFlights(flights, troubleLine(int(flights.size())));
    for (const ChannelOutcome& o : others) {
        note(o);
        carried = carried || o.delivery.delivered || o.channel == QLatin1String("Push");
    }
    rememberTold(carried);
    co_await announceUnreadablePages();
    co_await post_.sendWaiting(rest);
    showWaiting();
}

// Every co_await below stands in a statement of its own and takes named
// values: g++ 12 mishandles braced temporaries around one (the heap gets
// corrupted).

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::noteAndPush(Alert alert)
{
    QList<ChannelOutcome> outcomes;
    if (post_.channels().notifyDesktop) {
        for (const QString& body : alert.notes) {
            const DesktopNotifier::Note note{alert.title, body, alert.showResults};
            const Delivery shown = co_await desktop_.notify(note, desktopDeadline);
            // A desktop without a notification service is no failure of the alert.
            outcomes << ChannelOutcome{QStringLiteral("Desktop"), shown, false};
        }
    }
    if (!post_.channels().pushUrl.trimmed().isEmpty()) {
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

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::announceFlights(QList<Flight> flights, QString trouble)
{
    if (flights.isEmpty())
        co_return QList<ChannelOutcome>();
    QStringList lines;
    for (const Flight& f : flights)
        lines << f.line;
    Alert alert{kSeatsFound, lines, true, QStringLiteral("high"), QStringLiteral("airplane")};
    for (const Flight& f : flights)
        alert.pushLines.append({f.key, f.line, clock_.now()});
    // More than a few become one note that lists them all.
    if (lines.size() > kNotesBeforeGrouping)
        alert.notes = QStringList{lines.join(QLatin1Char('\n'))};
    // A check cut short says so beside what it found; a newer check's word replaces it.
    if (!trouble.isEmpty()) {
        alert.notes.last() += QLatin1Char('\n') + trouble;
        alert.pushLines.append({QStringLiteral("stopped"), trouble, clock_.now()});
    }
    const QList<ChannelOutcome> outcomes = co_await noteAndPush(alert);
    co_return outcomes;
}

QCoro::Task<> SessionAlerter::announceLoginFailure(SessionOutcome outcome)
{
    // Told once per failing streak; a good login clears the mark.
    if (told_->loginFailure)
        co_return;
    QList<ChannelOutcome> outcomes;
    const Delivery mailed = co_await sendLoginFailMail(post_, outcome);
    // Without any way to mail, the other channels tell; that is the user's choice.
    outcomes << ChannelOutcome{QStringLiteral("E-mail"), mailed,
                               mailWay(post_.channels()) != MailWay::NotSetUp};
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
    told_.change([](Told& told) { told.loginFailure = true; });
}

QCoro::Task<> SessionAlerter::announceNotice(QString title, QString text, OutboxEntry::Topic topic)
{
    QList<ChannelOutcome> outcomes;
    const QString body = topic == OutboxEntry::Topic::SiteNotice ? siteTroubleBody(text)
                                                                 : noticeBody(text, kAfterPagesWereRead);
    const Delivery mailed = co_await sendNoticeMail(title, body, topic, post_);
    outcomes << ChannelOutcome{QStringLiteral("E-mail"), mailed, mailWay(post_.channels()) != MailWay::NotSetUp};
    const Alert alert{title, {text}, false, QStringLiteral("high"), QStringLiteral("warning"), topic};
    const QList<ChannelOutcome> noted = co_await noteAndPush(alert);
    outcomes << noted;
    for (const ChannelOutcome& o : outcomes)
        note(o);
}

QCoro::Task<> SessionAlerter::announceSiteTrouble()
{
    // Whether it is due is the streak's to say; told once until a check works.
    const std::optional<QString> notice = siteTroubleNotice(told_->siteTrouble);
    if (!notice)
        co_return;
    co_await announceNotice(kSiteTroubleTitle, *notice, OutboxEntry::Topic::SiteNotice);
    // Handed to every channel: what one could not take waits in the outbox.
    told_.change([](Told& told) { told.siteTrouble.told = true; });
}

QCoro::Task<> SessionAlerter::announceUnreadablePages()
{
    // Pages read again: a notice still waiting would be false now.
    if (report_.unreadablePages == 0 && !checks_.isEmpty())
        post_.drop(OutboxEntry::Topic::PagesNotice);
    const std::optional<QString> notice = unreadablePagesNotice(told_->unreadablePages);
    if (!notice)
        co_return;
    co_await announceNotice(kUnreadablePagesTitle, *notice, OutboxEntry::Topic::PagesNotice);
    told_.change([](Told& told) { told.unreadablePages.told = true; });
}

QCoro::Task<QList<ChannelOutcome>> SessionAlerter::sendTestAlert()
{
    QList<ChannelOutcome> outcomes;
    // The site's endpoints carry only the two e-mails they were made for.
    if (mailWay(post_.channels()) == MailWay::Smtp) {
        const QString html = mailHtml(testAlertBody()), plain = mailPlain(testAlertBody());
        const OutboxEntry entry = mailEntry(OutboxEntry::Topic::Results, post_.mailTarget(), kTestAlertTitle, html, plain);
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
