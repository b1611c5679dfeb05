#include "ui/FlightTableModel.h"

#include "results/SeatTexts.h"

#include <QFont>

namespace zelvane {

void FlightTableModel::setFlights(const QList<FlightRow>& flights, Cabin wanted)
{
    beginResetModel();
    flights_ = flights;
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
    const QString cell = flights_[index.row()].value(index.column());
    const Cabin cabin = cabinOfColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cell;
    case kSeatsRole:
        return cabin == Cabin::Any ? QVariant() : QVariant(cellHasSeats(cell));
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        // The whole text, which a narrow column cuts short.
        if (cabin == Cabin::Any)
            return cell.trimmed().isEmpty() ? QVariant() : QVariant(cell);
        // The site's own word stays readable behind the mark.
        if (const std::optional<int> count = seatCount(cell))
            return seatCountText(cabin, *count);
        if (cellHasSeats(cell))
            return QStringLiteral("Seats in %1 (%2)").arg(cabinName(cabin), cell);
        const QString none = QStringLiteral("No seats in %1").arg(cabinName(cabin));
        return cell.trimmed().isEmpty() ? none : none + QStringLiteral(" (%1)").arg(cell);
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
