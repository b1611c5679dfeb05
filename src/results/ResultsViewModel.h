#pragma once

#include "history/HistoryStore.h"
#include "itineraries/Itinerary.h"
#include "results/Outcome.h"

#include <QAbstractTableModel>
#include <QList>

namespace zelvane {

class CheckResults;
class Clock;
class WatchList;

// What the history knows of an itinerary of several dates, from what it knows
// of each: the newest check (seats on any of its dates win) and the last seats.
ItinerarySummary combinedSummary(const QList<ItinerarySummary>& days);
// Its checks along the time, one point per session: seats on any date, else
// no seats on a date checked, else not checked.
QList<TimelinePoint> combinedTimeline(const QList<QList<TimelinePoint>>& days);

// The results list: a row per watch-list position with what the checks of
// this run found, and, with a history, when seats were last seen. A view of
// the watch list and the check results: it follows both as they change.
class ResultsViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `clock` gives the day a snooze is judged on.
    ResultsViewModel(const WatchList& list, const CheckResults& results, const Clock& clock,
                     QObject* parent = nullptr);

    // The history the rows read "Last seen" and their tooltips from; none
    // leaves both empty.
    void setHistory(const HistoryStore* history);
    // Reads again what the history knows of every row (after a check wrote to it).
    void refreshHistory();
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The row's Availability (as int), on every column.
    static constexpr int kAvailabilityRole = Qt::UserRole + 1;
    // Whether the row's watch is paused, on every column.
    static constexpr int kPausedRole = Qt::UserRole + 2;
    static constexpr int kOriginColumn = 0;
    static constexpr int kDestinationColumn = 1;
    static constexpr int kDateColumn = 2;
    static constexpr int kTimeColumn = 3;
    // What the trip asks and found, before what the history found.
    static constexpr int kSeatsColumn = 4;
    static constexpr int kDaysColumn = 5;
    // Why the last check could not answer, for a row it could not; a paused
    // or snoozed watch says so here.
    static constexpr int kNotCheckedColumn = 6;
    static constexpr int kLastSeenColumn = 7;

private:
    void rebuild();

    const WatchList& list_;
    const CheckResults& results_;
    const HistoryStore* history_ = nullptr;
    QList<ItinerarySummary> summaries_; // by position, when there is a history
    const Clock& clock_;
};

} // namespace zelvane
