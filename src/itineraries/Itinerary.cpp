#include "itineraries/Itinerary.h"

#include <QLocale>
#include <algorithm>
#include <utility>

namespace zelvane {

const QStringList& cabinNames()
{
    static const QStringList names = {QStringLiteral("Any"), QStringLiteral("Economy"),
                                      QStringLiteral("Business"), QStringLiteral("First")};
    return names;
}

QString cabinName(Cabin cabin)
{
    return cabinNames().value(int(cabin), cabinNames().first());
}

Cabin cabinFromName(const QString& name)
{
    const QString n = name.trimmed();
    for (int i = 0; i < cabinNames().size(); ++i)
        if (n.compare(cabinNames()[i], Qt::CaseInsensitive) == 0)
            return Cabin(i);
    return Cabin::Any;
}

QList<QDate> Itinerary::dates(const QDate& today) const
{
    QList<QDate> days;
    if (!date.isValid())
        return days;
    QDate first = date.addDays(-daysBefore), last = date.addDays(extraDays);
    // A flight that has gone, or one the airline does not offer yet, costs
    // no search.
    if (today.isValid()) {
        first = std::max(first, earliestDeparture(today));
        last = std::min(last, latestDeparture(today));
    }
    for (QDate d = first; d <= last; d = d.addDays(1))
        days << d;
    return days;
}

QList<City> Itinerary::origins() const
{
    return QList<City>{origin} + moreOrigins;
}

QList<City> Itinerary::destinations() const
{
    return QList<City>{destination} + moreDestinations;
}

namespace {

QString cityNames(const QList<City>& cities)
{
    QStringList names;
    for (const City& c : cities)
        names << c.name;
    return names.join(QStringLiteral(" or "));
}

} // namespace

QString Itinerary::originNames() const
{
    return cityNames(origins());
}

QString Itinerary::destinationNames() const
{
    return cityNames(destinations());
}

Itinerary Itinerary::leg(int which, int originAt, int destinationAt) const
{
    Itinerary one = *this;
    one.returnDate = QDate();
    one.returnExtraDays = one.returnDaysBefore = 0;
    one.wholeTripOnly = false;
    one.origin = origins().value(originAt, origin);
    one.destination = destinations().value(destinationAt, destination);
    one.moreOrigins.clear();
    one.moreDestinations.clear();
    one.outboundFlights = flightsOf(which);
    one.returnFlights = {};
    if (which == Return) {
        std::swap(one.origin, one.destination);
        one.date = returnDate;
        one.extraDays = returnExtraDays;
        one.daysBefore = returnDaysBefore;
    }
    return one;
}

QList<Itinerary::Search> Itinerary::plannedSearches(const QDate& today) const
{
    QList<Search> all;
    const int from = int(moreOrigins.size()) + 1, to = int(moreDestinations.size()) + 1;
    for (int l = 0; l < legs(); ++l) {
        const QList<QDate> days = leg(l).dates(today);
        for (int o = 0; o < from; ++o)
            for (int d = 0; d < to; ++d)
                for (const QDate& day : days)
                    all.append({l, day, o, d});
    }
    return all;
}

int Itinerary::searches(const QDate& today) const
{
    return int(plannedSearches(today).size());
}

namespace {

QString daysText(int days)
{
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

QString oneLegDates(const QDate& date, int before, int after)
{
    QString text = dateText(date);
    if (before > 0)
        text += QStringLiteral(" -%1").arg(before);
    if (after > 0)
        text += QStringLiteral(" +%1").arg(after);
    return text;
}

} // namespace

QString Itinerary::searchesBreakdown() const
{
    const int out = daysBefore + 1 + extraDays;
    const int back = returnDaysBefore + 1 + returnExtraDays;
    const QString pairsFactor = pairs() > 1 ? QStringLiteral("%1 pairs × ").arg(pairs()) : QString();
    QString factors = pairsFactor + daysText(out);
    if (isReturn())
        factors = out == back ? QStringLiteral("2 legs × ") + pairsFactor + daysText(out)
                  : pairs() > 1 ? QStringLiteral("%1(%2 out + %3 back)").arg(pairsFactor, daysText(out), daysText(back))
                                : QStringLiteral("%1 out + %2 back").arg(daysText(out), daysText(back));
    return QStringLiteral("%1 = %2").arg(factors, searchCountText(searches()));
}

QString Itinerary::datesText() const
{
    QString text = oneLegDates(date, daysBefore, extraDays);
    if (isReturn())
        text += QStringLiteral(", back ") + oneLegDates(returnDate, returnDaysBefore, returnExtraDays);
    return text;
}

QString Itinerary::partyText() const
{
    // Two watches of one trip that differ only here must not read alike.
    return fewerThanParty && adults > 1 ? adultsText(adults) + QStringLiteral(" or fewer") : adultsText(adults);
}

QString Itinerary::seatsText() const
{
    QStringList parts{partyText()};
    if (cabin != Cabin::Any)
        parts << cabinName(cabin);
    if (const QString flights = flightsText(); !flights.isEmpty())
        parts << flights;
    return parts.join(QStringLiteral(", "));
}

QString Itinerary::seatsChoice() const
{
    if (adults > 1)
        return seatsText();
    QStringList parts;
    if (cabin != Cabin::Any)
        parts << cabinName(cabin);
    if (const QString flights = flightsText(); !flights.isEmpty())
        parts << flights;
    return parts.join(QStringLiteral(", "));
}

bool LegFilter::inWindow(const QTime& departure) const
{
    if (!hasWindow())
        return true;
    if (earliest <= latest)
        return departure >= earliest && departure <= latest;
    return departure >= earliest || departure <= latest;
}

QString LegFilter::text() const
{
    QStringList parts;
    if (maxStops == 0)
        parts << QStringLiteral("direct only");
    else if (maxStops > 0)
        parts << (maxStops == 1 ? QStringLiteral("at most 1 stop") : QStringLiteral("at most %1 stops").arg(maxStops));
    if (hasWindow())
        parts << earliest.toString(QStringLiteral("HH:mm")) + QChar(0x2013) + latest.toString(QStringLiteral("HH:mm"));
    return parts.join(QStringLiteral(", "));
}

QString Itinerary::flightsText() const
{
    // Both legs alike read as one choice.
    if (!isReturn() || outboundFlights == returnFlights)
        return outboundFlights.text();
    // Otherwise each leg with a choice is named; a semicolon keeps each
    // leg's words together.
    QStringList legs;
    for (const int l : {int(Outbound), int(Return)})
        if (!flightsOf(l).any())
            legs << legName(l).toLower() + QLatin1Char(' ') + flightsOf(l).text();
    return legs.join(QStringLiteral("; "));
}

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString shortDayName(const QDate& date)
{
    // English like every other text of the program, whatever the locale.
    return QLocale::c().dayName(date.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ')
           + QString::number(date.day());
}

QString fullDayName(const QDate& date)
{
    return QLocale::c().dayName(date.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ') + dateText(date);
}

QString legName(int leg)
{
    return leg == Itinerary::Return ? QStringLiteral("Return") : QStringLiteral("Outbound");
}

QString adultsText(int adults)
{
    return adults == 1 ? QStringLiteral("1 adult") : QStringLiteral("%1 adults").arg(adults);
}

QString searchCountText(int searches)
{
    return searches == 1 ? QStringLiteral("1 search") : QStringLiteral("%1 searches").arg(searches);
}

QString Itinerary::routeProblem() const
{
    for (const City& from : origins())
        for (const City& to : destinations())
            if (from.code.compare(to.code, Qt::CaseInsensitive) == 0)
                return QStringLiteral("%1 is at both ends of it").arg(from.name.isEmpty() ? from.code : from.name);
    if (isReturn() && returnDate < date)
        return QStringLiteral("its way back, %1, leaves before its way out, %2").arg(dateText(returnDate), dateText(date));
    return {};
}

QString Itinerary::unsearchable(const QDate& today) const
{
    if (!date.isValid() || !plannedSearches(today).isEmpty())
        return {};
    const QDate lastDay = isReturn() ? returnDate.addDays(returnExtraDays) : date.addDays(extraDays);
    if (lastDay < earliestDeparture(today))
        return QStringLiteral("past");
    // The airline opens a day for search this many days ahead.
    const QDate firstDay = date.addDays(-daysBefore);
    return QStringLiteral("not yet bookable: from %1")
        .arg(dateText(firstDay.addDays(-earliestDeparture(today).daysTo(latestDeparture(today)) - 1)));
}

QDate earliestDeparture(const QDate& today)
{
    return today.addDays(1);
}

QDate latestDeparture(const QDate& today)
{
    return earliestDeparture(today).addDays(352);
}

QString Itinerary::holdText(const QDate& today) const
{
    if (paused)
        return QStringLiteral("paused");
    return snoozed(today) ? QStringLiteral("snoozed until ") + dateText(snoozedUntil) : QString();
}

QString Itinerary::identity() const
{
    QStringList parts{origin.code, destination.code, dateText(date), QString::number(extraDays),
                      timeOfDay,   cabinName(cabin),   QString::number(adults)};
    if (daysBefore > 0)
        parts << QString::number(daysBefore);
    if (isReturn())
        parts << dateText(returnDate) << QString::number(returnDaysBefore) << QString::number(returnExtraDays)
              << QString::number(int(wholeTripOnly));
    // The other destinations are marked, or "or from Newcastle" and "or to
    // Newcastle" would name one watch.
    for (const QList<City>* more : {&moreOrigins, &moreDestinations}) {
        if (more->isEmpty())
            continue;
        QStringList codes;
        for (const City& c : *more)
            codes << c.code;
        parts << (more == &moreDestinations ? QStringLiteral(">") : QString()) + codes.join(QLatin1Char('|'));
    }
    if (fewerThanParty)
        parts << QStringLiteral("fewer");
    // The flights chosen name the watch too: a direct-only watch is not told
    // of what a watch of any flight was.
    for (const int l : {int(Outbound), int(Return)}) {
        const LegFilter& f = flightsOf(l);
        if (f.any())
            continue;
        QString part = l == Return ? QStringLiteral("back") : QStringLiteral("out");
        if (f.maxStops >= 0)
            part += QStringLiteral(" stops ") + QString::number(f.maxStops);
        if (f.hasWindow())
            part += QStringLiteral(" hours ") + f.earliest.toString(QStringLiteral("HH:mm")) + QLatin1Char('-')
                    + f.latest.toString(QStringLiteral("HH:mm"));
        parts << part;
    }
    return parts.join(QLatin1Char(';'));
}

} // namespace zelvane
