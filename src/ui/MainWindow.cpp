#include "ui/MainWindow.h"

#include "app/DataFolder.h"
#include "app/MemberDetails.h"
#include "app/MessageBoxes.h"
#include "ui/ShowWebPage.h"
#include "app/Settings.h"
#include "browser/HttpBrowser.h"
#include "history/HistoryStore.h"
#include "itineraries/ItineraryEditing.h"
#include "itineraries/WatchList.h"
#include "net/VersionCheck.h"
#include "notify/AlertSender.h"
#include "notify/PopupGeometry.h"
#include "notify/SessionAlerter.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "ui/AlertsPanel.h"
#include "ui/ImageButton.h"
#include "ui/ItineraryPanel.h"
#include "ui/MemberPanel.h"
#include "ui/QtDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/ResultsPanel.h"
#include "ui/WindowFrame.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>

namespace zelvane {

namespace {

// The window's geometry, in logical pixels. The least size is the one the
// controls were laid out for; a larger window gives what it gains to the
// panel, and the controls keep to the edge nearest them.
constexpr int kHeader = 46;
constexpr int kTabTop = 56;
constexpr int kTabHeight = 30;
constexpr int kTabWidth = 112;
constexpr int kSide = 16;             // between the panel and the window's sides
constexpr int kPanelTop = 96;
constexpr int kBelowPanel = 64;       // the legend's row and the status strip
// The panel's frame is a pixel wider on each side than the panel within.
constexpr QSize kLeastSize = kPanelLeastSize + QSize(2 * kSide + 2, kPanelTop + kBelowPanel + 2);
constexpr int kLegendFromBottom = 58;
constexpr int kStatusHeight = 32;
constexpr int kRound = 28;            // the round buttons of the header
constexpr int kGrip = WindowFrame::kGrip;

// The tab buttons, in the order of the panels they show.
const struct {
    const char* name;
    int pressed; // the first of its three pictures
    const char* tip;
} kTabs[] = {{"memberTabButton", 1, "Add/Modify Qantas Login Details"},
             {"itineraryTabButton", 4, "Add/Modify Itinerary Details"},
             {"resultsTabButton", 13, "View Your Results Here"}};

QIcon noticeIcon(bool over)
{
    // The alert button: a bright disc with an exclamation mark, drawn at twice
    // its size so that it stays sharp at 200 %.
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(over ? QColor(0xff, 0xe0, 0x66) : QColor(0xfc, 0xc4, 0x19));
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setBrush(QColor(0x3d, 0x2c, 0x00));
    p.drawRoundedRect(QRectF(21, 10, 6, 19), 3, 3);
    p.drawEllipse(QRectF(20.5, 32, 7, 7));
    return QIcon(pm);
}

} // namespace

MainWindow::MainWindow(Settings& settings, SessionParts parts, CheckRig& rig, ProductNews& news, QWidget* parent,
                       MessageBoxes* boxes, Dialogs* dialogs)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      settings_(settings),
      parts_(parts),
      rig_(rig),
      news_(news),
      ownBoxes_(boxes ? nullptr : std::make_unique<QtMessageBoxes>()),
      boxes_(boxes ? *boxes : *ownBoxes_),
      ownDialogs_(dialogs ? nullptr : std::make_unique<QtDialogs>()),
      dialogs_(dialogs ? *dialogs : *ownDialogs_),
      theme_(currentTheme()),
      results_(parts.watchList, rig.results(), parts.clock)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kProductTitle);
    setWindowIcon(listPicture(kBlinkPictureA));
    resize(kLeastSize);
    frame_ = new WindowFrame(*this, settings_.window, kLeastSize, kHeader);
    setPalette(paletteFor(theme_));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);

    // This window stays to answer "Show results" on a desktop note.
    connect(&rig_.alerts().desktop(), &DesktopNotifier::resultsAsked, this, &MainWindow::showResultsPanel);
    // What the session says goes on the status line; what it finds shows as it comes.
    CheckEngine& engine = rig_.engine();
    connect(&rig_.status(), &SessionStatus::changed, this, &MainWindow::setStatus);
    connect(&settings_, &Settings::problem, this, &MainWindow::setStatus);
    connect(&parts_.watchList, &WatchList::changedElsewhere, this,
            [this](const QStringList& added, const QStringList& removed) {
                setStatus(changedElsewhereText(added, removed));
            });
    connect(&engine, &CheckEngine::throttleChanged, this, &MainWindow::showThrottle);
    connect(&engine, &CheckEngine::lastLoginChanged, this, &MainWindow::showLastLogin);
    connect(&engine, &CheckEngine::sessionEnded, this, &MainWindow::sessionEnded);
    // A retry's outcome replaces what the status line said of the outbox.
    AlertSender& post = rig_.alerts().post();
    connect(&post, &AlertSender::waitingChanged, this, [this, &post] {
        if (status_.kind != StatusMessage::Kind::Outbox)
            return;
        const QString waiting = post.outbox().summary();
        setStatus(waiting.isEmpty() ? StatusMessage(kWaitingAlertsSent) : StatusMessage(StatusMessage::Kind::Outbox, 0, waiting));
    });
    results_.setHistory(&parts_.history);
}

CheckEngine& MainWindow::engine()
{
    return rig_.engine();
}

SessionAlerter& MainWindow::alerts()
{
    return rig_.alerts();
}

void MainWindow::sessionEnded(SessionOutcome outcome)
{
    // "Last seen" and the tooltips read what the check added to the history.
    results_.refreshHistory();
    if (outcome == SessionOutcome::Completed)
        showResultsPanel();
    if (outcome == SessionOutcome::NoMember)
        askForMemberDetails();
}

MainWindow::~MainWindow() = default;

void MainWindow::ensureBuilt()
{
    if (built_)
        return;
    built_ = true;
    buildHeader();
    buildPanels();
    buildStatusRow();
    placeControls();
    onLoad();
    // What a check reported meanwhile.
    loginsSentLabel_->setText(loginsSentText_);
    throttleMinutesLabel_->setText(throttleMinutesText_);
    if (resultsAsked_)
        showResultsPanel();
}

void MainWindow::setVisible(bool visible)
{
    if (visible)
        ensureBuilt();
    // Shown for the first time, or made again after the tray kept it: a new
    // native window starts out normal, whatever the window was left in.
    if (visible && !testAttribute(Qt::WA_WState_Created)) {
        frame_->restore();
        // Its first place of the run leaves the pop-ups' column free, where
        // the screen has the room, so no pop-up comes over it; after that it
        // stays where it was put.
        if (const QScreen* s = screen(); s && !testAttribute(Qt::WA_Moved) && !isMaximized())
            if (const auto place = firstWindowPlace(s->availableGeometry(), size(), twipsPerPixel(s->logicalDotsPerInchY())))
                move(*place);
        create();
        windowHandle()->setWindowStates(windowState() & ~Qt::WindowActive);
    }
    QWidget::setVisible(visible);
    // Hidden in the tray, often for days: the native window and the picture
    // of it that the display shares with us (a megabyte, four at 200 %) go,
    // and are made again when the window is next shown.
    if (!visible && testAttribute(Qt::WA_WState_Created))
        destroy();
}

void MainWindow::buildHeader()
{
    const Theme& t = theme_;
    for (const auto& tab : kTabs) {
        auto* b = listButton(tab.name, tab.pressed, t, this);
        b->setGeometry(QRect(tabLeft(int(tabs_.size())), QSize(kTabWidth, kTabHeight)));
        b->setToolTip(QString::fromUtf8(tab.tip));
        const int i = int(tabs_.size());
        connect(b, &ImageButton::activated, this, [this, i] { showPanel(panels_.value(i)); });
        tabs_ << b;
    }
    // The fourth tab draws its own pictures: the button list holds three tabs only.
    auto* alerts = faceButton("alertsTabButton", ButtonFace::Alerts,
                                ImageButton::Trigger::Click, t, this);
    alerts->setGeometry(QRect(tabLeft(int(tabs_.size())), QSize(kTabWidth, kTabHeight)));
    alerts->setToolTip(QStringLiteral("Where alerts go: e-mail, phone, desktop"));
    const int alertsTab = int(tabs_.size());
    connect(alerts, &ImageButton::activated, this, [this, alertsTab] { showPanel(panels_.value(alertsTab)); });
    tabs_ << alerts;

    checkNowButton_ = faceButton("checkNowButton", ButtonFace::CheckNow, ImageButton::Trigger::Release, t, this);
    checkNowButton_->setToolTip(QStringLiteral("Check Now: search every itinerary at once"));
    connect(checkNowButton_, &ImageButton::activated, this, [this] { checkNow(); });

    // The command button does what Check Now does; the skin shows the picture button in its place.
    checkNowKey_ = named(new QPushButton(QStringLiteral("Check Now"), this), "checkNowKey");
    checkNowKey_->hide();
    connect(checkNowKey_, &QPushButton::clicked, this, [this] { checkNow(); });

    // Made from left to right, the order Tab visits them.
    aboutButton_ = faceButton("aboutButton", ButtonFace::Help, ImageButton::Trigger::Release,
                             t, this);
    connect(aboutButton_, &ImageButton::activated, this, [this] {
        if (host_)
            host_->openAbout();
    });
    minimizeButton_ = listButton("minimizeButton", 25, t, this);
    connect(minimizeButton_, &ImageButton::activated, this, &MainWindow::minimize);
    maximizeButton_ = faceButton("maximizeButton", ButtonFace::Maximise, ImageButton::Trigger::Click, t, this);
    connect(maximizeButton_, &ImageButton::activated, frame_, &WindowFrame::toggleMaximized);
    closeButton_ = listButton("closeButton", 22, t, this);
    closeButton_->setAccessibleName(QStringLiteral("Exit"));
    connect(closeButton_, &ImageButton::activated, this, [this] { endProgram(); });

    const ImageButton::Picture notice{noticeIcon(false), QStringLiteral("noticeButton")};
    noticeButton_ = new ImageButton(QStringLiteral("noticeButton"), notice, notice,
                               {noticeIcon(true), QStringLiteral("noticeButton")}, ImageButton::Trigger::Click, this);
    noticeButton_->setToolTip(QStringLiteral("There Is An Alert: Click To Read!"));
    noticeButton_->hide();
    connect(noticeButton_, &ImageButton::activated, this, [this] { showNotice(news_, boxes_); });

    newVersionLabel_ = named(new QLabel(kNewVersionCaption, this), "newVersionLabel");
    newVersionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    newVersionLabel_->setCursor(Qt::PointingHandCursor);
    newVersionLabel_->setStyleSheet(QStringLiteral("color: #ffd43b; text-decoration: underline; font-weight: 600; font-size: 12px;"));
    newVersionLabel_->installEventFilter(this);
    newVersionLabel_->hide();
}

QPoint MainWindow::tabLeft(int i) const
{
    return {16 + i * (kTabWidth + 4), kTabTop};
}

void MainWindow::buildPanels()
{
    // Made in the order of their tabs, which is also the order the keyboard visits them.
    CheckEngine& engine = rig_.engine();
    member_ = new MemberPanel(settings_.member, settings_.mailPolicy, settings_.schedule, boxes_, theme_, this);
    connect(member_, &MemberPanel::detailsSaved, this, &MainWindow::memberDetailsSaved);
    connect(member_, &MemberPanel::loginTestAsked, this, &MainWindow::testLogin);
    // "Cancel" writes the settings file again, whatever else wrote it meanwhile.
    connect(member_, &MemberPanel::loginTestCancelled, this, [this] { settings_.save(); });
    connect(member_, &MemberPanel::testPopupAsked, this, &MainWindow::testPopupAsked);
    // The itinerary form needs more height than the window's least size
    // leaves (or a small screen at a large scale): it scrolls rather than
    // squeezing its rows over each other.
    itineraryScroll_ = named(new QScrollArea(this), "itineraryScroll");
    itineraryScroll_->setFrameShape(QFrame::NoFrame);
    itineraryScroll_->setFocusPolicy(Qt::NoFocus);
    itineraryScroll_->viewport()->setAutoFillBackground(false);
    itinerary_ = new ItineraryPanel(parts_.watchList, parts_.cities, parts_.clock, engine, boxes_, dialogs_, theme_,
                                    this);
    itineraryScroll_->setWidget(itinerary_);
    // A control reached by the keyboard comes into view.
    connect(qApp, &QApplication::focusChanged, itineraryScroll_, [this](QWidget*, QWidget* now) {
        if (now && itinerary_->isAncestorOf(now))
            itineraryScroll_->ensureWidgetVisible(now);
    });
    itinerary_->setAutoFillBackground(false); // the card behind shows through, as around the others
    resultsPanel_ = new ResultsPanel(results_, parts_.watchList, rig_.results(), parts_.history, parts_.clock,
                                     dialogs_, theme_, this);
    resultsPanel_->setHolds(&itinerary_->holds());
    alertsPanel_ = new AlertsPanel(settings_.channels, rig_.alerts(), boxes_, theme_, this);
    panels_ = {member_, itinerary_, resultsPanel_, alertsPanel_};
    for (Panel* p : panels_)
        connect(p, &Panel::statusMessage, this, &MainWindow::setStatus);
}

void MainWindow::buildStatusRow()
{
    // The legend and the hint share the row under the panels.
    const struct {
        const char* image;
        int picture;
        const char* label;
        const char* text;
    } legend[] = {{"seatsLegendPicture", kSeatsPicture, "seatsLegend", "Flight Available"},
                  {"noSeatsLegendPicture", kNoSeatsPicture, "noSeatsLegend", "Flight Not Available"},
                  {"notCheckedLegendPicture", kNotCheckedPicture, "notCheckedLegend", "Not Checked Yet"}};
    int x = 20;
    for (const auto& l : legend) {
        auto* image = named(new QLabel(this), l.image);
        image->setPixmap(listPicture(l.picture).pixmap(QSize(16, 16), qGuiApp->devicePixelRatio()));
        image->setGeometry(x, 0, 16, 16);
        auto* text = named(new QLabel(QString::fromUtf8(l.text), this), l.label);
        text->adjustSize();
        text->setGeometry(x + 21, 0, text->width() + 4, 20);
        x += 21 + text->width() + 20;
        legend_ << image << text;
    }
    // The hint sits above the list it speaks of.
    resultsHint_ = named(new QLabel(QStringLiteral("Please Click on the List and See Results Below  "), this), "resultsHint");
    resultsHint_->setForegroundRole(QPalette::PlaceholderText);
    for (QWidget* w : legend_)
        w->hide();
    resultsHint_->hide();

    statusLabel_ = named(new QLabel(this), "statusLabel");
    QFont f = statusLabel_->font();
    f.setBold(true);
    statusLabel_->setFont(f);
    // A check may have reported before the controls were made.
    if (statusText_.isEmpty())
        statusText_ = status::kWaitingItineraries;
    // Throttle figures of the engine: logins sent, minutes into the window.
    loginsSentLabel_ = named(new QLabel(this), "loginsSentLabel");
    loginsSentLabel_->setToolTip(QStringLiteral("Logins sent in the last five minutes"));
    throttleMinutesLabel_ = named(new QLabel(this), "throttleMinutesLabel");
    throttleMinutesLabel_->setToolTip(QStringLiteral("Minutes since the first of those logins"));
    lastLoginLabel_ = named(new QLabel(this), "lastLoginLabel");
    lastLoginLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lastLoginLabel_->setToolTip(QStringLiteral("Last completed check"));
    // Each figure says what it is where it is shown, not only in its tooltip.
    loginsSentCaption_ = named(new QLabel(QStringLiteral("Logins"), this), "loginsSentCaption");
    throttleMinutesCaption_ = named(new QLabel(QStringLiteral("Minutes"), this), "throttleMinutesCaption");
    loginsSentCaption_->setToolTip(loginsSentLabel_->toolTip());
    throttleMinutesCaption_->setToolTip(throttleMinutesLabel_->toolTip());
    for (QLabel* l : {throttleMinutesLabel_, loginsSentLabel_, lastLoginLabel_, loginsSentCaption_, throttleMinutesCaption_})
        l->setForegroundRole(QPalette::PlaceholderText);
}

QRect MainWindow::panelRect() const
{
    return {kSide, kPanelTop, width() - 2 * kSide, height() - kPanelTop - kBelowPanel};
}

BackgroundLayout MainWindow::backgroundLayout() const
{
    // Filling the screen, the card has no corners to round.
    return {size(), kHeader, panelRect(), height() - kStatusHeight, isMaximized() || isFullScreen()};
}

void MainWindow::placeControls()
{
    const int w = width(), h = height();
    checkNowButton_->setGeometry(w - kSide - 156, kTabTop, 156, kTabHeight);
    checkNowKey_->setGeometry(checkNowButton_->geometry());
    // The round buttons from the right: close, maximise, minimise, about;
    // close together, so the new-version notice fits beside the name.
    const int top = (kHeader - kRound) / 2;
    const QList<ImageButton*> round{closeButton_, maximizeButton_, minimizeButton_, aboutButton_};
    for (int i = 0; i < round.size(); ++i)
        round[i]->setGeometry(w - 12 - (i + 1) * kRound - i * 2, top, kRound, kRound);
    noticeButton_->setGeometry(aboutButton_->x() - 30, top + 2, 24, 24);
    newVersionLabel_->setGeometry(256, 0, noticeButton_->x() - 8 - 256, kHeader);

    const QRect panel = panelRect();
    for (Panel* p : panels_)
        if (p != itinerary_)
            p->setGeometry(panel.adjusted(1, 1, -1, -1));
    if (itineraryScroll_) {
        itineraryScroll_->setGeometry(panel.adjusted(1, 1, -1, -1));
        // The form takes the room there is, and never less than it needs:
        // short of that the area scrolls. (Sized here, not by the area: its
        // own sizing goes by the form's preferred height, which is the
        // list's, and would scroll a form that fits.)
        const QSize room = itineraryScroll_->maximumViewportSize(), least = itinerary_->minimumSizeHint();
        QSize size = room.expandedTo(least);
        if (least.height() > room.height())
            size.setWidth(std::max(least.width(), room.width() - itineraryScroll_->verticalScrollBar()->sizeHint().width()));
        itinerary_->resize(size);
    }
    resultsHint_->setGeometry(panel.x() + 16, panel.y() + 6, panel.width() - 32, 22);
    // Each picture and caption of the legend centred on its row.
    for (QWidget* l : legend_)
        l->move(l->x(), h - kLegendFromBottom + (20 - l->height()) / 2);

    // The status line takes the width; the throttle figures and the last
    // login keep to the right, clear of the resizing corner.
    const int statusTop = h - kStatusHeight;
    int left = w - 160; // from the last login leftwards: each figure, its caption before it
    for (auto [caption, figure] :
         {std::pair{throttleMinutesCaption_, throttleMinutesLabel_}, {loginsSentCaption_, loginsSentLabel_}}) {
        figure->setGeometry(left -= 22, statusTop, 22, kStatusHeight);
        const int width = caption->sizeHint().width();
        caption->setGeometry(left -= width + 3, statusTop, width, kStatusHeight);
        left -= 6;
    }
    statusLabel_->setGeometry(18, statusTop, left - 18, kStatusHeight);
    lastLoginLabel_->setGeometry(w - 160, statusTop, 160 - kGrip - 6, kStatusHeight);
    showStatusText();
}

void MainWindow::onLoad()
{
    // Each step stands on its own: one that finds nothing to do leaves the next to run.
    refreshSkin();
    lastLoginLabel_->setText(lastLoginText(parts_.schedule->lastLoginTime));
    lockMemberDetails();
    member_->load();
    alertsPanel_->load();
    itinerary_->load();
    showItineraryPanel();
    if (showNewVersionLabel(news_)) {
        newVersionLabel_->show();
        resultsHint_->hide();
    }
    // A history moved aside at start-up is told when the user first looks,
    // not only after the next check.
    if (const QString notice = parts_.history.takeNotice(); !notice.isEmpty())
        setStatus(notice);
    // So is a line of the watch list that cannot be read.
    if (const QStringList problems = parts_.watchList.problems(); !problems.isEmpty())
        setStatus(problems.size() == 1 ? problems.first()
                                       : QStringLiteral("%1 lines of %2 cannot be read; they are kept as they are "
                                                        "and not checked")
                                             .arg(problems.size())
                                             .arg(kQueryFile));
    // And settings that could not be read, or saved before the window was made.
    if (const QString notice = settings_.takeNotice(); !notice.isEmpty())
        setStatus(notice);
    fetchNotice();
}

void MainWindow::showPanel(Panel* panel)
{
    current_ = panel;
    for (Panel* p : panels_)
        p->setVisible(p == panel);
    if (itineraryScroll_)
        itineraryScroll_->setVisible(panel == itinerary_);
    // The legend and the hint speak of the results view only.
    const bool results = panel == resultsPanel_;
    resultsHint_->setVisible(results);
    for (QWidget* w : legend_)
        w->setVisible(results);
    checkNowKey_->setEnabled(checkNowButton_->isEnabled());
    // The focus ring left on a tab moves to the tab of the panel shown (the
    // tray's "Show Results" chooses a panel without a key or a click), and a
    // window made for a panel opens with it there: never on one tab while
    // another panel shows.
    QWidget* focused = focusWidget();
    if (ImageButton* tab = tabs_.value(int(panels_.indexOf(panel)));
        tab && (!focused || tabs_.contains(qobject_cast<ImageButton*>(focused))))
        tab->setFocus();
    if (!results && showNewVersionLabel(news_)) {
        newVersionLabel_->show();
        resultsHint_->hide();
    }
    update(); // the tab marker follows the panel
}

void MainWindow::showMemberPanel()
{
    ensureBuilt();
    showPanel(member_);
}

void MainWindow::showItineraryPanel()
{
    ensureBuilt();
    showPanel(itinerary_);
}

WatchHolds& MainWindow::watchHolds()
{
    ensureBuilt();
    return itinerary_->holds();
}

void MainWindow::showResultsPanel()
{
    // The end of a check asks for it; a window not made up yet shows it when it is.
    if (!built_) {
        resultsAsked_ = true;
        return;
    }
    showPanel(resultsPanel_);
}

void MainWindow::onActivate()
{
    lastLoginLabel_->setText(lastLoginText(parts_.schedule->lastLoginTime));
    emit windowActivated();
}

void MainWindow::refreshSkin()
{
    // The shape, in logical pixels, from a picture drawn for it and let go:
    // the window paints its face anew, holding no megabyte picture of it.
    setMask(mainShape(backgroundLayout()));
}

bool MainWindow::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowActivate: onActivate(); break;
    case QEvent::ScreenChangeInternal: refreshSkin(); break;
    case QEvent::WindowStateChange: showWindowState(); break;
    case QEvent::Show: setWindowIcon(listPicture(picture_)); break;
    default: break;
    }
    return QWidget::event(e);
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const BackgroundLayout layout = backgroundLayout();
    drawMainBackground(p, layout, theme_);
    if (!layout.square)
        drawSizeGrip(p, QRectF(width() - kGrip + 2, height() - kGrip + 2, 10, 10), theme_.dim);
    // A bar under the tab of the panel in view.
    const int i = int(panels_.indexOf(current_));
    if (i < 0)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(theme_.pressed);
    p.drawRoundedRect(QRectF(tabLeft(i).x() + 10, kTabTop + kTabHeight + 3, kTabWidth - 20, 3), 1.5, 1.5);
}

void MainWindow::mouseMoveEvent(QMouseEvent*)
{
    for (ImageButton* b : tabs_)
        b->resetPicture();
    for (ImageButton* b : {minimizeButton_, maximizeButton_, closeButton_, checkNowButton_, aboutButton_})
        b->resetPicture();
}

void MainWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (!built_)
        return;
    placeControls();
    refreshSkin();
}

void MainWindow::showWindowState()
{
    if (!built_)
        return;
    const bool maximised = isMaximized();
    const Theme& t = theme_;
    setButtonFace(*maximizeButton_, maximised ? ButtonFace::Restore : ButtonFace::Maximise, t);
    const QString what = maximised ? QStringLiteral("Restore") : QStringLiteral("Maximise");
    maximizeButton_->setToolTip(what);
    maximizeButton_->setAccessibleName(what);
    refreshSkin();
    update();
}

void MainWindow::endProgram()
{
    if (host_)
        return host_->endProgram();
    frame_->keepPlacement();
    endProcess(settings_, parts_.history);
}

void MainWindow::openPage(const QString& address)
{
    if (host_)
        return host_->openPage(address);
    QString page = address;
    showWebPage(page, dialogs_);
}

bool MainWindow::trayShown() const
{
    return !host_ || host_->trayShown();
}

void MainWindow::minimize()
{
    if (trayShown())
        hide();
    else
        showMinimized(); // to the task bar, where the user can find it again
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // Without a tray icon nothing would be left to bring the window back.
    if (!trayShown())
        return endProgram();
    frame_->keepPlacement();
    settings_.save();
    parts_.watchList.save();
    QWidget::closeEvent(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease && watched == newVersionLabel_) {
        offerNewVersion();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace zelvane
