#pragma once

#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

namespace zelvane {

// A pair of city codes the way its flights go, as the history recorded them:
// a return journey's way back is a route of its own.
struct Route {
    QString origin;
    QString destination;
    bool operator==(const Route&) const = default;
    bool operator<(const Route& o) const
    {
        return origin != o.origin ? origin < o.origin : destination < o.destination;
    }
};
// "SYD -> MEL": ASCII, for a terminal as well as a window.
QString routeName(const Route& route);

// What the history knows of one day of a route.
struct CalendarDay {
    QDate date;
    // Seats or no seats as the last session that checked the day found;
    // not known while every search of it was not checked (or it was never
    // searched). A search that was not checked leaves what was known.
    Availability state = Availability::NotKnown;
    QList<Cabin> cabins; // that had seats for the party at that check, in cabin order
    QDateTime lastChecked;   // that session's start; invalid when none checked it
    QDateTime lastTried;     // the last session that searched it, checked or not
    CheckOutcome lastTriedOutcome = CheckOutcome::Failed;
    bool searched() const { return lastTried.isValid(); }
};

// One route's days of one watch over the months the history searched it.
struct RouteCalendar {
    Route route;
    QString watch; // its identity; empty for checks recorded before watches were told apart
    // "SYD -> MEL"; where watches share the route, with the watch after it.
    QString name;
    QMap<QDate, CalendarDay> days; // the days searched
    // The first day of each month from the first day searched to the last.
    QList<QDate> months() const;
    // A day never searched is plain: not known, nothing tried.
    CalendarDay day(const QDate& date) const;
};

// The checks, oldest session first as the history gives them, folded into
// days: one calendar per watch and route, in the order of their codes. Two
// watches of one route (other cabins, parties) never share a day.
QList<RouteCalendar> seatCalendars(const QList<HistoryCheck>& checks);

// What a day tells, in words: "Tue 03/02/2027: seats in Business, First ·
// last checked 08/12/2026 10:00".
QString dayDescription(const CalendarDay& day);

// For a terminal: a legend, then per route per month a grid of days, Monday
// first, each day with one mark ("S" seats, "." no seats, "?" not known,
// blank when not searched).
QString calendarText(const QList<RouteCalendar>& calendars);
// One JSON object a line per day searched: origin, destination, watch, date,
// state ("seats", "no seats", "not known"), cabins, lastChecked, lastTried.
QByteArray calendarJsonLines(const QList<RouteCalendar>& calendars);

} // namespace zelvane
