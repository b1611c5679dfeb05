#include "results/CheckResults.h"

#include "itineraries/WatchList.h"

namespace zelvane {

namespace {

// A paused watch is not searched: it says so from the start, not after the
// next check. Any other starts with no check.
ItineraryResult firstResult(const Itinerary& watch)
{
    return watch.paused ? ItineraryResult::pausedWatch() : ItineraryResult();
}

} // namespace

CheckResults::CheckResults(const WatchList& list, QObject* parent) : QObject(parent)
{
    for (int p = 1; p <= list.count(); ++p)
        results_ << firstResult(list.at(p));
    connect(&list, &WatchList::added, this, [this, &list](int position) {
        results_.insert(position - 1, firstResult(list.at(position)));
        emit reset();
    });
    connect(&list, &WatchList::removed, this, [this](int position) {
        results_.removeAt(position - 1);
        emit reset();
    });
    // Resumed, it waits for the next check.
    connect(&list, &WatchList::held, this, [this, &list](int position) {
        if (at(position).paused != list.at(position).paused)
            set(position, firstResult(list.at(position)));
    });
    connect(&list, &WatchList::reset, this, [this, &list] {
        results_.clear();
        for (int p = 1; p <= list.count(); ++p)
            results_ << firstResult(list.at(p));
        emit reset();
    });
}

const ItineraryResult& CheckResults::at(int position) const
{
    static const ItineraryResult none;
    return position >= 1 && position <= count() ? results_[position - 1] : none;
}

void CheckResults::set(int position, const ItineraryResult& result)
{
    if (position < 1 || position > count())
        return;
    results_[position - 1] = result;
    emit changed(position);
}

} // namespace zelvane
