#pragma once

#include "history/HistoryStore.h"

#include <QStringList>

// What the kill soak's child saves in round r: every text carries r, so a
// file tells which round wrote it.
namespace zelvane::test {

inline QString soakTag(int r) { return QStringLiteral("Round %1").arg(r); }

inline QStringList soakLines(int r, const QString& pattern, int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << soakTag(r) + pattern.arg(i);
    return out;
}
inline QStringList soakItineraries(int r) { return soakLines(r, QStringLiteral(" city %1;London;25/12/2027;Evening;SYD;LON"), 100); }
inline QStringList soakNames(int r) { return soakLines(r, QStringLiteral(" city %1"), 400); }
inline QStringList soakCodes(int r) { return soakLines(r, QStringLiteral(" code %1"), 400); }

// A session of a hundred checks whose flight table names the round.
inline QList<CheckRecord> soakChecks(int r)
{
    QList<CheckRecord> checks;
    for (int i = 1; i <= 100; ++i) {
        CheckRecord c;
        c.position = i;
        c.key = {QStringLiteral("SYD"), QStringLiteral("LON"), QStringLiteral("25/12/2027"),
                 QStringLiteral("%1:00").arg(i % 24, 2, 10, QLatin1Char('0')), QStringLiteral("Any")};
        c.outcome = i % 3 ? CheckOutcome::NotAvailable : CheckOutcome::Available;
        c.flights = {{soakTag(r)}};
        checks << c;
    }
    return checks;
}

} // namespace zelvane::test
