#pragma once

#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

#include <QList>
#include <QString>

namespace zelvane {

// The way to book seats a check found: the airline's own award search for
// the day, pair and party, opened in the user's browser.
inline const QString kBookOnAirlineSite = QStringLiteral("Book on the airline's site");
// The award search answers only inside the member's login session (the
// cookie its login sets): opened without one, the site shows its login form,
// and the search works once the member has signed in there.
inline const QString kSignInFirst = QStringLiteral("sign in there first, then open");

struct BookingLink {
    QString day;     // which search, where the watch made several: "Outbound Tue 15/12/2026"
    QString address; // the award search, as the check asked it
};

// The award search of one day a check read, for the watch's whole party
// (its cabin is one column of the flights the search shows). `base` is the
// airline site's scheme and host, as the checks use it.
QString bookingAddress(const QString& base, const Itinerary& watch, const SearchOutcome& day);
// One per day with seats, in the order they were searched.
QList<BookingLink> bookingLinks(const QString& base, const Itinerary& watch, const ItineraryResult& result);
// The search of the day the pop-up and the results show first (the first
// with seats); empty when no day has seats.
QString firstBookingAddress(const QString& base, const Itinerary& watch, const ItineraryResult& result);

} // namespace zelvane
