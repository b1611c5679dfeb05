#include "ui/frmmenu.h"

#include "app/AutoStart.h"
#include "app/MessageBoxes.h"
#include "itineraries/modMain.h"
#include "net/VersionCheck.h"
#include "notify/PopupGeometry.h"
#include "ui/AppWindows.h"
#include "ui/Skin.h"
#include "ui/frmmain.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>

namespace zelvane {

namespace {

double screenTwipsPerPixel(QScreen* s)
{
    return twipsPerPixel(s ? s->logicalDotsPerInchY() : 96.0);
}

} // namespace

frmmenu::frmmenu(modMain& state, AppWindows& windows, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      state_(state),
      windows_(windows),
      scheduler_(
          state,
          [&windows](bool make) -> CheckEngine* {
              if (!make && !windows.mainWindowMade())
                  return nullptr;
              return &windows.mainWindow().engine();
          },
          [&windows]() -> StatusLine& { return windows.mainWindow(); }, this)
{
    setObjectName(QStringLiteral("frmmenu"));
    setWindowTitle(kProductTitle);
    const double perPixel = screenTwipsPerPixel(QGuiApplication::primaryScreen());
    const auto px = [perPixel](int twips) { return toPixels(twips, perPixel); };
    setFixedSize(px(kMenuWidth), px(kMenuHeight));

    QFont title(QStringLiteral("Arial"));
    title.setPointSize(12);
    title.setBold(true);
    Label1_ = new QLabel(QStringLiteral("Options"), this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setFont(title);
    Label1_->setStyleSheet(QStringLiteral("color: white"));
    Label1_->setGeometry(px(495), px(0), px(1860), px(330));

    QFont itemFont(QStringLiteral("Arial"));
    itemFont.setPointSizeF(9.75);
    const auto item = [&](const char* name, const QString& text, int top, int height) {
        auto* l = new QLabel(text, this);
        l->setIndent(4);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(itemFont);
        l->setAutoFillBackground(true);
        l->setGeometry(px(495), px(top), px(1950), px(height));
        l->setMouseTracking(true);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        return l;
    };
    lblsettings_ = item("lblsettings", QStringLiteral("Settings"), 720, 285);
    lblResult_ = item("lblResult", QStringLiteral("Show Results"), 1080, 285);
    lblExit_ = item("lblExit", QStringLiteral("Exit"), 1485, 330);
    Label1_->setMouseTracking(true);
    Label1_->installEventFilter(this);
    highlight(nullptr);
}

QCoro::Task<> frmmenu::Form_Load()
{
    TrayIcon();
    if (state_.settings.m_Autostartup == 1)
        SetAutoStart(true);
    const QPointer<frmmenu> self(this);
    co_await VerCheck();
    if (self)
        scheduler_.Timer1.start();
}

QCoro::Task<> frmmenu::VerCheck()
{
    AppWindows& windows = windows_;
    const QPointer<frmmenu> self(this);
    const VerCheckOutcome outcome =
        co_await zelvane::VerCheck(state_, [&windows] { return windows.resultsPanelVisible(); });
    // A window made later shows the news at its load, from the flag.
    if (self && outcome == VerCheckOutcome::NewVersion && windows_.mainWindowMade())
        static_cast<SessionView&>(windows_.mainWindow()).showNewVersion();
}

void frmmenu::TrayIcon()
{
    setWindowIcon(applicationIcon());
    ADDIcon();
}

void frmmenu::ADDIcon()
{
    // No tooltip until the main window has been seen.
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // A StatusNotifier host reports every left click as Trigger and
        // never a double click; on an XEmbed tray a single click does nothing.
        const bool opens = r == QSystemTrayIcon::DoubleClick
                           || (r == QSystemTrayIcon::Trigger && windows_.statusNotifierTray
                               && windows_.statusNotifierTray());
        if (r == QSystemTrayIcon::Context)
            Form_Activate();
        else if (opens)
            windows_.showMainWindow();
    });
    tray_->show();
}

void frmmenu::UpdaIcon(const QIcon& mainIcon)
{
    if (!mainIcon.isNull())
        lastMainIcon_ = mainIcon;
    if (!tray_)
        return;
    // A refused login outweighs the blink: the warning stays until a login succeeds.
    const QIcon normal = lastMainIcon_.isNull() ? windowIcon() : lastMainIcon_;
    const QIcon shown = state_.loginTrouble ? loginTroubleIcon() : normal;
    // The blink calls this ten times a second; an unchanged picture is not redrawn.
    if (!shown.isNull() && shown.cacheKey() != tray_->icon().cacheKey())
        tray_->setIcon(shown);
    // No tooltip until the main window has been seen, unless there is trouble to tell.
    const QString tip = state_.loginTrouble ? kTrayLoginTrouble
                        : lastMainIcon_.isNull() ? QString() : kTrayToolTip;
    if (tray_->toolTip() != tip)
        tray_->setToolTip(tip);
}

void frmmenu::showLoginTrouble(bool refused)
{
    state_.loginTrouble = refused;
    UpdaIcon({});
}

void frmmenu::Form_Activate()
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (s)
        move(menuPlace(s->geometry(), screenTwipsPerPixel(s)));
    highlight(nullptr);
    show();
    raise();
    activateWindow();
}

// The window's own panel switches: each panel comes with its own parts (the
// results legend and hint only with the results) and its tab marked.
void frmmenu::lblsettings_Click()
{
    hide();
    windows_.mainWindow().ImageMyD_Click();
    windows_.showMainWindow();
}

void frmmenu::lblResult_Click()
{
    hide();
    windows_.mainWindow().ImageResult_Click();
    windows_.showMainWindow();
}

void frmmenu::lblExit_Click()
{
    EndProgram(state_);
}

void frmmenu::highlight(QLabel* under)
{
    const QColor lit = palette().color(QPalette::Active, QPalette::HighlightedText);
    for (QLabel* l : {lblsettings_, lblResult_, lblExit_}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, l == under ? lit : kMenuItemColour);
        p.setColor(QPalette::WindowText, l == under ? kMenuItemColour : QColor(Qt::white));
        l->setPalette(p);
    }
}

bool frmmenu::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseMove) {
        if (watched == Label1_)
            hide();
        else
            highlight(qobject_cast<QLabel*>(watched));
    } else if (e->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == lblsettings_)
            lblsettings_Click();
        else if (watched == lblResult_)
            lblResult_Click();
        else if (watched == lblExit_)
            lblExit_Click();
    }
    return QWidget::eventFilter(watched, e);
}

void frmmenu::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        hide();
}

void frmmenu::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawMenuFace(p, rect());
}

} // namespace zelvane
