#include "ui/AboutWindow.h"

#include "app/AutoStart.h"
#include "ui/ShowWebPage.h"
#include "app/Settings.h"
#include "net/Addresses.h"
#include "net/VersionCheck.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace zelvane {

namespace {

constexpr int kWidth = 381;
constexpr int kHeight = 278;

QString siteHost()
{
    return QUrl(siteBase()).authority();
}

QPixmap closePicture(int picture, qreal dpr)
{
    QPixmap pm(QSize(18, 18) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = picture == 1 ? QColor(0x8c, 0x0c, 0x22)
                        : picture == 3 ? QColor(0xe0, 0x2a, 0x45)
                                       : QColor(0xc8, 0x10, 0x2e);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1, 1, 16, 16));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(12, 12));
    p.drawLine(QPointF(12, 6), QPointF(6, 12));
    return pm;
}

} // namespace

AboutWindow::AboutWindow(SettingsGroup<StartChoice>& start, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), start_(start), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(QStringLiteral("Help / About Menu"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setFixedSize(kWidth, kHeight);
    // The box and the focus ring take the colours the face is drawn in.
    setPalette(paletteFor(theme_));

    const auto label = [this](const char* name, const QString& text, int left, int top, bool bold) {
        return text_(name, text, left, top, bold ? Text::Heading : Text::Plain);
    };
    QLabel* title = label("aboutTitle", QStringLiteral("Help / About Menu"), 12, 6, true);
    QPalette white = title->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(white);
    label("versionCaption", QStringLiteral("Version :"), 20, 44, true);
    label("versionLabel", editionVersionText(), 90, 44, false);
    label("aboutHeading", QStringLiteral("About:"), 20, 72, true);
    label("supportHeading", QStringLiteral("Quick Support:"), 20, 108, true);

    const auto line = [&](const char* name, int top) {
        auto* l = new QFrame(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(20, top, kWidth - 40, 1);
        l->setStyleSheet(QStringLiteral("background: #7a9bb8"));
    };
    line("versionRule", 64);
    line("aboutRule", 100);

    const QString host = siteHost();
    link("webLink", host, 90, 72)->setProperty("address", QStringLiteral("http://") + host);

    launchAtLoginCheck_ = new QCheckBox(this);
    launchAtLoginCheck_->setObjectName(QStringLiteral("launchAtLoginCheck"));
    connect(launchAtLoginCheck_, &QCheckBox::toggled, this, [this] { saveLaunchAtLogin(); });
    launchAtLoginLink_ = link("launchAtLoginLink", kLaunchAtStartText, 56, 133);
    // The box sits on its caption's middle line, whatever the font's height.
    const int box = launchAtLoginCheck_->sizeHint().height();
    launchAtLoginCheck_->setGeometry(36, launchAtLoginLink_->y() + (launchAtLoginLink_->height() - box) / 2, box, box);
    updatesLink_ = link("checkForUpdatesLink", QStringLiteral("Check For Updates"), 56, 158);
    link("reportProblemLink", QStringLiteral("Report A Problem"), 56, 183)
        ->setProperty("address", host + QStringLiteral("/support.html#contact"));
    link("onlineHelpLink", QStringLiteral("Online Help"), 56, 208)
        ->setProperty("address", host + QStringLiteral("/support.html"));
    link("onlineFaqLink", QStringLiteral("Online FAQ"), 56, 233)
        ->setProperty("address", host + QStringLiteral("/faq.html"));

    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("closePicture"));
    image_->setGeometry(width() - 26, 6, 18, 18);
    image_->setMouseTracking(true);
    image_->installEventFilter(this);
    setClosePicture(kNormal);

    setMask(colourKeyMask(size(), [this](QPainter& p, const QRect& r) { drawAboutFace(p, r, false, theme_); }));

    // Tab goes down the links and the box to the close button; the one in
    // focus is ringed.
    image_->setFocusPolicy(Qt::StrongFocus);
    image_->setAccessibleName(QStringLiteral("Close"));
    QWidget* previous = nullptr;
    for (const char* name : {"webLink", "launchAtLoginCheck", "checkForUpdatesLink", "reportProblemLink", "onlineHelpLink", "onlineFaqLink", "closePicture"}) {
        auto* w = findChild<QWidget*>(QString::fromLatin1(name));
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    connect(qApp, &QApplication::focusChanged, this, [this] { update(); });

    // Opening with the entry asked for writes it again.
    launchAtLoginCheck_->setChecked(start_->startsWithDesktop());
}

QLabel* AboutWindow::text_(const char* name, const QString& text, int left, int top, Text kind)
{
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    f.setBold(kind == Text::Heading);
    f.setUnderline(kind == Text::Link);
    l->setFont(f);
    QPalette p = l->palette();
    const QColor link = theme_.dark ? QColor(0x8c, 0xc4, 0xf5) : QColor(0x1d, 0x5f, 0x99);
    const QColor plain = theme_.dark ? theme_.text : QColor(0x13, 0x34, 0x5a);
    p.setColor(QPalette::WindowText, kind == Text::Link ? link : plain);
    l->setPalette(p);
    l->move(left, top);
    l->adjustSize();
    return l;
}

QLabel* AboutWindow::link(const char* name, const QString& text, int left, int top)
{
    QLabel* l = text_(name, text, left, top, Text::Link);
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(this);
    l->setFocusPolicy(Qt::StrongFocus);
    l->setAccessibleName(text);
    return l;
}

void AboutWindow::follow(QObject* link)
{
    if (link == launchAtLoginLink_) {
        toggleLaunchAtLogin();
    } else if (link == updatesLink_) {
        emit updatesAsked();
    } else if (const QVariant address = link->property("address"); address.isValid()) {
        QString url = address.toString();
        showWebPage(url, dialogs_);
    }
}

void AboutWindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(e);
}

void AboutWindow::saveLaunchAtLogin()
{
    const bool on = launchAtLoginCheck_->isChecked();
    start_.change([on](StartChoice& s) { s.autoStart = on ? 1 : 0; });
    setAutoStart(on);
}

void AboutWindow::toggleLaunchAtLogin()
{
    launchAtLoginCheck_->setChecked(!launchAtLoginCheck_->isChecked());
    setAutoStart(launchAtLoginCheck_->isChecked());
}

void AboutWindow::setClosePicture(Picture picture)
{
    image_->setPixmap(closePicture(picture, devicePixelRatioF()));
    image_->setProperty("picture", int(picture));
}

void AboutWindow::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
}

void AboutWindow::mouseMoveEvent(QMouseEvent*)
{
    setClosePicture(kNormal);
}

void AboutWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawAboutFace(p, rect(), true, theme_);
    // The link, box or button the keyboard is on.
    const QWidget* focused = focusWidget();
    if (!focused || focused == this || !focused->hasFocus())
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(focused->geometry()).adjusted(-3.5, -1.5, 3.5, 1.5), 3, 3);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
            return false;
        if (watched == image_)
            close();
        else
            follow(watched);
        return true;
    }
    if (watched == image_) {
        if (e->type() == QEvent::MouseMove || e->type() == QEvent::Enter)
            setClosePicture(kHover);
        if (e->type() == QEvent::MouseButtonPress) {
            // Closes on the press, not on the release.
            setClosePicture(kPressed);
            close();
            return true;
        }
        return false;
    }
    if (e->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
        return QWidget::eventFilter(watched, e);
    follow(watched);
    return true;
}

} // namespace zelvane
