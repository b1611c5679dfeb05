#include "results/FlightTable.h"

namespace zelvane {

namespace {

// A no-break space is a blank here, also when a page escaped it twice and
// it arrives as the text "&nbsp;".
QString cellText(const QString& cell)
{
    QString t = cell;
    t.replace(QChar(0xA0), QLatin1Char(' '));
    t.replace(QLatin1String("&nbsp;"), QLatin1String(" "), Qt::CaseInsensitive);
    return t.trimmed();
}

bool isHeadingRow(const QStringList& row)
{
    if (row.size() != kFlightCells)
        return false;
    for (int c = 0; c < kFlightCells; ++c)
        if (cellText(row[c]) != flightColumns()[c])
            return false;
    return true;
}

} // namespace

int cabinColumn(Cabin cabin)
{
    switch (cabin) {
    case Cabin::Economy: return 5;
    case Cabin::Business: return 6;
    case Cabin::First: return 7;
    case Cabin::Any: break;
    }
    return -1;
}

Cabin cabinOfColumn(int column)
{
    for (Cabin c : {Cabin::Economy, Cabin::Business, Cabin::First})
        if (cabinColumn(c) == column)
            return c;
    return Cabin::Any;
}

const QStringList& flightColumns()
{
    static const QStringList columns = {
        QStringLiteral("Departing"), QStringLiteral("Arriving"), QStringLiteral("Flight"),
        QStringLiteral("Aircraft"),  QStringLiteral("Stops"),    QStringLiteral("Econ."),
        QStringLiteral("Bus."),      QStringLiteral("First")};
    return columns;
}

std::optional<QList<FlightRow>> readFlightTable(const QList<HtmlTable>& tables)
{
    for (const HtmlTable& table : tables) {
        qsizetype heading = 0;
        while (heading < table.size() && !isHeadingRow(table[heading]))
            ++heading;
        if (heading == table.size())
            continue;
        QList<FlightRow> flights;
        for (qsizetype r = heading + 1; r < table.size(); ++r) {
            const QStringList& cells = table[r];
            // A row that does not line up with the headings (a note across
            // the table) is no flight.
            if (cells.size() != kFlightCells || isHeadingRow(cells))
                continue;
            FlightRow row;
            bool any = false;
            for (const QString& c : cells) {
                row << cellText(c);
                any = any || !row.last().isEmpty();
            }
            if (any)
                flights << row;
        }
        return flights;
    }
    return std::nullopt;
}

bool cellHasSeats(const QString& cell)
{
    static const QStringList none = {QStringLiteral("no"), QStringLiteral("n"),
                                     QStringLiteral("none"), QStringLiteral("-"),
                                     QStringLiteral("0")};
    const QString t = cellText(cell);
    return !t.isEmpty() && !none.contains(t.toLower());
}

bool cellHasSeatsFor(const QString& cell, int adults)
{
    if (!cellHasSeats(cell))
        return false;
    const std::optional<int> count = seatCount(cell);
    return !count || *count >= adults;
}

std::optional<int> seatCount(const QString& cell)
{
    if (!cellHasSeats(cell))
        return std::nullopt;
    bool isCount = false;
    const int count = cellText(cell).toInt(&isCount);
    return isCount ? std::optional<int>(count) : std::nullopt;
}

bool seatsFor(Cabin cabin, int adults, const QList<FlightRow>& flights)
{
    const QList<Cabin> cabins =
        cabin == Cabin::Any ? QList<Cabin>{Cabin::Economy, Cabin::Business, Cabin::First} : QList<Cabin>{cabin};
    for (const FlightRow& f : flights)
        for (const Cabin c : cabins)
            if (f.size() > cabinColumn(c) && cellHasSeatsFor(f[cabinColumn(c)], adults))
                return true;
    return false;
}

} // namespace zelvane
