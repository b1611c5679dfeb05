#include "itineraries/Itinerary.h"

#include <QLocale>

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

QList<QDate> Itinerary::dates() const
{
    QList<QDate> days;
    if (!date.isValid())
        return days;
    for (int d = 0; d <= extraDays; ++d)
        days << date.addDays(d);
    return days;
}

QString Itinerary::datesText() const
{
    const QString first = dateText(date);
    return extraDays > 0 ? first + QStringLiteral(" +%1").arg(extraDays) : first;
}

QString Itinerary::seatsText() const
{
    return cabin == Cabin::Any ? adultsText(adults) : adultsText(adults) + QStringLiteral(", ") + cabinName(cabin);
}

QString Itinerary::seatsChoice() const
{
    if (adults == 1)
        return cabin == Cabin::Any ? QString() : cabinName(cabin);
    return seatsText();
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

QString adultsText(int adults)
{
    return adults == 1 ? QStringLiteral("1 adult") : QStringLiteral("%1 adults").arg(adults);
}

QString searchCountText(int searches)
{
    return searches == 1 ? QStringLiteral("1 search") : QStringLiteral("%1 searches").arg(searches);
}

} // namespace zelvane
