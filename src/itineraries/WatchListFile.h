#pragma once

#include "itineraries/Itinerary.h"

#include <QString>
#include <optional>

namespace zelvane {

// The only code that knows the fields of a watch-list line: origin name,
// destination name, date (dd/mm/yyyy), time of day, origin code,
// destination code, then the cabin, the adults and the days after the date.
// The three last are written only up to the last one that is not its
// default, so a line with none of them reads in older copies too.
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

} // namespace zelvane
