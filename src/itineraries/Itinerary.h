#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

namespace zelvane {

// The airline takes no more award searches than this in one session, and a
// check goes through no more itineraries than this.
inline constexpr int kMaxItineraries = 100;
inline constexpr int kMaxSearchesPerCheck = 100;
inline constexpr int kMaxAdults = 9;
inline constexpr int kMaxExtraDays = 6;
inline constexpr int kMaxDaysBefore = 3;
// The days before, the date and the days after together.
inline constexpr int kMaxFlexibleDays = 7;
// Nearby airports: a watch flies from one of up to three cities to one of
// up to three, each pair its own searches.
inline constexpr int kMaxCitiesEachEnd = 3;

// The cabin an itinerary wants seats in.
enum class Cabin { Any, Economy, Business, First };
const QStringList& cabinNames(); // in Cabin order: "Any", "Economy", "Business", "First"
QString cabinName(Cabin cabin);
// Any letter case, blanks around it allowed; anything else is Any.
Cabin cabinFromName(const QString& name);

// A city as the airline knows it.
struct City {
    QString name; // "Sydney"
    QString code; // "SYD"
    bool operator==(const City&) const = default;
};

// Which flights of one leg count for a watch: at most so many stops, and
// leaving between two times of day. The search still asks the site for its
// time of day; this picks among the flights it shows.
struct LegFilter {
    int maxStops = -1;     // -1: any number; 0: direct only
    QTime earliest{}, latest{}; // the departure window, both ends taken; none when either is unset
    bool operator==(const LegFilter&) const = default;

    bool any() const { return maxStops < 0 && !hasWindow(); }
    bool hasWindow() const { return earliest.isValid() && latest.isValid(); }
    // A window past midnight (22:00 to 06:00) wraps round.
    bool inWindow(const QTime& departure) const;
    // "direct only", "at most 1 stop", "07:00–12:00", "direct only, 07:00–12:00"; "" for any.
    QString text() const;
};
inline constexpr int kMaxStopsChoice = 2; // the most stops offered beside any

// One flight the user watches: from where to where, on which day (and the
// days before and after it that are searched too), at which time of day, in
// which cabin, for how many adults travelling together.
struct Itinerary {
    City origin;
    City destination;
    QDate date;
    QString timeOfDay; // "Morning", "Afternoon", "Evening", "13:00"
    Cabin cabin = Cabin::Any;
    int adults = 1;
    int extraDays = 0;  // after the date
    int daysBefore = 0; // before the date
    // A return journey: the date back, with its own days either side; no
    // date for one way.
    QDate returnDate{};
    int returnExtraDays = 0;
    int returnDaysBefore = 0;
    // Seats count only when both legs have them on dates that make a trip.
    bool wholeTripOnly = false;
    // Nearby airports: the other cities it may fly from and to, after
    // `origin` and `destination`; each holds at most kMaxCitiesEachEnd - 1.
    QList<City> moreOrigins{};
    QList<City> moreDestinations{};
    // Told of seats in its cabin even when fewer than its adults: the count
    // then says how many. By default only seats for all of them count.
    bool fewerThanParty = false;
    // The flights that count on each leg; any by default.
    LegFilter outboundFlights{};
    LegFilter returnFlights{};
    // Kept in the list, but neither searched nor counted against the
    // searches a check may make.
    bool paused = false;
    // Searched and kept in the history, but nothing is told of it up to and
    // including this day.
    QDate snoozedUntil{};

    bool operator==(const Itinerary&) const = default;

    enum Leg { Outbound = 0, Return = 1 };
    bool snoozed(const QDate& today) const { return snoozedUntil.isValid() && today <= snoozedUntil; }
    // "paused", "snoozed until 17/12/2026"; empty while it is neither.
    QString holdText(const QDate& today) const;
    bool isReturn() const { return returnDate.isValid(); }
    const LegFilter& flightsOf(int which) const { return which == Return ? returnFlights : outboundFlights; }
    // The flights chosen, leg by leg where the way back has its own: "",
    // "direct only, 07:00–12:00", "outbound direct only; return at most 1 stop".
    QString flightsText() const;
    int legs() const { return isReturn() ? 2 : 1; }
    // The cities at each end, `origin` and `destination` first.
    QList<City> origins() const;
    QList<City> destinations() const;
    int pairs() const { return int((1 + moreOrigins.size()) * (1 + moreDestinations.size())); }
    // "Sydney", "Sydney or Newcastle"
    QString originNames() const;
    QString destinationNames() const;
    // One leg between one pair of its cities as a one-way flight: the
    // return flies from the destination back to the origin, on its own dates
    // and with its own flights chosen.
    Itinerary leg(int which, int originAt = 0, int destinationAt = 0) const;
    // Each award search of a check: leg by leg, in each leg pair by pair
    // (origins(), destinations() positions), each pair's dates in order.
    struct Search {
        int leg = Outbound;
        QDate date;
        int origin = 0;
        int destination = 0;
    };
    Itinerary searched(const Search& search) const { return leg(search.leg, search.origin, search.destination); }
    QList<Search> plannedSearches(const QDate& today = QDate()) const;

    // Every departure date of the outbound leg, in date order; each is one
    // award search. Given today, the days the airline does not search (gone,
    // or past the last bookable day) are left out.
    QList<QDate> dates(const QDate& today = QDate()) const;
    int searches(const QDate& today = QDate()) const;
    // How its searches come about, each factor one of its choices:
    // "4 days = 4 searches", "2 legs × 2 pairs × 4 days = 16 searches".
    QString searchesBreakdown() const;
    // "25/12/2026", "25/12/2026 +3" with three days after it, "25/12/2026 -2 +3"
    // with two before it too; a return journey adds ", back 03/01/2027 +1".
    QString datesText() const;
    // "1 adult", "2 adults", "2 adults or fewer".
    QString partyText() const;
    // What seats it asks for: "1 adult", "2 adults, Business", "2 adults or
    // fewer, Business" when fewer seats than the party are news too, and the
    // flights chosen after them ("1 adult, direct only, 07:00–12:00").
    QString seatsText() const;
    // Only what differs from one seat in any cabin on any flight: "",
    // "Business", "2 adults", "2 adults, Business", "direct only"; for texts
    // that were written before these choices.
    QString seatsChoice() const;
    // The seats a flight must offer in a cabin for this watch to hear of it.
    int seatsNeeded() const { return fewerThanParty ? 1 : adults; }
    // Why it cannot be flown whatever the date: the same city at both ends,
    // or a way back that leaves before the way out. Empty when it can.
    QString routeProblem() const;
    // Why no search of it is made from `today` on: every date has gone
    // ("past"), or none is bookable yet ("not yet bookable: from 12/03/2027").
    // Empty while some date can be searched.
    QString unsearchable(const QDate& today) const;

    // What names this watch wherever it is remembered (the history, what the
    // user was told, a waiting push): every choice that changes what is
    // searched or told. A choice left at its default adds nothing, so a
    // watch keeps the name it had before the choice existed.
    QString identity() const;
};

// The first and the last day the airline's award search takes from `today`.
QDate earliestDeparture(const QDate& today);
QDate latestDeparture(const QDate& today);

// A date as the lists, the files and the mails write it: "05/02/2027".
QString dateText(const QDate& date);
// "Tue 3": a day of a flexible itinerary as the results list names it.
QString shortDayName(const QDate& date);
// "Tue 03/02/2027": the same where no date stands beside it.
QString fullDayName(const QDate& date);
QString legName(int leg);              // "Outbound", "Return"
QString adultsText(int adults);        // "1 adult", "2 adults"
QString searchCountText(int searches); // "1 search", "34 searches"

} // namespace zelvane
