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
// The record of one search of the watch at `position`: `searched` is the leg
// as it was flown (its cities the pair searched), `day` the search's place
// among the watch's searches; the leg is the outcome's.
CheckRecord historyRecord(int position, int day, const Itinerary& searched, const SearchOutcome& outcome);

} // namespace zelvane
