// The main window's controls as it first makes them: the header with its
// tabs and buttons, the panels, and the row of legend and status below.
#include "ui/MainWindow.h"

#include "app/Settings.h"
#include "itineraries/WatchList.h"
#include "net/VersionCheck.h"
#include "notify/SessionAlerter.h"
#include "startup/CheckRig.h"
#include "ui/AlertsPanel.h"
#include "ui/ImageButton.h"
#include "ui/ItineraryPanel.h"
#include "ui/MainWindowLayout.h"
#include "ui/MemberPanel.h"
#include "ui/ResultsPanel.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>

namespace zelvane {

using namespace window_layout;

namespace {

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

} // namespace zelvane
