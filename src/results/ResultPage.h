#pragma once

#include "results/FlightTable.h"
#include "results/Outcome.h"

#include <QString>
#include <optional>

namespace zelvane {

class WebBrowser;

// "start-again", "other-page", "no-frame", "flight-table": the kept file's name part.
QString unreadablePageName(UnreadablePage kind);

// What one result page says: seats for the party in the cabin asked, none
// (the site's no-availability page, or a flight table it can read without
// such seats), or not known when the page is not one it can read, and why.
struct ResultPageReading {
    Availability availability = Availability::NotKnown;
    QString resultText;        // the flight table's text as the page shows it, with seats only
    QList<FlightRow> flights;  // the flight table as read, also when none of it counts
    QString reason;            // not known: why, in words
    UnreadablePage unreadable = UnreadablePage::None;
    bool seats() const { return availability == Availability::Seats; }
};

// The first step, from the texts alone: the page's kind, and for an
// availability page the flight table's text. Either text missing (page or
// frame not there) leaves it not known. Seats are never decided here.
ResultPageReading readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText);

// The second step, for an availability page: the flights of the frame's
// tables decide. Seats when some flight has seats for all `adults` in
// `cabin` (any cabin for Any); none when the table was read and has no such
// flight; not known when no flight table can be read from the frame.
ResultPageReading withFlights(ResultPageReading reading,
                              const std::optional<QList<HtmlTable>>& frameTables, Cabin cabin, int adults);

// Reads the page now shown in the browser for an itinerary that wants seats
// for `adults` in `cabin`.
ResultPageReading readResultPage(const WebBrowser& browser, Cabin cabin, int adults);

inline const QString kNoFlightsMarker =
    QStringLiteral("Frequent Flyer - Award Bookings - No available flights");
inline const QString kStartAgainMarker = QStringLiteral("< Start again Help? Close");
inline const QString kAvailabilityMarker = QStringLiteral("Availability");
inline const QString kDeparting = QStringLiteral("Departing");
inline const QString kFlightTableHeadings =
    QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

} // namespace zelvane
