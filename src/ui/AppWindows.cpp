#include "ui/AppWindows.h"
#include "ui/ShowWebPage.h"

#include "app/Clock.h"
#include "app/MessageBoxes.h"
#include "engine/Scheduler.h"
#include "itineraries/Itinerary.h"
#include "notify/AlertSender.h"
#include "notify/PopupGeometry.h"
#include "notify/SessionAlerter.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "ui/AboutWindow.h"
#include "ui/Skin.h"
#include "ui/SeatPopup.h"
#include "ui/MainWindow.h"
#include "ui/TrayBlink.h"
#include "ui/TrayMenu.h"
#include "ui/WatchHolds.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>
#include <utility>

namespace zelvane {

namespace {

// The longest the no-tray notice waits for the main window to be placed.
constexpr int kPlacedWithinMs = 3000;
// The pop-ups stack up in this many places before the first is used again.
constexpr int kPopupPlaces = 4;

// Runs `then` once from the event loop, as soon as `w` is on the screen. A
// window manager places a window only after it is shown, so a box parented
// to it and shown before then is centred over where it is not; it must come
// even where no exposure is ever reported, so waiting ends after `latestMs`.
class WhenShown final : public QObject {
public:
    WhenShown(QWidget& w, int latestMs, std::function<void()> then) : QObject(&w), then_(std::move(then))
    {
        QWindow* window = w.windowHandle();
        if (window && window->isExposed()) {
            go();
            return;
        }
        if (window)
            window->installEventFilter(this);
        QTimer::singleShot(latestMs, this, [this] { go(); });
    }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            go();
        return false;
    }

private:
    void go()
    {
        if (!then_)
            return;
        // Out of the handler that saw the window come up: the box runs a loop of its own.
        QTimer::singleShot(0, parent(), std::exchange(then_, nullptr));
        deleteLater();
    }

    std::function<void()> then_;
};

} // namespace

AppWindows::AppWindows(ProgramParts& parts, ProductNews& news, MessageBoxes& boxes, Dialogs& dialogs,
                       const DesktopFacts& desktop)
    : parts_(parts), news_(news),
      post_(std::make_unique<AlertSender>(parts.outbox, parts.settings.channels,
                                          SettingsField<Member, QString>{parts.settings.member, &Member::email}, boxes,
                                          parts.data.clock)),
      boxes_(boxes),
      dialogs_(dialogs),
      desktop_(desktop),
      blink_(std::make_unique<TrayBlink>()),
      scheduler_(parts.settings.schedule, parts.data.watchList, parts.data.clock, *this)
{
    QObject::connect(blink_.get(), &TrayBlink::pictureChanged, blink_.get(), [this](int picture) {
        if (menu_)
            menu_->setTrayIcon(listPicture(picture));
        if (main_)
            main_->showPicture(picture);
    });
}

AppWindows::~AppWindows()
{
    waitingPopups_.clear();
    for (auto& p : places_)
        delete p.data();
    delete about_.data();
}

void AppWindows::endProgram()
{
    endProcess(parts_.settings, parts_.data.history, &parts_.instance);
}

void AppWindows::openPage(const QString& address)
{
    QString page = address;
    showWebPage(page, dialogs_);
}

QCoro::Task<> AppWindows::checkVersion()
{
    if (menu_)
        co_await menu_->checkVersion();
}

MainWindow& AppWindows::mainWindow()
{
    if (!main_) {
        rig_ = std::make_unique<CheckRig>(parts_.data, *post_, desktop_);
        main_ = std::make_unique<MainWindow>(parts_.settings, parts_.data, *rig_, news_, nullptr, &boxes_, &dialogs_);
        joinMainWindow(*main_);
    }
    return *main_;
}

CheckEngine* AppWindows::engine(bool make)
{
    if (!make && !rig_)
        return nullptr;
    return &checkRig().engine();
}

CheckRig& AppWindows::checkRig()
{
    mainWindow();
    return *rig_;
}

void AppWindows::joinMainWindow(MainWindow& w)
{
    CheckEngine& engine = rig_->engine();
    QObject::connect(&engine, &CheckEngine::seatsAnnounced, &w,
                     [this](const Announcement& a) { announce(a); });
    QObject::connect(&w, &MainWindow::testPopupAsked, &w, [this] { raiseTestPopup(); });
    QObject::connect(&engine, &CheckEngine::loginTroubleChanged, &w, [this](bool refused) {
        if (menu_)
            menu_->showLoginTrouble(refused);
    });
    // "Show results" on a desktop note: the window turns to its results by
    // itself, but a tray program's window is usually hidden, so it comes up.
    QObject::connect(&rig_->alerts().desktop(), &DesktopNotifier::resultsAsked, &w,
                     [this] { showResultsFromPopup(); });
    // The announcement has been seen.
    QObject::connect(&w, &MainWindow::windowActivated, &w, [this] { blink_->stop(); });
    w.setHost(this);
    QObject::connect(&engine, &CheckEngine::loginLockoutChanged, &w, [this](bool locked) {
        if (locked)
            scheduler_.lockoutRetryTimer.start();
        else
            scheduler_.lockoutRetryTimer.stop();
    });
}

void AppWindows::showMainWindow()
{
    MainWindow& w = mainWindow();
    // Back as it was left: maximised stays maximised.
    if (w.isMinimized())
        w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.show();
    w.raise();
    w.activateWindow();
}

void AppWindows::showFirstRun()
{
    MainWindow& w = mainWindow();
    w.openAtMemberDetails();
    w.show();
}

void AppWindows::loadTrayWindow()
{
    if (menu_)
        return;
    menu_ = std::make_unique<TrayMenu>(parts_.settings.start, news_, *this);
    loadTrayThenSchedule();
    // Alerts left waiting by an earlier run go out without waiting for a check.
    const auto showWaiting = [this] { menu_->showWaiting(post_->outbox().summary()); };
    QObject::connect(post_.get(), &AlertSender::waitingChanged, menu_.get(), showWaiting);
    showWaiting();
    post_->retryWhenDue();
    // A session the history could not take (another program held it) is
    // written once it can be, a try at a time: nothing waits for the file.
    auto* historyRetry = new QTimer(menu_.get());
    QObject::connect(historyRetry, &QTimer::timeout, menu_.get(), [this] {
        HistoryStore& history = parts_.data.history;
        if (history.hasUnsaved())
            history.saveUnsaved(parts_.data.clock.now());
    });
    historyRetry->start(historyRetryMs);
    if (!trayShown()) {
        showWithoutTray();
        // It keeps looking, so the icon still docks in a panel that starts later.
        trayLook_ = new QTimer(menu_.get());
        QObject::connect(trayLook_, &QTimer::timeout, menu_.get(), [this] { lookForTray(); });
        trayLook_->start(trayPollMs);
    }
}

QCoro::Task<> AppWindows::loadTrayThenSchedule()
{
    // The schedule ticks once the version check has come back.
    co_await menu_->onLoad();
    scheduler_.scheduleTimer.start();
}

bool AppWindows::trayShown() const
{
    return menu_ && menu_->tray() && desktop_.trayAvailable();
}

void AppWindows::lookForTray()
{
    if (!trayShown())
        return;
    // A panel that came up late (or again): the icon goes into it now.
    menu_->tray()->hide();
    menu_->tray()->show();
    trayLook_->stop();
}

void AppWindows::showWithoutTray()
{
    // Without a tray the icon would be nowhere, and the program would run unseen.
    if (noTrayTold_)
        return;
    noTrayTold_ = true;
    showMainWindow();
    new WhenShown(mainWindow(), kPlacedWithinMs,
                  [this] { boxes_.show(kNoTrayText, kProductTitle, MsgIcon::Information, MsgButtons::Ok); });
}

bool AppWindows::resultsPanelVisible()
{
    // A window not made (or not loaded) yet shows no panel, and is not made only to say so.
    if (!main_ || !main_->built())
        return false;
    const auto* panel = main_->findChild<QWidget*>(QStringLiteral("resultsPanel"));
    return panel && panel->isVisibleTo(main_.get());
}

void AppWindows::announce(const Announcement& announcement)
{
    raisePopup(announcement);
    blink_->start();
}

void AppWindows::raiseTestPopup()
{
    // Only in a free place: a test never pushes an alert aside or waits among them.
    const int place = freePopupPlace();
    if (place < 0 || !waitingPopups_.isEmpty())
        return;
    // A flight that reads as one, marked so it is not taken for seats found.
    const QDate date = parts_.data.clock.now().date().addMonths(1);
    SeatPopup* p = showPopupIn(place, {QStringLiteral("Sydney"), QStringLiteral("Melbourne"),
                                       dateText(date) + QStringLiteral(" (test)")});
    // Nothing was found, so nothing waits to be seen: it goes by itself.
    QTimer::singleShot(testPopupMs, p, &QWidget::close);
}

int AppWindows::popupPlaces() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? reminderPlaces(s->availableGeometry(), twipsPerPixel(s->logicalDotsPerInchY())) : 1;
}

int AppWindows::freePopupPlace() const
{
    const int places = popupPlaces();
    for (int i = 0; i < places; ++i)
        if (i >= places_.size() || !places_[i])
            return i;
    return -1;
}

void AppWindows::raisePopup(const Announcement& announcement)
{
    // Told in the order found: a free place only once none waits before it.
    if (const int place = freePopupPlace(); place >= 0 && waitingPopups_.isEmpty()) {
        showPopupIn(place, announcement);
        return;
    }
    waitingPopups_ << announcement;
    tellWaitingPopups();
}

SeatPopup* AppWindows::showPopupIn(int place, const Announcement& announcement)
{
    auto* p = new SeatPopup(dialogs_);
    if (places_.size() <= place)
        places_.resize(place + 1);
    places_[place] = p;
    QObject::connect(p, &SeatPopup::resultsAsked, p, [this] { showResultsFromPopup(); });
    QObject::connect(p, &SeatPopup::snoozeAsked, p, [this](const QString& watch) {
        mainWindow().watchHolds().snoozeWeek(watch);
    });
    // Gone from its place, it leaves the place to the next that waits.
    QObject::connect(p, &QObject::destroyed, &popupContext_,
                     [this] { QTimer::singleShot(0, &popupContext_, [this] { fillFreedPlaces(); }); });
    p->start(announcement, place + 1, mainWindowPlace());
    return p;
}

void AppWindows::tellWaitingPopups()
{
    if (morePopup_) {
        morePopup_->setMore(int(waitingPopups_.size()));
        return;
    }
    const int last = popupPlaces() - 1;
    if (places_.size() <= last)
        places_.resize(last + 1);
    // The last place's own announcement waits with the others from now on.
    if (SeatPopup* resting = places_[last]) {
        QObject::disconnect(resting, &QObject::destroyed, &popupContext_, nullptr);
        waitingPopups_.prepend(resting->announcement());
        delete resting;
    }
    morePopup_ = new SeatPopup(dialogs_);
    places_[last] = morePopup_;
    // Seen in the results, what waited is told.
    QObject::connect(morePopup_, &SeatPopup::resultsAsked, morePopup_, [this] {
        waitingPopups_.clear();
        showResultsFromPopup();
    });
    morePopup_->startMore(int(waitingPopups_.size()), last + 1, mainWindowPlace());
}

void AppWindows::fillFreedPlaces()
{
    while (!waitingPopups_.isEmpty()) {
        const int place = freePopupPlace();
        if (place < 0)
            break;
        showPopupIn(place, waitingPopups_.takeFirst());
    }
    if (!morePopup_)
        return;
    if (waitingPopups_.isEmpty())
        morePopup_->close();
    else
        morePopup_->setMore(int(waitingPopups_.size()));
}

QRect AppWindows::mainWindowPlace() const
{
    // A pop-up never comes over the window while it is shown.
    return main_ && main_->isVisible() && !main_->isMinimized() ? main_->frameGeometry() : QRect();
}

SeatPopup* AppWindows::popup(int place) const
{
    return places_.value(place).data();
}

void AppWindows::showResultsFromPopup()
{
    // A tray program's main window is usually hidden: switching panels in it
    // alone would show the user nothing, so it always comes up.
    showMainWindow();
    mainWindow().showResultsPanel();
}

AboutWindow& AppWindows::showAbout()
{
    if (!about_) {
        about_ = new AboutWindow(parts_.settings.start, dialogs_);
        QObject::connect(about_, &AboutWindow::updatesAsked, about_, [this] { mainWindow().updateCities(); });
        // In the middle of the screen the user is looking at: the main
        // window's, else the tray's.
        QScreen* screen = nullptr;
        if (main_ && main_->isVisible())
            screen = main_->screen();
        else if (menu_ && menu_->tray() && menu_->tray()->geometry().isValid())
            screen = QGuiApplication::screenAt(menu_->tray()->geometry().center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect placed(QPoint(), about_->size());
            placed.moveCenter(screen->availableGeometry().center());
            about_->move(placed.topLeft());
        }
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
    return *about_;
}

} // namespace zelvane
