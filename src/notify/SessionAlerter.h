#pragma once

#include "engine/CheckEngine.h"
#include "notify/AlertSender.h"
#include "notify/DesktopFacts.h"
#include "notify/DesktopNotifier.h"
#include "notify/MailRoute.h"
#include "notify/ResultsMail.h"

#include <QCoroTask>
#include <QList>
#include <QStringList>

namespace zelvane {

class AnnouncedSeats;
class CheckResults;
class Clock;
class MessageBoxes;
class StatusLine;
class WatchList;

// The itineraries as the results e-mail lists them, with what the last check
// of each found on each of its days; the `quiet` (snoozed) positions left out.
QList<MailRow> mailRows(const WatchList& list, const CheckResults& results, const QSet<int>& quiet = {});

// One flight to announce, as the notes and the push show it:
// "Sydney → London, 25/12/2026, Evening", and the seats when other than one
// in any cabin: "…, Evening (2 adults, Business)", and how many the site gave:
// "… · Business: 2 seats".
QString flightLine(const QString& origin, const QString& destination, const QString& date,
                   const QString& timeOfDay, const QString& seats = {}, const QString& counts = {});

// One channel's part in an alert.
struct ChannelOutcome {
    QString channel; // "E-mail", "Push", "Desktop"
    Delivery delivery;
    bool counts = true; // a failure here means the user was not reached
};
// "E-mail: sent · Push: failed (…)": every channel in one line.
QString outcomeLine(const QList<ChannelOutcome>& outcomes);

// Feeds every alert channel after a session: the results e-mail, a desktop
// note per available flight, a push to the phone; after a refused login the
// warning on each of them, once per failing streak.
class SessionAlerter final : public SessionAlerts {
public:
    SessionAlerter(const WatchList& list, const CheckResults& results, AnnouncedSeats& announced,
                   const SettingsGroup<MailPolicy>& mailPolicy, SettingsGroup<Told>& told, StatusLine& status,
                   AlertSender& post, const Clock& clock, const DesktopFacts& desktopFacts);

    ~SessionAlerter() override;

    // Every alert of the session and what they tell go into the outbox in
    // one transaction (and announced.json after it), before any is tried.
    void keepAlerts(const SessionReport& report) override;
    // Then each is tried, then what waited from before.
    QCoro::Task<> sessionEnded(SessionReport report) override;
    // A test through every channel that is set up.
    QCoro::Task<QList<ChannelOutcome>> sendTestAlert();

    // What could not reach the user in the last session's alerts, one reason each.
    QStringList undelivered;

    DesktopNotifier& desktop() { return desktop_; }
    AlertSender& post() { return post_; }
    std::chrono::milliseconds desktopDeadline{5000};

private:
    struct Flight {
        QString line;
        QString key; // which itinerary: a waiting push keeps one line per key
        QString booking{}; // the award search of its first day with seats
    };
    // The flights this session announces. Every channel takes them from
    // here, so announcing only what changed is decided in this one place.
    QList<Flight> flightsToAnnounce() const;
    // Whether the itinerary at `position` became available in this session:
    // seats on a date the user was not last told had seats.
    bool becameAvailable(int position) const;
    // Some date's answer differs from what the user was last told.
    bool availabilityChanged() const;
    // The session's trouble, told with what it found: "Seats found on 2
    // itineraries; the check stopped at #5: HTTP 503 Service Unavailable".
    QString troubleLine(int flightsFound) const;
    // What this session told is remembered: seats once a channel carried
    // them (a pop-up, or a note, a push or a mail in the outbox, delivered
    // or not), their absence at once. In memory: keepAlerts() writes it.
    void rememberTold(bool seatsCarried);
    // The member's choice allows a results e-mail, and none was made moments ago.
    bool resultsMailDue();
    // One alert on the desktop (a note per entry of `notes`, when wanted)
    // and to the phone (all of them in one push, when set up).
    struct Alert {
        QString title;
        QStringList notes;
        bool showResults = false;
        QString priority, tags;
        OutboxEntry::Topic topic = OutboxEntry::Topic::Seats;
        bool once = false; // a test: tried once, never kept
        QList<PushLine> pushLines{}; // the push's lines by itinerary; none: the notes
    };
    QCoro::Task<QList<ChannelOutcome>> noteAndPush(Alert alert);
    // One planned alert: kept with the rest of the session's, then tried.
    struct Planned {
        OutboxEntry entry;
        QString channel; // "E-mail", "Push", "Desktop"
        bool counts = true;
        bool resultsMail = false;
    };
    void plan(OutboxEntry entry, const QString& channel, bool counts = true, bool resultsMail = false);
    // The notes and the push of an alert; true when any channel takes it.
    bool planNoteAndPush(const Alert& alert);
    bool planFlights(const QList<Flight>& flights, const QString& trouble);
    // A notice on every channel: the e-mail, the notes, the push.
    void planNotice(const QString& title, const QString& text, OutboxEntry::Topic topic);
    void note(const ChannelOutcome& outcome);
    // What waits in the outbox, on the status line where the user looks.
    void showWaiting();

    const WatchList& list_;
    const CheckResults& results_;
    AnnouncedSeats& announced_;
    const SettingsGroup<MailPolicy>& mailPolicy_;
    SettingsGroup<Told>& told_;
    StatusLine& status_;
    AlertSender& post_;
    const Clock& clock_;
    const DesktopFacts& desktopFacts_; // whether a desktop can show notes
    DesktopNotifier desktop_;
    QList<CheckRecord> checks_; // of the session that ended last
    QList<Planned> plan_;       // its alerts, kept before any is tried
    ResultsMailPlan mailPlan_;
    bool kept_ = false;         // keepAlerts() ran for the session that ends
    SessionReport report_;
    // When a session last asked for a results e-mail: a second session
    // ending moments later sends none.
    QDateTime lastResultsMail_;
};

inline const QString kSeatsFound = QStringLiteral("Seats found");
inline const QString kLoginTroubleText = QStringLiteral("Login failed — check your details");
inline const QString kTestAlertTitle = QStringLiteral("Zelvane test alert");
inline const QString kUnreadablePagesTitle = QStringLiteral("Zelvane cannot read the result pages");
// More notes than this in one session become one that lists them.
inline constexpr int kNotesBeforeGrouping = 3;

} // namespace zelvane
