#pragma once

#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

#include <QString>

namespace zelvane {

// How the alerts name an itinerary's dates and seats, so that two lines of
// one trip for other seats or days never read alike. One seat in any cabin
// on one date reads as it always did: the date and nothing more.
struct SeatTexts {
    // The date; for an itinerary of several dates the days with seats
    // ("Wed 03/02/2027, Fri 05/02/2027", "Wed 03/02/2027 to Tue 09/02/2027"),
    // or when none had any its dates and how many were searched
    // ("03/02/2027 and the 3 days after: no seats on any of the 4 days").
    QString dates;
    bool severalDates = false; // `dates` names more than one day with seats
    // Only what differs from one seat in any cabin: "", "2 adults, Business".
    QString seats;
    // How many seats the site gave in each cabin asked for, on the days with
    // seats: "Business: 2 seats"; empty where it gave no number.
    QString counts{};
};
SeatTexts seatTexts(const Itinerary& itinerary, const ItineraryResult& result);

// What an availability pop-up says of an itinerary with seats.
struct Announcement {
    QString origin{}, destination{};
    QString dates{};
    bool severalDates = false;
    QString seats{}; // empty for one seat in any cabin
    QString counts{}; // "Business: 2 seats"; empty when the site gave no number
    bool operator==(const Announcement&) const = default;
};
// "Business: 2 seats", "Economy: 1 seat".
QString seatCountText(Cabin cabin, int count);
// The most seats a flight offers in each cabin the itinerary asks for (each
// cabin for Any), over `days` that had seats, joined by ", ". A cabin with a
// seat cell that gives no number has no count, so none is made up for it.
QString seatCounts(Cabin cabin, const QList<SearchOutcome>& days);

Announcement seatAnnouncement(const Itinerary& itinerary, const ItineraryResult& result);

} // namespace zelvane
