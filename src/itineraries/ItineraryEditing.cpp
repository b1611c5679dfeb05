#include "itineraries/ItineraryEditing.h"

#include "app/MessageBoxes.h"
#include "itineraries/CityLists.h"

#include <algorithm>

namespace zelvane {

std::optional<Itinerary> itineraryOf(const ItineraryChoice& c, const CityLists& cities)
{
    if (c.originIndex < 0 || c.destinationIndex < 0 || !c.date.isValid())
        return std::nullopt;
    const std::optional<QString> originCode = cities.codeFor(c.origin, c.originIndex);
    const std::optional<QString> destinationCode = cities.codeFor(c.destination, c.destinationIndex);
    if (!originCode || !destinationCode)
        return std::nullopt;
    Itinerary it;
    it.origin = {c.origin, *originCode};
    it.destination = {c.destination, *destinationCode};
    it.date = c.date;
    it.timeOfDay = c.timeText.trimmed();
    it.cabin = c.cabin;
    it.adults = std::clamp(c.adults, 1, kMaxAdults);
    it.extraDays = std::clamp(c.extraDays, 0, kMaxExtraDays);
    it.daysBefore = std::clamp(c.daysBefore, 0, std::min(kMaxDaysBefore, kMaxFlexibleDays - 1 - it.extraDays));
    // One traveller has no party to fall short of.
    it.fewerThanParty = c.fewerThanParty && it.adults > 1;
    it.outboundFlights = c.outboundFlights;
    if (c.returnTrip && c.returnDate.isValid()) {
        it.returnFlights = c.returnFlights;
        it.returnDate = c.returnDate;
        it.returnExtraDays = std::clamp(c.returnExtraDays, 0, kMaxExtraDays);
        it.returnDaysBefore = std::clamp(c.returnDaysBefore, 0,
                                         std::min(kMaxDaysBefore, kMaxFlexibleDays - 1 - it.returnExtraDays));
        it.wholeTripOnly = c.wholeTripOnly;
    }
    const auto nearby = [&cities](const QList<CityChoice>& chosen, const City& first, QList<City>& more) {
        for (const CityChoice& city : chosen) {
            if (city.index < 0)
                continue;
            const std::optional<QString> code = cities.codeFor(city.name, city.index);
            if (!code)
                return false;
            const City c{city.name, *code};
            if (c.code != first.code && std::none_of(more.cbegin(), more.cend(), [&c](const City& m) { return m.code == c.code; })
                && more.size() < kMaxCitiesEachEnd - 1)
                more.append(c);
        }
        return true;
    };
    if (!nearby(c.moreOrigins, it.origin, it.moreOrigins) || !nearby(c.moreDestinations, it.destination, it.moreDestinations))
        return std::nullopt;
    return it;
}

std::optional<AddRefusal> listFullRefusal(const WatchList& list)
{
    if (list.count() >= kMaxItineraries)
        return AddRefusal{ItineraryEditing::Add::Full, kMaxItinerariesText, kZlvAlert};
    return std::nullopt;
}

std::optional<AddRefusal> watchRefusal(const WatchList& list, const Itinerary* itinerary)
{
    if (const QString problem = itinerary ? itinerary->routeProblem() : QString(); !problem.isEmpty())
        return AddRefusal{ItineraryEditing::Add::CannotBeFlown, kCannotBeFlown.arg(problem), kZelvaneAlert};
    const int searches = list.searchesPerCheck() + (itinerary ? itinerary->searches() : 1);
    if (searches > kMaxSearchesPerCheck)
        return AddRefusal{ItineraryEditing::Add::TooManySearches, tooManySearchesText(searches), kZelvaneAlert};
    return std::nullopt;
}

ItineraryEditing::Add ItineraryEditing::add(const ItineraryChoice& choice, const CityLists& cities)
{
    const auto refuse = [this](const AddRefusal& r) {
        boxes_.show(r.text, r.title, MsgIcon::Information, MsgButtons::Ok);
        return r.outcome;
    };
    if (const auto full = listFullRefusal(list_))
        return refuse(*full);
    if (choice.originIndex < 0 || choice.destinationIndex < 0) {
        boxes_.show(kSelectCities, kSelectItinerary, MsgIcon::Information, MsgButtons::Ok);
        return Add::NoCities;
    }
    const std::optional<Itinerary> itinerary = itineraryOf(choice, cities);
    if (const auto refused = watchRefusal(list_, itinerary ? &*itinerary : nullptr))
        return refuse(*refused);
    if (itinerary)
        list_.add(*itinerary);
    saveList();
    return itinerary ? Add::Added : Add::NotComposed;
}

void ItineraryEditing::saveList()
{
    // The list stays whole in memory: the next save, or the program's end, writes all of it.
    if (const FileWrite saved = list_.save(); !saved)
        boxes_.show(kWatchListNotSaved.arg(saved.reason), kZelvaneAlert, MsgIcon::Exclamation, MsgButtons::Ok);
}

ItineraryEditing::Delete ItineraryEditing::confirm(bool idle, const QString& question, const QString& title)
{
    if (!idle) {
        boxes_.show(kWaitBeforeDeleting, kZelvaneAlert, MsgIcon::Information, MsgButtons::Ok);
        return Delete::Refused;
    }
    if (boxes_.show(question, title, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return Delete::Kept;
    return Delete::Deleted;
}

ItineraryEditing::Delete ItineraryEditing::deleteOne(int selected, bool idle)
{
    if (selected < 1 || selected > list_.count())
        return Delete::NothingSelected;
    const Delete d = confirm(idle, kReallyDelete, kDeleteItinerary);
    if (d == Delete::Deleted)
        list_.removeAt(selected);
    if (d != Delete::Refused)
        saveList();
    return d;
}

ItineraryEditing::Delete ItineraryEditing::deleteAll(bool idle)
{
    if (list_.count() == 0)
        return Delete::Empty;
    const Delete d = confirm(idle, kReallyDeleteAll, kDeleteAllItineraries);
    if (d == Delete::Deleted)
        list_.clear();
    if (d != Delete::Refused)
        saveList();
    return d;
}

QString ItineraryEditing::statusAfterAdd(Add outcome, bool idle)
{
    // A line that could not be made is not reported as added.
    if (outcome == Add::NotComposed)
        return kItineraryNotAdded;
    return idle ? kItineraryAdded : kResultsAfterProcess;
}

ItineraryEditing::Hold ItineraryEditing::hold(int position, const HoldChoice& choice)
{
    if (position < 1 || position > list_.count())
        return Hold::NothingSelected;
    if (!list_.readable(position))
        return Hold::Unreadable;
    const Itinerary& watch = list_.at(position);
    bool paused = watch.paused;
    QDate until = watch.snoozedUntil;
    switch (choice.kind) {
    case HoldChoice::Kind::Pause: paused = true; break;
    case HoldChoice::Kind::Resume: {
        if (!paused)
            break;
        const int searches = list_.searchesPerCheck() + watch.searches();
        if (searches > kMaxSearchesPerCheck) {
            boxes_.show(tooManySearchesText(searches), kZelvaneAlert, MsgIcon::Information, MsgButtons::Ok);
            return Hold::TooManySearches;
        }
        paused = false;
        break;
    }
    case HoldChoice::Kind::Snooze: until = choice.until; break;
    case HoldChoice::Kind::Wake: until = QDate(); break;
    }
    list_.setHold(position, paused, until);
    saveList();
    return Hold::Held;
}

QString ItineraryEditing::statusAfterHold(Hold outcome, int position, const HoldChoice& choice) const
{
    switch (outcome) {
    case Hold::NothingSelected: return kSelectToHold;
    case Hold::Unreadable: return kCannotHoldUnreadable;
    case Hold::TooManySearches: return {};
    case Hold::Held: break;
    }
    const QString which = QStringLiteral("Itinerary #%1").arg(position);
    switch (choice.kind) {
    case HoldChoice::Kind::Pause: return which + QStringLiteral(" paused: it is not checked until resumed");
    case HoldChoice::Kind::Resume: return which + QStringLiteral(" resumed: the next check searches it");
    case HoldChoice::Kind::Snooze:
        return which + QStringLiteral(" snoozed until %1: checked, but not alerted").arg(dateText(choice.until));
    case HoldChoice::Kind::Wake: return which + QStringLiteral(" no longer snoozed");
    }
    return {};
}

QString changedElsewhereText(const QStringList& added, const QStringList& removed)
{
    QStringList told;
    if (!added.isEmpty())
        told << QStringLiteral("added ") + added.join(QStringLiteral("; "));
    if (!removed.isEmpty())
        told << QStringLiteral("removed ") + removed.join(QStringLiteral("; "));
    return QStringLiteral("The watch list was changed by another program: ") + told.join(QStringLiteral("; "));
}

QString tooManySearchesText(int searches)
{
    return QStringLiteral("With this itinerary the watch list would make %1 per check; the limit is %2. "
                          "Remove %3 first: delete itineraries or search fewer days.")
        .arg(searchCountText(searches))
        .arg(kMaxSearchesPerCheck)
        .arg(searchCountText(searches - kMaxSearchesPerCheck));
}

namespace {

struct TripDates {
    QDate date;
    int extraDays, daysBefore;
    bool returnTrip;
    QDate returnDate;
    int returnExtraDays, returnDaysBefore;
};

std::optional<QString> tripDatesProblem(const TripDates& c, const QDate& today)
{
    if (auto problem = departureProblem(c.date, c.extraDays, c.daysBefore, today))
        return problem;
    if (!c.returnTrip)
        return std::nullopt;
    if (!c.returnDate.isValid() || c.returnDate < c.date)
        return QStringLiteral("Please choose a return date on or after the departure date, %1.")
            .arg(c.date.toString(QStringLiteral("dd/MM/yyyy")));
    if (auto problem = departureProblem(c.returnDate, c.returnExtraDays, c.returnDaysBefore, today))
        return QStringLiteral("Return: ") + *problem;
    return std::nullopt;
}

} // namespace

std::optional<QString> choiceProblem(const ItineraryChoice& c, const QDate& today)
{
    return tripDatesProblem({c.date, c.extraDays, c.daysBefore, c.returnTrip, c.returnDate, c.returnExtraDays,
                             c.returnDaysBefore},
                            today);
}

std::optional<QString> datesProblem(const Itinerary& it, const QDate& today)
{
    return tripDatesProblem({it.date, it.extraDays, it.daysBefore, it.isReturn(), it.returnDate, it.returnExtraDays,
                             it.returnDaysBefore},
                            today);
}

QDate chosenDate(bool datePicked, const QDate& picked, const QDate& today)
{
    return datePicked ? picked : today.addDays(1);
}

namespace {

QString daysEarlierText(qint64 days)
{
    return days == 0   ? QStringLiteral("from the date")
           : days == 1 ? QStringLiteral("from 1 day earlier")
                       : QStringLiteral("from %1 days earlier").arg(days);
}

} // namespace

std::optional<QString> departureProblem(const QDate& date, int extraDays, int daysBefore, const QDate& today)
{
    const QString format = QStringLiteral("dd/MM/yyyy");
    const QDate first = earliestDeparture(today), last = latestDeparture(today);
    if (!date.isValid() || date < first || date > last)
        return QStringLiteral("Please choose a date from %1 to %2: the airline's award search goes no further.")
            .arg(first.toString(format), last.toString(format));
    if (daysBefore + 1 + extraDays > kMaxFlexibleDays)
        return QStringLiteral("A watch searches at most %1 days: with %2 days later, choose %3.")
            .arg(kMaxFlexibleDays)
            .arg(extraDays)
            .arg(daysEarlierText(std::min(kMaxDaysBefore, kMaxFlexibleDays - 1 - extraDays)));
    const qint64 before = first.daysTo(date);
    if (daysBefore > before)
        return QStringLiteral("%1 with %2 before it reaches back past %3, the first date the airline "
                              "searches: choose %4.")
            .arg(date.toString(format),
                 daysBefore == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(daysBefore),
                 first.toString(format), daysEarlierText(before));
    const qint64 fit = date.daysTo(last);
    if (extraDays <= fit)
        return std::nullopt;
    return QStringLiteral("%1 and the %2 days after it reach past %3, the last date the airline searches: "
                          "choose %4.")
        .arg(date.toString(format))
        .arg(extraDays)
        .arg(last.toString(format),
             fit == 0 ? QStringLiteral("the exact date")
             : fit == 1 ? QStringLiteral("up to 1 day later")
                        : QStringLiteral("up to %1 days later").arg(fit));
}

} // namespace zelvane
