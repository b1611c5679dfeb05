#include "results/FlightTable.h"

#include <QRegularExpression>
#include <algorithm>

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

// Anything but blank and the words for none ("No", "N", "None", "-", "0",
// any case) offers seats; a number says how many.
CabinSeats cabinSeats(const QString& cell)
{
    static const QStringList none = {QStringLiteral("no"), QStringLiteral("n"), QStringLiteral("none"),
                                     QStringLiteral("-"), QStringLiteral("0")};
    CabinSeats s;
    s.text = cellText(cell);
    if (s.text.isEmpty() || none.contains(s.text.toLower()))
        return s;
    bool isCount = false;
    const int count = s.text.toInt(&isCount);
    // A number below one seats nobody.
    if (isCount && count < 1)
        return s;
    s.kind = isCount ? CabinSeats::Count : CabinSeats::Seats;
    s.count = isCount ? count : 0;
    return s;
}

// "0", "1", "2 stops", "Non-stop", "Direct"; nothing for anything else.
std::optional<int> readStops(const QString& cell)
{
    static const QRegularExpression count(QStringLiteral("^(\\d{1,2})(\\s*stops?)?$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression direct(QStringLiteral("^(non[- ]?stop|direct|nil|none)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = count.match(cell); m.hasMatch())
        return m.captured(1).toInt();
    if (direct.match(cell).hasMatch())
        return 0;
    return std::nullopt;
}

// "09:05 SYD", "SYD 06:00", "6:00pm": the first time of day in the cell.
std::optional<QTime> readDeparture(const QString& cell)
{
    static const QRegularExpression time(QStringLiteral("(?<!\\d)(\\d{1,2}):(\\d{2})(?!\\d)\\s*([ap]\\.?m\\.?)?"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = time.match(cell);
    if (!m.hasMatch())
        return std::nullopt;
    int hour = m.captured(1).toInt();
    const QString half = m.captured(3).toLower();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half.startsWith(QLatin1Char('p')) ? 12 : 0);
    }
    const QTime t(hour, m.captured(2).toInt());
    return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
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

QList<Cabin> cabinsOf(Cabin cabin)
{
    return cabin == Cabin::Any ? QList<Cabin>{Cabin::Economy, Cabin::Business, Cabin::First} : QList<Cabin>{cabin};
}

const QStringList& flightColumns()
{
    static const QStringList columns = {
        QStringLiteral("Departing"), QStringLiteral("Arriving"), QStringLiteral("Flight"),
        QStringLiteral("Aircraft"),  QStringLiteral("Stops"),    QStringLiteral("Econ."),
        QStringLiteral("Bus."),      QStringLiteral("First")};
    return columns;
}

const CabinSeats& FlightRow::seats(Cabin cabin) const
{
    static const CabinSeats nothing;
    switch (cabin) {
    case Cabin::Economy: return economy;
    case Cabin::Business: return business;
    case Cabin::First: return first;
    case Cabin::Any: break;
    }
    return nothing;
}

QStringList FlightRow::cells() const
{
    return {departing, arriving, flight, aircraft, stops, economy.text, business.text, first.text};
}

FlightRow FlightRow::fromCells(const QStringList& cells)
{
    FlightRow row;
    row.departing = cellText(cells.value(0));
    row.arriving = cellText(cells.value(1));
    row.flight = cellText(cells.value(2));
    row.aircraft = cellText(cells.value(3));
    row.stops = cellText(cells.value(4));
    row.stopCount = readStops(row.stops);
    row.departure = readDeparture(row.departing);
    row.economy = cabinSeats(cells.value(5));
    row.business = cabinSeats(cells.value(6));
    row.first = cabinSeats(cells.value(7));
    return row;
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
            const bool any = std::any_of(cells.cbegin(), cells.cend(),
                                         [](const QString& c) { return !cellText(c).isEmpty(); });
            if (any)
                flights << FlightRow::fromCells(cells);
        }
        return flights;
    }
    return std::nullopt;
}

SeatsWanted seatsWanted(const Itinerary& watch, int leg)
{
    return {watch.cabin, watch.seatsNeeded(), watch.flightsOf(leg)};
}

FlightFit flightFit(const FlightRow& flight, const LegFilter& filter)
{
    bool unreadable = false;
    if (filter.maxStops >= 0) {
        if (!flight.stopCount)
            unreadable = true;
        else if (*flight.stopCount > filter.maxStops)
            return FlightFit::Outside;
    }
    if (filter.hasWindow()) {
        if (!flight.departure)
            unreadable = true;
        else if (!filter.inWindow(*flight.departure))
            return FlightFit::Outside;
    }
    // What can be read and is out leaves it out; otherwise it cannot be told.
    return unreadable ? FlightFit::NotReadable : FlightFit::Fits;
}

SeatDecision decideSeats(const QList<FlightRow>& flights, const SeatsWanted& wanted)
{
    SeatDecision decision;
    for (int f = 0; f < flights.size(); ++f) {
        const FlightFit fit = flightFit(flights[f], wanted.flights);
        if (fit == FlightFit::Outside)
            continue;
        for (const Cabin c : cabinsOf(wanted.cabin)) {
            const CabinSeats& s = flights[f].seats(c);
            if (!s.seats(wanted.needed))
                continue;
            if (fit == FlightFit::NotReadable) {
                ++decision.unsure;
                break;
            }
            decision.offers.append({f, c, s.kind == CabinSeats::Count ? std::optional<int>(s.count) : std::nullopt});
        }
    }
    return decision;
}

} // namespace zelvane
