#pragma once

namespace zelvane {

class AnnouncedSeats;
class CityLists;
class Clock;
class HistoryStore;
class KeptPages;
class WatchList;
class Settings;

// What a check session reads and writes besides its browsers: the member's
// settings, the watch list, the airline's city lists, the history, what the
// user was told of seats, and the pages it could not read.
struct SessionParts {
    Settings& settings;
    WatchList& watchList;
    CityLists& cities;
    HistoryStore& history;
    const Clock& clock;
    AnnouncedSeats& announced;
    KeptPages& keptPages;
};

} // namespace zelvane
