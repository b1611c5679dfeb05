#include "ui/frmmenu.h"

#include "app/AutoStart.h"
#include "app/MessageBoxes.h"
#include "app/modMain.h"
#include "ui/Skin.h"

#include <QMenu>
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
    // Until the tray menu window is built, the icon's own menu offers the way out.
    auto* menu = new QMenu(this);
    menu->addAction(tr("Exit"), this, [this] { EndProgram(state_); });
    tray_->setContextMenu(menu);
    tray_->show();
    if (state_.settings.m_Autostartup == 1)
        SetAutoStart(true);
}

} // namespace zelvane
