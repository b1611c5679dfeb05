// What a check session shows on the main window: the status line, the
// throttle figures, the last login, the pop-ups, the tray picture and the
// new-version notice. A window not made yet keeps what it is told and shows
// it when it is made.
#include "ui/MainWindow.h"

#include "net/VersionCheck.h"
#include "ui/Skin.h"

#include <QLabel>

namespace zelvane {

void MainWindow::setStatus(const StatusMessage& message)
{
    status_ = message;
    const QString text = message.words();
    const bool changed = text != statusText_;
    statusText_ = text;
    if (built_)
        showStatusText();
    if (changed)
        emit statusChanged(text);
}

void MainWindow::showStatusText()
{
    // A long text (a PDF's path) is shortened in the middle, where the
    // figures beside it cannot cover it; the whole of it is the tooltip.
    const QString shown = statusLabel_->fontMetrics().elidedText(statusText_, Qt::ElideMiddle,
                                                               statusLabel_->contentsRect().width());
    statusLabel_->setText(shown);
    statusLabel_->setToolTip(shown == statusText_ ? QString() : statusText_.trimmed());
}

QString MainWindow::status() const
{
    return statusText_;
}

void MainWindow::showThrottle(int loginsSent, int minutes)
{
    loginsSentText_ = QString::number(loginsSent);
    throttleMinutesText_ = QString::number(minutes);
    if (built_) {
        loginsSentLabel_->setText(loginsSentText_);
        throttleMinutesLabel_->setText(throttleMinutesText_);
    }
}

void MainWindow::showLastLogin(const QDateTime& when)
{
    // Unmade, the load reads the same time from the settings.
    if (built_)
        lastLoginLabel_->setText(when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
}

void MainWindow::showPicture(int picture)
{
    picture_ = picture;
    // Ten times a second while the tray blinks: a hidden window's icon is seen
    // by nobody, and setting it would tell every control of the window.
    if (isVisible())
        setWindowIcon(listPicture(picture));
}

void MainWindow::showNewVersion()
{
    // Unmade, the load shows it from the flag.
    if (!built_ || !showNewVersionLabel(news_))
        return;
    newVersionLabel_->show();
    resultsHint_->hide();
}

} // namespace zelvane
