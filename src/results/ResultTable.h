#pragma once

#include "results/FlightTable.h"
#include "results/ResultIcons.h"
#include "itineraries/ItineraryEditing.h"
#include "itineraries/ItineraryStore.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace zelvane {

class WebBrowser;

// What the award search of one departure date found.
struct DayResult {
    QDate date;
    bool available = false;
    QString resultText;       // the page's flight table text when seats were found
    QList<FlightRow> flights; // also when none had seats in the cabin
    bool checked = true;      // false: its search failed, so it says nothing
};

// What the last check of one itinerary found. Held in memory only.
struct ResultEntry {
    QString resultText;        // flight table text; non-empty means seats were found
    bool notAvailable = false; // a check ended without seats
    QList<FlightRow> flights;  // the flight table's rows, also when none had seats in the cabin
    // Every date the last check searched, in date order; one for an itinerary
    // of a single date. resultText and flights above are made from these.
    QList<DayResult> days;
};

// "Tue 3": a day of a flexible itinerary as the results list names it.
QString shortDayName(const QDate& date);
// "Tue 03/02/2027": the same where no date cell stands beside it.
QString fullDayName(const QDate& date);
// The days of the entry with seats, in date order.
QList<QDate> seatDays(const ResultEntry& entry);
// For an entry that searched more than one date: "3 of 7 days: Tue 3, Thu 5,
// Fri 6", "0 of 4 days"; empty for a single date or no check.
QString seatDaysSummary(const ResultEntry& entry);

// One entry per watch-list position 1..100 (entry k belongs to position k + 1).
// Indexes outside the table are ignored, so a hand-edited list longer than
// the table never reaches it.
class ResultTable final : public PositionFollower {
public:
    static bool inRange(int entry) { return entry >= 0 && entry < kMaxItineraries; }

    const ResultEntry& entry(int k) const;
    // The row icon of the entry's state: available, not available, not yet checked.
    int icon(int k) const;

    void setResultText(int k, const QString& text);
    void setFlights(int k, const QList<FlightRow>& flights);
    // What one check of the entry found, one result per date searched: its
    // result text joins those of the days with seats (each under its day
    // when there is more than one date), its flights are those of the first
    // day with seats, or of the first day when none had any.
    void setDays(int k, const QList<DayResult>& days);
    // A new check of the entry begins: what the last one found is gone.
    void clearResultText(int k);
    // After a check: an empty result means not available.
    void markNotAvailableIfEmpty(int k);
    void resetEntry(int k) override;
    void removePosition(int p, int n) override;
    void clearAll() override;

private:
    std::array<ResultEntry, kMaxItineraries> entries_{};
};

// The outcome of reading one result page.
struct ResultPageReading {
    bool available = false;
    QString resultText;
    QList<FlightRow> flights;
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
