#pragma once

#include "app/Settings.h"

namespace zelvane {

class AnnouncedSeats;
class CityLists;
class Clock;
class HistoryStore;
class KeptPages;
class WatchList;

// What a check session reads and writes besides its browsers: the member's
// login, the schedule's times, whether only changes are announced, when the
// results mail goes, what the user was told of trouble, the watch list, the airline's city lists, the history, what the
// user was told of seats, and the pages it could not read.
struct SessionParts {
    SettingsGroup<Member>& member;
    SettingsGroup<Schedule>& schedule;
    SettingsField<AlertChannels, bool> announceChangesOnly;
    const SettingsGroup<MailPolicy>& mailPolicy;
    SettingsGroup<Told>& told;
    WatchList& watchList;
    CityLists& cities;
    HistoryStore& history;
    const Clock& clock;
    AnnouncedSeats& announced;
    KeptPages& keptPages;
};

} // namespace zelvane
