#pragma once

#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

#include <QString>
#include <QStringList>

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
    // How many seats the flights that seat the watch offer: "Business: 2
    // seats"; empty where the site gave no number.
    QString counts{};
    // Each day with seats on its own, in the order `dates` tells them, with
    // its leg and pair where the trip has several: "Outbound SYD→MEL Tue
    // 15/06/2027". Where there is no room for all of `dates`, the first of
    // these and how many more. Empty for one date.
    QStringList days{};
};
SeatTexts seatTexts(const Itinerary& itinerary, const ItineraryResult& result);

// What an availability pop-up says of an itinerary with seats.
struct Announcement {
    QString origin{}, destination{};
    QString dates{};
    bool severalDates = false;
    QString seats{}; // empty for one seat in any cabin
    QString counts{}; // "Business: 2 seats"; empty when the site gave no number
    QStringList days{}; // as SeatTexts::days
    // The watch it tells of (its identity), for what the pop-up offers to do
    // with it; none for a test.
    QString watch{};
    QString booking{}; // the award search of its first day with seats, to book from
    // What it says: the same words of the same trip are the same announcement.
    bool operator==(const Announcement& o) const
    {
        return origin == o.origin && destination == o.destination && dates == o.dates && severalDates == o.severalDates
               && seats == o.seats && counts == o.counts && days == o.days;
    }
};
// "Business: 2 seats", "Economy: 1 seat".
QString seatCountText(Cabin cabin, int count);
// Of the flights that seat the watch, the most one offers in each cabin, leg
// by leg, with the day when the watch searched several: "Economy: 4 seats
// on Tue 15, Business: 2 seats on Wed 16". Offers that give no number make
// none up.
QString seatCounts(const ItineraryResult& result);

Announcement seatAnnouncement(const Itinerary& itinerary, const ItineraryResult& result);

} // namespace zelvane
