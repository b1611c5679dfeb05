#include "results/CheckResults.h"

#include "itineraries/WatchList.h"

namespace zelvane {

CheckResults::CheckResults(const WatchList& list, QObject* parent) : QObject(parent)
{
    results_.resize(list.count());
    connect(&list, &WatchList::added, this, [this](int position) {
        results_.insert(position - 1, ItineraryResult());
        emit reset();
    });
    connect(&list, &WatchList::removed, this, [this](int position) {
        results_.removeAt(position - 1);
        emit reset();
    });
    connect(&list, &WatchList::reset, this, [this, &list] {
        results_ = QList<ItineraryResult>(list.count());
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
