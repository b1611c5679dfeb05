#include "results/AnnouncedSeats.h"

#include "app/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zelvane {

namespace {

const QString kSeats = QStringLiteral("seats");
const QString kNoSeats = QStringLiteral("no seats");

} // namespace

QString AnnouncedSeats::filePath() const
{
    return QDir(folder_).filePath(kAnnouncedFile);
}

void AnnouncedSeats::load()
{
    told_.clear();
    QFile file(filePath());
    if (folder_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    readJson(file.readAll());
}

void AnnouncedSeats::readJson(const QByteArray& json)
{
    const QJsonArray entries = QJsonDocument::fromJson(json).object().value(QStringLiteral("told")).toArray();
    for (const QJsonValue& v : entries) {
        const QJsonObject o = v.toObject();
        const ItineraryKey key{o.value(QStringLiteral("origin")).toString(), o.value(QStringLiteral("destination")).toString(),
                               o.value(QStringLiteral("date")).toString(),   o.value(QStringLiteral("time")).toString(),
                               o.value(QStringLiteral("cabin")).toString(),  o.value(QStringLiteral("adults")).toInt(1),
                               o.value(QStringLiteral("watch")).toString()};
        const QString said = o.value(QStringLiteral("told")).toString();
        if (said == kSeats || said == kNoSeats)
            told_.insert(key, said == kSeats ? Availability::Seats : Availability::NoSeats);
    }
}

QByteArray AnnouncedSeats::toJson(const QDate& today) const
{
    QJsonArray entries;
    for (auto it = told_.cbegin(); it != told_.cend(); ++it) {
        const ItineraryKey& k = it.key();
        // A flight that has left needs no memory.
        const QDate date = QDate::fromString(k.date, QStringLiteral("dd/MM/yyyy"));
        if (date.isValid() && date < today)
            continue;
        QJsonObject entry{{QStringLiteral("origin"), k.origin},
                          {QStringLiteral("destination"), k.destination},
                          {QStringLiteral("date"), k.date},
                          {QStringLiteral("time"), k.time},
                          {QStringLiteral("cabin"), k.cabin},
                          {QStringLiteral("adults"), k.adults},
                          {QStringLiteral("told"), it.value() == Availability::Seats ? kSeats : kNoSeats}};
        if (!k.watch.isEmpty())
            entry.insert(QStringLiteral("watch"), k.watch);
        entries.append(entry);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("told"), entries}}).toJson(QJsonDocument::Indented);
}

bool AnnouncedSeats::save(const QDate& today)
{
    return saveText(toJson(today)).isEmpty();
}

QString AnnouncedSeats::saveText(const QByteArray& json)
{
    if (folder_.isEmpty())
        return QStringLiteral("no data folder");
    // The trips the user watches are theirs alone; a full disk leaves what
    // was remembered before whole.
    const FileWrite written = writeWholeFile(filePath(), json, QStringLiteral("the data folder"));
    lastProblem_ = written.reason;
    return written.reason;
}

void AnnouncedSeats::loadJson(const QByteArray& json)
{
    told_.clear();
    readJson(json);
}

std::optional<Availability> AnnouncedSeats::told(const ItineraryKey& key) const
{
    if (const auto it = told_.constFind(key); it != told_.constEnd())
        return *it;
    ItineraryKey older = key;
    older.watch.clear();
    if (const auto it = told_.constFind(older); it != told_.constEnd())
        return *it;
    return std::nullopt;
}

AnnouncedSeats::News AnnouncedSeats::news(const ItineraryKey& key, Availability now,
                                          std::optional<CheckOutcome> lastChecked) const
{
    std::optional<Availability> last = told(key);
    if (!last && lastChecked && wasChecked(*lastChecked))
        last = *lastChecked == CheckOutcome::Available ? Availability::Seats : Availability::NoSeats;
    News news;
    news.opening = now == Availability::Seats && last != Availability::Seats;
    // A first answer after none known is news only when it is seats.
    news.changed = now != Availability::NotKnown && (last ? *last != now : now == Availability::Seats);
    return news;
}

void AnnouncedSeats::markNews(QList<CheckRecord>& checks, const HistoryStore& history) const
{
    QList<ItineraryKey> keys;
    for (const CheckRecord& c : checks)
        keys << c.key;
    const QList<std::optional<CheckOutcome>> before = history.lastCheckedOutcomes(keys);
    for (qsizetype i = 0; i < checks.size(); ++i) {
        const CheckOutcome o = checks[i].outcome;
        const Availability now = o == CheckOutcome::Available      ? Availability::Seats
                                 : o == CheckOutcome::NotAvailable ? Availability::NoSeats
                                                                   : Availability::NotKnown;
        const News n = news(checks[i].key, now, before[i]);
        checks[i].opening = n.opening;
        checks[i].changed = n.changed;
    }
}

void AnnouncedSeats::remember(const ItineraryKey& key, Availability told)
{
    if (told != Availability::NotKnown)
        told_.insert(key, told);
}

void AnnouncedSeats::holdBack(const ItineraryKey& key)
{
    if (!told(key))
        told_.insert(key, Availability::NoSeats);
}

} // namespace zelvane
