#include "ui/frmmenu.h"

#include "app/AutoStart.h"
#include "app/MessageBoxes.h"
#include "app/modMain.h"
#include "ui/Skin.h"

#include <QSystemTrayIcon>
#include <utility>

namespace zelvane {

frmmenu::frmmenu(modMain& state, std::function<void()> showMainWindow, QWidget* parent)
    : QWidget(parent), state_(state), showMainWindow_(std::move(showMainWindow))
{
    setObjectName(QStringLiteral("frmmenu"));
    setWindowTitle(kProductTitle);
}

void frmmenu::load()
{
    tray_ = new QSystemTrayIcon(applicationIcon(), this);
    tray_->setToolTip(kProductTitle);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick && showMainWindow_)
            showMainWindow_();
    });
    tray_->show();
    if (state_.settings.m_Autostartup == 1)
        SetAutoStart(true);
}

} // namespace zelvane
