#include "itineraries/WatchListFile.h"

#include <QStringList>
#include <algorithm>
#include <utility>
#include <optional>

namespace zelvane {

namespace {

constexpr int kFieldsNeeded = 6;
const QChar kSeparator = QLatin1Char(';');
const QString kWholeTrip = QStringLiteral("trip");
const QChar kCitySeparator = QLatin1Char('|');
const QChar kCodeSeparator = QLatin1Char('/');

// "Newcastle/NTL|Maitland/MTL": the code after a name's last "/", so a name
// may hold one ("Dallas/Fort Worth/DFW"). Nothing when a city has no code.
std::optional<QList<City>> readCities(const QString& field)
{
    QList<City> cities;
    if (field.trimmed().isEmpty())
        return cities;
    for (const QString& part : field.split(kCitySeparator)) {
        const qsizetype at = part.lastIndexOf(kCodeSeparator);
        const QString code = at < 0 ? QString() : part.mid(at + 1).trimmed();
        if (code.isEmpty())
            return std::nullopt;
        cities.append({part.left(at), code});
    }
    return cities;
}

QString citiesField(const QList<City>& cities)
{
    QStringList parts;
    for (const City& c : cities)
        parts << c.name + kCodeSeparator + c.code;
    return parts.join(kCitySeparator);
}
const QString kFewerThanParty = QStringLiteral("fewer");
const QString kPaused = QStringLiteral("paused");
// Fields 17 to 20 are the legs' stops and hours.
constexpr int kPausedField = 21;
constexpr int kSnoozeField = 22;

// The number in a field within [low, high]; anything else is the default.
int numberField(const QStringList& fields, int index, int low, int high, int fallback)
{
    bool ok = false;
    const int n = fields.value(index).trimmed().toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

// Stops: "" any, "0" direct only, "2" at most two; nothing when unreadable.
std::optional<int> readStops(const QString& field)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return -1;
    bool ok = false;
    const int n = t.toInt(&ok);
    return ok && n >= 0 && n <= 9 ? std::optional<int>(n) : std::nullopt;
}

QString stopsField(int maxStops)
{
    return maxStops < 0 ? QString() : QString::number(maxStops);
}

const QString kHoursFormat = QStringLiteral("HH:mm");

// Hours: "07:00-12:00", "" any; nothing when unreadable.
std::optional<std::pair<QTime, QTime>> readHours(const QString& field)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return std::pair<QTime, QTime>{};
    const QStringList ends = t.split(QLatin1Char('-'));
    if (ends.size() != 2)
        return std::nullopt;
    const QTime from = QTime::fromString(ends[0].trimmed(), QStringLiteral("H:mm"));
    const QTime to = QTime::fromString(ends[1].trimmed(), QStringLiteral("H:mm"));
    if (!from.isValid() || !to.isValid())
        return std::nullopt;
    return std::pair{from, to};
}

QString hoursField(const LegFilter& f)
{
    return f.hasWindow() ? f.earliest.toString(kHoursFormat) + QLatin1Char('-') + f.latest.toString(kHoursFormat)
                         : QString();
}

// The flights chosen for a leg from its two fields; nothing when either
// cannot be read, so a watch is never told of flights the user left out.
std::optional<LegFilter> readLegFilter(const QStringList& fields, int stopsAt)
{
    const std::optional<int> stops = readStops(fields.value(stopsAt));
    const auto hours = readHours(fields.value(stopsAt + 1));
    if (!stops || !hours)
        return std::nullopt;
    return LegFilter{*stops, hours->first, hours->second};
}

} // namespace

std::optional<QDate> readDate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 3)
        return std::nullopt;
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts[0].trimmed().toInt(&okDay);
    const int month = parts[1].trimmed().toInt(&okMonth);
    const QString year = parts[2].trimmed();
    const QDate date(year.toInt(&okYear), month, day);
    if (!okDay || !okMonth || !okYear || year.size() != 4 || !year.front().isDigit() || !date.isValid())
        return std::nullopt;
    return date;
}

ReadLine readItineraryLine(const QString& line)
{
    const QStringList f = line.split(kSeparator);
    ReadLine read;
    Itinerary& it = read.itinerary;
    it.origin = {f.value(0), f.value(4)};
    it.destination = {f.value(1), f.value(5)};
    it.timeOfDay = f.value(3);
    it.cabin = cabinFromName(f.value(6));
    it.adults = numberField(f, 7, 1, kMaxAdults, 1);
    it.extraDays = numberField(f, 8, 0, kMaxExtraDays, 0);
    // A hand-made line asking for more days than a watch may have keeps the
    // days after, which older copies read too.
    it.daysBefore = std::min(numberField(f, 9, 0, kMaxDaysBefore, 0), kMaxFlexibleDays - 1 - it.extraDays);
    const std::optional<QDate> date = readDate(f.value(2));
    it.date = date.value_or(QDate());
    read.dateField = f.value(2);
    const QString returnField = f.value(10).trimmed();
    const std::optional<QDate> returnDate = readDate(returnField);
    if (returnDate) {
        it.returnDate = *returnDate;
        it.returnExtraDays = numberField(f, 11, 0, kMaxExtraDays, 0);
        it.returnDaysBefore =
            std::min(numberField(f, 12, 0, kMaxDaysBefore, 0), kMaxFlexibleDays - 1 - it.returnExtraDays);
        it.wholeTripOnly = f.value(13).trimmed().compare(kWholeTrip, Qt::CaseInsensitive) == 0;
    }
    const std::optional<QList<City>> moreOrigins = readCities(f.value(14));
    const std::optional<QList<City>> moreDestinations = readCities(f.value(15));
    it.moreOrigins = moreOrigins.value_or(QList<City>()).mid(0, kMaxCitiesEachEnd - 1);
    it.moreDestinations = moreDestinations.value_or(QList<City>()).mid(0, kMaxCitiesEachEnd - 1);
    it.fewerThanParty = f.value(16).trimmed().compare(kFewerThanParty, Qt::CaseInsensitive) == 0;
    const std::optional<LegFilter> outbound = readLegFilter(f, 17);
    const std::optional<LegFilter> back = returnDate ? readLegFilter(f, 19) : LegFilter{};
    it.outboundFlights = outbound.value_or(LegFilter{});
    it.returnFlights = back.value_or(LegFilter{});
    it.paused = f.value(kPausedField).trimmed().compare(kPaused, Qt::CaseInsensitive) == 0;
    // A snooze that cannot be read tells rather than stays quiet.
    it.snoozedUntil = readDate(f.value(kSnoozeField)).value_or(QDate());
    if (f.size() < kFieldsNeeded)
        read.problem = QStringLiteral("it has %1 of the six fields an itinerary needs").arg(f.size());
    else if (!date)
        read.problem = QStringLiteral("its date \"%1\" is no day of the calendar").arg(f.value(2));
    else if (!returnField.isEmpty() && !returnDate)
        // Never watched as one way: the user asked for a way back.
        read.problem = QStringLiteral("its return date \"%1\" is no day of the calendar").arg(returnField);
    else if (it.origin.code.trimmed().isEmpty() || it.destination.code.trimmed().isEmpty())
        read.problem = QStringLiteral("it has no city code");
    else if (!moreOrigins || !moreDestinations)
        // Never watched from fewer airports than the user asked for.
        read.problem = QStringLiteral("a nearby airport in it has no city code");
    else if (!outbound)
        read.problem = QStringLiteral("its outbound stops \"%1\" or hours \"%2\" cannot be read")
                           .arg(f.value(17).trimmed(), f.value(18).trimmed());
    else if (!back)
        read.problem = QStringLiteral("its return stops \"%1\" or hours \"%2\" cannot be read")
                           .arg(f.value(19).trimmed(), f.value(20).trimmed());
    else
        read.problem = it.routeProblem();
    return read;
}

QString itineraryLine(const Itinerary& it)
{
    QStringList fields = {it.origin.name, it.destination.name, dateText(it.date), it.timeOfDay,
                          it.origin.code, it.destination.code};
    // Each later field with its default; defaults at the end are left out,
    // so older copies read the same line and a line they wrote reads back
    // as it was.
    const QList<std::pair<QString, QString>> options = {
        {cabinName(it.cabin), cabinName(Cabin::Any)},
        {QString::number(it.adults), QStringLiteral("1")},
        {QString::number(it.extraDays), QStringLiteral("0")},
        {QString::number(it.daysBefore), QStringLiteral("0")},
        {it.isReturn() ? dateText(it.returnDate) : QString(), QString()},
        {QString::number(it.returnExtraDays), QStringLiteral("0")},
        {QString::number(it.returnDaysBefore), QStringLiteral("0")},
        {it.wholeTripOnly ? kWholeTrip : QString(), QString()},
        {citiesField(it.moreOrigins), QString()},
        {citiesField(it.moreDestinations), QString()},
        {it.fewerThanParty ? kFewerThanParty : QString(), QString()},
        {stopsField(it.outboundFlights.maxStops), QString()},
        {hoursField(it.outboundFlights), QString()},
        {stopsField(it.returnFlights.maxStops), QString()},
        {hoursField(it.returnFlights), QString()},
        {it.paused ? kPaused : QString(), QString()},
        {it.snoozedUntil.isValid() ? dateText(it.snoozedUntil) : QString(), QString()},
    };
    qsizetype needed = options.size();
    while (needed > 0 && options[needed - 1].first == options[needed - 1].second)
        --needed;
    for (qsizetype i = 0; i < needed; ++i)
        fields << options[i].first;
    return fields.join(kSeparator);
}

QString lineWithHold(const QString& line, const Itinerary& it)
{
    // Only the two fields of the pause and the snooze change: whatever else
    // the line holds, a newer copy's fields too, stays as written.
    QStringList fields = line.split(kSeparator);
    while (fields.size() <= kSnoozeField)
        fields << QString();
    fields[kPausedField] = it.paused ? kPaused : QString();
    fields[kSnoozeField] = it.snoozedUntil.isValid() ? dateText(it.snoozedUntil) : QString();
    // Empty fields at the end say nothing: a resumed line reads as before its pause.
    while (fields.size() > kFieldsNeeded && fields.last().isEmpty())
        fields.removeLast();
    return fields.join(kSeparator);
}

} // namespace zelvane
