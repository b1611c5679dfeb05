#include "engine/CheckEngine.h"

#include "app/Clock.h"
#include "app/MemberDetails.h"
#include "app/Settings.h"
#include "history/HistoryStore.h"
#include "itineraries/ItineraryStore.h"
#include "engine/AwardQuery.h"
#include "engine/CityUpdate.h"
#include "results/ResultTable.h"
#include "engine/Waits.h"
#include "browser/WebBrowser.h"
#include "net/Addresses.h"
#include "net/QueryText.h"
#include "results/ResultsViewModel.h"
#include "results/SeatTexts.h"

#include <cmath>

namespace zelvane {

namespace {

constexpr int kLoginsPerWindow = 3;
constexpr int kThrottleWindowMinutes = 5;
constexpr int kPopupPlaces = 4;
constexpr int kGiveUpAfterPasses = 3;

// Clears `flag` when the scope ends, however the session ends.
struct RunningGuard {
    bool& flag;
    explicit RunningGuard(bool& f) : flag(f) { flag = true; }
    ~RunningGuard() { flag = false; }
};

} // namespace

QString loginUrlFor(const QString& base, double memberNo, const QString& surname,
                    const QString& pinDigits)
{
    return base + QStringLiteral("/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=")
           + QString::number(std::round(memberNo), 'f', 0) + QStringLiteral("&login_surname=")
           + escapeQueryBreakers(surname) + QStringLiteral("&login_pin=") + pinDigits;
}

CheckEngine::CheckEngine(SessionParts parts, ResultsViewModel& results, ResultTable& table,
                         Browsers browsers, Waits& waits, SessionView& view, SessionAlerts& alerts,
                         QObject* parent)
    : QObject(parent),
      parts_(parts),
      results_(results),
      table_(table),
      browsers_(browsers),
      waits_(waits),
      view_(view),
      alerts_(alerts)
{
    throttleTimer.setInterval(60000);
    justSentTimer.setInterval(5000);
    blinkTimer.setInterval(100);
    connect(&throttleTimer, &QTimer::timeout, this, &CheckEngine::onThrottleTick);
    connect(&justSentTimer, &QTimer::timeout, this, &CheckEngine::onJustSentTick);
    connect(&blinkTimer, &QTimer::timeout, this, &CheckEngine::onBlinkTick);
    connect(&browsers_.session, &WebBrowser::documentComplete, this,
            &CheckEngine::onSessionPageLoaded);
}

QString CheckEngine::loginUrl() const
{
    return loginUrlFor(airlineBase(), cachedMemberNo_, cachedSurname_, cachedPin_);
}

QString CheckEngine::memberLoginUrl() const
{
    return loginUrlFor(airlineBase(), parts_.settings.memberNo, parts_.settings.surname,
                       parts_.settings.pinText());
}

QString CheckEngine::accountUrl() const
{
    return airlineBase() + kAccountPath;
}

QString CheckEngine::bareLoginUrl() const
{
    return airlineBase() + kBareLoginPath;
}

void CheckEngine::refreshResults()
{
    results_.refreshResults(parts_.itineraries, table_);
}

void CheckEngine::announce(int row)
{
    results_.setIcon(row, kIconAvailable);
    const ResultsViewModel::Row& r = results_.row(row);
    lastAnnouncement = seatAnnouncement(r, table_.entry(row - 1));
    // Judged against the history as it was before this session, as the
    // other channels are when it ends: seats on a date that had none.
    if (parts_.settings.announceChangesOnly && !seatsBecameAvailable(row))
        return;
    raisePopup();
    blinkTimer.start();
}

bool CheckEngine::seatsBecameAvailable(int row) const
{
    const ResultsViewModel::Row& r = results_.row(row);
    const QList<QDate> withSeats = seatDays(table_.entry(row - 1));
    for (const QString& date : r.dateCells())
        if (withSeats.contains(departureDate(date).value_or(QDate()))
            && outcomeChanged(parts_.history.lastCheckedOutcome(r.historyKey(date)), CheckOutcome::Available))
            return true;
    return false;
}

void CheckEngine::setLoginTrouble(bool refused)
{
    loginTrouble_ = refused;
    view_.showLoginTrouble(refused);
}

void CheckEngine::raisePopup()
{
    popupCount = popupCount + 1;
    view_.raisePopup(popupCount - 1, lastAnnouncement, popupCount);
    if (popupCount == kPopupPlaces)
        popupCount = 0;
}

void CheckEngine::showNotChecked(int row)
{
    // What an earlier check found is no answer of this one.
    table_.resetEntry(row - 1);
    results_.setIcon(row, kIconNotChecked);
}

void CheckEngine::noteCheck(int row, int day, CheckOutcome outcome, const QList<FlightRow>& flights)
{
    const ResultsViewModel::Row& r = results_.row(row);
    CheckRecord c;
    c.position = row;
    c.day = day;
    c.key = r.historyKey(r.dateCells().value(day));
    c.outcome = outcome;
    c.flights = flights;
    sessionChecks_.insert({row, day}, c);
}

void CheckEngine::recordHistory(bool completed)
{
    if (sessionChecks_.isEmpty())
        return;
    lastChecks_ = sessionChecks_.values();
    sessionChecks_.clear();
    parts_.history.recordSession(sessionStart_, completed, lastChecks_);
}

QCoro::Task<SessionOutcome> CheckEngine::runCheck()
{
    if (running_)
        co_return SessionOutcome::Refused;
    RunningGuard guard(running_);
    sessionStart_ = parts_.clock.now();
    sessionChecks_.clear();
    const SessionOutcome outcome = co_await runSession();
    // A session that ended on a login after a logout keeps what it checked.
    recordHistory(false);
    // The history going wrong stops no check, but the user hears of it.
    const QString notice = parts_.history.takeNotice();
    if (!notice.isEmpty())
        view_.setStatus(notice);
    co_return outcome;
}

QCoro::Task<SessionOutcome> CheckEngine::runSession()
{
    refreshResults();
    view_.setStatus(parts_.itineraries.count() > 0 ? status::kWaitingNewSession
                                                   : status::kWaitingItineraries);
    if (parts_.itineraries.count() == 0) {
        refreshResults();
        co_return SessionOutcome::NoItineraries;
    }
    idle_ = false;

    cachedMemberNo_ = parts_.settings.memberNo;
    cachedSurname_ = parts_.settings.surname;
    cachedPin_ = parts_.settings.pinText();
    loginAttempts_ = 0;
    if (cachedMemberNo_ == 0) {
        view_.setStatus(kFillAllRequired);
        idle_ = true;
        co_return SessionOutcome::NoMember;
    }

    // The session comes back to the login after a refused login (which then
    // ends it) and when the site has logged it out.
    bool refused = false;
    for (;;) {
        ++loginAttempts_;
        view_.showItineraries();
        if (refused) {
            idle_ = true;
            setLoginTrouble(true);
            keepSiteTroubleStreak(std::nullopt); // the site itself answered
            co_await alerts_.sessionEnded(SessionOutcome::LoginFailed, false);
            co_return SessionOutcome::LoginFailed;
        }
        switch (co_await logIn()) {
        case LoginStep::Accepted: break;
        case LoginStep::Refused: refused = true; continue;
        case LoginStep::Throttled: co_return SessionOutcome::Throttled;
        case LoginStep::SiteTrouble: {
            const SessionOutcome ended = co_await endOnSiteTrouble();
            co_return ended;
        }
        case LoginStep::GaveUp:
            keepSiteTroubleStreak(std::nullopt);
            co_await alerts_.sessionEnded(SessionOutcome::GaveUp, false);
            co_return SessionOutcome::GaveUp;
        }
        const SearchStep searched = co_await searchAll();
        if (searched == SearchStep::SiteTrouble) {
            const SessionOutcome ended = co_await endOnSiteTrouble();
            co_return ended;
        }
        if (searched == SearchStep::Completed)
            break;
    }
    co_await finishSession();
    co_return SessionOutcome::Completed;
}

QCoro::Task<CheckEngine::LoginStep> CheckEngine::logIn()
{
    WebBrowser& browser = browsers_.session;
    view_.setStatus(status::kWaitingLogin);
    idle_ = true;
    co_await waits_.timedWait(kPauseBeforeLogin);

    view_.setStatus(status::kSendingLogin);
    view_.showLoginsSent(loginsSent);
    if (!throttleTimer.isActive())
        throttleTimer.start();
    if (loginsSent >= kLoginsPerWindow) {
        view_.setStatus(status::kMaxLogins);
        co_return LoginStep::Throttled;
    }
    browser.navigate(loginUrl());
    ++loginsSent;
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(kPauseAfterLogin);

    // Only the airline's own page can refuse the details: no page, an error
    // page or another host's page never judged them.
    const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase());
    if (!trouble && browser.locationUrl() == accountUrl()) {
        view_.setStatus(status::kLoginOk);
        // A failing streak ends here: the next refusal is told again.
        parts_.settings.loginFailTold = 0;
        parts_.settings.save();
        setLoginTrouble(false);
        idle_ = false;
        loginLockout_ = false;
        if (stopLockoutRetry)
            stopLockoutRetry();
        view_.showItineraries();
    } else if (trouble) {
        trouble_ = *trouble;
        co_return LoginStep::SiteTrouble;
    } else if (loginAttempts_ > kGiveUpAfterPasses) {
        view_.setStatus(status::kGaveUp);
        loginLockout_ = true;
        parts_.settings.lastSessionTime = parts_.clock.now();
        if (startLockoutRetry)
            startLockoutRetry();
        idle_ = true;
        setLoginTrouble(true);
        co_return LoginStep::GaveUp;
    }
    readCitiesFromPage(browser, parts_.cities);
    if (browser.locationUrl() != accountUrl()) {
        view_.setStatus(status::kLoginFailed);
        co_return LoginStep::Refused;
    }
    co_return LoginStep::Accepted;
}

QCoro::Task<CheckEngine::SearchStep> CheckEngine::searchAll()
{
    // The rows as they are now; an itinerary added meanwhile waits for the next session.
    const int n = results_.count();
    for (int i = 1; i <= n; ++i) {
        view_.setStatus(status::checking(i));
        table_.clearResultText(i - 1);
        const QStringList dates = results_.row(i).dateCells();
        QList<DayResult> days;
        bool allRead = true;
        for (int d = 0; d < dates.size(); ++d) {
            // One search per date, each with every pause a search has.
            if (dates.size() > 1)
                view_.setStatus(status::checkingDay(i, departureDate(dates[d]).value_or(QDate())));
            const DateSearch searched = co_await searchDate(i, d, dates[d]);
            if (searched.step == DateSearch::SiteTrouble || searched.step == DateSearch::LoggedOut) {
                showNotChecked(i);
                co_return searched.step == DateSearch::SiteTrouble ? SearchStep::SiteTrouble
                                                                   : SearchStep::LoggedOut;
            }
            // A date whose search failed still counts among the dates.
            days << searched.day;
            allRead = allRead && searched.day.checked;
        }
        table_.setDays(i - 1, days);
        // Seats found on any date are an answer; without them, a date that
        // could not be searched leaves the row not checked, never "not
        // available", which would be a false answer.
        if (!table_.entry(i - 1).resultText.isEmpty()) {
            announce(i);
        } else if (!allRead) {
            showNotChecked(i);
        } else {
            table_.markNotAvailableIfEmpty(i - 1);
            results_.setIcon(i, kIconNotAvailable);
        }
        view_.setStatus(status::processed(i));
        co_await waits_.pumpOnce();
    }
    co_return SearchStep::Completed;
}

QCoro::Task<CheckEngine::DateSearch> CheckEngine::searchDate(int row, int day, QString dateCell)
{
    WebBrowser& browser = browsers_.session;
    // Copied: the row is not looked at again across the waits.
    const ResultsViewModel::Row r = results_.row(row);
    ItineraryCells cells = r.cells;
    cells[2] = dateCell;
    const std::optional<QString> url = awardSearchUrl(airlineBase(), cells, r.adults);
    if (url)
        browser.navigate(*url);
    co_await waits_.timedWait(kPauseAfterSearchSent);
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(kPauseAfterSearchLoaded);
    // A search the site fails would most likely be followed by more: the
    // list stops here rather than asking a site in trouble 100 times, and
    // what was found so far still counts.
    const std::optional<SiteTrouble> trouble =
        url && loaded ? siteTrouble(browser, true, airlineBase()) : std::nullopt;
    DateSearch searched;
    searched.day = {departureDate(dateCell).value_or(QDate()), false, {}, {}, false};
    if (trouble) {
        trouble_ = *trouble;
        searched.step = DateSearch::SiteTrouble;
    } else if (browser.locationUrl() == bareLoginUrl()) {
        searched.step = DateSearch::LoggedOut;
    } else if (url && loaded) {
        // Without its own search (an unreadable date) or a finished load,
        // the page shown would not be this date's answer.
        const ResultPageReading reading = readResultPage(browser, r.cabin);
        searched = {DateSearch::Read,
                    {searched.day.date, reading.available, reading.resultText, reading.flights}};
    }
    const CheckOutcome outcome = searched.step == DateSearch::LoggedOut ? CheckOutcome::LoggedOut
                                 : searched.step != DateSearch::Read    ? CheckOutcome::Failed
                                 : searched.day.available               ? CheckOutcome::Available
                                                                        : CheckOutcome::NotAvailable;
    noteCheck(row, day, outcome, searched.day.flights);
    co_return searched;
}

QCoro::Task<> CheckEngine::finishSession()
{
    keepSiteTroubleStreak(std::nullopt);
    // Before the e-mail, which may go only for what changed.
    recordHistory(true);
    view_.showResultsPanel();
    const QDateTime now = parts_.clock.now();
    parts_.settings.lastLoginTime =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    view_.showLastLoginTime(now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    view_.setStatus(status::kCompleted);
    const int mailType = parts_.settings.mailSendType;
    const bool mailWanted = mailType == kMailAlways || mailType == kMailIfAvailable || mailType == kMailOnChange;
    co_await alerts_.sessionEnded(SessionOutcome::Completed, mailWanted && !justSentTimer.isActive(),
                                  lastChecks_);
    idle_ = true;
    refreshResults();
}

QCoro::Task<SessionOutcome> CheckEngine::endOnSiteTrouble()
{
    siteTroubleReason = trouble_.reason;
    view_.setStatus(trouble_.pageArrived ? status::siteNotUsable(trouble_.reason)
                                         : status::kSiteUnreachable);
    idle_ = true;
    keepSiteTroubleStreak(trouble_.reason);
    // A list the site cut short gets no results e-mail, which sums up whole
    // checks; seats found before the trouble had their pop-ups as they came.
    const bool searched = !sessionChecks_.isEmpty();
    recordHistory(false);
    // Named, not a temporary beside the co_await: g++ 12 frees those twice.
    const QList<CheckRecord> checks = searched ? lastChecks_ : QList<CheckRecord>();
    const SessionOutcome outcome =
        trouble_.pageArrived ? SessionOutcome::SiteTrouble : SessionOutcome::Unreachable;
    co_await alerts_.sessionEnded(outcome, false, checks);
    co_return outcome;
}

void CheckEngine::keepSiteTroubleStreak(const std::optional<QString>& trouble)
{
    Settings& settings = parts_.settings;
    settings.siteTrouble = nextSiteTroubleStreak(settings.siteTrouble, trouble, sessionStart_);
    settings.save();
}

QCoro::Task<SessionOutcome> CheckEngine::checkNow()
{
    if (running_)
        co_return SessionOutcome::Refused;
    refreshResults();
    view_.showNewVersion();
    // The details come first: without them no list can be checked.
    if (parts_.settings.memberDetailsMissing()) {
        view_.setStatus(kFillAllRequired);
        co_return SessionOutcome::NoMember;
    }
    if (parts_.itineraries.count() == 0) {
        view_.setStatus(status::kWaitingItineraries);
        co_return SessionOutcome::NoItineraries;
    }
    co_return co_await runCheck();
}

QCoro::Task<> CheckEngine::testLogin()
{
    if (testRunning_)
        co_return;
    RunningGuard guard(testRunning_);
    WebBrowser& browser = browsers_.test;
    view_.setStatus(status::kAttempting);
    browser.navigate(memberLoginUrl());
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(15);
    if (const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase()))
        view_.setStatus(trouble->pageArrived ? status::siteNotUsable(trouble->reason)
                                             : status::kSiteUnreachable);
    else
        view_.setStatus(browser.locationUrl() == accountUrl() ? status::kTestOk : status::kTestFailed);
}

void CheckEngine::cancelTestLogin()
{
    parts_.settings.save();
}

void CheckEngine::onSessionPageLoaded()
{
    // A maintenance page at an address with "error" in it says nothing of the details.
    if (browsers_.session.locationUrl().toLower().contains(QLatin1String("error"))
        && !siteTrouble(browsers_.session, true, airlineBase()))
        view_.setStatus(status::kLoginIncorrect);
}

void CheckEngine::onThrottleTick()
{
    throttleMinutes = throttleMinutes + 1;
    view_.showThrottleMinutes(throttleMinutes);
    if (throttleMinutes >= kThrottleWindowMinutes) {
        loginsSent = 0;
        throttleMinutes = 0;
        throttleTimer.stop();
    }
}

void CheckEngine::onBlinkTick()
{
    trayPicture_ = trayPicture_ == kIconBlinkA ? kIconBlinkB : kIconBlinkA;
    view_.setTrayIcon(trayPicture_);
}

} // namespace zelvane
