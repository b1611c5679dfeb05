// zelvane-check: one check session from the command line, for a machine
// without a display (a home server, cron). Same settings, watch list and
// e-mails as the tray program, which must not run at the same time.
#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/MemberDetails.h"
#include "app/MessageBoxes.h"
#include "app/SettingsArea.h"
#include "app/StopSignals.h"
#include "net/Addresses.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "results/HistoryLines.h"
#include "results/SeatCalendar.h"
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "notify/SmtpMail.h"
#include "results/SeatTexts.h"
#include "results/WatchJson.h"
#include "engine/SessionSize.h"
#include "itineraries/WatchListCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace zelvane;

namespace {

enum ExitCode {
    kExitCompleted = 0,
    kExitAlreadyRunning = 2,
    kExitNoMember = 3,
    kExitNoItineraries = 4,
    kExitThrottled = 5,
    kExitLoginFailed = 6,
    kExitGaveUp = 7,
    kExitAlertUndelivered = 8,
    kExitSiteUnreachable = 9,
    kExitPageUnreadable = 10,
    kExitListFull = 11,
    kExitWatchDates = 12,
    kExitWatchRoute = 13,
    kExitWatchSearches = 14,
    kExitNoSuchWatch = 15,
    kExitListBusy = 16,
    kExitListNotWritten = 17,
    kExitUsage = 64,
    kExitNoHistory = 66,
    kExitStoredDetailWrong = 78,
};

const char* const kHelp =
    "Usage: zelvane-check [--help | --test-alert | --send-waiting | --json]\n"
    "       zelvane-check --history [N] [--calendar] [--json]\n"
    "       zelvane-check --list [--json] | --add \"LINE\" | --remove N | --pause N | --resume N\n"
    "\n"
    "Runs one award-seat check session with the stored member details and watch\n"
    "list, as the Zelvane tray program would, and then ends. Every status change\n"
    "is printed with the time; at the end one line per itinerary, its fields\n"
    "separated by tabs: position, origin, destination, date (\"25/12/2026 +3\" when\n"
    "the three days after it are searched too), time of day, the seats when other\n"
    "than one adult in any cabin (\"2 adults, Business\"), for an itinerary of\n"
    "several dates how many of them had seats and which (\"2 of 4 days: Fri 25,\n"
    "Sun 27\"), how many seats the airline gave in the cabin when it gave a\n"
    "number (\"Business: 2 seats\"), \"snoozed until\" a snoozed watch's last\n"
    "quiet day (it is searched, but no alert tells of it), and last the state:\n"
    "available, not available, paused (no search made), or not checked and why\n"
    "(\"not checked: HTTP 503 Service Unavailable\"). Available means the flight table shows seats for every adult\n"
    "in the cabin asked (or any seats, for a watch told of fewer); not available\n"
    "that the airline said there are none; anything it could not read is not\n"
    "checked, never not available. A check makes at most 100 searches; an\n"
    "itinerary that no longer fits prints \"not checked: past the 100 searches a\n"
    "check may make\", and a smaller one after it is still checked. The\n"
    "alerts the settings ask for go out: the results e-mail, desktop notifications\n"
    "where a desktop answers, a push to the phone; after a refused login a\n"
    "warning, once until a login succeeds; after three runs in a row that could\n"
    "not use the airline's site a notice, once until a check works.\n"
    "\n"
    "  --json        print one JSON document instead of the lines, version 2\n"
    "                (docs/zelvane-check.schema.json): \"version\", and \"watches\",\n"
    "                each with its position, status, its options (\"watch\": the\n"
    "                cities at each end, each leg's date and days before and\n"
    "                after, time, cabin, adults, orFewer, wholeTripsOnly,\n"
    "                paused, snoozedUntil, searches) and what the check found\n"
    "                (\"result\": state, reason, and leg by leg, pair by pair,\n"
    "                each date searched with its state, seats, no seats or not\n"
    "                known, and the flights with seats for the watch, each\n"
    "                cabin with the count the site gave or null); dates are\n"
    "                yyyy-mm-dd; the status lines go to standard error\n"
    "\n"
    "Every alert of a session (the e-mail, the push, the desktop notes where a\n"
    "desktop is there) is kept in the outbox (outbox.sqlite in the data folder),\n"
    "together with what it tells (announced.json), before the first is sent, and\n"
    "stays there until its server or the desktop took it: a run stopped at any\n"
    "moment loses none, and the next run or the tray program sends what is left.\n"
    "A data folder that is full is said so; the alerts are then sent from memory\n"
    "(a little room kept beside the outbox takes a session's alerts first), and\n"
    "no file there is replaced but by a complete copy. Each run first\n"
    "sends what waits there, then checks, then tries what still waits; the tray\n"
    "program tries again on its own, after 1, 2, 4 ... minutes, at most an hour\n"
    "apart. A newer results e-mail replaces one still waiting; a login that gets\n"
    "through drops a waiting warning, a check that works a waiting site notice.\n"
    "Waiting pushes of seats found are one push, a line that waited saying when\n"
    "its seats were seen. An alert being sent belongs to its sender until its\n"
    "deadline, so no other run sends it meanwhile.\n"
    "\n"
    "  --send-waiting  send what waits in the outbox and end; no check is made\n"
    "  --test-alert  send a test through every alert channel that is set up,\n"
    "                print each one's outcome and end; no check is made\n"
    "\n"
    "It refuses to run a check while the tray program runs: both would log in and\n"
    "write the same settings; their lock lies beside the settings file, so a job\n"
    "without XDG_RUNTIME_DIR finds it too. A tray program started during a check\n"
    "waits for it to end, then starts. Each run keeps its own login throttle\n"
    "(three logins in five minutes), so schedule it no more often than every five\n"
    "minutes. Stopped by a signal, it first finishes a mail or push under way.\n"
    "\n"
    "The watch list (Query.txt in the data folder) can be read and changed\n"
    "from here without logging in, also while the tray program runs: each change\n"
    "is made under a lock (Query.txt.lock) on the file as it is then, and the\n"
    "tray program shows it at once; an itinerary changed during its check is\n"
    "taken in when the check ends. The rules are the itinerary panel's, and so\n"
    "are its messages: at most 100 itineraries, dates from tomorrow to the last\n"
    "day the airline searches, two different cities, at most 100 searches per\n"
    "check.\n"
    "\n"
    "  --list        one line per itinerary, its fields separated by tabs:\n"
    "                position, origin, destination, dates, time of day, seats,\n"
    "                searches per check, and its state: watched, paused,\n"
    "                snoozed until a day, past, not yet bookable: from a day,\n"
    "                or cannot be read: why. The count and the searches of the\n"
    "                whole list go to standard error. With --json the list as\n"
    "                --json gives it, without results.\n"
    "  --add LINE    add an itinerary written as a line of the watch list, in\n"
    "                quotes: \"Sydney;Melbourne;25/12/2026;Morning;SYD;MEL\" and\n"
    "                after the sixth field, as the file has them, the cabin,\n"
    "                adults, days after, days before, return date, its days\n"
    "                after and before, \"trip\" for whole trips only, the nearby\n"
    "                origins and destinations (\"Newcastle/NTL|Maitland/MTL\"),\n"
    "                \"fewer\" for fewer seats than the adults, and in the\n"
    "                twenty-second field \"paused\"\n"
    "  --remove N    remove itinerary N, as --list numbers them\n"
    "  --pause N     keep itinerary N in the list, not searched\n"
    "  --resume N    search itinerary N again\n"
    "\n"
    "  --history [N] print the checks of the last N sessions (10 when N is not\n"
    "                given) from the history file and end, without logging in:\n"
    "                one line per check with the session's start, the itinerary,\n"
    "                its cabin and adults, the outcome and the number of flights\n"
    "                in the table; an itinerary of several dates has a line for\n"
    "                each date searched. With --json each check is one JSON\n"
    "                object on a line of its own, flights included. Each check\n"
    "                names its leg (Outbound, or Return for the way back of a\n"
    "                return journey, whose cities read the way it flies). It\n"
    "                may run while the tray program runs.\n"
    "  --history [N] --calendar\n"
    "                print each route's days (a pair of city codes, the way\n"
    "                back a route of its own) month by month, from every\n"
    "                session or the last N: each day one mark, S seats (the\n"
    "                last check of the day found seats), . no seats, ? not\n"
    "                known (searched, but never checked), blank when not\n"
    "                searched. With --json one object a line per day searched:\n"
    "                origin, destination, date, state (seats, no seats, not\n"
    "                known), cabins (with seats), lastChecked and lastTried.\n"
    "\n"
    "Exit status:\n"
    "  0  the session completed and nothing waits in the outbox\n"
    "  2  the tray program is running\n"
    "  3  no member details are stored\n"
    "  4  the watch list is empty\n"
    "  5  three logins were sent in the last five minutes\n"
    "  6  the site refused the login (member number, surname or PIN): its own\n"
    "     page answered, and it was not the account page\n"
    "  7  the site refused the login four times; a retry follows in the tray program\n"
    "  8  the check ran, but an alert is still waiting in the outbox, or one the\n"
    "     settings ask for could not go out on any channel (nothing set up): each\n"
    "     one and why is printed; with --send-waiting: something still waits;\n"
    "     with --test-alert: a channel failed, or none reached you\n"
    "  9  the airline's site could not be reached (no network, no such host,\n"
    "     connection refused or timed out) or could not be used (an HTTP error\n"
    "     such as 503 Service Unavailable, a page from another host such as a\n"
    "     network's sign-in page), at the login or at a search: the reason is\n"
    "     printed; no fault of the member details, and the next run tries again.\n"
    "     Seats found before are told all the same\n"
    " 10  the check ran, but a result page could not be read (the site may have\n"
    "     changed): its itinerary is not checked; the last page of each kind is\n"
    "     kept as unreadable-KIND.html in the data folder (before 8)\n"
    " 11  --add: the watch list holds 100 itineraries already\n"
    " 12  --add: a date the airline's award search does not reach (gone, past\n"
    "     the last bookable day, or a way back before the way out)\n"
    " 13  --add: the line cannot be read, or its route cannot be flown (the same\n"
    "     city at both ends)\n"
    " 14  --add: the list would make more than 100 searches per check\n"
    " 15  --remove, --pause, --resume: there is no itinerary N\n"
    " 16  another program kept the watch list's lock for 10 seconds: nothing\n"
    "     was changed\n"
    " 17  the watch list could not be written (such as a full disk): nothing\n"
    "     was changed\n"
    " 64  wrong usage\n"
    " 66  --history: the history cannot be read\n"
    " 78  a stored member detail cannot be sent to the airline (such as a PIN\n"
    "     that is not digits only): which one is printed; nothing is sent\n"
    "129, 130, 143  stopped by SIGHUP, SIGINT, SIGTERM (after a send under way)\n";

void out(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void fail(const QString& reason)
{
    std::fputs(qPrintable(QStringLiteral("zelvane-check: ") + reason + QLatin1Char('\n')), stderr);
}

// Status changes go with the time they happened to standard output, or to
// standard error where that is kept for JSON alone.
void printStatus(const Clock& clock, const QString& text, std::FILE* to)
{
    const QString line = clock.now().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + text + QLatin1Char('\n');
    std::fputs(qPrintable(line), to);
    std::fflush(to);
}

// Nobody can answer a box here: its text goes to standard error.
class ConsoleBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const QString& text, const QString& title, MsgIcon, MsgButtons buttons) override
    {
        fail(title + QStringLiteral(": ") + text);
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
};

QString stateText(const ItineraryResult& result)
{
    if (result.paused)
        return QStringLiteral("paused");
    switch (result.availability()) {
    case Availability::Seats: return QStringLiteral("available");
    case Availability::NoSeats: return QStringLiteral("not available");
    case Availability::NotKnown: break;
    }
    const QString why = result.reason();
    return why.isEmpty() ? QStringLiteral("not checked") : QStringLiteral("not checked: ") + why;
}

int exitFor(SessionOutcome outcome)
{
    switch (outcome) {
    case SessionOutcome::Completed: return kExitCompleted;
    case SessionOutcome::NoMember:
        fail(QStringLiteral("no member details stored; enter them in Zelvane first"));
        return kExitNoMember;
    case SessionOutcome::NoItineraries:
        fail(QStringLiteral("the watch list is empty"));
        return kExitNoItineraries;
    case SessionOutcome::Throttled:
        fail(QStringLiteral("three logins were sent in the last five minutes; try again later"));
        return kExitThrottled;
    case SessionOutcome::LoginFailed:
        fail(QStringLiteral("the login failed; check the member number, surname and PIN"));
        return kExitLoginFailed;
    case SessionOutcome::GaveUp:
        fail(QStringLiteral("the login failed four times; check the member number, surname and PIN"));
        return kExitGaveUp;
    case SessionOutcome::Unreachable:
    case SessionOutcome::SiteTrouble:
        return kExitSiteUnreachable;
    case SessionOutcome::Refused: break;
    }
    return kExitAlreadyRunning;
}

// Each alert still in the outbox, and why, on a line of its own; then each
// one the session wanted that no channel could carry (nothing set up). True
// when nothing was left undone.
bool reportUndelivered(const Outbox& outbox, const QStringList& undelivered = {})
{
    QStringList waitingReasons;
    int waiting = 0;
    for (const OutboxEntry& e : outbox.waiting()) {
        // A desktop without a notification service is no failure of the
        // alert: its note waits for a desktop, as the tray program shows it.
        if (e.form == OutboxEntry::Form::Desktop)
            continue;
        ++waiting;
        if (!outbox.isStored(e.id)) {
            fail(QStringLiteral("an alert could not be delivered, nor written to the outbox (%1): ")
                     .arg(outbox.error())
                 + e.describe() + QStringLiteral(": ") + e.lastReason);
            waitingReasons << e.lastReason;
            continue;
        }
        fail(QStringLiteral("an alert could not be delivered and waits in the outbox: ") + e.describe()
             + QStringLiteral(": ") + e.lastReason);
        waitingReasons << e.lastReason;
    }
    bool lost = false;
    for (const QString& channelFailure : undelivered) {
        if (waitingReasons.contains(channelFailure.section(QStringLiteral(": "), 1)))
            continue;
        fail(QStringLiteral("an alert could not be sent: ") + channelFailure);
        lost = true;
    }
    return waiting == 0 && !lost;
}

// A plain function, not a capturing lambda: the coroutine outlives the call
// that starts it, and its parameters are kept in its own frame.
QCoro::Task<> runSession(CheckRig& rig, const WatchList& list, Settings& settings, QString dataFolder, bool json,
                         int& code)
{
    CheckEngine& engine = rig.engine();
    // What earlier runs could not deliver goes first: it is older news. A
    // seat push that waits is held for the session's own, which takes it
    // in (one push, not two), and goes after the session otherwise.
    WaitingRound first;
    first.holdSeatPushes = true;
    co_await rig.alerts().post().sendWaiting(first);
    const SessionOutcome outcome = co_await engine.runCheck();
    int unreadablePages = 0;
    const QDate today = programClock().now().date();
    if (json) {
        const QByteArray all = watchListJson(list, &engine.results(), programClock().now().date());
        std::fwrite(all.constData(), 1, size_t(all.size()), stdout);
    }
    for (int p = 1; p <= list.count(); ++p) {
        const Itinerary& it = list.at(p);
        const ItineraryResult& r = engine.results().at(p);
        for (const SearchOutcome& d : r.days)
            unreadablePages += d.unreadable != UnreadablePage::None ? 1 : 0;
        if (json)
            continue;
        QStringList line{QString::number(p), it.originNames(), it.destinationNames(), list.datesText(p), it.timeOfDay};
        // Lines of one trip for other seats or days must not read alike; one
        // seat in any cabin on one date prints as it always did, and the
        // state stays the last field.
        if (!it.seatsChoice().isEmpty())
            line << it.seatsChoice();
        if (const QString days = r.daysSummary(); !days.isEmpty())
            line << days;
        if (const QString counts = seatTexts(it, r).counts; !counts.isEmpty())
            line << counts;
        // Searched, but told to nobody: the line says why no alert came.
        if (!r.paused && it.snoozed(today))
            line << it.holdText(today);
        out((line << stateText(r)).join(QLatin1Char('\t')));
    }
    // Nothing was set up or nothing ran: the settings file is left as it was.
    if (outcome != SessionOutcome::NoItineraries && outcome != SessionOutcome::NoMember)
        settings.save();
    if (outcome == SessionOutcome::Unreachable)
        fail(QStringLiteral("the airline's site could not be reached (%1); check the network "
                            "connection. The member details were not judged.")
                 .arg(engine.siteTroubleReason()));
    if (outcome == SessionOutcome::SiteTrouble)
        fail(QStringLiteral("the airline's site could not be used: %1. That is the site's "
                            "trouble, not the member details; the next run tries again.")
                 .arg(engine.siteTroubleReason()));
    code = exitFor(outcome);
    if (!reportUndelivered(rig.alerts().post().outbox(), rig.alerts().undelivered) && code == kExitCompleted)
        code = kExitAlertUndelivered;
    // Not known is never no seats: a page it could not read is its own news.
    if (unreadablePages > 0) {
        fail(QStringLiteral("%1 could not be read, so %2 not checked; the site may have changed. "
                            "The last page of each kind is kept in %3")
                 .arg(unreadablePages == 1 ? QStringLiteral("a result page") : QStringLiteral("%1 result pages").arg(unreadablePages),
                      unreadablePages == 1 ? QStringLiteral("its itinerary is") : QStringLiteral("their itineraries are"),
                      QDir::toNativeSeparators(dataFolder)));
        if (code == kExitCompleted || code == kExitAlertUndelivered)
            code = kExitPageUnreadable;
    }
    QCoreApplication::exit(code);
}

QCoro::Task<> sendWaiting(AlertSender& post, int& code)
{
    co_await post.sendWaiting();
    code = reportUndelivered(post.outbox()) ? kExitCompleted : kExitAlertUndelivered;
    QCoreApplication::exit(code);
}

QCoro::Task<> runTestAlert(CheckRig& rig, int& code)
{
    const QList<ChannelOutcome> outcomes = co_await rig.alerts().sendTestAlert();
    bool reached = false, failed = false;
    for (const ChannelOutcome& o : outcomes) {
        out(outcomeLine({o}));
        reached = reached || o.delivery.delivered;
        failed = failed || (o.counts && !o.delivery.delivered);
    }
    // Each channel's failure is printed above; what is left to say is whether any was set up.
    if (!reached && failed)
        fail(QStringLiteral("no alert reached you: every channel that is set up failed"));
    else if (!reached)
        fail(QStringLiteral("no alert reached you: set up e-mail or a push address in the "
                            "Alerts panel of Zelvane"));
    code = failed || !reached ? kExitAlertUndelivered : kExitCompleted;
    QCoreApplication::exit(code);
}

// --history [N] [--calendar] [--json], in any order; nothing when the arguments ask for something else.
std::optional<int> historyCommand(const QStringList& args)
{
    if (!args.contains(QLatin1String("--history")))
        return std::nullopt;
    QStringList rest = args;
    rest.removeOne(QStringLiteral("--history"));
    const bool json = rest.removeAll(QStringLiteral("--json")) > 0;
    const bool calendar = rest.removeAll(QStringLiteral("--calendar")) > 0;
    bool ok = rest.isEmpty();
    // A calendar shows every month checked unless asked for fewer sessions.
    const int sessions = rest.isEmpty() ? (calendar ? 0 : 10) : rest.first().toInt(&ok);
    if (!ok || (!rest.isEmpty() && sessions < 1) || rest.size() > 1) {
        fail(QStringLiteral("--history takes a number of sessions, --calendar and --json; see --help"));
        return kExitUsage;
    }
    HistoryStore history;
    if (!history.openForReading(resolveDataFolder(QCoreApplication::applicationDirPath(),
                                                  userDataFolder()))) {
        fail(history.filePath() + QStringLiteral(": ") + history.error());
        return QFile::exists(history.filePath()) ? kExitNoHistory : kExitCompleted;
    }
    const QList<HistoryCheck> checks = history.checks(sessions);
    if (calendar) {
        const QList<RouteCalendar> calendars = seatCalendars(checks);
        if (json)
            std::fputs(calendarJsonLines(calendars).constData(), stdout);
        else
            std::fputs(qPrintable(calendarText(calendars)), stdout);
        return kExitCompleted;
    }
    if (json)
        std::fputs(historyJsonLines(checks).constData(), stdout);
    else
        std::fputs(qPrintable(historyTable(checks)), stdout);
    return kExitCompleted;
}

int exitFor(WatchListChange::Result result)
{
    switch (result) {
    case WatchListChange::Result::Done: return kExitCompleted;
    case WatchListChange::Result::Full: return kExitListFull;
    case WatchListChange::Result::Dates: return kExitWatchDates;
    case WatchListChange::Result::Route: return kExitWatchRoute;
    case WatchListChange::Result::Searches: return kExitWatchSearches;
    case WatchListChange::Result::NoSuchWatch: return kExitNoSuchWatch;
    case WatchListChange::Result::Busy: return kExitListBusy;
    case WatchListChange::Result::NotWritten: break;
    }
    return kExitListNotWritten;
}

// --list [--json], --add LINE, --remove N, --pause N, --resume N: the watch
// list read or changed without logging in, also while the tray program runs.
std::optional<int> watchListCommand(const QStringList& args)
{
    static const QStringList commands = {QStringLiteral("--list"), QStringLiteral("--add"), QStringLiteral("--remove"),
                                         QStringLiteral("--pause"), QStringLiteral("--resume")};
    if (args.isEmpty() || !commands.contains(args.first()))
        return std::nullopt;
    const QString command = args.first();
    const bool listing = command == commands[0];
    const bool json = listing && args.size() == 2 && args[1] == QLatin1String("--json");
    bool number = false;
    const int position = args.value(1).toInt(&number);
    const bool usable = listing ? args.size() == 1 || json
                                : args.size() == 2 && (command == commands[1] || (number && position > 0));
    if (!usable) {
        fail(command + (listing ? QStringLiteral(" takes only --json")
                        : command == commands[1] ? QStringLiteral(" takes one watch-list line, in quotes")
                                                  : QStringLiteral(" takes the number --list gives an itinerary"))
             + QStringLiteral("; see --help"));
        return kExitUsage;
    }
    WatchList list(resolveDataFolder(QCoreApplication::applicationDirPath(), userDataFolder()));
    const QDate today = programClock().now().date();
    if (listing) {
        list.load();
        if (json)
            std::fputs(watchListJson(list, nullptr, today).constData(), stdout);
        else
            for (const QString& line : watchListTable(list, today))
                out(line);
        fail(QStringLiteral("%1 in %2: %3")
                 .arg(list.count() == 1 ? QStringLiteral("1 itinerary") : QStringLiteral("%1 itineraries").arg(list.count()),
                      QDir::toNativeSeparators(list.filePath()), sessionSizeText(list.searchesPerCheck())));
        return kExitCompleted;
    }
    const WatchListChange change = command == commands[1] ? addWatch(list, args[1], today)
                                   : command == commands[2] ? removeWatch(list, position)
                                                            : pauseWatch(list, position, command == commands[3]);
    if (change.result == WatchListChange::Result::Done)
        out(change.message);
    else
        fail(change.message);
    return exitFor(change.result);
}

// The whole run: everything it makes, the application included, has ended
// (saved, closed, its lock released) when it returns.
// Stopped while a mail or push is under way, that send ends first (within
// its deadline): cut off after the server took a mail, it would go again
// with the next run. Otherwise the run ends at once, with what the settings
// still wait to write written first.
void endOnStopSignal(QCoreApplication& app, AlertSender& post, Settings& settings)
{
    onStopSignal(&app, [&post, &settings](int signal) {
        post.stop();
        settings.saveWaiting();
        // Ended as a signal would end it, with the status that tells so;
        // what was delivered is marked in the outbox by then.
        const auto end = [signal] {
            std::fflush(nullptr);
            std::_Exit(128 + signal);
        };
        if (post.sending())
            QObject::connect(&post, &AlertSender::idle, &post, end);
        else
            end();
    });
}

int runCheck(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args == QStringList{QStringLiteral("--help")} || args == QStringList{QStringLiteral("-h")}) {
        std::fputs(kHelp, stdout);
        return kExitCompleted;
    }
    if (const std::optional<int> code = historyCommand(args))
        return *code;
    if (const std::optional<int> code = watchListCommand(args))
        return *code;
    const bool testAlert = args == QStringList{QStringLiteral("--test-alert")};
    const bool sendOnly = args == QStringList{QStringLiteral("--send-waiting")};
    const bool json = args == QStringList{QStringLiteral("--json")};
    if (!args.isEmpty() && !testAlert && !sendOnly && !json) {
        fail(QStringLiteral("unknown argument \"%1\"; see --help").arg(args.first()));
        return kExitUsage;
    }

    // This program links libcurl: its mail goes from here.
    setSmtpSender(sendSmtpNow);
    const QString programFolder = QCoreApplication::applicationDirPath();
    NativeSettingsArea area;
    const Clock& clock = programClock();
    ProgramData program(area, clock, programFolder, QString());
    ProgramParts& parts = program.parts;
    Settings& settings = program.settings;
    ConsoleBoxes boxes;
    AlertSender post(program.outbox, settings.channels, {settings.member, &Member::email}, boxes, clock);
    post.setPauseScale(timeScale());
    CheckRig rig(parts.data, post);
    QObject::connect(&rig.status(), &SessionStatus::changed, &app,
                     [&clock, json](const StatusMessage& m) { printStatus(clock, m.words(), json ? stderr : stdout); });
    int code = kExitCompleted;
    // A save that fails is said at once: the file keeps its earlier values.
    QObject::connect(&settings, &Settings::problem, &app, [](const QString& text) { fail(text); });
    endOnStopSignal(app, post, settings);
    if (testAlert) {
        // Reads the settings only; it may run beside the tray program.
        if (const SettingsStatus loaded = settings.load(); !loaded.ok())
            fail(loaded.message());
        QTimer::singleShot(0, &app, [&] { runTestAlert(rig, code); });
        app.exec();
        return code;
    }

    // A tray program started meanwhile sees a check and waits for it.
    program.instance.markAsCheck();
    if (!program.instance.acquire()) {
        fail(QStringLiteral("the Zelvane tray program is running and checks on its own schedule; "
                            "close it to check from here"));
        return kExitAlreadyRunning;
    }
    if (const SettingsStatus loaded = settings.load(); !loaded.ok())
        fail(loaded.message());
    // The details first: with nothing set up nothing is written, not even defaults.
    if (settings.member->number == 0 && !sendOnly)
        return exitFor(SessionOutcome::NoMember);
    // Nor is a detail sent that the airline could only refuse.
    if (const QString problem = storedDetailProblem(*settings.member); !problem.isEmpty() && !sendOnly) {
        fail(problem + QStringLiteral("; enter the member details again in Zelvane. Nothing was sent "
                                      "to the airline."));
        return kExitStoredDetailWrong;
    }
    useDataFolder(parts, resolveDataFolder(programFolder, userDataFolder()));
    if (!program.outbox.open(parts.dataFolder))
        fail(program.outbox.filePath() + QStringLiteral(": ") + program.outbox.error());
    if (sendOnly) {
        QTimer::singleShot(0, &app, [&] { sendWaiting(post, code); });
        app.exec();
        return code;
    }
    program.watchList.load();
    for (const QString& problem : program.watchList.problems())
        fail(problem);
    program.cities.load();
    program.history.open(parts.dataFolder, clock.now());
    program.announced.load();
    settleTold(program.outbox, program.announced);
    // Said here, once, before the check: the session takes none later.
    if (const QString notice = program.history.takeNotice(); !notice.isEmpty())
        rig.status().setStatus(notice);

    QTimer::singleShot(0, &app, [&] { runSession(rig, program.watchList, settings, parts.dataFolder, json, code); });
    app.exec();
    return code;
}

} // namespace

int main(int argc, char* argv[])
{
    const int code = runCheck(argc, argv);
    // Ended as the tray program ends, without the exit handlers: Qt counts a
    // network thread as finished before the thread has freed its OpenSSL
    // state, and OpenSSL's clean-up at exit, run beside it, now and then freed
    // the same memory twice. No thread's work is lost: the run has ended.
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check(); // the sanitizer's own check would run at exit
#endif
    std::_Exit(code);
}
