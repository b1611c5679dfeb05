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
    day.offers = day.seats() ? seatOffers(day.flights, SeatsWanted{cabin, needed}) : QList<SeatOffer>();
}

// A return journey's check from each of its origins on each of its days,
// both legs: seats out of an origin on every third day, staggered from one
// origin to the next, and back on every other of those.
inline ItineraryResult checkedFromEveryOrigin(const Itinerary& trip)
{
    ItineraryResult found;
    const QList<City> from = trip.origins();
    for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        const QList<QDate> dates = leg == Itinerary::Outbound ? trip.dates() : trip.leg(Itinerary::Return).dates();
        for (int city = 0; city < from.size(); ++city)
            for (int d = 0; d < dates.size(); ++d) {
                SearchOutcome o;
                o.leg = leg;
                o.date = dates[d];
                o.from = leg == Itinerary::Outbound ? from[city] : trip.destination;
                o.to = leg == Itinerary::Outbound ? trip.destination : from[city];
                const bool seats = (d + city) % 3 == 0 && (leg == Itinerary::Outbound || d % 2 == 0);
                o.availability = seats ? Availability::Seats : Availability::NoSeats;
                o.pageText = seats ? QStringLiteral("QF %1").arg(400 + 10 * city + d) : QString();
                if (seats)
                    o.offers = {SeatOffer{0, trip.cabin == Cabin::Any ? Cabin::Economy : trip.cabin, trip.adults}};
                found.days << o;
            }
    }
    return found;
}

} // namespace zelvane::test
