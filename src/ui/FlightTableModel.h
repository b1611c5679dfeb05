#pragma once

#include "results/FlightTable.h"

#include <QAbstractTableModel>

namespace zelvane {

// The flight table of one search as rows of eight cells (Departing ...
// First). The three cabin columns say through kSeatsRole whether the cell
// seats the watch, as its search decided, so a view can mark them rather
// than show the site's words; the cabin the watch asks for is marked in the
// heading.
class FlightTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The flights of one search, the offers it decided, the watch's cabin.
    void setFlights(const QList<FlightRow>& flights, const QList<SeatOffer>& offers, Cabin wanted);
    Cabin wantedCabin() const { return wanted_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // bool, on the cabin columns only.
    static constexpr int kSeatsRole = Qt::UserRole + 1;

private:
    QList<FlightRow> flights_;
    QList<SeatOffer> offers_;
    Cabin wanted_ = Cabin::Any;
};

} // namespace zelvane
