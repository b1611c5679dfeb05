#pragma once

#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

namespace zelvane {

// How the history knows the search of one date of an itinerary: codes,
// date, time of day, cabin, adults.
ItineraryKey historyKey(const Itinerary& itinerary, const QDate& date);
// The same for one search of a watch, under the pair it searched.
ItineraryKey historyKey(const Itinerary& itinerary, const SearchOutcome& searched);
// One per search, in the order they are made; the return leg's under its
// own direction, each pair of nearby airports under its own codes.
QList<ItineraryKey> historyKeys(const Itinerary& itinerary);
// What the history records of a search.
CheckOutcome historyOutcome(const SearchOutcome& outcome);
// The record of one search of the watch at `position`: `searched` is the leg
// as it was flown (its cities the pair searched), `day` the search's place
// among the watch's searches; the leg is the outcome's.
CheckRecord historyRecord(int position, int day, const Itinerary& searched, const SearchOutcome& outcome);

} // namespace zelvane
