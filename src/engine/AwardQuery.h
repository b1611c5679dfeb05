#pragma once

#include "itineraries/Itinerary.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

// The times of day an itinerary can ask for, in the order the editor offers them.
const QStringList& timeOfDayChoices();

// What the award search sends for a time of day: both carry the same fixed
// date and differ only in the hour.
struct TimeOfDayRow {
    qint64 departureTime;  // milliseconds since 1970 UTC
    QString formatted;     // "20050630HH00"
};

// The row of one of the offered choices (exact match), or nothing.
std::optional<TimeOfDayRow> timeOfDayRow(const QString& choice);

// The row sent for any time text: a text that is none of the offered choices
// (only a hand-edited watch list has one) searches from the start of the day,
// like "Morning", so no flight of that day is missed.
TimeOfDayRow timeOfDayRowOrMorning(const QString& choice);

// The award search address for one date of an itinerary: base is scheme and
// host of the airline site. The city codes go as they are but for the
// characters that would end or add a parameter; every adult travelling
// together needs a seat.
QString awardSearchUrl(const QString& base, const Itinerary& itinerary, const QDate& date);

inline const QString kAwardBookingPath = QStringLiteral("/fflyer/dyns/auth/AwardBooking");

} // namespace zelvane
