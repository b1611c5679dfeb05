#pragma once

#include "itineraries/Itinerary.h"

#include <QString>
#include <optional>

namespace zelvane {

// The only code that knows the fields of a watch-list line: origin name,
// destination name, date (dd/mm/yyyy), time of day, origin code,
// destination code, then the cabin, the adults, the days after the date,
// the days before it, and for a return journey its date, days after and
// days before, and "trip" when only seats both ways count; then the nearby
// airports, the other origins and the other destinations, each as
// "Name/CODE" joined by "|"; the seventeenth is "fewer" when fewer seats
// than the adults are news too; then for the outbound and then the return
// leg the stops ("" any, "0" direct only, "1" at most one) and the
// departure hours ("07:00-12:00", "" any). Every field after the sixth is written only
// up to the last one that is not its default, so older copies, which read only the
// fields they know, read such a line as the same flight.
struct ReadLine {
    Itinerary itinerary; // as much as could be read
    QString problem;     // why the line is no itinerary; empty when it is one
    QString dateField;   // the date as written
};
ReadLine readItineraryLine(const QString& line);
// A date as the file holds it and the user types it: day/month/year, leading
// zeros optional, a year of four digits ("06" is not 2006).
std::optional<QDate> readDate(const QString& text);
QString itineraryLine(const Itinerary& itinerary);
// `line` with the pause and the snooze of `itinerary`, every other field as
// it was written.
QString lineWithHold(const QString& line, const Itinerary& itinerary);

} // namespace zelvane
