#pragma once

#include "itineraries/ItineraryEditing.h"

#include <QDate>
#include <QObject>

class QMenu;
class QWidget;

namespace zelvane {

class Clock;
class Dialogs;
class MessageBoxes;
class WatchList;

// Pause, resume and snooze of one watch, the same wherever the user asks:
// the itinerary panel, the results list's menu, a pop-up. Each change is
// saved at once, and a save that fails is told.
class WatchHolds final : public QObject {
    Q_OBJECT
public:
    WatchHolds(WatchList& list, MessageBoxes& boxes, Dialogs& dialogs, const Clock& clock,
               QObject* parent = nullptr);

    // The commands for the watch at `position`, each an action named for
    // what it does (pauseAction, resumeAction, snoozeDayAction,
    // snoozeWeekAction, snoozeUntilAction, wakeAction).
    void fillMenu(QMenu& menu, int position, bool withPause = true);
    void apply(int position, const HoldChoice& choice);
    // The watch a pop-up told of, by its identity: snoozed for a week.
    void snoozeWeek(const QString& identity);

signals:
    void statusMessage(const QString& text);

private:
    WatchList& list_;
    Dialogs& dialogs_;
    const Clock& clock_;
    ItineraryEditing editing_;
};

} // namespace zelvane
