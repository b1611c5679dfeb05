// zelvane-check: one check session from the command line, for a machine
// without a display (a home server, cron). Same settings, watch list and
// e-mails as the tray program, which must not run at the same time.
#include "CheckConsole.h"
#include "CheckWatchList.h"

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
using namespace zelvane::check;

namespace {

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
