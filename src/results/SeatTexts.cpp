#include "results/SeatTexts.h"

#include <QStringList>
#include <algorithm>

namespace zelvane {

namespace {

// Three or more days in a row go by their first and last, so a week of seats
// stays short: "Wed 03/02/2027 to Fri 05/02/2027, Sun 07/02/2027".
QString dayNames(const QList<QDate>& days)
{
    QStringList names;
    for (qsizetype first = 0, last = 0; first < days.size(); first = ++last) {
        while (last + 1 < days.size() && days[last].daysTo(days[last + 1]) == 1)
            ++last;
        if (last - first >= 2) {
            names << fullDayName(days[first]) + QStringLiteral(" to ") + fullDayName(days[last]);
            continue;
        }
        for (qsizetype d = first; d <= last; ++d)
            names << fullDayName(days[d]);
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

QString seatCountText(Cabin cabin, int count)
{
    return cabinName(cabin) + (count == 1 ? QStringLiteral(": 1 seat") : QStringLiteral(": %1 seats").arg(count));
}

QString seatCounts(const ItineraryResult& result)
{
    const bool legs = result.hasReturnLeg();
    const bool severalDates = result.days.size() > 1;
    QStringList counts;
    for (const int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        for (const Cabin c : {Cabin::Economy, Cabin::Business, Cabin::First}) {
            // The flight that seats the most in this cabin on this leg, the
            // first day it did; an offer without a number gives none.
            int most = 0;
            QDate on;
            for (const SearchOutcome& day : result.days) {
                if (day.leg != leg)
                    continue;
                for (const SeatOffer& o : day.offers)
                    if (o.cabin == c && o.count.value_or(0) > most) {
                        most = *o.count;
                        on = day.date;
                    }
            }
            if (most == 0)
                continue;
            QString text = seatCountText(c, most);
            if (severalDates)
                text += QStringLiteral(" on ") + shortDayName(on);
            counts << (legs ? legName(leg) + QLatin1Char(' ') + text : text);
        }
    }
    return counts.join(QStringLiteral(", "));
}

SeatTexts seatTexts(const Itinerary& itinerary, const ItineraryResult& result)
{
    SeatTexts texts{itinerary.datesText(), false, itinerary.seatsChoice(), seatCounts(result)};
    // A return journey names each leg and the days it had seats; with
    // nearby airports each pair that had seats.
    if (result.hasReturnLeg() || result.severalPairs()) {
        const bool legs = result.hasReturnLeg();
        texts.dates = result.tripText({dayNames, &ItineraryResult::pairName, [&](bool, int) {
                                           return legs ? QStringLiteral("none")
                                                       : QStringLiteral("no seats from any of the %1 pairs").arg(itinerary.pairs());
                                       },
                                       QStringLiteral(" · ")});
        int named = 0;
        for (const ItineraryResult::Route& r : result.routes())
            named += int(r.seatDays.size());
        texts.severalDates = named > 1;
        // In the order the trip text tells them: leg by leg, pair by pair.
        for (const int leg : {int(Itinerary::Outbound), int(Itinerary::Return)})
            for (const ItineraryResult::Route& r : result.routes()) {
                if (r.leg != leg)
                    continue;
                QString route = legs ? legName(leg) + QLatin1Char(' ') : QString();
                if (result.severalPairs())
                    route += r.from.code + QStringLiteral("→") + r.to.code + QLatin1Char(' ');
                for (const QDate& d : r.seatDays)
                    texts.days << route + fullDayName(d);
            }
        return texts;
    }
    // One date searched (or none yet): the dates as the list shows them.
    if (result.days.size() < 2)
        return texts;
    const QList<QDate> found = result.seatDays();
    if (found.isEmpty()) {
        texts.dates = QStringLiteral("%1 and the %2 after: no seats on any of the %3 days")
                          .arg(dateText(itinerary.date),
                               itinerary.extraDays == 1 ? QStringLiteral("day") : QStringLiteral("%1 days").arg(itinerary.extraDays))
                          .arg(result.days.size());
        return texts;
    }
    // No date stands beside these, so each day carries its whole date.
    texts.dates = dayNames(found);
    texts.severalDates = found.size() > 1;
    for (const QDate& d : found)
        texts.days << fullDayName(d);
    return texts;
}

Announcement seatAnnouncement(const Itinerary& itinerary, const ItineraryResult& result)
{
    const SeatTexts texts = seatTexts(itinerary, result);
    return {itinerary.originNames(), itinerary.destinationNames(), texts.dates, texts.severalDates, texts.seats,
            texts.counts, texts.days, itinerary.identity()};
}

} // namespace zelvane
