#pragma once

#include <QString>

namespace zelvane {

// The fixed pauses of one check: a login, then `searches` award searches.
// The pages' own loading comes on top.
int checkPauseSeconds(int searches);

// What the itinerary panel tells of the watch list before a check runs:
// "34 searches, about 18 minutes per check".
QString sessionSizeText(int searches);

struct Itinerary;
// What adding `watch` to a list of `listSearches` per check costs, told
// before it is added: "This watch: 4 days = 4 searches", and by how much it
// would pass the limit of a check.
QString watchCostText(const Itinerary& watch, int listSearches);

} // namespace zelvane
