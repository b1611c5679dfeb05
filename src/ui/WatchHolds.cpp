#include "ui/WatchHolds.h"

#include "app/Clock.h"
#include "app/Dialogs.h"
#include "itineraries/WatchList.h"

#include <QMenu>

namespace zelvane {

WatchHolds::WatchHolds(WatchList& list, MessageBoxes& boxes, Dialogs& dialogs, const Clock& clock,
                       QObject* parent)
    : QObject(parent), list_(list), dialogs_(dialogs), clock_(clock), editing_(list, boxes)
{
}

void WatchHolds::fillMenu(QMenu& menu, int position, bool withPause)
{
    if (position < 1 || position > list_.count() || !list_.readable(position))
        return;
    const Itinerary& watch = list_.at(position);
    const QDate today = clock_.now().date();
    const auto add = [this, &menu, position](const char* name, const QString& text, const HoldChoice& choice) {
        QAction* a = menu.addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, position, choice] { apply(position, choice); });
        return a;
    };
    if (withPause) {
        if (watch.paused)
            add("resumeAction", QStringLiteral("&Resume checking"), {HoldChoice::Kind::Resume});
        else
            add("pauseAction", QStringLiteral("&Pause: do not check"), {HoldChoice::Kind::Pause});
        menu.addSeparator();
    }
    add("snoozeDayAction", QStringLiteral("Snooze alerts for a &day"), snoozeFor(1, today));
    add("snoozeWeekAction", QStringLiteral("Snooze alerts for a &week"), snoozeFor(7, today));
    QAction* until = menu.addAction(QStringLiteral("Snooze alerts &until…"));
    until->setObjectName(QStringLiteral("snoozeUntilAction"));
    connect(until, &QAction::triggered, this, [this, position, today, watch] {
        const QDate suggested = watch.snoozed(today) ? watch.snoozedUntil : today.addDays(7);
        if (const std::optional<QDate> day = dialogs_.chooseSnoozeEnd(suggested, clock_.now().date()))
            apply(position, {HoldChoice::Kind::Snooze, *day});
    });
    if (watch.snoozed(today))
        add("wakeAction", QStringLiteral("&Clear the snooze (until %1)").arg(dateText(watch.snoozedUntil)),
            {HoldChoice::Kind::Wake});
}

void WatchHolds::apply(int position, const HoldChoice& choice)
{
    const ItineraryEditing::Hold outcome = editing_.hold(position, choice);
    if (const QString said = editing_.statusAfterHold(outcome, position, choice); !said.isEmpty())
        emit statusMessage(said);
}

void WatchHolds::snoozeWeek(const QString& identity)
{
    const int position = list_.positionOf(identity);
    // Deleted since it was told: nothing is left to snooze.
    if (position == 0) {
        emit statusMessage(QStringLiteral("That trip is no longer in the watch list"));
        return;
    }
    apply(position, snoozeFor(7, clock_.now().date()));
}

} // namespace zelvane
