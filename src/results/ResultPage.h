#pragma once

#include "results/FlightTable.h"
#include "results/Outcome.h"

#include <QString>
#include <optional>

namespace zelvane {

class WebBrowser;

// "start-again", "other-page", "no-frame", "flight-table": the kept file's name part.
QString unreadablePageName(UnreadablePage kind);

// The first step, from the texts alone: the page's kind, and for an
// availability page the flight table's text. Either text missing (page or
// frame not there) leaves it not known. Seats are never decided here.
SearchOutcome readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText);

// The second step, for an availability page: the flights of the frame's
// tables decide, here and only here. Seats when some flight the leg's choice
// lets through has seats for the party in its cabin (any cabin for Any),
// with those flights as the outcome's offers; none when the table was read
// and has no such flight; not known when no flight table can be read from
// the frame, or when the only flights with such seats have stops or a time
// the choice needs that cannot be read.
SearchOutcome withFlights(SearchOutcome reading, const std::optional<QList<HtmlTable>>& frameTables,
                          const SeatsWanted& wanted);

// Reads the page now shown in the browser for a watch that wants `wanted`.
SearchOutcome readResultPage(const WebBrowser& browser, const SeatsWanted& wanted);

inline const QString kNoFlightsMarker =
    QStringLiteral("Frequent Flyer - Award Bookings - No available flights");
inline const QString kStartAgainMarker = QStringLiteral("< Start again Help? Close");
inline const QString kAvailabilityMarker = QStringLiteral("Availability");
inline const QString kDeparting = QStringLiteral("Departing");
inline const QString kFlightTableHeadings =
    QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

} // namespace zelvane
