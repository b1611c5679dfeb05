#pragma once

#include "results/Outcome.h"

#include <QList>
#include <QObject>

namespace zelvane {

class WatchList;

// What the checks of this run found, one result per watch-list position.
// Held in memory only: after a start every itinerary is not checked yet.
// It follows the list's edits, so each itinerary keeps its result when
// others are added or deleted.
class CheckResults : public QObject {
    Q_OBJECT
public:
    explicit CheckResults(const WatchList& list, QObject* parent = nullptr);

    int count() const { return int(results_.size()); }
    // The result at `position` (from 1); an empty one when there is none.
    const ItineraryResult& at(int position) const;
    void set(int position, const ItineraryResult& result);

signals:
    void changed(int position);
    void reset();

private:
    QList<ItineraryResult> results_;
};

} // namespace zelvane
