#include "itineraries/ItineraryStore.h"

#include "itineraries/CityLists.h"

#include "app/DataFolder.h"
#include "app/TextFile.h"

#include <QDir>
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
    if (c.cabin != Cabin::Any)
        fields << cabinName(c.cabin);
    append(fields.join(QLatin1Char(';')));
    return true;
}

QString ItineraryStore::line(int position) const
{
    return position >= 1 && position <= lines_.size() ? lines_[position - 1] : QString();
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
