#include "ui/TrayMenu.h"

#include "app/AutoStart.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "net/VersionCheck.h"
#include "notify/DesktopFacts.h"
#include "notify/PopupGeometry.h"
#include "startup/CheckRig.h"
#include "ui/AppWindows.h"
#include "ui/Skin.h"
#include "ui/MainWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
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

TrayMenu::TrayMenu(const SettingsGroup<StartChoice>& start, ProductNews& news, AppWindows& windows,
                   QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      start_(start),
      news_(news),
      windows_(windows)
{
    setObjectName(QStringLiteral("trayWindow"));
    setWindowTitle(kProductTitle);
    // The arrows, Tab, Return and Escape work the menu too.
    setFocusPolicy(Qt::StrongFocus);
    const double perPixel = screenTwipsPerPixel(QGuiApplication::primaryScreen());
    const auto px = [perPixel](int twips) { return toPixels(twips, perPixel); };
    setFixedSize(px(kMenuWidth), px(kMenuHeight));

    QFont title(QStringLiteral("Arial"));
    title.setPointSize(12);
    title.setBold(true);
    heading_ = new QLabel(QStringLiteral("Options"), this);
    heading_->setObjectName(QStringLiteral("menuHeading"));
    heading_->setFont(title);
    heading_->setStyleSheet(QStringLiteral("color: white"));
    heading_->setGeometry(33, 0, 124, 22);

    QFont itemFont(QStringLiteral("Arial"));
    itemFont.setPointSizeF(9.75);
    const auto item = [&](const char* name, const QString& text, int top, int height) {
        auto* l = new QLabel(text, this);
        l->setIndent(4);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(itemFont);
        l->setAutoFillBackground(true);
        l->setGeometry(33, top, 130, height);
        l->setMouseTracking(true);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        return l;
    };
    settingsItem_ = item("settingsItem", QStringLiteral("Settings"), 48, 19);
    resultsItem_ = item("resultsItem", QStringLiteral("Show Results"), 72, 19);
    exitItem_ = item("exitItem", QStringLiteral("Exit"), 99, 22);
    heading_->setMouseTracking(true);
    heading_->installEventFilter(this);
    highlight(nullptr);
}

QCoro::Task<> TrayMenu::onLoad()
{
    makeTrayIcon();
    if (start_->startsWithDesktop())
        setAutoStart(true);
    co_await checkVersion();
}

QCoro::Task<> TrayMenu::checkVersion()
{
    AppWindows& windows = windows_;
    const QPointer<TrayMenu> self(this);
    const VersionCheckOutcome outcome =
        co_await zelvane::checkVersion(news_, [&windows] { return windows.resultsPanelVisible(); });
    // A window made later shows the news at its load, from the flag.
    if (self && outcome == VersionCheckOutcome::NewVersion && windows_.mainWindowMade())
        windows_.mainWindow().showNewVersion();
}

void TrayMenu::makeTrayIcon()
{
    setWindowIcon(applicationIcon());
    addTrayIcon();
}

void TrayMenu::addTrayIcon()
{
    // No tooltip until the main window has been seen.
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // A StatusNotifier host reports every left click as Trigger and
        // never a double click; on an XEmbed tray a single click does nothing.
        const bool opens = r == QSystemTrayIcon::DoubleClick
                           || (r == QSystemTrayIcon::Trigger && windows_.desktop().statusNotifierTray());
        if (r == QSystemTrayIcon::Context)
            onActivate();
        else if (opens)
            windows_.showMainWindow();
    });
    tray_->show();
}

void TrayMenu::setTrayIcon(const QIcon& mainIcon)
{
    if (!mainIcon.isNull())
        lastMainIcon_ = mainIcon;
    if (!tray_)
        return;
    // A refused login outweighs the blink: the warning stays until a login succeeds.
    const QIcon normal = lastMainIcon_.isNull() ? windowIcon() : lastMainIcon_;
    const QIcon shown = loginTrouble_ ? loginTroubleIcon() : normal;
    // The blink calls this ten times a second; an unchanged picture is not redrawn.
    if (!shown.isNull() && shown.cacheKey() != tray_->icon().cacheKey())
        tray_->setIcon(shown);
    // No tooltip until the main window has been seen, unless there is trouble to tell.
    const QString tip = loginTrouble_          ? kTrayLoginTrouble
                        : !waiting_.isEmpty()    ? waiting_
                        : lastMainIcon_.isNull() ? QString()
                                                 : kTrayToolTip;
    if (tray_->toolTip() != tip)
        tray_->setToolTip(tip);
}

void TrayMenu::showLoginTrouble(bool refused)
{
    loginTrouble_ = refused;
    setTrayIcon({});
}

void TrayMenu::showWaiting(const QString& summary)
{
    waiting_ = summary;
    setTrayIcon({});
}

void TrayMenu::onActivate()
{
    // Beside the icon, inside the work area, whichever edge its panel is on.
    // A tray that does not say where the icon is was clicked where the pointer is.
    QRect icon = tray_ ? tray_->geometry() : QRect();
    if (!icon.isValid())
        icon = QRect(QCursor::pos(), QSize(1, 1));
    QScreen* s = QGuiApplication::screenAt(icon.center());
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (s)
        move(menuPlace(s->availableGeometry(), icon, screenTwipsPerPixel(s)));
    highlight(nullptr);
    show();
    raise();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
}

// The window's own panel switches: each panel comes with its own parts (the
// results legend and hint only with the results) and its tab marked.
void TrayMenu::openSettings()
{
    hide();
    windows_.mainWindow().showMemberPanel();
    windows_.showMainWindow();
}

void TrayMenu::showResults()
{
    hide();
    windows_.mainWindow().showResultsPanel();
    windows_.showMainWindow();
}

void TrayMenu::exitProgram()
{
    windows_.endProgram();
}

void TrayMenu::keyPressEvent(QKeyEvent* e)
{
    const QList<QLabel*> items{settingsItem_, resultsItem_, exitItem_};
    const auto at = items.indexOf(highlighted_);
    switch (e->key()) {
    case Qt::Key_Escape: hide(); return;
    case Qt::Key_Down:
    case Qt::Key_Tab: highlight(items[at < 0 ? 0 : (at + 1) % items.size()]); return;
    case Qt::Key_Up:
    case Qt::Key_Backtab: highlight(items[at <= 0 ? items.size() - 1 : at - 1]); return;
    case Qt::Key_Home: highlight(items.first()); return;
    case Qt::Key_End: highlight(items.last()); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: choose(highlighted_); return;
    default: QWidget::keyPressEvent(e);
    }
}

bool TrayMenu::focusNextPrevChild(bool)
{
    // Tab moves along the items, as the arrows do: there is nothing else to go to.
    return false;
}

void TrayMenu::choose(QLabel* item)
{
    if (item == settingsItem_)
        openSettings();
    else if (item == resultsItem_)
        showResults();
    else if (item == exitItem_)
        exitProgram();
}

void TrayMenu::highlight(QLabel* under)
{
    highlighted_ = under;
    const QColor lit = palette().color(QPalette::Active, QPalette::HighlightedText);
    for (QLabel* l : {settingsItem_, resultsItem_, exitItem_}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, l == under ? lit : kMenuItemColour);
        p.setColor(QPalette::WindowText, l == under ? kMenuItemColour : QColor(Qt::white));
        l->setPalette(p);
    }
}

bool TrayMenu::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseMove) {
        if (watched == heading_)
            hide();
        else
            highlight(qobject_cast<QLabel*>(watched));
    } else if (e->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        choose(qobject_cast<QLabel*>(watched));
    }
    return QWidget::eventFilter(watched, e);
}

void TrayMenu::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        hide();
}

void TrayMenu::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawMenuFace(p, rect());
}

} // namespace zelvane
