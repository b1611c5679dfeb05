// Pause / Resume and Snooze of the watch selected in the itinerary panel.
#include "ui/ItineraryPanel.h"

#include "itineraries/WatchList.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace zelvane {

QLayout* ItineraryPanel::addHoldCommands()
{
    pauseButton_ = named(new QPushButton(QStringLiteral("&Pause"), this), "pauseButton");
    pauseButton_->setToolTip(QStringLiteral("A paused itinerary is kept but not checked, and costs no search"));
    snoozeButton_ = named(new QPushButton(QStringLiteral("&Snooze"), this), "snoozeButton");
    snoozeButton_->setToolTip(QStringLiteral("Still checked and kept in the history, but no alert of it until the day chosen"));
    auto* snoozeMenu = new QMenu(snoozeButton_);
    snoozeMenu->setObjectName(QStringLiteral("snoozeMenu"));
    // Filled as it opens: the choices follow the watch selected now.
    connect(snoozeMenu, &QMenu::aboutToShow, this, [this, snoozeMenu] {
        snoozeMenu->clear();
        holds_.fillMenu(*snoozeMenu, selectedItinerary(), false);
    });
    snoozeButton_->setMenu(snoozeMenu);
    connect(pauseButton_, &QPushButton::clicked, this, [this] {
        const int selected = selectedItinerary();
        holds_.apply(selected, {list_.at(selected).paused ? HoldChoice::Kind::Resume : HoldChoice::Kind::Pause});
    });
    for (QPushButton* b : {pauseButton_, snoozeButton_})
        b->setAutoDefault(false);
    connect(itineraryList_, &QTreeWidget::itemSelectionChanged, this, &ItineraryPanel::showHoldCommands);
    // The same commands on the list's own menu.
    itineraryList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(itineraryList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu;
        holds_.fillMenu(menu, selectedItinerary());
        if (!menu.isEmpty())
            menu.exec(itineraryList_->viewport()->mapToGlobal(at));
    });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(pauseButton_);
    row->addWidget(snoozeButton_);
    showHoldCommands();
    return row;
}

void ItineraryPanel::showHoldCommands()
{
    const int selected = selectedItinerary();
    const bool holdable = selected > 0 && list_.readable(selected);
    pauseButton_->setEnabled(holdable);
    snoozeButton_->setEnabled(holdable);
    pauseButton_->setText(holdable && list_.at(selected).paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
}

} // namespace zelvane
