#pragma once

#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

namespace zelvane {

// How the history knows one search of a watch: the pair searched as the leg
// flies, its date, time of day, cabin, adults, and the watch itself.
ItineraryKey historyKey(const Itinerary& watch, const SearchOutcome& searched);
// One per search, in the order they are made; the return leg's under its
// own direction, each pair of nearby airports under its own codes.
QList<ItineraryKey> historyKeys(const Itinerary& watch);
// Whether a recorded check is of the search `key` names: of its watch, or of
// the same search recorded before watches were told apart.
bool isCheckOf(const ItineraryKey& recorded, const ItineraryKey& key);
// What the history records of a search.
CheckOutcome historyOutcome(const SearchOutcome& outcome);
// The record of one search of the watch at `position`; `day` is the search's
// place among the watch's searches.
CheckRecord historyRecord(int position, int day, const Itinerary& watch, const SearchOutcome& outcome);

} // namespace zelvane
