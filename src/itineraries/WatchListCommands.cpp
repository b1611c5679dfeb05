#include "itineraries/WatchListCommands.h"

#include "itineraries/ItineraryEditing.h"
#include "itineraries/WatchListFile.h"

namespace zelvane {

namespace {

using Result = WatchListChange::Result;

QString watchName(const WatchList& list, int position)
{
    return QStringLiteral("#%1 %2").arg(position).arg(list.name(position));
}

// The list read afresh under its lock, changed by `change` and written
// before the lock goes. `change` says what it did, or why it did nothing;
// only a change that was made is written.
template<typename Change>
WatchListChange changeUnderLock(WatchList& list, Change change)
{
    QString why;
    if (!list.lockFile(&why))
        return {Result::Busy, QStringLiteral("The watch list was not changed: ") + why};
    list.load();
    WatchListChange done = change();
    if (done.result == Result::Done) {
        if (const FileWrite saved = list.save(); !saved)
            done = {Result::NotWritten,
                    QStringLiteral("The watch list could not be saved: %1. Nothing was changed.").arg(saved.reason)};
    }
    list.unlockFile();
    return done;
}

std::optional<WatchListChange> noWatchAt(const WatchList& list, int position)
{
    if (list.count() == 0)
        return WatchListChange{Result::NoSuchWatch, kNothingToDelete};
    if (position < 1 || position > list.count())
        return WatchListChange{Result::NoSuchWatch, QStringLiteral("There is no itinerary #%1: the watch list has "
                                                                   "%2, numbered as --list shows them.")
                                                        .arg(position)
                                                        .arg(list.count())};
    return std::nullopt;
}

} // namespace

WatchListChange addWatch(WatchList& list, const QString& line, const QDate& today)
{
    return changeUnderLock(list, [&] {
        const auto refused = [](Result r, const QString& text) { return WatchListChange{r, text}; };
        if (const auto full = listFullRefusal(list))
            return refused(Result::Full, full->text);
        const ReadLine read = readItineraryLine(line.trimmed());
        // A route that cannot be flown is refused below, as the panel says it.
        if (!read.problem.isEmpty() && read.problem != read.itinerary.routeProblem())
            return refused(Result::Route, QStringLiteral("This itinerary cannot be read: %1.").arg(read.problem));
        if (const auto problem = datesProblem(read.itinerary, today))
            return refused(Result::Dates, *problem);
        if (const auto watch = watchRefusal(list, &read.itinerary))
            return refused(watch->outcome == ItineraryEditing::Add::CannotBeFlown ? Result::Route : Result::Searches,
                           watch->text);
        list.add(read.itinerary);
        return WatchListChange{Result::Done, QStringLiteral("%1 %2: %3; the watch list makes %4 per check.")
                                                 .arg(kItineraryAdded, watchName(list, list.count()),
                                                      read.itinerary.searchesBreakdown(),
                                                      searchCountText(list.searchesPerCheck()))};
    });
}

WatchListChange removeWatch(WatchList& list, int position)
{
    return changeUnderLock(list, [&] {
        if (const auto none = noWatchAt(list, position))
            return *none;
        const QString name = watchName(list, position);
        list.removeAt(position);
        return WatchListChange{Result::Done, kItineraryDeleted + QLatin1Char(' ') + name};
    });
}

WatchListChange pauseWatch(WatchList& list, int position, bool paused)
{
    return changeUnderLock(list, [&] {
        if (const auto none = noWatchAt(list, position))
            return *none;
        const QString name = watchName(list, position);
        // Already as asked: nothing is written, and nothing went wrong.
        if (list.at(position).paused == paused)
            return WatchListChange{Result::Done, paused ? name + QStringLiteral(" is paused already.")
                                                        : name + QStringLiteral(" is not paused.")};
        // A watch resumed costs its searches again, within the same limit as an add.
        if (!paused) {
            const int searches = list.searchesPerCheck() + list.at(position).searches();
            if (searches > kMaxSearchesPerCheck)
                return WatchListChange{Result::Searches, tooManySearchesText(searches)};
        }
        list.setHold(position, paused, list.at(position).snoozedUntil);
        return WatchListChange{Result::Done,
                               paused ? name + QStringLiteral(" paused: kept in the list, not searched.")
                                      : name + QStringLiteral(" resumed: searched from the next check on.")};
    });
}

QString watchState(const WatchList& list, int position, const QDate& today)
{
    if (!list.readable(position))
        return QStringLiteral("cannot be read: ") + list.problem(position);
    const Itinerary& it = list.at(position);
    if (it.paused)
        return QStringLiteral("paused");
    if (const QString why = it.unsearchable(today); !why.isEmpty())
        return why;
    if (it.snoozed(today))
        return QStringLiteral("snoozed until ") + dateText(it.snoozedUntil);
    return QStringLiteral("watched");
}

QStringList watchListTable(const WatchList& list, const QDate& today)
{
    QStringList table;
    for (int p = 1; p <= list.count(); ++p) {
        const Itinerary& it = list.at(p);
        table << QStringList{QString::number(p), it.originNames(), it.destinationNames(), list.datesText(p),
                             it.timeOfDay, it.seatsText(), searchCountText(list.readable(p) ? it.searches() : 0),
                             watchState(list, p, today)}
                     .join(QLatin1Char('\t'));
    }
    return table;
}

} // namespace zelvane
