#pragma once

#include "results/ResultTable.h"

namespace zelvane::test {

// One check of a day each from `first`, "Y" one with seats: "Y-Y-".
inline QList<DayResult> checkedDays(const QDate& first, const QString& marks)
{
    QList<DayResult> days;
    for (qsizetype d = 0; d < marks.size(); ++d) {
        const bool seats = marks[d] == QLatin1Char('Y');
        days << DayResult{first.addDays(d), seats, seats ? QStringLiteral("QF 1") : QString(), {}};
    }
    return days;
}

} // namespace zelvane::test
