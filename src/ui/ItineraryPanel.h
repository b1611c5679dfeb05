#pragma once

#include "itineraries/ItineraryEditing.h"
#include "ui/Panel.h"
#include "ui/WatchHolds.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTimeEdit;
class QTreeWidget;

namespace zelvane {

class CheckEngine;
class CityLists;
class Clock;
class DateField;
class Dialogs;
class MessageBoxes;
class WatchList;

// The itinerary panel: origin, destination, date and time
// of a flight to watch, its cabin, travellers and the days either side of it, the watch list
// with the searches a check makes, and the add / delete / delete all
// commands.
class ItineraryPanel final : public Panel {
    Q_OBJECT
public:
    // `engine` tells whether no session is working through the list, so
    // that deleting may go on.
    ItineraryPanel(WatchList& list, CityLists& cities, const Clock& clock, const CheckEngine& engine,
                   MessageBoxes& boxes, Dialogs& dialogs, const Theme& theme, QWidget* parent);

    // The city choices, the watch list and the dates and times on offer.
    void load();
    // After a city list update: the lists drawn again from what is in memory.
    void reloadLists();
    void fillCityChoices();
    void showItineraries();
    // Pause, resume and snooze, here and wherever else a watch is shown.
    WatchHolds& holds() { return holds_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // The panel's pieces, made top to bottom: the order they are made in is
    // the order Tab walks them.
    void addCityChoices(QGridLayout* grid);
    void addDateAndCabin(QGridLayout* grid);
    void addWayBack(QGridLayout* grid);
    void addParty(QGridLayout* grid);
    // Which flights of a leg count: its stops and departure hours.
    void addFlightChoice(QGridLayout* grid, int row, int leg);
    void orderKeys();
    void addWatchCost(QGridLayout* grid);
    void addCommands(QGridLayout* grid, const Theme& theme);
    void addItineraryList();
    // Pause / Resume and Snooze of the selected watch, under the list.
    QLayout* addHoldCommands();
    void showHoldCommands();
    void chooseFirstCities();
    // A session that rewrote the city files since the drop-downs were filled:
    // they are filled again, keeping what was chosen.
    void refreshCitiesIfRewritten();
    void addItinerary();
    void deleteSelected();
    void deleteAll();
    int selectedItinerary() const;
    // What the panel's choices make, as far as they go (no codes before the
    // cities are chosen).
    ItineraryChoice currentChoice() const;
    void showWatchCost();
    void showPartyChoice();
    LegFilter chosenFlights(int leg) const;
    void showFlightChoices();
    // Any stops, no hours chosen, the hours at their first window.
    void resetFlightChoices();

    WatchList& list_;
    CityLists& cities_;
    const Clock& clock_;
    const CheckEngine& engine_;
    MessageBoxes& boxes_;
    ItineraryEditing editing_;
    WatchHolds holds_;
    bool datePicked_ = false;
    int cityRevision_ = -1; // of the city lists the drop-downs show

    ImageButton *addButton_, *deleteButton_, *deleteAllButton_;
    QComboBox *originChoice_, *destinationChoice_, *timeChoice_, *cabinChoice_;
    QComboBox *adultsChoice_, *extraDaysChoice_, *daysBeforeChoice_;
    QCheckBox *returnCheck_, *wholeTripCheck_, *partyOnlyCheck_;
    DateField *datePicker_, *returnDateField_;
    QComboBox *returnDaysBeforeChoice_, *returnDaysAfterChoice_;
    QList<QComboBox*> moreOriginChoices_, moreDestinationChoices_; // nearby airports
    // Per leg, outbound then return: the stops, whether hours are chosen, and the hours.
    struct FlightChoice {
        QComboBox* stops = nullptr;
        QCheckBox* hours = nullptr;
        QTimeEdit *earliest = nullptr, *latest = nullptr;
    };
    FlightChoice flightChoices_[2];
    QTreeWidget* itineraryList_;
    QPushButton *pauseButton_ = nullptr, *snoozeButton_ = nullptr;
    QLabel *sessionSize_ = nullptr, *watchCost_ = nullptr;
};

} // namespace zelvane
