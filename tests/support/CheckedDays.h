#pragma once

#include "results/Outcome.h"

namespace zelvane::test {

// One check of a day each from `first`: "Y" one with seats, "-" one without,
// "?" one that could not be read: "Y-?Y".
inline ItineraryResult checkedDays(const QDate& first, const QString& marks)
{
    ItineraryResult result;
    for (qsizetype d = 0; d < marks.size(); ++d) {
        const QDate date = first.addDays(d);
        if (marks[d] == QLatin1Char('?')) {
            result.days << SearchOutcome::notKnown(date, QStringLiteral("the result page did not load"));
            continue;
        }
        SearchOutcome o;
        o.date = date;
        o.availability = marks[d] == QLatin1Char('Y') ? Availability::Seats : Availability::NoSeats;
        o.pageText = o.seats() ? QStringLiteral("QF 1") : QString();
        result.days << o;
    }
    return result;
}

} // namespace zelvane::test
