#include "history/HistorySchema.h"

namespace zelvane {

namespace {

// From an empty file. Checks point at their itinerary and at a flight table,
// so a year of the same itineraries and mostly unchanged tables is stored
// once. A check is one date searched: a flexible itinerary has a check per day,
// a return journey's way back checks of its own, leg 1.
const char* const kSchema[] = {
    "CREATE TABLE sessions(id INTEGER PRIMARY KEY, started INTEGER NOT NULL,"
    " completed INTEGER NOT NULL)",
    "CREATE INDEX sessions_started ON sessions(started)",
    "CREATE TABLE itineraries(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
    " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
    " adults INTEGER NOT NULL DEFAULT 1, watch TEXT NOT NULL DEFAULT '',"
    " UNIQUE(origin, destination, date, time, cabin, adults, watch))",
    "CREATE TABLE flight_tables(id INTEGER PRIMARY KEY, rows TEXT NOT NULL UNIQUE)",
    "CREATE TABLE checks(session INTEGER NOT NULL, position INTEGER NOT NULL,"
    " day INTEGER NOT NULL DEFAULT 0, itinerary INTEGER NOT NULL, outcome INTEGER NOT NULL,"
    " flights INTEGER, leg INTEGER NOT NULL DEFAULT 0, cabins TEXT,"
    " PRIMARY KEY(session, position, day)) WITHOUT ROWID",
    "CREATE INDEX checks_itinerary ON checks(itinerary, session)",
};

// Version 1 to 2: itineraries told apart by their adults, and a day per check.
// Ids are kept, so every check still points at its itinerary; what version 1
// recorded was one adult on the itinerary's own date.
const char* const kFromVersion1[] = {
    "CREATE TABLE itineraries2(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
    " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
    " adults INTEGER NOT NULL DEFAULT 1, UNIQUE(origin, destination, date, time, cabin, adults))",
    "INSERT INTO itineraries2(id, origin, destination, date, time, cabin)"
    " SELECT id, origin, destination, date, time, cabin FROM itineraries",
    "DROP TABLE itineraries",
    "ALTER TABLE itineraries2 RENAME TO itineraries",
    "CREATE TABLE checks2(session INTEGER NOT NULL, position INTEGER NOT NULL,"
    " day INTEGER NOT NULL DEFAULT 0, itinerary INTEGER NOT NULL, outcome INTEGER NOT NULL,"
    " flights INTEGER, PRIMARY KEY(session, position, day)) WITHOUT ROWID",
    "INSERT INTO checks2(session, position, itinerary, outcome, flights)"
    " SELECT session, position, itinerary, outcome, flights FROM checks",
    "DROP TABLE checks",
    "ALTER TABLE checks2 RENAME TO checks",
    "CREATE INDEX checks_itinerary ON checks(itinerary, session)",
};

// Version 2 to 3: the leg of a return journey each check searched; every
// check before it was of an outbound leg.
const char* const kFromVersion2[] = {
    "ALTER TABLE checks ADD COLUMN leg INTEGER NOT NULL DEFAULT 0",
};

// Version 3 to 4: a search's checks told apart by the watch they were made
// for (older ones belong to none yet), and the cabins that seated it. Ids
// are kept.
const char* const kFromVersion3[] = {
    "CREATE TABLE itineraries2(id INTEGER PRIMARY KEY, origin TEXT NOT NULL,"
    " destination TEXT NOT NULL, date TEXT NOT NULL, time TEXT NOT NULL, cabin TEXT NOT NULL,"
    " adults INTEGER NOT NULL DEFAULT 1, watch TEXT NOT NULL DEFAULT '',"
    " UNIQUE(origin, destination, date, time, cabin, adults, watch))",
    "INSERT INTO itineraries2(id, origin, destination, date, time, cabin, adults)"
    " SELECT id, origin, destination, date, time, cabin, adults FROM itineraries",
    "DROP TABLE itineraries",
    "ALTER TABLE itineraries2 RENAME TO itineraries",
    "ALTER TABLE checks ADD COLUMN cabins TEXT",
};

template <size_t N>
void append(QStringList& steps, const char* const (&sql)[N])
{
    for (const char* s : sql)
        steps << QString::fromLatin1(s);
}

} // namespace

QStringList schemaSteps(int version)
{
    QStringList steps;
    if (version < 1) {
        append(steps, kSchema);
        return steps;
    }
    if (version < 2)
        append(steps, kFromVersion1);
    if (version < 3)
        append(steps, kFromVersion2);
    if (version < 4)
        append(steps, kFromVersion3);
    return steps;
}

} // namespace zelvane
