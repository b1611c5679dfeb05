#pragma once

#include "results/Outcome.h"

namespace zelvane::test {

// One check of a day each from `first`: "Y" one with seats, "-" one without,
// "?" one that could not be read: "Y-?Y".
inline ItineraryResult checkedDays(const QDate& first, const QString& marks)
{
    ItineraryResult result;
    for (qsizetype d = 0; d < marks.size(); ++d) {
        const QDate date = first.addDays(d);
        if (marks[d] == QLatin1Char('?')) {
            result.days << SearchOutcome::notKnown(date, QStringLiteral("the result page did not load"));
            continue;
        }
        SearchOutcome o;
        o.date = date;
        o.availability = marks[d] == QLatin1Char('Y') ? Availability::Seats : Availability::NoSeats;
        o.pageText = o.seats() ? QStringLiteral("QF 1") : QString();
        result.days << o;
    }
    return result;
}

// The day's flights, from their cells, and the ones that seat the watch as
// reading its page decides.
inline void setFlights(SearchOutcome& day, const QList<QStringList>& cells, Cabin cabin = Cabin::Any, int needed = 1)
{
    day.flights.clear();
    for (const QStringList& c : cells)
        day.flights << FlightRow::fromCells(c);
    day.offers = day.seats() ? seatOffers(day.flights, cabin, needed) : QList<SeatOffer>();
}

} // namespace zelvane::test
