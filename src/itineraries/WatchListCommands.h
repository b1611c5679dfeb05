#pragma once

#include "itineraries/WatchList.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace zelvane {

// The watch list changed from a terminal, by the rules and in the words of
// the itinerary panel. Each change is made under the list's lock on the file
// as it is then, and written before the lock goes, so a tray program
// running meanwhile loses nothing and sees the change at once.
struct WatchListChange {
    enum class Result {
        Done,
        Full,        // the list holds as many watches as it may
        Dates,       // a date the airline's award search does not reach
        Route,       // a line that cannot be read, or a route that cannot be flown
        Searches,    // past the searches one check may make
        NoSuchWatch, // no watch at that position
        Busy,        // another program kept the list's lock
        NotWritten,  // the file could not be written
    };
    Result result = Result::Done;
    QString message; // what was changed, or why nothing was
};

// `line` holds the fields of a watch-list line.
WatchListChange addWatch(WatchList& list, const QString& line, const QDate& today);
WatchListChange removeWatch(WatchList& list, int position);
WatchListChange pauseWatch(WatchList& list, int position, bool paused);

// One line per watch, its fields separated by tabs: position, origin,
// destination, dates, time of day, seats, the searches it makes, and its
// state: "watched", "paused", "snoozed until 12/01/2027", "past", "not yet
// bookable: from …", or why its line cannot be read.
QStringList watchListTable(const WatchList& list, const QDate& today);
// The state alone, as the table's last field.
QString watchState(const WatchList& list, int position, const QDate& today);

} // namespace zelvane
