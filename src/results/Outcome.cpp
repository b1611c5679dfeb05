#include "results/Outcome.h"

#include "itineraries/Itinerary.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace zelvane {

bool ItineraryResult::hasReturnLeg() const
{
    return std::any_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) { return d.leg == Itinerary::Return; });
}

Availability ItineraryResult::availability() const
{
    if (days.isEmpty())
        return Availability::NotKnown;
    if (std::any_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) { return d.seats(); }))
        return Availability::Seats;
    const bool allRead = std::all_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) {
        return d.availability == Availability::NoSeats;
    });
    return allRead ? Availability::NoSeats : Availability::NotKnown;
}

void SearchOutcome::dropSeats(Availability now, const QString& why)
{
    availability = now;
    offers.clear();
    pageText.clear();
    reason = why;
}

void ItineraryResult::keepWholeTripsOnly()
{
    if (!wholeTripOnly || !hasReturnLeg())
        return;
    // A day partners the other leg's days that come after it (outbound) or
    // before it (the way back).
    const auto partners = [](const SearchOutcome& day, const SearchOutcome& other) {
        return other.leg != day.leg && (day.leg == Itinerary::Outbound ? day.date < other.date : other.date < day.date);
    };
    QList<SearchOutcome> settled = days;
    for (SearchOutcome& day : settled) {
        if (!day.seats())
            continue;
        bool trip = false, maybe = false;
        for (const SearchOutcome& other : std::as_const(days)) {
            if (!partners(day, other))
                continue;
            trip = trip || other.seats();
            maybe = maybe || other.availability == Availability::NotKnown;
        }
        if (trip)
            continue;
        if (maybe)
            day.dropSeats(Availability::NotKnown, QStringLiteral("no trip known: the other leg was not all checked"));
        else
            day.dropSeats(Availability::NoSeats, {});
    }
    days = settled;
}

QString ItineraryResult::reason() const
{
    if (!notSearched.isEmpty())
        return notSearched;
    for (const SearchOutcome& d : days)
        if (d.availability == Availability::NotKnown)
            return d.reason;
    return {};
}

namespace {

QList<QDate> inDateOrder(QList<QDate> days)
{
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return days;
}

// The pair as the watch names it, whichever way the leg flies.
std::pair<QString, QString> watchPair(const SearchOutcome& d)
{
    return d.leg == Itinerary::Return ? std::pair(d.to.code, d.from.code) : std::pair(d.from.code, d.to.code);
}

QString noSeatsText(bool notKnown, int searched, const QString& unit)
{
    return notKnown ? QStringLiteral("not known")
           : searched == 1 ? QStringLiteral("none")
                           : QStringLiteral("none of %1 %2").arg(searched).arg(unit);
}

} // namespace

QList<QDate> ItineraryResult::seatDays() const
{
    QList<QDate> found;
    for (const SearchOutcome& d : days)
        if (d.seats())
            found << d.date;
    return inDateOrder(found);
}

QList<QDate> ItineraryResult::seatDays(int leg) const
{
    QList<QDate> found;
    for (const SearchOutcome& d : days)
        if (d.seats() && d.leg == leg)
            found << d.date;
    return inDateOrder(found);
}

bool ItineraryResult::severalPairs() const
{
    return std::any_of(days.cbegin(), days.cend(),
                       [this](const SearchOutcome& d) { return watchPair(d) != watchPair(days.first()); });
}

QString ItineraryResult::pairName(const City& from, const City& to)
{
    return from.name + QStringLiteral(" → ") + to.name;
}

QList<ItineraryResult::Route> ItineraryResult::routes() const
{
    QList<Route> all;
    for (const SearchOutcome& d : days) {
        auto at = std::find_if(all.begin(), all.end(), [&d](const Route& r) {
            return r.leg == d.leg && r.from.code == d.from.code && r.to.code == d.to.code;
        });
        if (at == all.end()) {
            all.append({d.leg, d.from, d.to, {}, 0, false});
            at = all.end() - 1;
        }
        ++at->searched;
        at->notKnown = at->notKnown || d.availability == Availability::NotKnown;
        if (d.seats())
            at->seatDays << d.date;
    }
    for (Route& r : all)
        r.seatDays = inDateOrder(r.seatDays);
    return all;
}

QString ItineraryResult::dayName(const SearchOutcome& d) const
{
    QString name = fullDayName(d.date);
    if (severalPairs())
        name = pairName(d.from, d.to) + QLatin1Char(' ') + name;
    return hasReturnLeg() ? legName(d.leg) + QLatin1Char(' ') + name : name;
}

QString ItineraryResult::tripText(const TripWords& words) const
{
    const bool pairs = severalPairs(), legs = hasReturnLeg();
    const QList<Route> all = routes();
    QStringList told;
    for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        QStringList found;
        bool notKnown = false;
        int searched = 0;
        for (const Route& r : all) {
            if (r.leg != leg)
                continue;
            searched += r.searched;
            notKnown = notKnown || r.notKnown;
            if (!r.seatDays.isEmpty())
                found << (pairs ? words.pair(r.from, r.to) + QStringLiteral(": ") : QString()) + words.days(r.seatDays);
        }
        if (searched == 0)
            continue;
        // A leg without seats says whether it knows.
        const bool seats = !found.isEmpty();
        if (!seats)
            found << words.none(notKnown, searched);
        // "Outbound: Tue 15", "Outbound SYD→MEL: Tue 15; NTL→MEL: Wed 16"
        const QString legTold = legs ? legName(leg) + (pairs && seats ? QStringLiteral(" ") : QStringLiteral(": ")) : QString();
        told << legTold + found.join(QStringLiteral("; "));
    }
    return told.join(words.betweenLegs);
}

QString ItineraryResult::daysSummary(const QString& betweenLegs) const
{
    if (hasReturnLeg() || severalPairs()) {
        const bool pairs = severalPairs();
        return tripText({[](const QList<QDate>& found) {
                             QStringList names;
                             for (const QDate& day : found)
                                 names << shortDayName(day);
                             return names.join(QStringLiteral(", "));
                         },
                         // By codes, to keep a row short.
                         [](const City& from, const City& to) { return from.code + QStringLiteral("→") + to.code; },
                         [pairs](bool notKnown, int searched) {
                             return noSeatsText(notKnown, searched, pairs ? QStringLiteral("searches") : QStringLiteral("days"));
                         },
                         betweenLegs});
    }
    if (days.size() < 2)
        return {};
    const QList<QDate> found = seatDays();
    QString text = QStringLiteral("%1 of %2 days").arg(found.size()).arg(days.size());
    // Days that run into the next month say which month each is in.
    const bool crossesMonth = days.first().date.month() != days.last().date.month();
    QStringList names;
    for (const QDate& d : found)
        names << (crossesMonth ? shortDayName(d) + QLatin1Char(' ') + QLocale::c().monthName(d.month(), QLocale::ShortFormat)
                               : shortDayName(d));
    if (!names.isEmpty())
        text += QStringLiteral(": ") + names.join(QStringLiteral(", "));
    return text;
}

QString ItineraryResult::pageText() const
{
    QString text;
    for (const SearchOutcome& d : days) {
        if (!d.seats())
            continue;
        if (days.size() > 1)
            text += dayName(d) + QStringLiteral("\r\n");
        text += d.pageText;
        if (days.size() > 1)
            text += QStringLiteral("\r\n\r\n");
    }
    return text;
}

const SearchOutcome* ItineraryResult::shownDay() const
{
    for (const SearchOutcome& d : days)
        if (d.seats())
            return &d;
    return days.isEmpty() ? nullptr : &days.first();
}

QList<FlightRow> ItineraryResult::flights() const
{
    const SearchOutcome* day = shownDay();
    return day ? day->flights : QList<FlightRow>();
}

} // namespace zelvane
