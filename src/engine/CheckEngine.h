#pragma once

#include "engine/SessionParts.h"
#include "engine/SiteTrouble.h"
#include "engine/StatusLine.h"
#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/CheckResults.h"
#include "results/SeatTexts.h"

#include <QCoro/QCoroTask>
#include <QMap>
#include <QSet>
#include <QObject>
#include <QString>
#include <QTimer>

namespace zelvane {

class Waits;
class WebBrowser;

// How a session ended; the tray program shows it, the headless check reports it.
enum class SessionOutcome {
    Refused,       // another session was running
    NoItineraries,
    NoMember,
    Throttled,     // three logins already sent in this five-minute window
    LoginFailed,
    GaveUp,        // the login failed on the fourth pass: warning sent, retry armed
    Unreachable,   // the airline's site gave no page at all: not the member's details
    SiteTrouble,   // it answered, but not with a page of its own (an HTTP error, another
                   // host's page): not the member's details either
    Completed,
};

// What the alerts are told when a session ends.
struct SessionReport {
    SessionOutcome outcome = SessionOutcome::Completed;
    // This session's searches, one record per date searched, each marked
    // changed or not against the history as it was before.
    QList<CheckRecord> checks{};
    // Why the site could not be used (Unreachable, SiteTrouble), in words.
    QString trouble{};
    // The itinerary the list stopped at because of it; 0 when it did not stop.
    int stoppedAt = 0;
    // Result pages of this session the program could not read, and where
    // the last of them is kept.
    int unreadablePages = 0;
    QString keptPage{};
    // Itineraries whose seats a pop-up showed in this session.
    QSet<int> shown{};
    // Itineraries left for a later check: past what one session may search.
    int leftOut = 0;
    // Snoozed itineraries: searched and recorded, but no channel tells of
    // them and what they were told stays as it was.
    QSet<int> quiet{};
};

// Every channel that tells the user how a session went (e-mail, desktop
// notification, push) is fed from this one place, after the session.
class SessionAlerts {
public:
    virtual ~SessionAlerts() = default;
    // Every alert of the session and the memory of what was told go to disk
    // here, before the history is written and before anything is sent.
    virtual void keepAlerts(const SessionReport&) {}
    // Then they are sent.
    virtual QCoro::Task<> sessionEnded(SessionReport report) = 0;
};

// The check session engine: logs in, searches every itinerary of the watch
// list and keeps what it finds, one session at a time. It tells what happens
// through its signals; the windows, the alerts and the headless check watch it.
class CheckEngine : public QObject {
    Q_OBJECT
public:
    struct Browsers {
        WebBrowser& session;
        WebBrowser& test; // the login test's, so a test never disturbs a session's page
    };

    // `results` are kept by the engine: what the checks of this run found,
    // one result per watch-list position.
    CheckEngine(SessionParts parts, CheckResults& results, Browsers browsers, Waits& waits,
                SessionAlerts& alerts, QObject* parent = nullptr);

    const CheckResults& results() const { return results_; }

    // One whole session. A start while one runs is refused: two sessions
    // would share one browser.
    QCoro::Task<SessionOutcome> runCheck();
    // "Check Itinerary Now": the details and the list are asked for first.
    QCoro::Task<SessionOutcome> checkNow();
    // "Test": a login in the test browser with the stored details. False,
    // with nothing sent, when the details are not there to test.
    QCoro::Task<bool> testLogin();
    // Why the stored details cannot be sent to the airline, as the status
    // line says it; empty when they can. Whatever logs in outside a session
    // asks this first.
    QString unsendableDetails() const;
    // Counts one login outside a session against the throttle window: false,
    // with nothing counted, when the window's logins are all sent.
    bool countLogin();

    bool running() const { return running_; }
    // No session is working through the list (also while one waits for its
    // login): the schedule may start one and itineraries may be deleted.
    bool idle() const { return idle_; }
    // The last session gave up on the login; the lockout retry ends it.
    bool loginLockout() const { return loginLockout_; }
    void endLoginLockout();
    // The site refused the last login and no login has got through since.
    bool loginTrouble() const { return loginTrouble_; }
    // The status line as the engine last set it.
    const StatusMessage& status() const { return status_; }

    // Throttle: login requests sent in this window, minutes the window has run.
    int loginsSent() const { return loginsSent_; }
    int throttleMinutes() const { return throttleMinutes_; }
    bool throttleWindowOpen() const { return throttleTimer_.isActive(); }
    // The throttle window's minute tick (its timer's, or a test's).
    void tickThrottle();

    // The login address from the session's cached details.
    QString loginUrl() const;
    // The login address from the stored details, for what logs in outside a
    // session (the login test, the city update).
    QString memberLoginUrl() const;
    QString accountUrl() const;
    QString bareLoginUrl() const;

    // Why the airline's site could not be used in the last session that
    // ended Unreachable or SiteTrouble, in words.
    QString siteTroubleReason() const { return trouble_.reason; }
    // What the last session that searched anything found, one record per
    // date searched, each marked changed or not against the history.
    const QList<CheckRecord>& lastSessionChecks() const { return lastChecks_; }

signals:
    void statusChanged(const StatusMessage& message);
    void throttleChanged(int loginsSent, int minutes);
    // Once a window's five minutes are over and its logins may be sent again.
    void throttleWindowClosed();
    // A session completed at this time.
    void lastLoginChanged(const QDateTime& when);
    // The site refused the login (true) until a login gets through (false).
    void loginTroubleChanged(bool refused);
    // The session gave up on the login (true): a retry is due in a while.
    void loginLockoutChanged(bool locked);
    void sessionStarted();
    // An itinerary has seats and the user is to hear of it now: a pop-up,
    // the tray icon's blink.
    void seatsAnnounced(const Announcement& announcement);
    void sessionEnded(SessionOutcome outcome);

private:
    QCoro::Task<SessionOutcome> runSession();
    // One pass of the login; the session decides from what it gives.
    enum class LoginStep { Accepted, Refused, Throttled, SiteTrouble, GaveUp };
    QCoro::Task<LoginStep> logIn();
    // The itineraries from `from` on, each searched in turn, unless the site
    // logs the session out or fails on the way; `stoppedAt_` says where.
    enum class SearchStep { Completed, LoggedOut, SiteTrouble };
    QCoro::Task<SearchStep> searchFrom(int from);
    // The award search of one date of the itinerary at `position` and its reading.
    struct DateSearch {
        enum Step { Read, LoggedOut, SiteTrouble } step = Read;
        SearchOutcome outcome;
    };
    QCoro::Task<DateSearch> searchDate(int leg, Itinerary itinerary, QDate date, SeatsWanted wanted);
    // The itineraries a check makes no search for: lines that cannot be read,
    // and what lies past the limits of one session.
    void markNotSearched(int searchedUpTo);
    // The itineraries after the one the list stopped at, for `why`.
    void markCutShort(const QString& why);
    // A session through the whole list: the last login time, the status.
    void finishSession();
    // The end of a session that the site's trouble `trouble_` cut short.
    SessionOutcome endOnSiteTrouble();
    // Counts a check the site failed (`trouble`) into the streak the user is
    // told of, or ends the streak.
    void keepSiteTroubleStreak(const std::optional<QString>& trouble);
    // Counts a check with result pages it could not read into their streak,
    // or ends it when it read them all.
    void keepUnreadablePagesStreak();
    // The itinerary at `position` has seats: told now unless the user hears
    // only of flights that became available and this one had seats at its
    // last check too.
    void announce(int position);
    bool seatsBecameAvailable(int position) const;
    // The watch's searches so far go into the session's history, each with
    // whether it is news.
    void noteChecks(int position, const Itinerary& watch, const ItineraryResult& result, int searched);
    // Writes the session's checks into the history, once; they come back
    // marked changed or not.
    QList<CheckRecord> recordHistory(bool completed);
    void setLoginTrouble(bool refused);
    void setLoginLockout(bool locked);
    void say(const StatusMessage& message);

    SessionParts parts_;
    Browsers browsers_;
    Waits& waits_;
    SessionAlerts& alerts_;
    CheckResults& results_;

    // Copied from the settings when a session starts.
    double cachedMemberNo_ = 0;
    QString cachedSurname_;
    QString cachedPin_ = QStringLiteral("0");
    int loginAttempts_ = 0;

    QTimer throttleTimer_; // a minute: closes the throttle window after five ticks
    int loginsSent_ = 0;
    int throttleMinutes_ = 0;

    SiteTrouble trouble_;
    int stoppedAt_ = 0; // where the list stopped for a logout or the site's trouble
    int leftOut_ = 0;   // itineraries past the session's limits
    int paused_ = 0;    // itineraries the user paused
    QSet<int> quiet_;   // snoozed: searched, nothing told
    int pagesRead_ = 0, pagesUnread_ = 0;
    QString keptPage_;
    int searchable_ = 0; // the itineraries this session may search, from the first
    QDateTime sessionStart_;
    QMap<std::pair<int, int>, CheckRecord> sessionChecks_; // by position and day
    QSet<int> announced_; // positions told of in this session
    QSet<int> shown_;     // and of those, the ones a pop-up showed
    QList<CheckRecord> lastChecks_;
    StatusMessage status_{StatusMessage::Kind::Said};

    bool running_ = false;
    bool testRunning_ = false;
    bool idle_ = true;
    bool loginLockout_ = false;
    bool loginTrouble_ = false;
};

// Why an itinerary was not searched, as the results say it.
inline const QString kPastTheLimit = QStringLiteral("past the 100 searches a check may make");
QString stoppedBeforeText(int stoppedAt, const QString& trouble);

inline const QString kAccountPath = QStringLiteral("/fflyer/do/dyns/auth/youraccount/yourAccount");
inline const QString kBareLoginPath = QStringLiteral("/fflyer/dyns/dologin?action=login");

// The login request for the given details; the surname goes as typed except
// for the four characters that would break the query.
QString loginUrlFor(const QString& base, double memberNo, const QString& surname,
                    const QString& pinDigits);

} // namespace zelvane
