#pragma once

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

} // namespace zelvane::test
