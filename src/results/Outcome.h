#pragma once

#include "itineraries/Itinerary.h"
#include "results/FlightTable.h"

#include <QDate>
#include <QList>
#include <QString>
#include <functional>

namespace zelvane {

// What the program knows of seats: the site showed seats for the party, the
// site said there are none, or it does not know (not searched, no page, a
// page it could not read), never taken for either.
enum class Availability { Seats, NoSeats, NotKnown };

// The kinds of result page the program cannot read, each kept apart so the
// user can send the last of each with a report.
enum class UnreadablePage { None, StartAgain, OtherPage, NoFrame, FlightTable };

// What one award search came to. Reading its page decides, once, which
// flights seat the watch (`offers`); every view reads that decision.
struct SearchOutcome {
    Availability availability = Availability::NotKnown;
    QDate date;               // the departure date searched
    int leg = 0;              // of a return journey: 0 outbound, 1 return
    City from, to;            // the pair searched, as this leg flies
    QList<FlightRow> flights; // the flight table as read, also when none of it counts
    QList<SeatOffer> offers;  // the flights and cabins that seat the watch
    QString pageText{};       // the flight table as the page shows it, with seats only
    QString reason{};         // not known: why, in words
    bool loggedOut = false;   // not known because the site logged the session out
    // Not known because its result page could not be read: the kind of page.
    UnreadablePage unreadable = UnreadablePage::None;

    static SearchOutcome notKnown(const QDate& date, const QString& reason, bool loggedOut = false)
    {
        SearchOutcome o;
        o.date = date;
        o.reason = reason;
        o.loggedOut = loggedOut;
        return o;
    }
    bool seats() const { return availability == Availability::Seats; }
    // Seats no longer count: the day seats the party but is no part of a trip.
    void dropSeats(Availability now, const QString& why);
};

// What the last check of one itinerary found: one outcome per date it
// searched, in date order. No dates while it was not checked in this run.
struct ItineraryResult {
    QList<SearchOutcome> days;
    // Why no search was made for it in the last check; empty when one was,
    // or before the first check of this run.
    QString notSearched{};
    // Seats count only when both legs have them, the return on a later day.
    bool wholeTripOnly = false;
    // Not searched because the user paused it: neither seats, nor none, nor
    // a check that could not answer.
    bool paused = false;
    static ItineraryResult pausedWatch()
    {
        ItineraryResult r;
        r.paused = true;
        return r;
    }

    // Seats when a date had seats; no seats only when every date was read
    // and none had them; otherwise not known.
    Availability availability() const;
    // For a watch of whole trips only, decided once when its searches are
    // in: seats on a day that makes no trip with a day of the other leg are
    // none for it, or not known while a day that could make one is.
    void keepWholeTripsOnly();
    bool hasReturnLeg() const;
    // Nearby airports: more than one pair of cities was searched.
    bool severalPairs() const;
    // "Newcastle → London"
    static QString pairName(const City& from, const City& to);
    bool checked() const { return !days.isEmpty() || !notSearched.isEmpty() || paused; }
    // The last check made no search for it, paused or for `notSearched`.
    bool unsearched() const { return paused || !notSearched.isEmpty(); }
    // Why it is not known, in words; empty before its first check.
    QString reason() const;
    // The days with seats, in date order, each once whichever pair had them.
    QList<QDate> seatDays() const;
    QList<QDate> seatDays(int leg) const;
    // One leg between one pair of cities, as searched.
    struct Route {
        int leg = 0;
        City from, to;
        QList<QDate> seatDays; // in date order
        int searched = 0;
        bool notKnown = false; // some search of it is not known
    };
    // In the order they were searched.
    QList<Route> routes() const;
    // A trip's seats leg by leg, pair by pair, in the words given:
    // "Outbound: Tue 15 · Return: none", "Outbound SYD→MEL: Tue 15; NTL→MEL: Wed 16".
    struct TripWords {
        std::function<QString(const QList<QDate>& seatDays)> days;
        std::function<QString(const City& from, const City& to)> pair;
        std::function<QString(bool notKnown, int searched)> none; // a leg without seats
        QString betweenLegs = QStringLiteral(" · ");
    };
    QString tripText(const TripWords& words) const;
    // "Tue 03/02/2027"; with the leg before it on a return journey, and the
    // pair when there are several.
    QString dayName(const SearchOutcome& day) const;
    // For an itinerary of several dates: "3 of 7 days: Tue 3, Thu 5, Fri 6",
    // "0 of 4 days"; for a return journey each leg by name:
    // "Outbound: Tue 15, Thu 17 · Return: Sun 27"; with nearby airports each
    // pair with seats by its codes: "Outbound SYD→MEL: Tue 15; NTL→MEL: Wed 16 ·
    // Return: none"; empty for one date or no check. Where there is room for
    // a line each, the legs go `betweenLegs` ("\n").
    QString daysSummary(const QString& betweenLegs = QStringLiteral(" · ")) const;
    // The flight tables of the days with seats as the pages showed them, each
    // under its day when there are several dates: what is printed.
    QString pageText() const;
    // The first day with seats, or the first day; none before a check.
    const SearchOutcome* shownDay() const;
    // Its flights.
    QList<FlightRow> flights() const;
};

} // namespace zelvane
