#pragma once

#include "browser/HtmlDocument.h"
#include "itineraries/Itinerary.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace zelvane {

// A flight of the result page's flight table: its eight cells in the order
// of the headings below.
using FlightRow = QStringList;

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

// Whether a cabin cell offers seats: anything but blank (&nbsp; counts as a
// blank) and the words for none ("No", "N", "None", "-", "0", any case).
bool cellHasSeats(const QString& cell);

// Whether a cabin cell offers seats for `adults` travelling together: it
// offers seats, and when it gives a number, that number is at least them.
bool cellHasSeatsFor(const QString& cell, int adults);

// How many seats a cabin cell offers, when it gives them as a number;
// nothing for a cell that only says there are seats, or none.
std::optional<int> seatCount(const QString& cell);

// Whether some flight has seats for all `adults` in the cabin; with Any, in
// any one of its cabins.
bool seatsFor(Cabin cabin, int adults, const QList<FlightRow>& flights);

} // namespace zelvane
