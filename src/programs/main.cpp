// The executable: joins the logic and the windows.
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/StopSignals.h"
#include "net/Addresses.h"
#include "net/VersionCheck.h"
#include "notify/AlertSender.h"
#include "startup/CommandLine.h"
#include "startup/Startup.h"
#include "ui/AppWindows.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/SystemDesktop.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <cstdlib>
#include <cstdio>

using namespace zelvane;

namespace {

const char* const kUsage = "Usage: zelvane [--help | --version | --again]\n";
const char* const kHelp =
    "\n"
    "Watches frequent-flyer award seats from the desktop tray: logs in to the\n"
    "airline's site at the chosen interval, searches every itinerary of the watch\n"
    "list, announces available flights and mails a summary. Only one copy runs per\n"
    "user; --again, or any of Qt's own options (-platform, -style, -session ...),\n"
    "lets this copy run beside it. For a machine without a display, see\n"
    "zelvane-check.\n";

// Without a display the toolkit gives up with a fatal message that blames the
// installation; the user is told what is missing and where to go instead.
// What the toolkit says while it opens the display is held back until it has
// opened it, so that without one the program's own words come first.
QtMessageHandler toolkitMessages = nullptr;

struct HeldMessage {
    QtMsgType type;
    const char* category; // the toolkit's categories are static texts
    QString text;
};
bool holdingToolkitMessages = true;
std::vector<HeldMessage> heldToolkitMessages;

void onToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg && text.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
        std::fputs(kNoDisplayText, stderr);
        // The toolkit's own account after ours, for whoever looks further.
        for (const HeldMessage& m : heldToolkitMessages)
            std::fputs(qPrintable(QString::fromLatin1(m.category) + QStringLiteral(": ") + m.text + QLatin1Char('\n')),
                       stderr);
        std::_Exit(kNoDisplayExitCode);
    }
    if (holdingToolkitMessages && type != QtFatalMsg) {
        heldToolkitMessages.push_back({type, context.category, text});
        return;
    }
    toolkitMessages(type, context, text);
}

// The display is open: what was held goes out as it would have.
void releaseToolkitMessages()
{
    holdingToolkitMessages = false;
    for (const HeldMessage& m : std::exchange(heldToolkitMessages, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category);
        toolkitMessages(m.type, context, m.text);
    }
}

// While a check of zelvane-check runs: said on standard error, and in the
// tray icon's tooltip, or in a small window where there is no tray, so the
// user sees why nothing else is there yet.
class WaitingForCheck {
public:
    WaitingForCheck()
    {
        std::fputs(qPrintable(QStringLiteral("zelvane: ") + kWaitingForCheck + QLatin1Char('\n')), stderr);
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            icon_ = std::make_unique<QSystemTrayIcon>(applicationIcon());
            icon_->setToolTip(kWaitingForCheck);
            icon_->show();
        } else {
            note_ = std::make_unique<QLabel>(kWaitingForCheck);
            note_->setWindowTitle(kProductTitle);
            note_->setMargin(16);
            note_->show();
        }
    }

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QLabel> note_;
};

// --help, --version and a command line that cannot be run are answered here,
// with the exit status; nothing when the program is to run.
std::optional<int> answerCommandLine(const TrayCommandLine& asked)
{
    switch (asked.ask) {
    case TrayCommandLine::Ask::Help:
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    case TrayCommandLine::Ask::Version:
        std::printf("zelvane %d.%d.%d\n", ZELVANE_VERSION_MAJOR, ZELVANE_VERSION_MINOR, ZELVANE_VERSION_PATCH);
        return 0;
    case TrayCommandLine::Ask::Usage:
        std::fprintf(stderr, "zelvane: %s\n", qPrintable(asked.problem));
        std::fputs(kUsage, stderr);
        return kUsageExitCode;
    case TrayCommandLine::Ask::Run: break;
    }
    return std::nullopt;
}

// One line on standard output with the time of day, as zelvane-check prints.
void printTimed(const QByteArray& text)
{
    const QByteArray line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toUtf8() + ' ' + text + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// The status line's texts, and what waits in the outbox as the tooltip tells
// it, on standard output too: a terminal can follow a check.
void printStatusLines(QApplication& app, AppWindows& windows)
{
    QObject::connect(&windows.mainWindow(), &MainWindow::statusChanged, &app,
                     [](const QString& text) { printTimed(text.toUtf8()); });
    QObject::connect(&windows.alertSender(), &AlertSender::waitingChanged, &app, [&windows] {
        const QString summary = windows.alertSender().outbox().summary();
        printTimed("outbox: " + (summary.isEmpty() ? QByteArray("nothing waits") : summary.toUtf8()));
    });
}

} // namespace

int main(int argc, char* argv[])
{
    // Taken before the toolkit removes its own options: any argument at all
    // lifts the one-copy rule.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Answered before any display is opened and without taking the one-copy lock.
    if (const std::optional<int> answered = answerCommandLine(readTrayCommandLine(arguments)))
        return *answered;

    // Pop-ups and the tray menu are placed in the screen's corner, which
    // Wayland does not let a program do; XWayland does, unless the user chose.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    toolkitMessages = qInstallMessageHandler(onToolkitMessage);
    QApplication app(argc, argv);
    releaseToolkitMessages();
    QApplication::setApplicationName(kProductTitle);
    QApplication::setWindowIcon(applicationIcon());
    useClearCheckBoxes();
    // The tray window is hidden; closing a shown window must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder = QCoreApplication::applicationDirPath();
    QtMessageBoxes boxes;
    QtDialogs dialogs;
    SystemDesktop desktop;
    NativeSettingsArea area;
    // No data folder yet: start-up settles it after the one-copy rule, so a
    // refused second copy touches no file.
    const Clock& clock = programClock();
    ProgramData program(area, clock, programFolder, QString());
    ProgramParts& parts = program.parts;
    ProductNews news;
    AppWindows windows(parts, news, boxes, dialogs, desktop);
    windows.historyRetryMs = std::max(100, int(windows.historyRetryMs * timeScale()));
    windows.alertSender().setPauseScale(timeScale());
    // The window's thread never waits long for a history another program
    // holds: the session is kept and written later.
    program.history.setBusyWait(std::chrono::milliseconds(100));
    if (qEnvironmentVariable("ZELVANE_PRINT_STATUS") == QLatin1String("1"))
        printStatusLines(app, windows);

    // The settings and the watch list are saved before the end, but only by a
    // copy that got past start-up: until then nothing has changed, and a
    // refused copy has read nothing to save.
    bool started = false;
    // A mail the mail program is sending meanwhile is its own: it marks it
    // delivered, and the next start does not send it again.
    onStopSignal(&app, [&](int) {
        if (started)
            endProcessSavingAll(parts);
        std::_Exit(1);
    });
    // The display going away ends the run through exit(): saved as at log-off.
    std::optional<SaveAllOnExit> savedWhenTheDisplayGoes;
    const auto running = [&] {
        started = true;
        savedWhenTheDisplayGoes.emplace(parts);
        // A session manager asks before it ends the desktop session.
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&program] {
            program.settings.save();
            program.watchList.save();
        });
    };
    const StartResult result = startUp(parts, arguments, boxes, windows);
    if (result == StartResult::AlreadyRunning)
        return 1;
    // Started at log-in while a timer's check runs: this copy waits for the
    // check to end and then starts, reading what the check wrote and sent.
    std::unique_ptr<WaitingForCheck> waiting;
    QTimer poll;
    if (result == StartResult::CheckRunning) {
        waiting = std::make_unique<WaitingForCheck>();
        poll.setInterval(250);
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            const StartResult again = startUp(parts, arguments, boxes, windows);
            if (again == StartResult::CheckRunning)
                return;
            poll.stop();
            waiting.reset();
            if (again == StartResult::AlreadyRunning)
                return QCoreApplication::exit(1);
            std::fputs("zelvane: zelvane-check has finished; Zelvane starts\n", stderr);
            running();
        });
        poll.start();
    } else {
        running();
    }
    return app.exec();
}
