#include "results/Outcome.h"

#include "itineraries/Itinerary.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace zelvane {

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

QString ItineraryResult::daysSummary() const
{
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
            text += fullDayName(d.date) + QStringLiteral("\r\n");
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
