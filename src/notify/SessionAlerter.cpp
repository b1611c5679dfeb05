#include "notify/SessionAlerter.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "engine/StatusLine.h"
#include "engine/BookingLink.h"
#include "itineraries/WatchList.h"
#include "net/Addresses.h"
#include "results/AnnouncedSeats.h"
#include "results/CheckResults.h"
#include "notify/LoginFailMail.h"
#include "notify/Push.h"
#include "notify/SiteTroubleMail.h"
#include "results/SeatTexts.h"

#include <QDir>
#include <QFileInfo>

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

QList<MailRow> mailRows(const WatchList& list, const CheckResults& results, const QSet<int>& quiet)
{
    QList<MailRow> rows;
    for (int p = 1; p <= list.count(); ++p) {
        if (quiet.contains(p))
            continue;
        const Itinerary& it = list.at(p);
        const ItineraryResult& r = results.at(p);
        const SeatTexts texts = seatTexts(it, r);
        rows.append({it.originNames(), it.destinationNames(), texts.dates, r.availability(), texts.seats,
                     texts.severalDates, r.reason(), texts.counts, r.paused, bookingLinks(airlineBase(), it, r)});
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
                               StatusLine& status, AlertSender& post, const Clock& clock,
                               const DesktopFacts& desktopFacts)
    : list_(list), results_(results), announced_(announced), mailPolicy_(mailPolicy), told_(told), status_(status),
      post_(post), clock_(clock), desktopFacts_(desktopFacts)
{
    // Notes wait in the outbox with the rest and are shown from there.
    post_.setDesktop(&desktop_);
}

SessionAlerter::~SessionAlerter()
{
    post_.setDesktop(nullptr);
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
        status_.setStatus({StatusMessage::Kind::Outbox, 0, waiting});
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
    for (const CheckRecord& c : std::as_const(report_.checks))
        if (report_.quiet.contains(c.position))
            announced_.holdBack(c.key);
    for (const CheckRecord& c : std::as_const(checks_)) {
        const Availability now = answerOf(c);
        // Seats no channel carried stay news for the next check.
        if (c.opening && !seatsCarried && !report_.shown.contains(c.position))
            continue;
        announced_.remember(c.key, now);
    }
}

QList<SessionAlerter::Flight> SessionAlerter::flightsToAnnounce() const
{
    const bool changesOnly = post_.channels().announceChangesOnly;
    QList<Flight> flights;
    for (int p = 1; p <= results_.count(); ++p) {
        const ItineraryResult& r = results_.at(p);
        if (r.availability() != Availability::Seats || (changesOnly && !becameAvailable(p)) || report_.quiet.contains(p))
            continue;
        const Itinerary& it = list_.at(p);
        const SeatTexts texts = seatTexts(it, r);
        // One waiting push per watch: a newer one takes its place.
        const QString key = it.identity();
        flights.append({flightLine(it.originNames(), it.destinationNames(), texts.dates, it.timeOfDay, texts.seats,
                                   texts.counts),
                        key, firstBookingAddress(airlineBase(), it, r)});
    }
    return flights;
}

void SessionAlerter::plan(OutboxEntry entry, const QString& channel, bool counts, bool resultsMail)
{
    plan_.append({std::move(entry), channel, counts, resultsMail});
}

bool SessionAlerter::planNoteAndPush(const Alert& alert)
{
    bool planned = false;
    // A note where a desktop can show one; it waits for its desktop otherwise.
    if (post_.channels().notifyDesktop && desktopFacts_.notesAvailable()) {
        for (const QString& body : alert.notes)
            plan(desktopEntry(alert.topic, alert.title, body, alert.showResults), QStringLiteral("Desktop"), false);
        planned = !alert.notes.isEmpty();
    }
    if (!post_.channels().pushUrl.trimmed().isEmpty()) {
        const PushMessage push{alert.title, alert.notes.join(QLatin1Char('\n')), alert.priority, alert.tags};
        plan(pushEntry(alert.topic, push, alert.pushLines), QStringLiteral("Push"));
        planned = true;
    }
    return planned;
}

bool SessionAlerter::planFlights(const QList<Flight>& flights, const QString& trouble)
{
    if (flights.isEmpty())
        return false;
    QStringList lines;
    for (const Flight& f : flights)
        lines << f.line;
    Alert alert{kSeatsFound, lines, true, QStringLiteral("high"), QStringLiteral("airplane")};
    for (const Flight& f : flights)
        alert.pushLines.append({f.key, f.line, clock_.now(), false, f.booking});
    // More than a few become one note that lists them all.
    if (lines.size() > kNotesBeforeGrouping)
        alert.notes = QStringList{lines.join(QLatin1Char('\n'))};
    // A check cut short says so beside what it found; a newer check's word replaces it.
    if (!trouble.isEmpty()) {
        alert.notes.last() += QLatin1Char('\n') + trouble;
        alert.pushLines.append({QStringLiteral("stopped"), trouble, clock_.now()});
    }
    return planNoteAndPush(alert);
}

void SessionAlerter::planNotice(const QString& title, const QString& text, OutboxEntry::Topic topic)
{
    const QString body = topic == OutboxEntry::Topic::SiteNotice ? siteTroubleBody(text)
                                                                 : noticeBody(text, kAfterPagesWereRead);
    if (const std::optional<OutboxEntry> mail = noticeMailEntry(title, body, topic, post_.mailTarget()))
        plan(*mail, QStringLiteral("E-mail"));
    else if (mailWay(post_.channels()) != MailWay::NotSetUp)
        note({QStringLiteral("E-mail"), Delivery::failed(kMailNotSetUpReason)});
    const Alert alert{title, {text}, false, QStringLiteral("high"), QStringLiteral("warning"), topic};
    planNoteAndPush(alert);
}

void SessionAlerter::keepAlerts(const SessionReport& report)
{
    undelivered.clear();
    plan_.clear();
    mailPlan_ = {};
    report_ = report;
    // A snoozed watch's checks are news to nobody: they change no mail's
    // mind, and what the user was told of them stays, so its seats are news
    // once the snooze is over.
    checks_.clear();
    for (const CheckRecord& c : report_.checks)
        if (!report_.quiet.contains(c.position))
            checks_ << c;
    bool loginTold = false, siteTold = false, pagesTold = false;
    const SessionOutcome outcome = report_.outcome;
    // Told once per failing streak; a good login clears the mark.
    if ((outcome == SessionOutcome::LoginFailed || outcome == SessionOutcome::GaveUp) && !told_->loginFailure) {
        if (const std::optional<OutboxEntry> mail = loginFailEntry(post_.mailTarget(), outcome))
            plan(*mail, QStringLiteral("E-mail"));
        const Alert alert{kLoginTroubleText,
                          {QStringLiteral("Zelvane could not log in to the frequent-flyer site. "
                                          "Check the member details.")},
                          false, QStringLiteral("high"), QStringLiteral("warning"),
                          OutboxEntry::Topic::LoginWarning};
        planNoteAndPush(alert);
        loginTold = true;
    }
    if (outcome == SessionOutcome::SiteTrouble || outcome == SessionOutcome::Unreachable) {
        // Whether it is due is the streak's to say; told once until a check works.
        if (const std::optional<QString> notice = siteTroubleNotice(told_->siteTrouble)) {
            planNotice(kSiteTroubleTitle, *notice, OutboxEntry::Topic::SiteNotice);
            siteTold = true;
        }
    }
    if (outcome == SessionOutcome::Completed) {
        // The login got through: a warning still waiting would be false now.
        post_.drop(OutboxEntry::Topic::LoginWarning);
        post_.drop(OutboxEntry::Topic::SiteNotice);
    }
    const bool checked = outcome == SessionOutcome::Completed || !report_.checks.isEmpty();
    if (checked) {
        // Whatever happened after them, the seats a session found are told.
        const QList<Flight> flights = flightsToAnnounce();
        const QString trouble = troubleLine(int(flights.size()));
        bool carried = false;
        if (resultsMailDue()) {
            const QList<MailRow> rows = mailRows(list_, results_, report_.quiet);
            mailPlan_ = planResultsMail(rows, *mailPolicy_, status_, post_.mailTarget(), availabilityChanged(), trouble);
            if (mailPlan_.wanted && mailPlan_.entry) {
                plan(*mailPlan_.entry, QStringLiteral("E-mail"), true, true);
                carried = true;
            } else if (mailPlan_.wanted) {
                note({QStringLiteral("E-mail"), Delivery::failed(kMailNotSetUpReason)});
            }
        }
        // In the outbox, an alert is told: it goes out now or with a later try.
        carried = planFlights(flights, trouble) || carried;
        rememberTold(carried);
        // Pages read again: a notice still waiting would be false now.
        if (report_.unreadablePages == 0 && !report_.checks.isEmpty())
            post_.drop(OutboxEntry::Topic::PagesNotice);
        if (const std::optional<QString> notice = unreadablePagesNotice(told_->unreadablePages)) {
            planNotice(kUnreadablePagesTitle, *notice, OutboxEntry::Topic::PagesNotice);
            pagesTold = true;
        }
    }
    // One transaction: every alert and what they tell, before any is tried.
    const QByteArray told = checked ? announced_.toJson(clock_.now().date()) : QByteArray();
    QList<OutboxEntry> entries;
    for (const Planned& p : std::as_const(plan_))
        entries << p.entry;
    if (!entries.isEmpty() || !told.isEmpty()) {
        post_.desktopDeadline = desktopDeadline;
        const QList<OutboxEntry> kept = post_.keep(entries, told);
        for (qsizetype i = 0; i < plan_.size() && i < kept.size(); ++i)
            plan_[i].entry = kept[i];
    }
    if (!told.isEmpty()) {
        // The memory's own file, replaced only by a complete copy; the
        // outbox holds the same until it is.
        const QString why = announced_.saveText(told);
        if (why.isEmpty())
            post_.outboxToWrite().toldWritten();
    }
    if (post_.outbox().unstoredCount() > 0)
        status_.setStatus(QStringLiteral("Alerts Not Saved: %1; they are sent from memory and written when "
                                         "there is room").arg(post_.outbox().error()));
    else if (post_.outbox().spentReserve())
        status_.setStatus(QStringLiteral("Alerts Saved: the data folder is full (%1); this check's alerts went "
                                         "into the room kept for them. Free some space there.")
                              .arg(QDir::toNativeSeparators(QFileInfo(post_.outbox().filePath()).absolutePath())));
    // Handed to every channel: what one could not take waits in the outbox,
    // so the rest of the streak sends nothing again.
    if (loginTold)
        told_.change([](Told& t) { t.loginFailure = true; });
    if (siteTold)
        told_.change([](Told& t) { t.siteTrouble.told = true; });
    if (pagesTold)
        told_.change([](Told& t) { t.unreadablePages.told = true; });
    kept_ = true;
}

QCoro::Task<> SessionAlerter::sessionEnded(SessionReport report)
{
    // What waited from before and this session did not try goes after its
    // own alerts: a server that was down may be back, and the user expects
    // news after a check, not at the next hour's retry.
    WaitingRound rest;
    rest.untriedSince = clock_.now();
    // Kept by the engine before its history write; a caller that only ends
    // the session has it kept here.
    if (!kept_)
        keepAlerts(report);
    kept_ = false;
    const QList<Planned> planned = plan_;
    const MailPolicy policy = *mailPolicy_;
    const ResultsMail mail = mailPlan_.mail;
    for (const Planned& p : planned) {
        const OutboxEntry entry = p.entry;
        const Delivery d = co_await post_.sendKept(entry);
        if (p.resultsMail)
            tellMailOutcome(status_, policy, mail, d, entry.form);
        note({p.channel, d, p.counts});
    }
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
