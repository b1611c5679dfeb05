#pragma once

#include "engine/SessionParts.h"
#include "engine/SiteTrouble.h"
#include "engine/StatusLine.h"
#include "history/HistoryStore.h"
#include "results/ResultTable.h"

#include <QCoro/QCoroTask>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace zelvane {

class CityLists;
class ResultTable;
class ResultsViewModel;
class Waits;
class WebBrowser;

// What a check session shows on the main window besides its status line.
// Every call has a do-nothing default, so a window-less run shows nothing.
class SessionView : public StatusLine {
public:
    virtual void showItineraries() {}                                  // itinerary list view
    virtual void showResultsPanel() {}                         // results panel forward
    virtual void showLoginsSent(int /*count*/) {}                 // Label25
    virtual void showThrottleMinutes(int /*minutes*/) {}          // Label24
    virtual void showLastLoginTime(const QString& /*text*/) {}  // lblLastLoginTime
    // One availability pop-up in place `slot` (0-based) of the stack.
    virtual void raisePopup(int /*slot*/, const QString& /*announcement*/, int /*popupCount*/) {}
    virtual void setTrayIcon(int /*picture*/) {}                   // tray icon picture
    // "Check Itinerary Now" was pressed: lblNewVer over Label4 when a newer
    // release is known.
    virtual void showNewVersion() {}
    // The site refused the login (true) until a login gets through (false):
    // the tray shows a warning picture meanwhile.
    virtual void showLoginTrouble(bool /*refused*/) {}
};

// How a session ended; the tray program ignores it, the headless check reports it.
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

// Every channel that tells the user how a session went (e-mail, desktop
// notification, push) is fed from this one place, after the session.
class SessionAlerts {
public:
    virtual ~SessionAlerts() = default;
    // `resultsMailDue`: the member's e-mail choice allows a results e-mail
    // and none was asked for moments ago. `checks`: what the session found,
    // one record per itinerary searched, each marked changed or not.
    virtual QCoro::Task<> sessionEnded(SessionOutcome outcome, bool resultsMailDue,
                                       QList<CheckRecord> checks = {}) = 0;
};

// The check session engine of the main window: logs in, searches every
// itinerary of the results view and records what it finds, one session at a
// time. The login throttle, the just-sent window and the tray blink live here.
class CheckEngine : public QObject {
    Q_OBJECT
public:
    struct Browsers {
        WebBrowser& session; // WebBrowser1
        WebBrowser& test;    // WebBrowser3
    };

    CheckEngine(SessionParts parts, ResultsViewModel& results, ResultTable& table, Browsers browsers,
                Waits& waits, SessionView& view, SessionAlerts& alerts, QObject* parent = nullptr);

    // One whole session. A start while one runs is refused: two sessions
    // would share one browser.
    QCoro::Task<SessionOutcome> runCheck();
    bool running() const { return running_; }
    // No session is working through the list (also while one waits for its
    // login): the schedule may start one and itineraries may be deleted.
    bool idle() const { return idle_; }
    void setIdle(bool idle) { idle_ = idle; }
    // The last session gave up on the login; the lockout retry ends it.
    bool loginLockout() const { return loginLockout_; }
    void setLoginLockout(bool locked) { loginLockout_ = locked; }
    // The site refused the last login and no login has got through since.
    bool loginTrouble() const { return loginTrouble_; }

    // "Check Itinerary Now".
    QCoro::Task<SessionOutcome> checkNow();
    // "Test": a login in the test browser with the stored details.
    QCoro::Task<> testLogin();
    // "Cancel".
    void cancelTestLogin();
    // Document complete of the session browser.
    void onSessionPageLoaded();

    // The login address from the session's cached details (before the first
    // session: number 0, no surname, PIN 0).
    QString loginUrl() const;
    // The login address from the stored details, for what logs in outside a
    // session (the login test, the city update).
    QString memberLoginUrl() const;
    QString accountUrl() const;
    QString bareLoginUrl() const;

    // Throttle: login requests sent in this window, minutes the window has run.
    int loginsSent = 0;
    int throttleMinutes = 0;
    int popupCount = 0;   // pop-ups raised, wrapping after four
    QString lastAnnouncement; // of the last available itinerary
    // One pop-up with the last announcement in the next place ("test popup").
    void raisePopup();
    QTimer throttleTimer; // 60 s: closes the throttle window after five ticks
    QTimer justSentTimer; // 5 s: a results e-mail was just asked for
    QTimer blinkTimer;      // 100 ms: tray icon blink
    void onThrottleTick();
    void onJustSentTick() { justSentTimer.stop(); }
    void onBlinkTick();
    // The main window was activated: the announcement has been seen.
    void stopBlink() { blinkTimer.stop(); }
    int trayPicture() const { return trayPicture_; }

    // Why the airline's site could not be used in the last session that
    // ended Unreachable or SiteTrouble, in words.
    QString siteTroubleReason;
    // What the last session that searched anything found, one record per
    // itinerary in list order, each marked changed or not against the
    // history: what alerts that announce only changes go by.
    const QList<CheckRecord>& lastSessionChecks() const { return lastChecks_; }

    // The lockout retry tick belongs to the tray window.
    std::function<void()> startLockoutRetry;
    std::function<void()> stopLockoutRetry;

private:
    QCoro::Task<SessionOutcome> runSession();
    // One pass of the login; the session decides from what it gives.
    enum class LoginStep { Accepted, Refused, Throttled, SiteTrouble, GaveUp };
    QCoro::Task<LoginStep> logIn();
    // Every row of the results view searched in turn, unless the site logs
    // the session out or fails on the way.
    enum class SearchStep { Completed, LoggedOut, SiteTrouble };
    QCoro::Task<SearchStep> searchAll();
    // The award search of one date (`day` of the row's dates) and its reading.
    struct DateSearch {
        enum Step { Read, Failed, LoggedOut, SiteTrouble } step = Failed;
        DayResult day;
    };
    QCoro::Task<DateSearch> searchDate(int row, int day, QString dateCell);
    // The session's record, the results panel, the last login time and the alerts.
    QCoro::Task<> finishSession();
    // The end of a session that the site's trouble `trouble_` cut short.
    QCoro::Task<SessionOutcome> endOnSiteTrouble();
    // Counts a check the site failed (`trouble`) into the streak the user is
    // told of, or ends the streak.
    void keepSiteTroubleStreak(const std::optional<QString>& trouble);
    void refreshResults();
    // Row `row` has seats: its icon, and the pop-up and the blink unless
    // the user hears only of flights that became available and this one
    // had seats at its last check too.
    void announce(int row);
    // Row `row` was not checked (logged out, no search made, no page): it
    // shows so, as the history records it.
    void showNotChecked(int row);
    // The latest outcome of one date of row `row` in this session; a later
    // pass after a logout replaces it.
    void noteCheck(int row, int day, CheckOutcome outcome, const QList<FlightRow>& flights);
    // Seats on a date of the row that had none at its last check.
    bool seatsBecameAvailable(int row) const;
    // Writes the session's checks into the history, once.
    void recordHistory(bool completed);
    void setLoginTrouble(bool refused);

    SessionParts parts_;
    ResultsViewModel& results_;
    ResultTable& table_;
    Browsers browsers_;
    Waits& waits_;
    SessionView& view_;
    SessionAlerts& alerts_;

    // Copied from the settings when a session starts.
    double cachedMemberNo_ = 0;
    QString cachedSurname_;
    QString cachedPin_ = QStringLiteral("0");
    int loginAttempts_ = 0;

    SiteTrouble trouble_;
    QDateTime sessionStart_;
    QMap<std::pair<int, int>, CheckRecord> sessionChecks_; // by row and day
    QList<CheckRecord> lastChecks_;

    bool running_ = false;
    bool testRunning_ = false;
    int trayPicture_ = 0;
    bool idle_ = true;
    bool loginLockout_ = false;
    bool loginTrouble_ = false;
};

// Status texts of a session, as the user sees them.
namespace status {
inline const QString kWaitingNewSession = QStringLiteral(" Waiting For New Session To Start...");
inline const QString kWaitingItineraries =
    QStringLiteral(" Waiting For Itinerary Details To Be Entered...");
inline const QString kWaitingLogin = QStringLiteral(" Waiting For Next Qantas Login...");
inline const QString kSendingLogin = QStringLiteral(" Sending Qantas Login Request...");
inline const QString kMaxLogins = QStringLiteral(" Max Logins Reached, Try Again In 5 Mins...");
inline const QString kLoginOk = QStringLiteral("Login Successfull!");
inline const QString kGaveUp = QStringLiteral("Login Details Incorrect...3 login attempts failed!");
inline const QString kLoginFailed = QStringLiteral("Login Failed...Check Details and Try Again");
inline const QString kCompleted = QStringLiteral("Session completed...See Results");
inline const QString kLoginIncorrect = QStringLiteral("Login Details Incorrect.  Please Try Again...");
inline const QString kAttempting = QStringLiteral("Atempting to Login!");
inline const QString kTestOk = QStringLiteral("Login Successful!");
inline const QString kTestFailed = QStringLiteral("Login Failed Check your MyDetails");
inline const QString kSiteUnreachable =
    QStringLiteral("Qantas Website Could Not Be Reached...Check Your Connection");
inline QString siteNotUsable(const QString& reason)
{
    return QStringLiteral(" Qantas Website Could Not Be Used: ") + reason;
}
inline QString checking(int i) { return QStringLiteral("Checking Itinerary #") + QString::number(i); }
// One date of an itinerary of several: "Checking Itinerary #3 (Wed 4)".
inline QString checkingDay(int i, const QDate& date)
{
    return checking(i) + QStringLiteral(" (") + shortDayName(date) + QLatin1Char(')');
}
inline QString processed(int i)
{
    return QStringLiteral("Itinerary Process ") + QString::number(i) + QStringLiteral(" Complete....");
}
} // namespace status

inline const QString kAccountPath = QStringLiteral("/fflyer/do/dyns/auth/youraccount/yourAccount");
inline const QString kBareLoginPath = QStringLiteral("/fflyer/dyns/dologin?action=login");

// The login request for the given details; the surname goes as typed except
// for the four characters that would break the query.
QString loginUrlFor(const QString& base, double memberNo, const QString& surname,
                    const QString& pinDigits);

} // namespace zelvane
