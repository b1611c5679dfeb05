#include "engine/CheckEngine.h"

#include "app/Clock.h"
#include "app/MemberDetails.h"
#include "app/Settings.h"
#include "browser/WebBrowser.h"
#include "engine/AwardQuery.h"
#include "engine/BookingLink.h"
#include "engine/CityUpdate.h"
#include "engine/KeptPages.h"
#include "engine/Waits.h"
#include "history/HistoryStore.h"
#include "itineraries/WatchList.h"
#include "net/Addresses.h"
#include "net/QueryText.h"
#include "results/AnnouncedSeats.h"
#include "results/CheckRecords.h"
#include "results/ResultPage.h"

#include <QMetaMethod>
#include <algorithm>
#include <utility>

#include <cmath>

namespace zelvane {

using Kind = StatusMessage::Kind;

namespace {

constexpr int kLoginsPerWindow = 3;
constexpr int kThrottleWindowMinutes = 5;
constexpr int kGiveUpAfterPasses = 3;

// Clears `flag` when the scope ends, however the session ends.
struct RunningGuard {
    bool& flag;
    explicit RunningGuard(bool& f) : flag(f) { flag = true; }
    ~RunningGuard() { flag = false; }
};

const QString kLoggedOutReason = QStringLiteral("the site logged the session out");
const QString kNotLoadedReason = QStringLiteral("the result page did not load");
const QString kLoginAfterLogoutRefused =
    QStringLiteral("the site logged the session out and did not let it log in again");

} // namespace

QString stoppedBeforeText(int stoppedAt, const QString& trouble)
{
    return QStringLiteral("the check stopped at #%1: %2").arg(stoppedAt).arg(trouble);
}

QString loginUrlFor(const QString& base, double memberNo, const QString& surname,
                    const QString& pinDigits)
{
    return base + QStringLiteral("/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=")
           + QString::number(std::round(memberNo), 'f', 0) + QStringLiteral("&login_surname=")
           + escapeQueryBreakers(surname) + QStringLiteral("&login_pin=") + pinDigits;
}

CheckEngine::CheckEngine(SessionParts parts, CheckResults& results, Browsers browsers, Waits& waits,
                         SessionAlerts& alerts, QObject* parent)
    : QObject(parent),
      parts_(parts),
      browsers_(browsers),
      waits_(waits),
      alerts_(alerts),
      results_(results)
{
    throttleTimer_.setInterval(60000);
    connect(&throttleTimer_, &QTimer::timeout, this, &CheckEngine::tickThrottle);
    // A maintenance page at an address with "error" in it says nothing of the details.
    connect(&browsers_.session, &WebBrowser::documentComplete, this, [this] {
        if (browsers_.session.locationUrl().toLower().contains(QLatin1String("error"))
            && !siteTrouble(browsers_.session, true, airlineBase()))
            say(Kind::LoginIncorrect);
    });
}

QString CheckEngine::loginUrl() const
{
    return loginUrlFor(airlineBase(), cachedMemberNo_, cachedSurname_, cachedPin_);
}

QString CheckEngine::memberLoginUrl() const
{
    const Member& member = *parts_.member;
    return loginUrlFor(airlineBase(), member.number, member.surname, member.pinText());
}

QString CheckEngine::accountUrl() const
{
    return airlineBase() + kAccountPath;
}

QString CheckEngine::bareLoginUrl() const
{
    return airlineBase() + kBareLoginPath;
}

void CheckEngine::say(const StatusMessage& message)
{
    status_ = message;
    emit statusChanged(message);
}

void CheckEngine::announce(int position)
{
    // Once a session: a logout makes the session search an itinerary again.
    // A snoozed watch is told nothing until its snooze is over.
    if (announced_.contains(position) || quiet_.contains(position))
        return;
    announced_.insert(position);
    // Judged against the history as it was before this session, as the
    // other channels are when it ends: seats on a date that had none.
    if (*parts_.announceChangesOnly && !seatsBecameAvailable(position))
        return;
    // Shown, when a window shows pop-ups: told, as a mail handed on would be.
    if (isSignalConnected(QMetaMethod::fromSignal(&CheckEngine::seatsAnnounced)))
        shown_.insert(position);
    const Itinerary& watch = parts_.watchList.at(position);
    Announcement announcement = seatAnnouncement(watch, results_.at(position));
    announcement.booking = firstBookingAddress(airlineBase(), watch, results_.at(position));
    emit seatsAnnounced(announcement);
}

bool CheckEngine::seatsBecameAvailable(int position) const
{
    return std::any_of(sessionChecks_.cbegin(), sessionChecks_.cend(),
                       [position](const CheckRecord& c) { return c.position == position && c.opening; });
}

void CheckEngine::setLoginTrouble(bool refused)
{
    loginTrouble_ = refused;
    emit loginTroubleChanged(refused);
}

void CheckEngine::setLoginLockout(bool locked)
{
    loginLockout_ = locked;
    emit loginLockoutChanged(locked);
}

void CheckEngine::endLoginLockout()
{
    setLoginLockout(false);
}

void CheckEngine::noteChecks(int position, const Itinerary& watch, const ItineraryResult& result, int searched)
{
    QList<CheckRecord> checks;
    for (int day = 0; day < searched; ++day)
        checks << historyRecord(position, day, watch, result.days[day]);
    // Judged against what was known before this session: the history holds
    // none of it yet.
    parts_.announced.markNews(checks, parts_.history);
    for (const CheckRecord& c : std::as_const(checks))
        sessionChecks_.insert({position, c.day}, c);
}

QList<CheckRecord> CheckEngine::recordHistory(bool completed)
{
    if (sessionChecks_.isEmpty())
        return {};
    lastChecks_ = sessionChecks_.values();
    sessionChecks_.clear();
    parts_.history.recordSession(sessionStart_, completed, lastChecks_);
    return lastChecks_;
}

QCoro::Task<SessionOutcome> CheckEngine::runCheck()
{
    if (running_)
        co_return SessionOutcome::Refused;
    RunningGuard guard(running_);
    sessionStart_ = parts_.clock.now();
    sessionChecks_.clear();
    announced_.clear();
    shown_.clear();
    stoppedAt_ = 0;
    leftOut_ = 0;
    paused_ = 0;
    quiet_.clear();
    pagesRead_ = pagesUnread_ = 0;
    keptPage_.clear();
    trouble_ = {};
    emit sessionStarted();
    const SessionOutcome outcome = co_await runSession();
    if (stoppedAt_ > 0)
        markCutShort(trouble_.reason.isEmpty() ? kLoginAfterLogoutRefused : trouble_.reason);
    // Every alert is on disk, with the memory of what it tells, before the
    // history says these checks were made: a stop between the two then
    // loses no alert (the history alone would make its seats old news).
    SessionReport report;
    report.outcome = outcome;
    report.checks = sessionChecks_.values();
    report.trouble = trouble_.reason;
    report.stoppedAt = stoppedAt_;
    report.unreadablePages = pagesUnread_;
    report.keptPage = keptPage_;
    report.shown = shown_;
    report.leftOut = leftOut_;
    report.quiet = quiet_;
    keepUnreadablePagesStreak();
    const bool alerting = outcome != SessionOutcome::Refused && outcome != SessionOutcome::NoItineraries
                          && outcome != SessionOutcome::NoMember && outcome != SessionOutcome::Throttled;
    if (alerting)
        alerts_.keepAlerts(report);
    recordHistory(outcome == SessionOutcome::Completed);
    if (alerting)
        co_await alerts_.sessionEnded(std::move(report));
    idle_ = true;
    // The history going wrong stops no check, but the user hears of it.
    const QString notice = parts_.history.takeNotice();
    if (!notice.isEmpty())
        say(notice);
    emit sessionEnded(outcome);
    co_return outcome;
}

QCoro::Task<SessionOutcome> CheckEngine::runSession()
{
    const WatchList& list = parts_.watchList;
    say(list.count() > 0 ? Kind::WaitingNewSession : Kind::WaitingItineraries);
    if (list.count() == 0)
        co_return SessionOutcome::NoItineraries;
    idle_ = false;

    cachedMemberNo_ = parts_.member->number;
    cachedSurname_ = parts_.member->surname;
    cachedPin_ = parts_.member->pinText();
    loginAttempts_ = 0;
    if (cachedMemberNo_ == 0) {
        say(kFillAllRequired);
        co_return SessionOutcome::NoMember;
    }
    // Details the airline could not be sent are not sent.
    if (const QString problem = storedDetailProblem(*parts_.member); !problem.isEmpty()) {
        say(storedDetailWarning(problem));
        co_return SessionOutcome::NoMember;
    }

    // The session comes back to the login after a refused login (which then
    // ends it) and when the site has logged it out, to go on where it was.
    bool refused = false;
    int from = 1;
    for (;;) {
        ++loginAttempts_;
        if (refused) {
            setLoginTrouble(true);
            keepSiteTroubleStreak(std::nullopt); // the site itself answered
            co_return SessionOutcome::LoginFailed;
        }
        switch (co_await logIn()) {
        case LoginStep::Accepted: break;
        case LoginStep::Refused: refused = true; continue;
        case LoginStep::Throttled: co_return SessionOutcome::Throttled;
        case LoginStep::SiteTrouble: co_return endOnSiteTrouble();
        case LoginStep::GaveUp:
            keepSiteTroubleStreak(std::nullopt);
            co_return SessionOutcome::GaveUp;
        }
        if (from == 1)
            markNotSearched(list.count());
        const SearchStep searched = co_await searchFrom(from);
        if (searched == SearchStep::SiteTrouble)
            co_return endOnSiteTrouble();
        if (searched == SearchStep::Completed)
            break;
        from = stoppedAt_;
    }
    finishSession();
    co_return SessionOutcome::Completed;
}

QCoro::Task<CheckEngine::LoginStep> CheckEngine::logIn()
{
    WebBrowser& browser = browsers_.session;
    say(Kind::WaitingLogin);
    idle_ = true;
    co_await waits_.timedWait(kPauseBeforeLogin);

    say(Kind::SendingLogin);
    if (!countLogin()) {
        say(Kind::MaxLogins);
        co_return LoginStep::Throttled;
    }
    browser.navigate(loginUrl());
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(kPauseAfterLogin);

    // Only the airline's own page can refuse the details: no page, an error
    // page or another host's page never judged them.
    const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase());
    if (!trouble && browser.locationUrl() == accountUrl()) {
        say(Kind::LoginOk);
        // A failing streak ends here: the next refusal is told again.
        parts_.told.change([](Told& told) { told.loginFailure = false; });
        setLoginTrouble(false);
        idle_ = false;
        if (loginLockout_)
            setLoginLockout(false);
    } else if (trouble) {
        trouble_ = *trouble;
        co_return LoginStep::SiteTrouble;
    } else if (loginAttempts_ > kGiveUpAfterPasses) {
        say(Kind::GaveUp);
        parts_.schedule.change([this](Schedule& s) { s.lastSessionTime = parts_.clock.now(); });
        setLoginLockout(true);
        setLoginTrouble(true);
        co_return LoginStep::GaveUp;
    }
    readCitiesFromPage(browser, parts_.cities);
    if (browser.locationUrl() != accountUrl()) {
        say(Kind::LoginFailed);
        co_return LoginStep::Refused;
    }
    co_return LoginStep::Accepted;
}

void CheckEngine::markNotSearched(int upTo)
{
    // The airline takes so many searches in one session; a watch that does
    // not fit in what is left waits, and says so, rather than being skipped
    // unseen. Each is judged by itself: a smaller one after it may still fit.
    const WatchList& list = parts_.watchList;
    int budget = kMaxSearchesPerCheck;
    const QDate today = parts_.clock.now().date();
    searchable_ = 0;
    leftOut_ = 0;
    paused_ = 0;
    quiet_.clear();
    for (int p = 1; p <= upTo; ++p) {
        QString why = list.problem(p);
        // Paused is a state of its own: no search, no part of the limit,
        // and nothing said of seats either way.
        if (why.isEmpty() && list.at(p).paused) {
            results_.set(p, ItineraryResult::pausedWatch());
            ++paused_;
            continue;
        }
        // Snoozed: searched and kept, but nothing of it is told this session.
        if (why.isEmpty() && list.at(p).snoozed(today))
            quiet_.insert(p);
        // A watch that cannot be searched today costs no part of the limit.
        if (why.isEmpty())
            why = list.at(p).unsearchable(today);
        if (why.isEmpty()) {
            const int searches = list.at(p).searches(today);
            if (p > kMaxItineraries || searches > budget) {
                why = kPastTheLimit;
                ++leftOut_;
            } else
                budget -= searches;
        }
        if (!why.isEmpty())
            results_.set(p, ItineraryResult{{}, why});
        else {
            searchable_ = p;
            // Why it went unsearched last time no longer holds: it is searched now.
            if (results_.at(p).unsearched())
                results_.set(p, {});
        }
    }
}

QCoro::Task<CheckEngine::SearchStep> CheckEngine::searchFrom(int from)
{
    // The list as it is now; an itinerary added meanwhile waits for the next session.
    const WatchList& list = parts_.watchList;
    const int last = std::min(searchable_, list.count());
    for (int p = from; p <= last; ++p) {
        if (results_.at(p).unsearched())
            continue;
        // Copied: the list is not looked at again across the waits.
        const Itinerary itinerary = list.at(p);
        say({Kind::Checking, p});
        results_.set(p, {});
        const QList<Itinerary::Search> dates = itinerary.plannedSearches(parts_.clock.now().date());
        // The pair and the leg a search was for go with what it found.
        const auto searchedFor = [&itinerary](SearchOutcome o, const Itinerary::Search& s) {
            const Itinerary one = itinerary.searched(s);
            o.leg = s.leg;
            o.from = one.origin;
            o.to = one.destination;
            return o;
        };
        ItineraryResult result;
        result.wholeTripOnly = itinerary.wholeTripOnly;
        for (int d = 0; d < dates.size(); ++d) {
            // One search per date of each leg, each with every pause a search has.
            const Itinerary one = itinerary.searched(dates[d]);
            // The pair is told once a watch has more than one.
            const bool pairs = itinerary.pairs() > 1 || itinerary.isReturn();
            if (dates.size() > 1)
                say({Kind::Checking, p, pairs ? one.origin.code + QStringLiteral("→") + one.destination.code : QString(),
                     dates[d].date});
            DateSearch searched = co_await searchDate(dates[d].leg, one, dates[d].date,
                                                      seatsWanted(itinerary, dates[d].leg));
            result.days << searched.outcome;
            if (searched.step == DateSearch::Read)
                continue;
            // What was found so far stands and is told; the rest is not known.
            stoppedAt_ = p;
            const QString stopped = searched.step == DateSearch::LoggedOut ? searched.outcome.reason
                                                                           : stoppedBeforeText(p, trouble_.reason);
            for (int rest = d + 1; rest < dates.size(); ++rest)
                result.days << searchedFor(SearchOutcome::notKnown(dates[rest].date, stopped,
                                                                   searched.step == DateSearch::LoggedOut),
                                           dates[rest]);
            result.keepWholeTripsOnly();
            noteChecks(p, itinerary, result, d + 1);
            results_.set(p, result);
            if (result.availability() == Availability::Seats)
                announce(p);
            // Logged in again, the session goes on from this itinerary.
            co_return searched.step == DateSearch::LoggedOut ? SearchStep::LoggedOut : SearchStep::SiteTrouble;
        }
        result.keepWholeTripsOnly();
        noteChecks(p, itinerary, result, int(result.days.size()));
        results_.set(p, result);
        if (result.availability() == Availability::Seats)
            announce(p);
        say({Kind::Processed, p});
        co_await waits_.pumpOnce();
    }
    stoppedAt_ = 0;
    co_return SearchStep::Completed;
}

void CheckEngine::markCutShort(const QString& why)
{
    // The list was begun but not finished: what lies after the stop is not
    // known in this check, whatever an earlier one found.
    const QString stopped = stoppedBeforeText(stoppedAt_, why);
    for (int p = stoppedAt_ + 1; p <= std::min(searchable_, parts_.watchList.count()); ++p)
        if (!results_.at(p).unsearched())
            results_.set(p, ItineraryResult{{}, stopped});
}

QCoro::Task<CheckEngine::DateSearch> CheckEngine::searchDate(int leg, Itinerary itinerary, QDate date,
                                                             SeatsWanted wanted)
{
    WebBrowser& browser = browsers_.session;
    browser.navigate(awardSearchUrl(airlineBase(), itinerary, date));
    co_await waits_.timedWait(kPauseAfterSearchSent);
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(kPauseAfterSearchLoaded);
    // A search the site fails would most likely be followed by more: the
    // list stops here rather than asking a site in trouble 100 times, and
    // what was found so far still counts.
    const std::optional<SiteTrouble> trouble = loaded ? siteTrouble(browser, true, airlineBase()) : std::nullopt;
    DateSearch searched;
    if (trouble) {
        trouble_ = *trouble;
        searched.step = DateSearch::SiteTrouble;
        searched.outcome = SearchOutcome::notKnown(date, trouble->reason);
    } else if (browser.locationUrl() == bareLoginUrl()) {
        searched.step = DateSearch::LoggedOut;
        searched.outcome = SearchOutcome::notKnown(date, kLoggedOutReason, true);
    } else if (!loaded) {
        // The page shown would not be this date's answer.
        searched.outcome = SearchOutcome::notKnown(date, kNotLoadedReason);
    } else {
        searched.outcome = readResultPage(browser, wanted);
        searched.outcome.date = date;
        // A page it cannot read is kept for a report; never taken for no seats.
        if (searched.outcome.unreadable != UnreadablePage::None) {
            ++pagesUnread_;
            if (const QString kept = parts_.keptPages.keep(searched.outcome.unreadable, browser); !kept.isEmpty())
                keptPage_ = kept;
        } else {
            ++pagesRead_;
        }
    }
    searched.outcome.leg = leg;
    searched.outcome.from = itinerary.origin;
    searched.outcome.to = itinerary.destination;
    co_return searched;
}

void CheckEngine::finishSession()
{
    keepSiteTroubleStreak(std::nullopt);
    const QDateTime now = parts_.clock.now();
    parts_.schedule.change([&now](Schedule& s) {
        s.lastLoginTime = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    });
    emit lastLoginChanged(now);
    StatusMessage done{Kind::Completed, leftOut_};
    done.paused = paused_;
    say(done);
}

void CheckEngine::keepUnreadablePagesStreak()
{
    const UnreadablePagesStreak& last = parts_.told->unreadablePages;
    const UnreadablePagesStreak next =
        nextUnreadablePagesStreak(last, pagesRead_, pagesUnread_, keptPage_, sessionStart_);
    if (next.checks == last.checks && next.since == last.since && next.keptPage == last.keptPage)
        return;
    parts_.told.change([&next](Told& told) { told.unreadablePages = next; });
}

SessionOutcome CheckEngine::endOnSiteTrouble()
{
    say(trouble_.pageArrived ? StatusMessage(Kind::SiteNotUsable, 0, trouble_.reason) : Kind::SiteUnreachable);
    keepSiteTroubleStreak(trouble_.reason);
    return trouble_.pageArrived ? SessionOutcome::SiteTrouble : SessionOutcome::Unreachable;
}

void CheckEngine::keepSiteTroubleStreak(const std::optional<QString>& trouble)
{
    parts_.told.change([&](Told& told) {
        told.siteTrouble = nextSiteTroubleStreak(told.siteTrouble, trouble, sessionStart_);
    });
}

QCoro::Task<SessionOutcome> CheckEngine::checkNow()
{
    if (running_)
        co_return SessionOutcome::Refused;
    // The details come first: without them no list can be checked.
    if (parts_.member->missing()) {
        say(kFillAllRequired);
        co_return SessionOutcome::NoMember;
    }
    if (parts_.watchList.count() == 0) {
        say(Kind::WaitingItineraries);
        co_return SessionOutcome::NoItineraries;
    }
    co_return co_await runCheck();
}

QCoro::Task<bool> CheckEngine::testLogin()
{
    if (testRunning_)
        co_return true;
    // Without whole details there is nothing to test: the details are asked for.
    if (const QString unsendable = unsendableDetails(); !unsendable.isEmpty()) {
        say(unsendable);
        co_return false;
    }
    RunningGuard guard(testRunning_);
    WebBrowser& browser = browsers_.test;
    say(Kind::Attempting);
    browser.navigate(memberLoginUrl());
    const bool loaded = co_await waits_.busyWait(browser);
    co_await waits_.timedWait(15);
    if (const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase()))
        say(trouble->pageArrived ? StatusMessage(Kind::SiteNotUsable, 0, trouble->reason) : Kind::SiteUnreachable);
    else
        say(browser.locationUrl() == accountUrl() ? Kind::LoginOk : Kind::TestFailed);
    co_return true;
}

QString CheckEngine::unsendableDetails() const
{
    const Member& member = *parts_.member;
    if (member.number == 0 || member.surname.trimmed().isEmpty())
        return kFillAllRequired;
    if (const QString problem = storedDetailProblem(member); !problem.isEmpty())
        return storedDetailWarning(problem);
    return {};
}

bool CheckEngine::countLogin()
{
    if (!throttleTimer_.isActive())
        throttleTimer_.start();
    if (loginsSent_ >= kLoginsPerWindow)
        return false;
    ++loginsSent_;
    // Told as it is counted: the figures never lag the login they count.
    emit throttleChanged(loginsSent_, throttleMinutes_);
    return true;
}

void CheckEngine::tickThrottle()
{
    throttleMinutes_ = throttleMinutes_ + 1;
    if (throttleMinutes_ >= kThrottleWindowMinutes) {
        loginsSent_ = 0;
        throttleMinutes_ = 0;
        throttleTimer_.stop();
    }
    emit throttleChanged(loginsSent_, throttleMinutes_);
    if (!throttleTimer_.isActive())
        emit throttleWindowClosed();
}

} // namespace zelvane
