#include "results/WatchJson.h"

#include "itineraries/WatchList.h"
#include "itineraries/WatchListCommands.h"
#include "results/CheckResults.h"
#include "results/Outcome.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace zelvane {

namespace {

// Dates for programs: ISO 8601, whatever the lists show.
QJsonValue isoDate(const QDate& date)
{
    return date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QJsonArray citiesJson(const QList<City>& cities)
{
    QJsonArray all;
    for (const City& c : cities)
        all.append(QJsonObject{{QStringLiteral("name"), c.name}, {QStringLiteral("code"), c.code}});
    return all;
}

QJsonObject legJson(const QDate& date, int daysBefore, int daysAfter)
{
    return {{QStringLiteral("date"), isoDate(date)},
            {QStringLiteral("daysBefore"), daysBefore},
            {QStringLiteral("daysAfter"), daysAfter}};
}

QString legKey(int leg)
{
    return leg == Itinerary::Return ? QStringLiteral("return") : QStringLiteral("outbound");
}

QString stateName(Availability availability)
{
    switch (availability) {
    case Availability::Seats: return QStringLiteral("available");
    case Availability::NoSeats: return QStringLiteral("not available");
    case Availability::NotKnown: break;
    }
    return QStringLiteral("not checked");
}

QString dayStateName(Availability availability)
{
    switch (availability) {
    case Availability::Seats: return QStringLiteral("seats");
    case Availability::NoSeats: return QStringLiteral("no seats");
    case Availability::NotKnown: break;
    }
    return QStringLiteral("not known");
}

// The flights the reading of the page found seats on for this watch, each
// with the cabins that seat it and how many seats the site gave.
QJsonArray seatFlightsJson(const SearchOutcome& day)
{
    QJsonArray flights;
    QList<int> listed;
    for (const SeatOffer& offer : day.offers) {
        if (offer.flight < 0 || offer.flight >= day.flights.size())
            continue;
        const QJsonObject seat{{QStringLiteral("cabin"), cabinName(offer.cabin)},
                               {QStringLiteral("count"), offer.count ? QJsonValue(*offer.count) : QJsonValue()}};
        if (const qsizetype at = listed.indexOf(offer.flight); at >= 0) {
            QJsonObject f = flights[at].toObject();
            QJsonArray seats = f[QStringLiteral("seats")].toArray();
            seats.append(seat);
            f[QStringLiteral("seats")] = seats;
            flights[at] = f;
            continue;
        }
        const FlightRow& row = day.flights[offer.flight];
        listed << offer.flight;
        flights.append(QJsonObject{{QStringLiteral("departing"), row.departing},
                                   {QStringLiteral("arriving"), row.arriving},
                                   {QStringLiteral("flight"), row.flight},
                                   {QStringLiteral("aircraft"), row.aircraft},
                                   {QStringLiteral("stops"), row.stops},
                                   {QStringLiteral("seats"), QJsonArray{seat}}});
    }
    return flights;
}

QJsonObject dayJson(const SearchOutcome& day)
{
    QJsonObject o{{QStringLiteral("date"), isoDate(day.date)},
                  {QStringLiteral("state"), dayStateName(day.availability)},
                  {QStringLiteral("flights"), seatFlightsJson(day)}};
    if (day.availability == Availability::NotKnown)
        o.insert(QStringLiteral("reason"), day.reason);
    return o;
}

} // namespace

QJsonObject watchJson(const Itinerary& it)
{
    return {{QStringLiteral("origins"), citiesJson(it.origins())},
            {QStringLiteral("destinations"), citiesJson(it.destinations())},
            {QStringLiteral("outbound"), legJson(it.date, it.daysBefore, it.extraDays)},
            {QStringLiteral("return"), it.isReturn()
                                           ? QJsonValue(legJson(it.returnDate, it.returnDaysBefore, it.returnExtraDays))
                                           : QJsonValue()},
            {QStringLiteral("time"), it.timeOfDay},
            {QStringLiteral("cabin"), cabinName(it.cabin)},
            {QStringLiteral("adults"), it.adults},
            {QStringLiteral("orFewer"), it.fewerThanParty},
            {QStringLiteral("wholeTripsOnly"), it.wholeTripOnly},
            {QStringLiteral("paused"), it.paused},
            {QStringLiteral("snoozedUntil"), isoDate(it.snoozedUntil)},
            {QStringLiteral("searches"), it.searches()}};
}

QJsonObject resultJson(const ItineraryResult& result)
{
    // Leg by leg, pair by pair in the order searched, each pair's dates in order.
    QJsonArray legs;
    for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        QJsonArray pairs;
        for (const ItineraryResult::Route& route : result.routes()) {
            if (route.leg != leg)
                continue;
            QJsonArray dates;
            for (const SearchOutcome& day : result.days)
                if (day.leg == leg && day.from.code == route.from.code && day.to.code == route.to.code)
                    dates.append(dayJson(day));
            pairs.append(QJsonObject{{QStringLiteral("from"), citiesJson({route.from}).first()},
                                     {QStringLiteral("to"), citiesJson({route.to}).first()},
                                     {QStringLiteral("dates"), dates}});
        }
        if (!pairs.isEmpty())
            legs.append(QJsonObject{{QStringLiteral("leg"), legKey(leg)}, {QStringLiteral("pairs"), pairs}});
    }
    QJsonObject o{{QStringLiteral("state"), result.paused ? QStringLiteral("paused") : stateName(result.availability())},
                  {QStringLiteral("legs"), legs}};
    if (!result.paused && result.availability() == Availability::NotKnown)
        o.insert(QStringLiteral("reason"), result.reason());
    return o;
}

QByteArray watchListJson(const WatchList& list, const CheckResults* results, const QDate& today)
{
    QJsonArray watches;
    for (int p = 1; p <= list.count(); ++p) {
        QJsonObject o{{QStringLiteral("position"), p}, {QStringLiteral("status"), watchState(list, p, today)}};
        // A line that cannot be read is shown as it stands, with why.
        if (list.readable(p))
            o.insert(QStringLiteral("watch"), watchJson(list.at(p)));
        else
            o.insert(QStringLiteral("line"), list.line(p));
        if (results)
            o.insert(QStringLiteral("result"), resultJson(results->at(p)));
        watches.append(o);
    }
    const QJsonObject all{{QStringLiteral("version"), kWatchJsonVersion}, {QStringLiteral("watches"), watches}};
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

} // namespace zelvane
