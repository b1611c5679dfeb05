// Which flights of each leg count: the stops and the departure hours of the
// itinerary panel.
#include "ui/ItineraryPanel.h"

#include "itineraries/Itinerary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimeEdit>
#include <algorithm>

namespace zelvane {

namespace {

// The window a leg's hours start from until the user moves them.
const QTime kFirstEarliest(7, 0), kFirstLatest(12, 0);

} // namespace

void ItineraryPanel::addFlightChoice(QGridLayout* grid, int row, int leg)
{
    const QString name = leg == Itinerary::Return ? QStringLiteral("return") : QStringLiteral("outbound");
    FlightChoice& c = flightChoices_[leg];
    c.stops = named(new QComboBox(this), qPrintable(name + QStringLiteral("StopsChoice")));
    c.stops->addItems({QStringLiteral("Any"), QStringLiteral("Direct only"), QStringLiteral("At most 1 stop"),
                       QStringLiteral("At most 2 stops")});
    c.stops->setToolTip(QStringLiteral("Count only the flights with no more stops than this"));
    c.hours = named(new QCheckBox(QStringLiteral("Leaving between"), this), qPrintable(name + QStringLiteral("HoursCheck")));
    c.hours->setToolTip(QStringLiteral("Count only the flights leaving between these times; the search still "
                                       "asks for the time of day chosen above"));
    c.earliest = named(new QTimeEdit(kFirstEarliest, this), qPrintable(name + QStringLiteral("EarliestEdit")));
    c.latest = named(new QTimeEdit(kFirstLatest, this), qPrintable(name + QStringLiteral("LatestEdit")));
    for (QTimeEdit* t : {c.earliest, c.latest})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    auto* caption = zelvane::caption(leg == Itinerary::Return ? QStringLiteral("Flights &back :")
                                                              : QStringLiteral("Fli&ghts :"),
                                     this);
    caption->setBuddy(c.stops);
    grid->addWidget(caption, row, 0);
    auto* line = new QHBoxLayout;
    line->addWidget(c.stops, 2);
    line->addWidget(c.hours);
    line->addWidget(c.earliest, 1);
    line->addWidget(zelvane::caption(QStringLiteral("and"), this));
    line->addWidget(c.latest, 1);
    line->addStretch(1);
    grid->addLayout(line, row, 1, 1, 4);
    connect(c.hours, &QCheckBox::toggled, this, &ItineraryPanel::showFlightChoices);
    showFlightChoices();
}

void ItineraryPanel::showFlightChoices()
{
    for (const int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        const FlightChoice& c = flightChoices_[leg];
        if (!c.latest) // still being built
            continue;
        // The way back's flights are chosen with the way back.
        const bool on = leg == Itinerary::Outbound || returnCheck_->isChecked();
        c.stops->setEnabled(on);
        c.hours->setEnabled(on);
        c.earliest->setEnabled(on && c.hours->isChecked());
        c.latest->setEnabled(on && c.hours->isChecked());
    }
}

LegFilter ItineraryPanel::chosenFlights(int leg) const
{
    const FlightChoice& c = flightChoices_[leg];
    LegFilter f;
    f.maxStops = std::max(0, c.stops->currentIndex()) - 1;
    if (c.hours->isChecked()) {
        f.earliest = c.earliest->time();
        f.latest = c.latest->time();
    }
    return f;
}

void ItineraryPanel::resetFlightChoices()
{
    for (const FlightChoice& c : flightChoices_) {
        c.stops->setCurrentIndex(0);
        c.hours->setChecked(false);
        c.earliest->setTime(kFirstEarliest);
        c.latest->setTime(kFirstLatest);
    }
}

} // namespace zelvane
