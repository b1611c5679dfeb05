#pragma once

#include "history/HistoryStore.h"
#include "itineraries/ItineraryStore.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <functional>

namespace zelvane {

class ResultTable;

// What the history knows of an itinerary of several dates, from what it knows
// of each: the newest check (seats on any of its dates win) and the last seats.
ItinerarySummary combinedSummary(const QList<ItinerarySummary>& days);
// Its checks along the time, one point per session: seats on any date, else
// no seats on a date checked, else not checked.
QList<TimelinePoint> combinedTimeline(const QList<QList<TimelinePoint>>& days);

// The rows of the results view: one per watch-list position (at most 100),
// six cells and a result icon. The check engine reads its itineraries from
// here, so the view and the engine always agree on what row i is.
class ResultsViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        ItineraryCells cells;
        int icon = 0; // picture number
        Cabin cabin = Cabin::Any;
        int adults = 1;
        int extraDays = 0;
        ItinerarySummary history; // what earlier runs found; empty without a history
        // Which days of a flexible itinerary had seats at its last check:
        // "3 of 7 days: Tue 3, Thu 5, Fri 6"; empty for one date.
        QString daysSummary;
        // The date cell of each award search of the row, its own date first.
        QStringList dateCells() const { return searchedDateCells(cells[2], extraDays); }
        // How the history knows the search of one date cell: codes, date,
        // time, cabin, adults.
        ItineraryKey historyKey(const QString& dateCell) const
        {
            return {cells[4], cells[5], dateCell, cells[3], cabinName(cabin), adults};
        }
        ItineraryKey historyKey() const { return historyKey(cells[2]); }
        // One per date searched, in date order.
        QList<ItineraryKey> historyKeys() const;
        // Tells apart rows of one trip that ask for different seats:
        // "1 adult", "2 adults, Business".
        QString seats() const { return seatsText(adults, cabin); }
        QString seatsChoice() const { return seatsChoiceText(adults, cabin); }
    };

    explicit ResultsViewModel(QObject* parent = nullptr);

    // Rebuilds every row from the watch list and the result table, and,
    // when a history is given, what it holds of each itinerary.
    void refreshResults(const ItineraryStore& store, const ResultTable& table);
    // The history the rows read "Last seen" and their tooltips from; none
    // leaves both empty (the headless check shows neither).
    void setHistory(const HistoryStore* history) { history_ = history; }

    int count() const { return rows_.size(); }
    // Row at 1-based position; an empty row when there is none.
    const Row& row(int position) const;
    void setIcon(int position, int icon);
    // The flight details a click on row `position` shows; empty for none.
    static QString rowClickText(const ResultTable& table, int position);

    // Pictures for the icon column; the windows supply them.
    void setIconProvider(std::function<QIcon(int)> provider);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static constexpr int kIconRole = Qt::UserRole + 1; // picture number of a row
    // Columns past the six cells of an itinerary.
    static constexpr int kLastSeenColumn = 6;
    static constexpr int kSeatsColumn = 7;
    static constexpr int kDaysColumn = 8;

private:
    QList<Row> rows_;
    std::function<QIcon(int)> iconProvider_;
    const HistoryStore* history_ = nullptr;
};

} // namespace zelvane
