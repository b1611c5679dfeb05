#pragma once

#include "browser/HtmlDocument.h"
#include "itineraries/Itinerary.h"

#include <QList>
#include <QStringList>
#include <QTime>
#include <optional>

namespace zelvane {

// What a flight's cabin offers, as its cell on the result page says it.
struct CabinSeats {
    enum Kind { None, Seats, Count };
    Kind kind = None; // no seats; seats without a number; a number of seats
    int count = 0;    // for Count
    QString text{};   // the cell as the site wrote it

    bool any() const { return kind != None; }
    // Seats for `needed` travelling together: a number must be at least them.
    bool seats(int needed) const { return kind == Seats || (kind == Count && count >= needed); }
    bool operator==(const CabinSeats&) const = default;
};

// A flight of the result page's flight table.
struct FlightRow {
    QString departing, arriving, flight, aircraft, stops;
    CabinSeats economy, business, first;
    // The stops and the departure time as read from their cells; nothing
    // where the cell says neither ("via SIN", "--").
    std::optional<int> stopCount{};
    std::optional<QTime> departure{};

    // The seats of one of the three cabins; nothing offered for Any.
    const CabinSeats& seats(Cabin cabin) const;
    // The cells as the site wrote them, in the order of flightColumns().
    QStringList cells() const;
    // The one place a cell's text is read: a row of the page, or one the
    // history kept.
    static FlightRow fromCells(const QStringList& cells);
    bool operator==(const FlightRow&) const = default;
};

// The headings of the flight table, one per cell.
const QStringList& flightColumns(); // "Departing" ... "Econ.", "Bus.", "First"
inline constexpr int kFlightCells = 8;

// The flights of the first table that has the heading row: the rows after
// it with one cell per heading, empty rows and repeated heading rows left
// out. Nothing when no table has the heading row: then there is no flight
// table to read, which is not a table without flights.
std::optional<QList<FlightRow>> readFlightTable(const QList<HtmlTable>& tables);

// The cell of a flight row that tells of seats in `cabin`; -1 for Any.
int cabinColumn(Cabin cabin);
// The cabin whose seats column `column` tells of; Any for the other columns.
Cabin cabinOfColumn(int column);
// The cabins a watch for `cabin` takes seats in: the three for Any.
QList<Cabin> cabinsOf(Cabin cabin);

// A flight that seats a watch: which flight of the table, in which cabin,
// and how many seats when the site said.
struct SeatOffer {
    int flight = 0;
    Cabin cabin = Cabin::Economy;
    std::optional<int> count{};
    bool operator==(const SeatOffer&) const = default;
};

// What a watch takes for seats on one leg: in its cabin (every cabin for
// Any), for `needed` travelling together, on the flights its leg's choice
// lets through.
struct SeatsWanted {
    Cabin cabin = Cabin::Any;
    int needed = 1;
    LegFilter flights{};
};
SeatsWanted seatsWanted(const Itinerary& watch, int leg);

// Whether a flight is one the leg's choice lets through. A flight whose
// stops or time the choice needs cannot be read is neither in nor out.
enum class FlightFit { Fits, Outside, NotReadable };
FlightFit flightFit(const FlightRow& flight, const LegFilter& filter);

// Which flights seat a watch on a leg, decided once: for each flight that
// fits, each cabin it takes that has seats for the party. Flights with such
// seats that cannot be told in or out are counted apart: they are not seats,
// and while one is there, no seats is not known either.
struct SeatDecision {
    QList<SeatOffer> offers;
    int unsure = 0;
};
SeatDecision decideSeats(const QList<FlightRow>& flights, const SeatsWanted& wanted);
inline QList<SeatOffer> seatOffers(const QList<FlightRow>& flights, const SeatsWanted& wanted)
{
    return decideSeats(flights, wanted).offers;
}

} // namespace zelvane
