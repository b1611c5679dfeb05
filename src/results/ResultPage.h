#pragma once

#include "results/FlightTable.h"
#include "results/Outcome.h"

#include <QString>
#include <optional>

namespace zelvane {

class WebBrowser;

// The outcome of reading one result page: seats or none, the flight table's
// text as the page shows it (with seats only) and its flights.
struct ResultPageReading {
    Availability availability = Availability::NoSeats;
    QString resultText;
    QList<FlightRow> flights;
    bool seats() const { return availability == Availability::Seats; }
};

// Decides from the page's text and its first frame's text whether seats were
// found. Either text missing (page or frame not there) means not available.
ResultPageReading readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText);

// Adds the flights of the frame's tables to a reading that found seats, and
// with a cabin other than Any keeps it available only when a flight has
// seats in that cabin; otherwise its text goes, so it reads as none found.
ResultPageReading withFlights(ResultPageReading reading,
                              const std::optional<QList<HtmlTable>>& frameTables, Cabin cabin);

// Reads the page now shown in the browser for an itinerary that wants seats
// in `cabin`.
ResultPageReading readResultPage(const WebBrowser& browser, Cabin cabin);

inline const QString kNoFlightsMarker =
    QStringLiteral("Frequent Flyer - Award Bookings - No available flights");
inline const QString kStartAgainMarker = QStringLiteral("< Start again Help? Close");
inline const QString kAvailabilityMarker = QStringLiteral("Availability");
inline const QString kDeparting = QStringLiteral("Departing");
inline const QString kFlightTableHeadings =
    QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

} // namespace zelvane
