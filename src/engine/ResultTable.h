#pragma once

#include "engine/ResultIcons.h"
#include "itineraries/ItineraryStore.h"

#include <QString>
#include <array>
#include <optional>

namespace zelvane {

class WebBrowser;

// What the last check of one itinerary found. Held in memory only.
struct ResultEntry {
    QString ResultText;        // flight table text; non-empty means seats were found
    bool NotAvailable = false; // a check ended without seats
};

// One entry per watch-list position 1..100 (entry k belongs to position k + 1).
// Indexes outside the table are ignored, so a hand-edited list longer than
// the table never reaches it.
class ResultTable {
public:
    static bool inRange(int entry) { return entry >= 0 && entry < kMaxItineraries; }

    const ResultEntry& entry(int k) const;
    // The row icon of the entry's state: available, not available, not yet checked.
    int icon(int k) const;

    void setResultText(int k, const QString& text);
    void clearResultText(int k) { setResultText(k, QString()); }
    // After a check: an empty result means not available.
    void markNotAvailableIfEmpty(int k);
    // A new itinerary at entry k starts unchecked.
    void resetEntry(int k);
    // Position p (1-based) of n itineraries was deleted: later entries move up
    // and the freed last entry is cleared.
    void removePosition(int p, int n);
    void clearAll();

private:
    std::array<ResultEntry, kMaxItineraries> entries_{};
};

// The outcome of reading one result page.
struct ResultPageReading {
    bool available = false;
    QString resultText;
};

// Decides from the page's text and its first frame's text whether seats were
// found. Either text missing (page or frame not there) means not available.
ResultPageReading readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText);

// Reads the page now shown in the browser into entry k; true when available.
bool ReadResultPage(const WebBrowser& browser, ResultTable& table, int k);

inline const QString kNoFlightsMarker =
    QStringLiteral("Frequent Flyer - Award Bookings - No available flights");
inline const QString kStartAgainMarker = QStringLiteral("< Start again Help? Close");
inline const QString kAvailabilityMarker = QStringLiteral("Availability");
inline const QString kDeparting = QStringLiteral("Departing");
inline const QString kFlightTableHeadings =
    QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

} // namespace zelvane
