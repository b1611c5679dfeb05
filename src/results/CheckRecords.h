#pragma once

#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

namespace zelvane {

// How the history knows the search of one date of an itinerary: codes,
// date, time of day, cabin, adults.
ItineraryKey historyKey(const Itinerary& itinerary, const QDate& date);
// One per date searched, leg by leg, each in date order; the return leg's
// under its own direction.
QList<ItineraryKey> historyKeys(const Itinerary& itinerary);
// What the history records of a search.
CheckOutcome historyOutcome(const SearchOutcome& outcome);

} // namespace zelvane
