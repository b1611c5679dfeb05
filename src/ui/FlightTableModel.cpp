#include "ui/FlightTableModel.h"

#include "results/SeatTexts.h"

#include <QFont>
#include <algorithm>

namespace zelvane {

void FlightTableModel::setFlights(const QList<FlightRow>& flights, const QList<SeatOffer>& offers, Cabin wanted)
{
    beginResetModel();
    flights_ = flights;
    offers_ = offers;
    wanted_ = wanted;
    endResetModel();
}

int FlightTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(flights_.size());
}

int FlightTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFlightCells;
}

QVariant FlightTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= flights_.size())
        return {};
    const FlightRow& flight = flights_[index.row()];
    const QString cell = flight.cells().value(index.column());
    const Cabin cabin = cabinOfColumn(index.column());
    const CabinSeats& seats = flight.seats(cabin);
    const bool seatsWatch = std::any_of(offers_.cbegin(), offers_.cend(), [&](const SeatOffer& o) {
        return o.flight == index.row() && o.cabin == cabin;
    });
    switch (role) {
    case Qt::DisplayRole:
        return cell;
    case kSeatsRole:
        return cabin == Cabin::Any ? QVariant() : QVariant(seatsWatch);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        // The whole text, which a narrow column cuts short.
        if (cabin == Cabin::Any)
            return cell.isEmpty() ? QVariant() : QVariant(cell);
        // The site's own word stays readable behind the mark.
        const QString offered = seats.kind == CabinSeats::Count ? seatCountText(cabin, seats.count)
                                : QStringLiteral("Seats in %1 (%2)").arg(cabinName(cabin), cell);
        if (seatsWatch)
            return offered;
        if (seats.any())
            return offered + (cabinsOf(wanted_).contains(cabin) ? QStringLiteral(" — fewer than this itinerary's party")
                                                                : QStringLiteral(" — not the cabin this itinerary asks for"));
        const QString none = QStringLiteral("No seats in %1").arg(cabinName(cabin));
        return cell.isEmpty() ? none : none + QStringLiteral(" (%1)").arg(cell);
    }
    case Qt::TextAlignmentRole:
        return index.column() >= 4 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant FlightTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kFlightCells)
        return {};
    const bool wanted = wanted_ != Cabin::Any && section == cabinColumn(wanted_);
    switch (role) {
    case Qt::DisplayRole:
        return flightColumns()[section];
    case Qt::FontRole:
        if (wanted) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::ToolTipRole:
        return wanted ? QStringLiteral("The cabin this itinerary asks for") : QVariant();
    default:
        return {};
    }
}

} // namespace zelvane
