#include "itineraries/WatchList.h"

#include "itineraries/WatchListFile.h"

#include "app/DataFolder.h"
#include "app/TextFile.h"

#include <QDir>
#include <utility>

namespace zelvane {

WatchList::WatchList(QString dataFolder, QObject* parent) : QObject(parent), dataFolder_(std::move(dataFolder)) {}

QString WatchList::filePath() const
{
    return QDir(dataFolder_).filePath(kQueryFile);
}

void WatchList::load()
{
    entries_.clear();
    if (const auto read = readTextLines(filePath())) {
        for (const QString& raw : *read) {
            const QString line = raw.trimmed();
            if (line.isEmpty())
                continue;
            ReadLine r = readItineraryLine(line);
            entries_.append({line, std::move(r.itinerary), std::move(r.problem), std::move(r.dateField)});
        }
    }
    emit reset();
}

FileWrite WatchList::save() const
{
    QStringList out;
    for (const Entry& e : entries_)
        out << e.line;
    return writeTextFile(filePath(), out);
}

const Itinerary& WatchList::at(int position) const
{
    static const Itinerary none;
    return position >= 1 && position <= count() ? entries_[position - 1].itinerary : none;
}

QString WatchList::problem(int position) const
{
    return position >= 1 && position <= count() ? entries_[position - 1].problem : QString();
}

QString WatchList::datesText(int position) const
{
    if (position < 1 || position > count())
        return {};
    const Entry& e = entries_[position - 1];
    return e.problem.isEmpty() ? e.itinerary.datesText() : e.dateField;
}

QStringList WatchList::problems() const
{
    QStringList told;
    for (int p = 1; p <= count(); ++p)
        if (!readable(p))
            told << QStringLiteral("Itinerary #%1 of %2 cannot be read (%3): the line is kept as it is "
                                   "and not checked")
                        .arg(QString::number(p), kQueryFile, problem(p));
    return told;
}

void WatchList::add(const Itinerary& itinerary)
{
    entries_.append({itineraryLine(itinerary), itinerary, QString(), dateText(itinerary.date)});
    emit added(count());
}

void WatchList::removeAt(int position)
{
    if (position < 1 || position > count())
        return;
    entries_.removeAt(position - 1);
    emit removed(position);
}

void WatchList::clear()
{
    entries_.clear();
    emit reset();
}

bool WatchList::setHold(int position, bool paused, const QDate& snoozedUntil)
{
    if (position < 1 || position > count() || !readable(position))
        return false;
    Entry& e = entries_[position - 1];
    e.itinerary.paused = paused;
    e.itinerary.snoozedUntil = snoozedUntil;
    e.line = lineWithHold(e.line, e.itinerary);
    emit held(position);
    return true;
}

int WatchList::positionOf(const QString& identity) const
{
    for (int p = 1; p <= count(); ++p)
        if (readable(p) && at(p).identity() == identity)
            return p;
    return 0;
}

int WatchList::searchesPerCheck() const
{
    int searches = 0;
    for (int p = 1; p <= count() && p <= kMaxItineraries; ++p)
        if (readable(p) && !at(p).paused)
            searches += at(p).searches();
    return searches;
}

} // namespace zelvane
