#include "results/CheckRecords.h"

namespace zelvane {

ItineraryKey historyKey(const Itinerary& it, const QDate& date)
{
    return {it.origin.code, it.destination.code, dateText(date), it.timeOfDay, cabinName(it.cabin), it.adults};
}

ItineraryKey historyKey(const Itinerary& it, const SearchOutcome& searched)
{
    ItineraryKey key = historyKey(it, searched.date);
    key.origin = searched.from.code;
    key.destination = searched.to.code;
    return key;
}

QList<ItineraryKey> historyKeys(const Itinerary& it)
{
    QList<ItineraryKey> keys;
    for (const Itinerary::Search& s : it.plannedSearches())
        keys << historyKey(it.searched(s), s.date);
    return keys;
}

CheckOutcome historyOutcome(const SearchOutcome& o)
{
    switch (o.availability) {
    case Availability::Seats: return CheckOutcome::Available;
    case Availability::NoSeats: return CheckOutcome::NotAvailable;
    case Availability::NotKnown: break;
    }
    if (o.loggedOut)
        return CheckOutcome::LoggedOut;
    return o.unreadable != UnreadablePage::None ? CheckOutcome::Unreadable : CheckOutcome::Failed;
}

CheckRecord historyRecord(int position, int day, const Itinerary& searched, const SearchOutcome& outcome)
{
    CheckRecord c;
    c.position = position;
    c.day = day;
    c.leg = outcome.leg;
    c.key = historyKey(searched, outcome.date);
    c.outcome = historyOutcome(outcome);
    c.flights = outcome.flights;
    return c;
}

} // namespace zelvane
