#include "engine/AwardQuery.h"

#include "net/QueryText.h"


namespace zelvane {

namespace {

constexpr qint64 kFirstHourTime = 1120068000000; // 30 June 2005, hour 1
constexpr qint64 kHourMs = 3600000;

TimeOfDayRow rowOfHour(int hour)
{
    return {kFirstHourTime + (hour - 1) * kHourMs,
            QStringLiteral("20050630") + QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'))
                + QStringLiteral("00")};
}

} // namespace

const QStringList& timeOfDayChoices()
{
    static const QStringList choices = [] {
        QStringList l = {QStringLiteral("Morning"), QStringLiteral("Afternoon"),
                         QStringLiteral("Evening")};
        for (int h = 1; h <= 23; ++h)
            l << QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0'));
        return l;
    }();
    return choices;
}

std::optional<TimeOfDayRow> timeOfDayRow(const QString& choice)
{
    if (choice == QLatin1String("Morning"))
        return rowOfHour(1);
    if (choice == QLatin1String("Afternoon"))
        return rowOfHour(12);
    if (choice == QLatin1String("Evening"))
        return rowOfHour(18);
    const int index = timeOfDayChoices().indexOf(choice);
    if (index < 3)
        return std::nullopt;
    return rowOfHour(index - 2);
}

TimeOfDayRow timeOfDayRowOrMorning(const QString& choice)
{
    return timeOfDayRow(choice).value_or(rowOfHour(1));
}

QString awardSearchUrl(const QString& base, const Itinerary& itinerary, const QDate& date)
{
    const int year = date.year(), month = date.month(), day = date.day();
    const TimeOfDayRow time = timeOfDayRowOrMorning(itinerary.timeOfDay);
    const QString y = QString::number(year);
    const QString m = QString::number(month);
    const QStringList params = {
        QStringLiteral("action=AwardBookingServletItineraryHelper.setAccountBookingDetails"),
        QStringLiteral("QAB_sequenceNumber=1"),
        QStringLiteral("QAB_browserWindowNumber=0"),
        QStringLiteral("QAB_availabilitySearch_isEdit=false"),
        QStringLiteral("QAB_availabilitySearch_sectorNumber=0"),
        QStringLiteral("QAB_passengerForm_bookingType=QAB_passengerForm_bookingReturn"),
        QStringLiteral("QAB_availabilitySearch_departureYear=") + y,
        QStringLiteral("QAB_availabilitySearch_departureMonth=") + m,
        QStringLiteral("QAB_availabilitySearch_departureTime=") + QString::number(time.departureTime),
        QStringLiteral("QAB_availabilitySearch_departureFormatted=") + time.formatted,
        QStringLiteral("QAB_availabilitySearch_departureBookLeadFormatted=200506120000"),
        QStringLiteral("QAB_passengerForm_selfTravelling=true"),
        QStringLiteral("QAB_passengerForm_promoCode="),
        QStringLiteral("QAB_availabilitySearch_departureCity=") + escapeQueryBreakers(itinerary.origin.code),
        QStringLiteral("QAB_availabilitySearch_departureMonthYear=") + m + QLatin1Char(',') + y,
        QStringLiteral("QAB_availabilitySearch_departureDay=") + QString::number(day),
        QStringLiteral("QAB_availabilitySearch_departureHour=Morning"),
        QStringLiteral("QAB_availabilitySearch_arrivalCity=") + escapeQueryBreakers(itinerary.destination.code),
        QStringLiteral("QAB_passengerForm_numberOfAdultPassengers=") + QString::number(itinerary.adults),
        QStringLiteral("QAB_passengerForm_numberOfChildPassengers=0"),
        QStringLiteral("QAB_passengerForm_numberOfInfantPassengers=0"),
    };
    return base + kAwardBookingPath + QLatin1Char('?') + params.join(QLatin1Char('&'));
}

} // namespace zelvane
