#pragma once

#include "itineraries/WatchList.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

class CityLists;
class MessageBoxes;

// A city chosen from the city list: its name and list position.
struct CityChoice {
    QString name;
    int index = -1;
};

// What the itinerary panel has chosen when the user adds an itinerary.
// A list position is -1 when nothing is selected.
struct ItineraryChoice {
    QString origin;
    int originIndex = -1;
    QString destination;
    int destinationIndex = -1;
    QDate date;
    QString timeText;
    Cabin cabin = Cabin::Any;
    int adults = 1;
    int extraDays = 0;
    int daysBefore = 0;
    bool returnTrip = false;
    QDate returnDate{};
    int returnExtraDays = 0;
    int returnDaysBefore = 0;
    bool wholeTripOnly = false;
    // Nearby airports; one with no position is left out.
    QList<CityChoice> moreOrigins{};
    QList<CityChoice> moreDestinations{};
    bool fewerThanParty = false;
    LegFilter outboundFlights{};
    LegFilter returnFlights{}; // taken with a way back only
};

// The itinerary the choices make, its city codes from the city lists;
// nothing when a city has no code or no date is chosen. A nearby airport
// chosen twice, or the same as the first, is searched once.
std::optional<Itinerary> itineraryOf(const ItineraryChoice& choice, const CityLists& cities);

// What the user asks of one watch's searches and alerts.
struct HoldChoice {
    enum class Kind { Pause, Resume, Snooze, Wake } kind = Kind::Pause;
    QDate until{}; // Snooze: the last quiet day
};
// A snooze of `days` from `today`: quiet up to and including that day.
inline HoldChoice snoozeFor(int days, const QDate& today)
{
    return {HoldChoice::Kind::Snooze, today.addDays(days)};
}

// The commands of the itinerary panel on the watch list; whatever keeps
// something per position follows the list's own signals.
class ItineraryEditing {
public:
    ItineraryEditing(WatchList& list, MessageBoxes& boxes) : list_(list), boxes_(boxes) {}

    enum class Add { Full, NoCities, CannotBeFlown, TooManySearches, Added, NotComposed };
    Add add(const ItineraryChoice& choice, const CityLists& cities);

    // No selection, an empty list, the user said No, a session is running
    // (nothing saved or redrawn), or the delete went through.
    enum class Delete { NothingSelected, Empty, Kept, Refused, Deleted };
    // `selected` is the 1-based row of the list view, 0 when none.
    Delete deleteOne(int selected, bool idle);
    // Needs no selection: every itinerary goes.
    Delete deleteAll(bool idle);

    // The status line after an add.
    static QString statusAfterAdd(Add outcome, bool idle);

    // Pause, resume, snooze or wake the watch at `position`, saved at once.
    // A resume that would take a check past its searches is refused, as an
    // add would be.
    enum class Hold { NothingSelected, Unreadable, TooManySearches, Held };
    Hold hold(int position, const HoldChoice& choice);
    // The status line after it.
    QString statusAfterHold(Hold outcome, int position, const HoldChoice& choice) const;

private:
    Delete confirm(bool idle, const QString& question, const QString& title);
    void saveList();

    WatchList& list_;
    MessageBoxes& boxes_;
};

// The rules a watch added to `list` must keep, shared by the itinerary panel
// and zelvane-check, each with the words the user reads: room in the list,
// a route that can be flown, room in the searches of a check.
struct AddRefusal {
    ItineraryEditing::Add outcome;
    QString text;
    QString title;
};
std::optional<AddRefusal> listFullRefusal(const WatchList& list);
// `itinerary` null: it could not be composed, and costs one search.
std::optional<AddRefusal> watchRefusal(const WatchList& list, const Itinerary* itinerary);

// The date an added itinerary gets: the picker's only once the user has
// touched it, tomorrow otherwise.
QDate chosenDate(bool datePicked, const QDate& picked, const QDate& today);
// Why `date`, with the `daysBefore` before it and the `extraDays` after it,
// cannot be watched from `today`: more days than a watch takes, or a day the
// airline's award search does not reach. Nothing when they can.
std::optional<QString> departureProblem(const QDate& date, int extraDays, int daysBefore, const QDate& today);
// The same for a whole choice, its return leg too.
std::optional<QString> choiceProblem(const ItineraryChoice& choice, const QDate& today);
// The same for an itinerary read from a watch-list line.
std::optional<QString> datesProblem(const Itinerary& itinerary, const QDate& today);

inline const QString kCannotBeFlown = QStringLiteral("This itinerary cannot be flown: %1. Please choose other cities.");
inline const QString kMaxItinerariesText = QStringLiteral("Maximum of 100 itineraries entered.");
inline const QString kZlvAlert = QStringLiteral("ZLV Alert");
inline const QString kSelectCities = QStringLiteral("Please Select Origin and Destination");
inline const QString kSelectItinerary = QStringLiteral("Select Itinerary");
inline const QString kWaitBeforeDeleting =
    QStringLiteral("Please wait until all tasks are complete before deleting...");
inline const QString kZelvaneAlert = QStringLiteral("Zelvane Alert");
inline const QString kWatchListNotSaved =
    QStringLiteral("The watch list could not be saved: %1. The change is kept while Zelvane runs; it is "
                   "written again with the next change and when Zelvane ends.");
inline const QString kReallyDelete = QStringLiteral("Really Delete Selected Item");
inline const QString kDeleteItinerary = QStringLiteral("Delete Itinerary");
inline const QString kReallyDeleteAll = QStringLiteral("Really Delete All Items?");
inline const QString kDeleteAllItineraries = QStringLiteral("Delete All Itineraries");
// The refusal of an itinerary that would take a check to `searches`, past
// kMaxSearchesPerCheck, saying how many have to go.
QString tooManySearchesText(int searches);

inline const QString kSelectToHold = QStringLiteral("Please Select An Itinerary To Pause Or Snooze");
inline const QString kCannotHoldUnreadable =
    QStringLiteral("This line of the watch list cannot be read; it is not checked and cannot be paused or snoozed.");
// The status line when another program changed the watch list.
QString changedElsewhereText(const QStringList& added, const QStringList& removed);

inline const QString kItineraryAdded = QStringLiteral("New Itinerary Added!");
inline const QString kItineraryDeleted = QStringLiteral("Itinerary Deleted!");
inline const QString kAllItinerariesDeleted = QStringLiteral("All Itineraries Deleted!");
inline const QString kSelectToDelete = QStringLiteral("Please Select An Itinerary To Delete");
inline const QString kNothingToDelete = QStringLiteral("There Are No Itineraries To Delete");
inline const QString kResultsAfterProcess =
    QStringLiteral("Results Will Be Updated After Current Process...");
inline const QString kItineraryNotAdded =
    QStringLiteral("Itinerary Not Added: No City Code For That City.");

} // namespace zelvane
