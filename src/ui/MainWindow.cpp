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
#include "ui/MainWindowLayout.h"
#include "ui/WindowFrame.h"

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

using namespace window_layout;

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
