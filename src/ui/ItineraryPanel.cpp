#include "ui/ItineraryPanel.h"

#include "app/Clock.h"
#include "app/MessageBoxes.h"
#include "engine/AwardQuery.h"
#include "engine/CheckEngine.h"
#include "engine/SessionSize.h"
#include "itineraries/CityLists.h"
#include "itineraries/WatchList.h"
#include "ui/ColumnFit.h"
#include "ui/DateField.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

namespace zelvane {

namespace {

// A way back a week after the way out, within the days the airline searches.
QDate weekAfter(const QDate& out, const QDate& latest)
{
    return std::min(out.addDays(7), latest);
}

QComboBox* daysBeforeBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItem(QStringLiteral("From the date"));
    box->addItem(QStringLiteral("From 1 day earlier"));
    for (int d = 2; d <= kMaxDaysBefore; ++d)
        box->addItem(QStringLiteral("From %1 days earlier").arg(d));
    box->setToolTip(QStringLiteral("Search the days before the date too, from tomorrow on; each day is one more search"));
    return box;
}

QComboBox* daysAfterBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItem(QStringLiteral("Exact date"));
    box->addItem(QStringLiteral("Up to 1 day later"));
    for (int d = 2; d <= kMaxExtraDays; ++d)
        box->addItem(QStringLiteral("Up to %1 days later").arg(d));
    box->setToolTip(QStringLiteral("Search the days after the date too; each day is one more search"));
    return box;
}

// A nearby airport: none at first, then the cities of the list.
QComboBox* nearbyCityBox(const QString& end, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setMaxVisibleItems(20);
    box->setMinimumContentsLength(6);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setToolTip(QStringLiteral("Another %1 airport to search too; each pair of cities is searched on each day").arg(end));
    return box;
}

const QString kNoNearbyCity = QStringLiteral("—");

} // namespace

ItineraryPanel::ItineraryPanel(WatchList& list, CityLists& cities, const Clock& clock, const CheckEngine& engine,
                               MessageBoxes& boxes, Dialogs& dialogs, const Theme& theme, QWidget* parent)
    : Panel("itineraryPanel", theme, parent),
      list_(list),
      cities_(cities),
      clock_(clock),
      engine_(engine),
      boxes_(boxes),
      editing_(list, boxes),
      holds_(list, boxes, dialogs, clock)
{
    // The choices and commands keep the width they were laid out for; in a
    // larger window the list below them takes the room.
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(16, 14, 16, 14);
    box->setSpacing(9);
    auto* form = new QWidget(this);
    form->setFixedWidth(kPanelLeastSize.width() - 32);
    // The commands on a chosen watch sit beside the form, so the list keeps its rows.
    auto* top = new QHBoxLayout;
    box->addLayout(top);
    top->addWidget(form, 0, Qt::AlignLeft);
    auto* grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(9);

    addCityChoices(grid);
    addDateAndCabin(grid);
    addWayBack(grid);
    addParty(grid);
    addFlightChoice(grid, 5, Itinerary::Outbound);
    addFlightChoice(grid, 8, Itinerary::Return);
    orderKeys();
    addWatchCost(grid);
    addCommands(grid, theme);
    addItineraryList();
    box->addWidget(itineraryList_, 1);
    top->addLayout(addHoldCommands());
    top->setAlignment(top->itemAt(1)->layout(), Qt::AlignBottom);
    ringWhenFocused(itineraryList_);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    // The list shows the watch list as it is, however it changed.
    connect(&list_, &WatchList::added, this, &ItineraryPanel::showItineraries);
    connect(&list_, &WatchList::removed, this, &ItineraryPanel::showItineraries);
    connect(&list_, &WatchList::reset, this, &ItineraryPanel::showItineraries);
    connect(&list_, &WatchList::held, this, [this](int position) {
        showItineraries();
        if (QTreeWidgetItem* item = itineraryList_->topLevelItem(position - 1))
            itineraryList_->setCurrentItem(item);
    });
    connect(&holds_, &WatchHolds::statusMessage, this, &ItineraryPanel::statusMessage);
}

void ItineraryPanel::addCityChoices(QGridLayout* grid)
{
    originChoice_ = named(new QComboBox(this), "originChoice");
    destinationChoice_ = named(new QComboBox(this), "destinationChoice");
    for (QComboBox* c : {originChoice_, destinationChoice_}) {
        c->setMaxVisibleItems(20);
        c->setMinimumContentsLength(12);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    grid->addWidget(caption(QStringLiteral("Origin :"), this), 0, 0);
    grid->addWidget(originChoice_, 0, 1);
    grid->addWidget(caption(QStringLiteral("Destination :"), this), 0, 2);
    grid->addWidget(destinationChoice_, 0, 3, 1, 2);
    // Nearby airports: each pair of the cities at either end is searched.
    auto* moreOrigins = new QHBoxLayout;
    auto* moreDestinations = new QHBoxLayout;
    const char* names[2][2] = {{"secondOriginChoice", "thirdOriginChoice"},
                               {"secondDestinationChoice", "thirdDestinationChoice"}};
    for (int i = 0; i < kMaxCitiesEachEnd - 1; ++i) {
        moreOriginChoices_ << named(nearbyCityBox(QStringLiteral("origin"), this), names[0][i]);
        moreDestinationChoices_ << named(nearbyCityBox(QStringLiteral("destination"), this), names[1][i]);
        moreOrigins->addWidget(moreOriginChoices_.last(), 1);
        moreDestinations->addWidget(moreDestinationChoices_.last(), 1);
        connect(moreOriginChoices_.last(), &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
        connect(moreDestinationChoices_.last(), &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
    }
    auto* orFromCaption = caption(QStringLiteral("Or &from :"), this);
    orFromCaption->setBuddy(moreOriginChoices_.first());
    auto* orToCaption = caption(QStringLiteral("Or t&o :"), this);
    orToCaption->setBuddy(moreDestinationChoices_.first());
    grid->addWidget(orFromCaption, 1, 0);
    grid->addLayout(moreOrigins, 1, 1);
    grid->addWidget(orToCaption, 1, 2);
    grid->addLayout(moreDestinations, 1, 3, 1, 2);
    connect(originChoice_, &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
    connect(destinationChoice_, &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
}

void ItineraryPanel::addDateAndCabin(QGridLayout* grid)
{
    datePicker_ = named(new DateField(this), "dateField");
    datePicker_->lineEdit()->installEventFilter(this);
    connect(datePicker_, &DateField::dateChanged, this, [this] { datePicked_ = true; });
    timeChoice_ = named(new QComboBox(this), "timeChoice");
    auto* dateCaption = caption(QStringLiteral("Date && Time :"), this);
    dateCaption->setBuddy(datePicker_);
    grid->addWidget(dateCaption, 2, 0);
    auto* when = new QHBoxLayout;
    when->addWidget(datePicker_, 3);
    when->addWidget(timeChoice_, 2);
    grid->addLayout(when, 2, 1);
    cabinChoice_ = named(new QComboBox(this), "cabinChoice");
    cabinChoice_->addItems(cabinNames());
    cabinChoice_->setToolTip(QStringLiteral("Count the flight as available only with seats in this cabin"));
    auto* cabinCaption = caption(QStringLiteral("&Cabin :"), this);
    cabinCaption->setBuddy(cabinChoice_);
    grid->addWidget(cabinCaption, 2, 2);
    grid->addWidget(cabinChoice_, 2, 3, 1, 2);

    daysBeforeChoice_ = named(daysBeforeBox(this), "daysBeforeChoice");
    extraDaysChoice_ = named(daysAfterBox(this), "extraDaysChoice");
    auto* extraDaysCaption = caption(QStringLiteral("F&lexible :"), this);
    extraDaysCaption->setBuddy(daysBeforeChoice_);
    // The days either side take the whole row, as the way back's do.
    grid->addWidget(extraDaysCaption, 4, 0);
    auto* flexible = new QHBoxLayout;
    flexible->addWidget(daysBeforeChoice_, 1);
    flexible->addWidget(extraDaysChoice_, 1);
    flexible->addStretch(1);
    grid->addLayout(flexible, 4, 1, 1, 4);
}

void ItineraryPanel::addWayBack(QGridLayout* grid)
{
    // The way back, when there is one: its date and its own days either side.
    returnCheck_ = named(new QCheckBox(QStringLiteral("&Return :"), this), "returnCheck");
    returnCheck_->setToolTip(QStringLiteral("Watch the flight back too, from the destination to the origin"));
    returnDateField_ = named(new DateField(this), "returnDateField");
    returnDaysBeforeChoice_ = named(daysBeforeBox(this), "returnDaysBeforeChoice");
    returnDaysAfterChoice_ = named(daysAfterBox(this), "returnDaysAfterChoice");
    wholeTripCheck_ = named(new QCheckBox(QStringLiteral("Tell me only when both legs have seats on dates that "
                                                         "make a &trip"),
                                          this),
                            "wholeTripCheck");
    wholeTripCheck_->setToolTip(QStringLiteral("Seats out count only with seats back on a later day"));
    grid->addWidget(returnCheck_, 6, 0);
    auto* returnDays = new QHBoxLayout;
    returnDays->addWidget(returnDateField_, 1);
    returnDays->addWidget(returnDaysBeforeChoice_, 1);
    returnDays->addWidget(returnDaysAfterChoice_, 1);
    grid->addLayout(returnDays, 6, 1, 1, 4);
    grid->addWidget(wholeTripCheck_, 7, 1, 1, 4);
    const auto showReturn = [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{returnDateField_, returnDaysBeforeChoice_,
                                                          returnDaysAfterChoice_, wholeTripCheck_})
            w->setEnabled(on);
        showFlightChoices();
        showWatchCost();
    };
    connect(returnCheck_, &QCheckBox::toggled, this, showReturn);
    for (QComboBox* c : {returnDaysBeforeChoice_, returnDaysAfterChoice_})
        connect(c, &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
    connect(returnDateField_, &DateField::dateChanged, this, &ItineraryPanel::showWatchCost);
    showReturn(false);
}

void ItineraryPanel::addParty(QGridLayout* grid)
{
    adultsChoice_ = named(new QComboBox(this), "adultsChoice");
    for (int a = 1; a <= kMaxAdults; ++a)
        adultsChoice_->addItem(adultsText(a));
    adultsChoice_->setToolTip(QStringLiteral("The award search asks for a seat for each of them"));
    auto* adultsCaption = caption(QStringLiteral("Tra&vellers :"), this);
    adultsCaption->setBuddy(adultsChoice_);
    grid->addWidget(adultsCaption, 3, 0);
    grid->addWidget(adultsChoice_, 3, 1);
    // A party may take fewer seats than it needs as news: some travel apart,
    // some wait for the rest to open.
    partyOnlyCheck_ = named(new QCheckBox(this), "partyOnlyCheck");
    partyOnlyCheck_->setChecked(true);
    partyOnlyCheck_->setToolTip(QStringLiteral("Unchecked, seats in the cabin are news even when fewer than the "
                                               "travellers; the alerts say how many"));
    grid->addWidget(partyOnlyCheck_, 3, 2, 1, 3);
    connect(adultsChoice_, &QComboBox::currentIndexChanged, this, &ItineraryPanel::showPartyChoice);
    showPartyChoice();
}

void ItineraryPanel::orderKeys()
{
    // The keys go as the eye reads the rows.
    const FlightChoice& out = flightChoices_[Itinerary::Outbound];
    const FlightChoice& back = flightChoices_[Itinerary::Return];
    QWidget* keys[] = {originChoice_, destinationChoice_, moreOriginChoices_[0], moreOriginChoices_[1],
                       moreDestinationChoices_[0], moreDestinationChoices_[1], datePicker_, timeChoice_,
                       cabinChoice_, adultsChoice_, partyOnlyCheck_, daysBeforeChoice_, extraDaysChoice_,
                       out.stops, out.hours, out.earliest, out.latest, returnCheck_, returnDateField_,
                       returnDaysBeforeChoice_, returnDaysAfterChoice_, wholeTripCheck_, back.stops, back.hours,
                       back.earliest, back.latest};
    for (int i = 0; i + 1 < int(std::size(keys)); ++i)
        setTabOrder(keys[i], keys[i + 1]);
}

void ItineraryPanel::addWatchCost(QGridLayout* grid)
{
    // What this watch costs, told while it is being made.
    watchCost_ = named(new QLabel(this), "watchCostLabel");
    watchCost_->setWordWrap(true);
    watchCost_->setToolTip(QStringLiteral("Each day searched is one award search; a check makes at most %1")
                               .arg(kMaxSearchesPerCheck));
    grid->addWidget(watchCost_, 9, 1, 1, 4);
    for (QComboBox* c : {daysBeforeChoice_, extraDaysChoice_})
        connect(c, &QComboBox::currentIndexChanged, this, &ItineraryPanel::showWatchCost);
    connect(datePicker_, &DateField::dateChanged, this, &ItineraryPanel::showWatchCost);
    // The way back follows the way out a week on, until the user ticks it.
    connect(datePicker_, &DateField::dateChanged, this, [this] {
        if (!returnCheck_->isChecked())
            returnDateField_->setDate(weekAfter(datePicker_->date(), latestDeparture(clock_.now().date())));
    });
}

void ItineraryPanel::addCommands(QGridLayout* grid, const Theme& theme)
{
    addButton_ = listButton("addItineraryButton", 16, theme, this);
    deleteButton_ = listButton("deleteItineraryButton", 19, theme, this);
    deleteAllButton_ = faceButton("deleteAllButton", ButtonFace::DeleteAll, ImageButton::Trigger::Release, theme, this);
    resetOnMove_ = {addButton_, deleteButton_, deleteAllButton_};
    addButton_->setToolTip(QStringLiteral("Add this itinerary"));
    connect(addButton_, &ImageButton::activated, this, &ItineraryPanel::addItinerary);
    connect(deleteButton_, &ImageButton::activated, this, &ItineraryPanel::deleteSelected);
    connect(deleteAllButton_, &ImageButton::activated, this, &ItineraryPanel::deleteAll);
    // What a check of the list takes sits left of the commands that change it.
    sessionSize_ = named(new QLabel(this), "sessionSizeLabel");
    sessionSize_->setWordWrap(true);
    sessionSize_->setToolTip(
        QStringLiteral("Each day of each itinerary is one award search; a check pauses around every search "
                       "while the airline's pages load"));
    auto* commands = new QHBoxLayout;
    commands->setSpacing(8);
    commands->addWidget(sessionSize_, 1);
    commands->addWidget(addButton_);
    commands->addWidget(deleteButton_);
    commands->addWidget(deleteAllButton_);
    addButton_->setFixedSize(84, 28);
    deleteButton_->setFixedSize(90, 28);
    deleteAllButton_->setFixedSize(110, 28);
    grid->addLayout(commands, 10, 0, 1, 5);
}

void ItineraryPanel::addItineraryList()
{
    itineraryList_ = named(new QTreeWidget(this), "itineraryList");
    itineraryList_->setHeaderLabels({QStringLiteral("Origin"), QStringLiteral("Destination"), QStringLiteral("Date"),
                                 QStringLiteral("Time"), QStringLiteral("OriCode"), QStringLiteral("DesCode"),
                                 QStringLiteral("Cabin"), QStringLiteral("Travellers"), QStringLiteral("Flights"),
                                 QStringLiteral("Watch")});
    itineraryList_->setRootIsDecorated(false);
    itineraryList_->setAlternatingRowColors(true);
    itineraryList_->setUniformRowHeights(true);
    itineraryList_->hideColumn(4);
    itineraryList_->hideColumn(5);
    // Each column as wide as what it holds, fitted to the list's width;
    // a cell still cut short tells its whole text when hovered.
    fitColumnsAsTheyChange(*itineraryList_);
    // Three rows under the header are enough to choose from at the first
    // size; below that the panel scrolls instead.
    itineraryList_->setMinimumHeight(itineraryList_->header()->sizeHint().height()
                                     + 3 * (itineraryList_->fontMetrics().height() + 2)
                                     + 2 * itineraryList_->frameWidth());
}

void ItineraryPanel::load()
{
    fillCityChoices();
    chooseFirstCities();
    showItineraries();
    // A typed date is judged on Save, whole; the calendar offers only the
    // dates the airline searches.
    const QDate today = clock_.now().date();
    datePicker_->setDate(earliestDeparture(today));
    datePicker_->setOffered(earliestDeparture(today), latestDeparture(today));
    timeChoice_->clear();
    timeChoice_->addItems(timeOfDayChoices());
    timeChoice_->setCurrentIndex(0);
    cabinChoice_->setCurrentIndex(int(Cabin::Any));
    adultsChoice_->setCurrentIndex(0);
    extraDaysChoice_->setCurrentIndex(0);
    daysBeforeChoice_->setCurrentIndex(0);
    returnDateField_->setDate(weekAfter(earliestDeparture(today), latestDeparture(today)));
    returnDateField_->setOffered(earliestDeparture(today), latestDeparture(today));
    returnDaysBeforeChoice_->setCurrentIndex(0);
    returnDaysAfterChoice_->setCurrentIndex(0);
    returnCheck_->setChecked(false);
    wholeTripCheck_->setChecked(false);
    partyOnlyCheck_->setChecked(true);
    resetFlightChoices();
    datePicked_ = false;
}

void ItineraryPanel::reloadLists()
{
    showItineraries();
    fillCityChoices();
    chooseFirstCities();
}

void ItineraryPanel::chooseFirstCities()
{
    originChoice_->setCurrentIndex(originChoice_->count() > 0 ? 0 : -1);
    destinationChoice_->setCurrentIndex(-1);
    for (QComboBox* c : moreOriginChoices_ + moreDestinationChoices_)
        c->setCurrentIndex(0);
}

void ItineraryPanel::fillCityChoices()
{
    cityRevision_ = cities_.revision();
    originChoice_->clear();
    destinationChoice_->clear();
    for (QComboBox* c : moreOriginChoices_ + moreDestinationChoices_) {
        c->clear();
        c->addItem(kNoNearbyCity);
    }
    // The lists in memory are what the file holds, and what codes are looked up in.
    originChoice_->addItems(cities_.names);
    destinationChoice_->addItems(cities_.names);
    for (QComboBox* c : moreOriginChoices_ + moreDestinationChoices_)
        c->addItems(cities_.names);
}

void ItineraryPanel::showPartyChoice()
{
    // One traveller has no party to fall short of.
    const int adults = std::max(0, adultsChoice_->currentIndex()) + 1;
    partyOnlyCheck_->setText(QStringLiteral("&Only when there are seats for all %1").arg(adults));
    partyOnlyCheck_->setVisible(adults > 1);
    partyOnlyCheck_->setEnabled(adults > 1);
}

void ItineraryPanel::showItineraries()
{
    itineraryList_->clear();
    const QDate today = clock_.now().date();
    QList<QTreeWidgetItem*> items;
    for (int p = 1; p <= list_.count(); ++p) {
        const Itinerary& it = list_.at(p);
        auto* item = new QTreeWidgetItem({it.originNames(), it.destinationNames(), list_.datesText(p), it.timeOfDay,
                                          it.origin.code, it.destination.code, cabinName(it.cabin),
                                          it.partyText(), it.flightsText(), it.holdText(today)});
        // A paused watch stays in its place, greyed.
        if (it.paused)
            for (int c = 0; c < item->columnCount(); ++c)
                item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
        // A line that cannot be read says why where the user looks.
        if (!list_.readable(p))
            for (int c = 0; c < item->columnCount(); ++c)
                item->setToolTip(c, QStringLiteral("This line of the watch list cannot be read (%1); it is kept "
                                                   "as it is and not checked.")
                                        .arg(list_.problem(p)));
        items << item;
    }
    itineraryList_->addTopLevelItems(items);
    // The last two columns take room only while some watch chose its
    // flights, or is paused or snoozed.
    const int holdColumn = itineraryList_->columnCount() - 1;
    itineraryList_->setColumnHidden(holdColumn, std::none_of(items.cbegin(), items.cend(), [holdColumn](const QTreeWidgetItem* i) {
        return !i->text(holdColumn).isEmpty();
    }));
    bool anyChoice = false;
    for (int p = 1; p <= list_.count(); ++p)
        anyChoice = anyChoice || !list_.at(p).flightsText().isEmpty();
    itineraryList_->setColumnHidden(holdColumn - 1, !anyChoice);
    sessionSize_->setText(sessionSizeText(list_.searchesPerCheck()));
    showWatchCost();
    if (pauseButton_)
        showHoldCommands();
}

void ItineraryPanel::showWatchCost()
{
    if (!watchCost_) // still being built
        return;
    const ItineraryChoice c = currentChoice();
    Itinerary watch;
    watch.date = c.date;
    watch.extraDays = std::clamp(c.extraDays, 0, kMaxExtraDays);
    watch.daysBefore = std::clamp(c.daysBefore, 0, kMaxDaysBefore);
    if (c.returnTrip) {
        // Counted as chosen even while the date is still being typed.
        watch.returnDate = c.returnDate.isValid() ? c.returnDate : c.date;
        watch.returnExtraDays = std::clamp(c.returnExtraDays, 0, kMaxExtraDays);
        watch.returnDaysBefore = std::clamp(c.returnDaysBefore, 0, kMaxDaysBefore);
    }
    // Each other city counts once, whatever its code turns out to be.
    const auto more = [](const QList<CityChoice>& chosen, int first, QList<City>& cities) {
        QList<int> seen{first};
        for (const CityChoice& city : chosen)
            if (city.index >= 0 && !seen.contains(city.index)) {
                seen << city.index;
                cities.append({city.name, QString::number(city.index)});
            }
    };
    more(c.moreOrigins, c.originIndex, watch.moreOrigins);
    more(c.moreDestinations, c.destinationIndex, watch.moreDestinations);
    watchCost_->setText(watchCostText(watch, list_.searchesPerCheck()));
}

void ItineraryPanel::refreshCitiesIfRewritten()
{
    if (cityRevision_ == cities_.revision())
        return;
    const QString origin = originChoice_->currentText(), destination = destinationChoice_->currentText();
    const int originAt = originChoice_->currentIndex(), destinationAt = destinationChoice_->currentIndex();
    QStringList nearby;
    for (QComboBox* c : moreOriginChoices_ + moreDestinationChoices_)
        nearby << c->currentText();
    fillCityChoices();
    originChoice_->setCurrentIndex(originAt < 0 ? -1 : originChoice_->findText(origin));
    destinationChoice_->setCurrentIndex(destinationAt < 0 ? -1 : destinationChoice_->findText(destination));
    const QList<QComboBox*> nearbyChoices = moreOriginChoices_ + moreDestinationChoices_;
    for (int i = 0; i < nearbyChoices.size(); ++i)
        nearbyChoices[i]->setCurrentIndex(std::max(0, nearbyChoices[i]->findText(nearby[i])));
}

void ItineraryPanel::showEvent(QShowEvent* e)
{
    Panel::showEvent(e);
    refreshCitiesIfRewritten();
}

void ItineraryPanel::addItinerary()
{
    refreshCitiesIfRewritten();
    const ItineraryChoice choice = currentChoice();
    if (const auto problem = choiceProblem(choice, clock_.now().date())) {
        boxes_.show(*problem, kZelvaneAlert, MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const auto outcome = editing_.add(choice, cities_);
    if (outcome == ItineraryEditing::Add::Full || outcome == ItineraryEditing::Add::NoCities
        || outcome == ItineraryEditing::Add::CannotBeFlown || outcome == ItineraryEditing::Add::TooManySearches)
        return;
    if (outcome == ItineraryEditing::Add::Added)
        itineraryList_->scrollToBottom(); // where the new one is
    emit statusMessage(ItineraryEditing::statusAfterAdd(outcome, engine_.idle()));
}

ItineraryChoice ItineraryPanel::currentChoice() const
{
    ItineraryChoice choice;
    choice.origin = originChoice_->currentText();
    choice.originIndex = originChoice_->currentIndex();
    choice.destination = destinationChoice_->currentText();
    choice.destinationIndex = destinationChoice_->currentIndex();
    choice.date = chosenDate(datePicked_, datePicker_->date(), clock_.now().date());
    choice.timeText = timeChoice_->currentText();
    choice.cabin = Cabin(std::max(0, cabinChoice_->currentIndex()));
    choice.adults = std::max(0, adultsChoice_->currentIndex()) + 1;
    choice.extraDays = std::max(0, extraDaysChoice_->currentIndex());
    choice.daysBefore = std::max(0, daysBeforeChoice_->currentIndex());
    choice.returnTrip = returnCheck_->isChecked();
    choice.returnDate = returnDateField_->date();
    choice.returnExtraDays = std::max(0, returnDaysAfterChoice_->currentIndex());
    choice.returnDaysBefore = std::max(0, returnDaysBeforeChoice_->currentIndex());
    choice.wholeTripOnly = choice.returnTrip && wholeTripCheck_->isChecked();
    // The first entry of a nearby choice is none; the cities follow it.
    for (QComboBox* c : moreOriginChoices_)
        choice.moreOrigins.append({c->currentText(), c->currentIndex() - 1});
    for (QComboBox* c : moreDestinationChoices_)
        choice.moreDestinations.append({c->currentText(), c->currentIndex() - 1});
    choice.fewerThanParty = choice.adults > 1 && !partyOnlyCheck_->isChecked();
    choice.outboundFlights = chosenFlights(Itinerary::Outbound);
    if (choice.returnTrip)
        choice.returnFlights = chosenFlights(Itinerary::Return);
    return choice;
}

int ItineraryPanel::selectedItinerary() const
{
    QTreeWidgetItem* item = itineraryList_->currentItem();
    return item && item->isSelected() ? itineraryList_->indexOfTopLevelItem(item) + 1 : 0;
}

void ItineraryPanel::deleteSelected()
{
    const auto outcome = editing_.deleteOne(selectedItinerary(), engine_.idle());
    // A command that does nothing says why.
    if (outcome == ItineraryEditing::Delete::NothingSelected) {
        emit statusMessage(kSelectToDelete);
        return;
    }
    if (outcome == ItineraryEditing::Delete::Deleted)
        emit statusMessage(kItineraryDeleted);
}

void ItineraryPanel::deleteAll()
{
    const auto outcome = editing_.deleteAll(engine_.idle());
    if (outcome == ItineraryEditing::Delete::Empty) {
        emit statusMessage(kNothingToDelete);
        return;
    }
    if (outcome == ItineraryEditing::Delete::Deleted)
        emit statusMessage(kAllItinerariesDeleted);
}

bool ItineraryPanel::eventFilter(QObject* watched, QEvent* e)
{
    // A click on the date counts as a choice even when it stays.
    if (watched == datePicker_->lineEdit() && e->type() == QEvent::MouseButtonPress)
        datePicked_ = true;
    return Panel::eventFilter(watched, e);
}

} // namespace zelvane
