#include "results/SeatCalendar.h"

#include "history/HistoryExport.h"
#include "results/FlightTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>

namespace zelvane {

namespace {

// The cabins that seated the watch, as the check recorded them; for a check
// recorded before they were kept, as its flights decide for its party.
QList<Cabin> cabinsWithSeats(const CheckRecord& check)
{
    QList<Cabin> cabins;
    if (check.seatCabins) {
        for (const QString& name : *check.seatCabins)
            cabins << cabinFromName(name);
        return cabins;
    }
    QList<FlightRow> rows;
    for (const QStringList& cells : check.flights)
        rows << FlightRow::fromCells(cells);
    // Such a check is older than any choice of flights: every flight counts.
    const QList<SeatOffer> offers = seatOffers(rows, SeatsWanted{cabinFromName(check.key.cabin), check.key.adults});
    for (const Cabin c : {Cabin::Economy, Cabin::Business, Cabin::First})
        if (std::any_of(offers.cbegin(), offers.cend(), [c](const SeatOffer& o) { return o.cabin == c; }))
            cabins << c;
    return cabins;
}

// Takes in the day's next check, newer than any before it.
void fold(CalendarDay& day, const HistoryCheck& h)
{
    day.lastTried = h.session;
    day.lastTriedOutcome = h.check.outcome;
    if (!wasChecked(h.check.outcome))
        return;
    const bool seats = h.check.outcome == CheckOutcome::Available;
    day.lastChecked = h.session;
    day.state = seats ? Availability::Seats : Availability::NoSeats;
    day.cabins = seats ? cabinsWithSeats(h.check) : QList<Cabin>();
}

QString stateName(Availability state)
{
    switch (state) {
    case Availability::Seats: return QStringLiteral("seats");
    case Availability::NoSeats: return QStringLiteral("no seats");
    case Availability::NotKnown: break;
    }
    return QStringLiteral("not known");
}

QChar markOf(const CalendarDay& day)
{
    if (!day.searched())
        return QLatin1Char(' ');
    switch (day.state) {
    case Availability::Seats: return QLatin1Char('S');
    case Availability::NoSeats: return QLatin1Char('.');
    case Availability::NotKnown: break;
    }
    return QLatin1Char('?');
}

QString when(const QDateTime& t)
{
    return t.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QString monthTitle(const QDate& month)
{
    return QLocale::c().standaloneMonthName(month.month()) + QLatin1Char(' ') + QString::number(month.year());
}

} // namespace

QString routeName(const Route& route)
{
    return route.origin + QStringLiteral(" -> ") + route.destination;
}

QList<QDate> RouteCalendar::months() const
{
    QList<QDate> out;
    if (days.isEmpty())
        return out;
    const QDate last(days.lastKey().year(), days.lastKey().month(), 1);
    for (QDate m(days.firstKey().year(), days.firstKey().month(), 1); m <= last; m = m.addMonths(1))
        out << m;
    return out;
}

CalendarDay RouteCalendar::day(const QDate& date) const
{
    CalendarDay plain;
    plain.date = date;
    return days.value(date, plain);
}

QList<RouteCalendar> seatCalendars(const QList<HistoryCheck>& checks)
{
    QMap<std::pair<Route, QString>, RouteCalendar> routes;
    for (const HistoryCheck& h : checks) {
        const ItineraryKey& k = h.check.key;
        const QDate date = QDate::fromString(k.date, QStringLiteral("dd/MM/yyyy"));
        if (!date.isValid())
            continue;
        const Route route{k.origin, k.destination};
        RouteCalendar& calendar = routes[{route, k.watch}];
        calendar.route = route;
        calendar.watch = k.watch;
        auto day = calendar.days.find(date);
        if (day == calendar.days.end()) {
            day = calendar.days.insert(date, {});
            day->date = date;
        }
        fold(*day, h);
    }
    QList<RouteCalendar> calendars = routes.values();
    for (RouteCalendar& c : calendars) {
        const bool shared = std::count_if(calendars.cbegin(), calendars.cend(),
                                          [&c](const RouteCalendar& o) { return o.route == c.route; }) > 1;
        c.name = routeName(c.route);
        if (shared)
            c.name += QStringLiteral(" (watch %1)").arg(c.watch.isEmpty() ? QStringLiteral("recorded earlier") : c.watch);
    }
    return calendars;
}

QString dayDescription(const CalendarDay& day)
{
    QString text = fullDayName(day.date) + QStringLiteral(": ");
    if (!day.searched())
        return text + QStringLiteral("not searched");
    if (day.state == Availability::NotKnown)
        return text + QStringLiteral("not known, never checked · last tried %1, %2")
                          .arg(when(day.lastTried), outcomeName(day.lastTriedOutcome));
    if (day.state == Availability::Seats) {
        QStringList cabins;
        for (Cabin c : day.cabins)
            cabins << cabinName(c);
        text += cabins.isEmpty() ? QStringLiteral("seats") : QStringLiteral("seats in ") + cabins.join(QStringLiteral(", "));
    } else {
        text += QStringLiteral("no seats");
    }
    text += QStringLiteral(" · last checked ") + when(day.lastChecked);
    if (!wasChecked(day.lastTriedOutcome))
        text += QStringLiteral(" · tried again %1, %2").arg(when(day.lastTried), outcomeName(day.lastTriedOutcome));
    return text;
}

QString calendarText(const QList<RouteCalendar>& calendars)
{
    QString out = QStringLiteral("S seats   . no seats   ? not known (searched, never checked)   blank: not searched\n");
    // Four columns a day: its number, its mark, a blank.
    const QString weekdays = QStringLiteral("Mo  Tu  We  Th  Fr  Sa  Su\n");
    for (const RouteCalendar& c : calendars) {
        out += QLatin1Char('\n') + c.name + QLatin1Char('\n');
        for (const QDate& month : c.months()) {
            out += QLatin1Char('\n') + monthTitle(month) + QLatin1Char('\n') + weekdays;
            QString week(4 * (month.dayOfWeek() - 1), QLatin1Char(' '));
            for (QDate d = month; d.month() == month.month(); d = d.addDays(1)) {
                week += QStringLiteral("%1%2 ").arg(d.day(), 2).arg(markOf(c.day(d)));
                if (d.dayOfWeek() == 7 || d.addDays(1).month() != month.month()) {
                    while (week.endsWith(QLatin1Char(' ')))
                        week.chop(1);
                    out += week + QLatin1Char('\n');
                    week.clear();
                }
            }
        }
    }
    return out;
}

QByteArray calendarJsonLines(const QList<RouteCalendar>& calendars)
{
    QByteArray out;
    for (const RouteCalendar& c : calendars)
        for (const CalendarDay& d : c.days) {
            QJsonArray cabins;
            for (Cabin cabin : d.cabins)
                cabins.append(cabinName(cabin));
            const QJsonObject o{
                {QStringLiteral("origin"), c.route.origin},
                {QStringLiteral("destination"), c.route.destination},
                {QStringLiteral("watch"), c.watch},
                {QStringLiteral("date"), dateText(d.date)},
                {QStringLiteral("state"), stateName(d.state)},
                {QStringLiteral("cabins"), cabins},
                {QStringLiteral("lastChecked"), d.lastChecked.isValid() ? QJsonValue(isoTime(d.lastChecked)) : QJsonValue()},
                {QStringLiteral("lastTried"), isoTime(d.lastTried)}};
            out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
        }
    return out;
}

} // namespace zelvane
