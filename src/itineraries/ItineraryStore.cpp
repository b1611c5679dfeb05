#include "itineraries/ItineraryStore.h"

#include "itineraries/CityLists.h"

#include "app/DataFolder.h"
#include "app/TextFile.h"

#include <QDir>
#include <algorithm>
#include <utility>

namespace zelvane {

ItineraryCells itineraryCells(const QString& line)
{
    ItineraryCells cells;
    const QStringList parts = line.split(QLatin1Char(';'));
    for (int i = 0; i < int(cells.size()) && i < parts.size(); ++i)
        cells[i] = parts[i];
    return cells;
}

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

Cabin cabinOfLine(const QString& line)
{
    return cabinFromName(line.section(QLatin1Char(';'), 6, 6));
}

namespace {

// The field at `index` (from 0) as a number within [low, high], or `fallback`.
int numberField(const QString& line, int index, int low, int high, int fallback)
{
    bool ok = false;
    const int n = line.section(QLatin1Char(';'), index, index).trimmed().toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

} // namespace

int adultsOfLine(const QString& line)
{
    return numberField(line, 7, 1, kMaxAdults, 1);
}

int extraDaysOfLine(const QString& line)
{
    return numberField(line, 8, 0, kMaxExtraDays, 0);
}

QString adultsText(int adults)
{
    return adults == 1 ? QStringLiteral("1 adult") : QStringLiteral("%1 adults").arg(adults);
}

QString datesText(const QString& dateCell, int extraDays)
{
    return extraDays > 0 ? dateCell + QStringLiteral(" +%1").arg(extraDays) : dateCell;
}

QString seatsText(int adults, Cabin cabin)
{
    return cabin == Cabin::Any ? adultsText(adults) : adultsText(adults) + QStringLiteral(", ") + cabinName(cabin);
}

QString seatsChoiceText(int adults, Cabin cabin)
{
    if (adults == 1)
        return cabin == Cabin::Any ? QString() : cabinName(cabin);
    return seatsText(adults, cabin);
}

std::optional<QDate> departureDate(const QString& dateCell)
{
    const QStringList parts = dateCell.split(QLatin1Char('/'));
    if (parts.size() != 3)
        return std::nullopt;
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts[0].trimmed().toInt(&okDay);
    const int month = parts[1].trimmed().toInt(&okMonth);
    const QString yearText = parts[2].trimmed();
    const int year = yearText.toInt(&okYear);
    // "06" is not 2006: a year has four digits.
    const bool fourDigits = yearText.size() == 4 && yearText.front().isDigit();
    const QDate date(year, month, day);
    if (!okDay || !okMonth || !okYear || !fourDigits || !date.isValid())
        return std::nullopt;
    return date;
}

QStringList searchedDateCells(const QString& dateCell, int extraDays)
{
    QStringList cells{dateCell};
    if (const std::optional<QDate> first = departureDate(dateCell))
        for (int d = 1; d <= extraDays; ++d)
            cells << first->addDays(d).toString(QStringLiteral("dd/MM/yyyy"));
    return cells;
}

int searchesOfLine(const QString& line)
{
    return searchesFor(extraDaysOfLine(line));
}

QString searchCountText(int searches)
{
    return searches == 1 ? QStringLiteral("1 search") : QStringLiteral("%1 searches").arg(searches);
}

ItineraryStore::ItineraryStore(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

QString ItineraryStore::filePath() const
{
    return QDir(dataFolder_).filePath(kQueryFile);
}

void ItineraryStore::load()
{
    const auto read = readTextLines(filePath());
    if (!read)
        return;
    for (const QString& raw : *read)
        append(raw);
}

bool ItineraryStore::save() const
{
    QStringList out;
    for (const QString& l : lines_) {
        const QString t = l.trimmed();
        if (!t.isEmpty())
            out << t;
    }
    return writeTextLines(filePath(), out);
}

bool ItineraryStore::add(const ItineraryChoice& c, const CityLists& cities)
{
    if (c.originIndex < 0 || c.destinationIndex < 0)
        return false;
    const std::optional<QString> originCode = cities.codeFor(c.origin, c.originIndex);
    const std::optional<QString> destinationCode = cities.codeFor(c.destination, c.destinationIndex);
    if (!originCode || !destinationCode || !c.date.isValid())
        return false;
    QStringList fields = {
        c.origin,
        c.destination,
        c.date.toString(QStringLiteral("dd/MM/yyyy")),
        c.timeText.trimmed(),
        *originCode,
        *destinationCode,
    };
    const int adults = std::clamp(c.adults, 1, kMaxAdults);
    const int extraDays = std::clamp(c.extraDays, 0, kMaxExtraDays);
    const QStringList options = {cabinName(c.cabin), QString::number(adults), QString::number(extraDays)};
    // Defaults at the end are left out: older copies read the same line.
    const int needed = extraDays != 0 ? 3 : adults != 1 ? 2 : c.cabin != Cabin::Any ? 1 : 0;
    fields << options.mid(0, needed);
    append(fields.join(QLatin1Char(';')));
    return true;
}

QString ItineraryStore::line(int position) const
{
    return position >= 1 && position <= lines_.size() ? lines_[position - 1] : QString();
}

int ItineraryStore::searchesPerCheck() const
{
    int searches = 0;
    for (qsizetype i = 0; i < lines_.size() && i < kMaxItineraries; ++i)
        searches += searchesOfLine(lines_[i]);
    return searches;
}

void ItineraryStore::removeAt(int position)
{
    if (position >= 1 && position <= lines_.size())
        lines_.removeAt(position - 1);
}

void ItineraryStore::append(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.isEmpty())
        lines_ << t;
}

} // namespace zelvane
