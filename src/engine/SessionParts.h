#pragma once

namespace zelvane {

class CityLists;
class Clock;
class HistoryStore;
class WatchList;
class Settings;

// What a check session reads and writes besides its browsers: the member's
// settings, the watch list, the airline's city lists and the history.
struct SessionParts {
    Settings& settings;
    WatchList& watchList;
    CityLists& cities;
    HistoryStore& history;
    const Clock& clock;
};

} // namespace zelvane
