#include "results/CheckRecords.h"

#include <algorithm>

namespace zelvane {

namespace {

ItineraryKey searchKey(const Itinerary& watch, const City& from, const City& to, const QDate& date)
{
    return {from.code, to.code, dateText(date), watch.timeOfDay, cabinName(watch.cabin), watch.adults, watch.identity()};
}

} // namespace

ItineraryKey historyKey(const Itinerary& watch, const SearchOutcome& searched)
{
    return searchKey(watch, searched.from, searched.to, searched.date);
}

QList<ItineraryKey> historyKeys(const Itinerary& watch)
{
    QList<ItineraryKey> keys;
    for (const Itinerary::Search& s : watch.plannedSearches()) {
        const Itinerary leg = watch.searched(s);
        keys << searchKey(watch, leg.origin, leg.destination, s.date);
    }
    return keys;
}

bool isCheckOf(const ItineraryKey& recorded, const ItineraryKey& key)
{
    if (recorded.watch.isEmpty()) {
        ItineraryKey older = key;
        older.watch.clear();
        return recorded == older;
    }
    return recorded == key;
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

CheckRecord historyRecord(int position, int day, const Itinerary& watch, const SearchOutcome& outcome)
{
    CheckRecord c;
    c.position = position;
    c.day = day;
    c.leg = outcome.leg;
    c.key = historyKey(watch, outcome);
    c.outcome = historyOutcome(outcome);
    for (const FlightRow& f : outcome.flights)
        c.flights << f.cells();
    if (c.outcome == CheckOutcome::Available || c.outcome == CheckOutcome::NotAvailable) {
        QStringList cabins;
        for (const Cabin cabin : cabinsOf(watch.cabin))
            if (std::any_of(outcome.offers.cbegin(), outcome.offers.cend(),
                            [cabin](const SeatOffer& o) { return o.cabin == cabin; }))
                cabins << cabinName(cabin);
        c.seatCabins = cabins;
    }
    return c;
}

} // namespace zelvane
