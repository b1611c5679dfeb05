#include "results/Outcome.h"

#include "itineraries/Itinerary.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace zelvane {

bool ItineraryResult::hasReturnLeg() const
{
    return std::any_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) { return d.leg == Itinerary::Return; });
}

Availability ItineraryResult::availability() const
{
    if (days.isEmpty())
        return Availability::NotKnown;
    if (wholeTripOnly && hasReturnLeg()) {
        const QList<QDate> out = seatDays(Itinerary::Outbound), back = seatDays(Itinerary::Return);
        if (!out.isEmpty() && !back.isEmpty() && out.first() < back.last())
            return Availability::Seats;
        // No trip for sure only when every search was read.
        const bool allRead = std::all_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) {
            return d.availability != Availability::NotKnown;
        });
        return allRead ? Availability::NoSeats : Availability::NotKnown;
    }
    if (std::any_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) { return d.seats(); }))
        return Availability::Seats;
    const bool allRead = std::all_of(days.cbegin(), days.cend(), [](const SearchOutcome& d) {
        return d.availability == Availability::NoSeats;
    });
    return allRead ? Availability::NoSeats : Availability::NotKnown;
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

QList<QDate> ItineraryResult::seatDays() const
{
    QList<QDate> found;
    for (const SearchOutcome& d : days)
        if (d.seats())
            found << d.date;
    return found;
}

QList<QDate> ItineraryResult::seatDays(int leg) const
{
    QList<QDate> found;
    for (const SearchOutcome& d : days)
        if (d.seats() && d.leg == leg)
            found << d.date;
    return found;
}

QString ItineraryResult::dayName(const SearchOutcome& d) const
{
    return hasReturnLeg() ? legName(d.leg) + QLatin1Char(' ') + fullDayName(d.date) : fullDayName(d.date);
}

QString ItineraryResult::daysSummary() const
{
    if (hasReturnLeg()) {
        QStringList legs;
        for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
            QStringList names;
            bool unknown = false;
            int searched = 0;
            for (const SearchOutcome& d : days) {
                if (d.leg != leg)
                    continue;
                ++searched;
                unknown = unknown || d.availability == Availability::NotKnown;
                if (d.seats())
                    names << shortDayName(d.date);
            }
            // A leg without seats says whether it knows.
            QString told = names.join(QStringLiteral(", "));
            if (names.isEmpty())
                told = unknown ? QStringLiteral("not known")
                               : searched == 1 ? QStringLiteral("none") : QStringLiteral("none of %1 days").arg(searched);
            legs << legName(leg) + QStringLiteral(": ") + told;
        }
        return legs.join(QStringLiteral(" · "));
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

QList<FlightRow> ItineraryResult::flights() const
{
    for (const SearchOutcome& d : days)
        if (d.seats())
            return d.flights;
    return days.isEmpty() ? QList<FlightRow>() : days.first().flights;
}

} // namespace zelvane
