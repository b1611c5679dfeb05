#include "engine/BookingLink.h"

#include "engine/AwardQuery.h"

namespace zelvane {

QString bookingAddress(const QString& base, const Itinerary& watch, const SearchOutcome& day)
{
    // The very search the check made: the leg as it flies, between the pair
    // that was searched.
    Itinerary searched = watch.leg(day.leg);
    if (!day.from.code.isEmpty())
        searched.origin = day.from;
    if (!day.to.code.isEmpty())
        searched.destination = day.to;
    return awardSearchUrl(base, searched, day.date);
}

QList<BookingLink> bookingLinks(const QString& base, const Itinerary& watch, const ItineraryResult& result)
{
    if (result.availability() != Availability::Seats)
        return {};
    QList<BookingLink> links;
    for (const SearchOutcome& day : result.days)
        if (day.seats())
            links.append({result.days.size() > 1 ? result.dayName(day) : QString(),
                          bookingAddress(base, watch, day)});
    return links;
}

QString firstBookingAddress(const QString& base, const Itinerary& watch, const ItineraryResult& result)
{
    const SearchOutcome* day = result.shownDay();
    return day && day->seats() && result.availability() == Availability::Seats
               ? bookingAddress(base, watch, *day) : QString();
}

} // namespace zelvane
