// A watch-list line comes from a file anyone can edit and from the airline's
// city codes: whatever it holds, a search is made only for a line that reads
// as an itinerary, and its address always carries the search form's
// parameters, each once and in its place, so a field can never add, drop or
// cut one off.
#include "engine/AwardQuery.h"
#include "itineraries/WatchListFile.h"

#include <QDate>
#include <cstddef>
#include <cstdint>

using namespace zelvane;

namespace {

const QString kBase = QStringLiteral("https://127.0.0.1:8443");

QStringList keysOf(const QStringList& params)
{
    QStringList keys;
    for (const QString& p : params)
        keys << p.section(QLatin1Char('='), 0, 0);
    return keys;
}

QString valueOf(const QStringList& params, const QString& key)
{
    for (const QString& p : params)
        if (p.section(QLatin1Char('='), 0, 0) == key)
            return p.section(QLatin1Char('='), 1);
    return {};
}

// A plain decimal as the booking servlet wants it: no sign, no leading zero.
int plainNumber(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || QString::number(v) != text || v <= 0)
        __builtin_trap();
    return v;
}

void checkAddress(const QString& url, const QStringList& keys, const QDate& date)
{
    const QString prefix = kBase + kAwardBookingPath + QLatin1Char('?');
    if (!url.startsWith(prefix) || url.contains(QLatin1Char('#')))
        __builtin_trap();
    const QStringList params = url.mid(prefix.size()).split(QLatin1Char('&'));
    if (keysOf(params) != keys)
        __builtin_trap();

    const int year = plainNumber(valueOf(params, QStringLiteral("QAB_availabilitySearch_departureYear")));
    const int month = plainNumber(valueOf(params, QStringLiteral("QAB_availabilitySearch_departureMonth")));
    const int day = plainNumber(valueOf(params, QStringLiteral("QAB_availabilitySearch_departureDay")));
    if (QDate(year, month, day) != date)
        __builtin_trap();

    // Any time text searches with the two values of one offered choice.
    const QString time = valueOf(params, QStringLiteral("QAB_availabilitySearch_departureTime"));
    const QString formatted = valueOf(params, QStringLiteral("QAB_availabilitySearch_departureFormatted"));
    bool known = false;
    for (const QString& choice : timeOfDayChoices()) {
        const auto row = timeOfDayRow(choice);
        known = known || (row && QString::number(row->departureTime) == time && row->formatted == formatted);
    }
    if (!known)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Itinerary kSample = readItineraryLine(QStringLiteral("Sydney;London;25/12/2006;Evening;SYD;LON")).itinerary;
    static const QStringList kKeys =
        keysOf(awardSearchUrl(kBase, kSample, kSample.date).section(QLatin1Char('?'), 1).split(QLatin1Char('&')));

    const ReadLine read = readItineraryLine(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!read.problem.isEmpty())
        return 0;
    // A return journey searches its way back too, each leg as a one-way flight.
    const QList<Itinerary::Search> searches = read.itinerary.plannedSearches();
    if (searches.size() != read.itinerary.searches())
        __builtin_trap();
    for (const Itinerary::Search& search : searches)
        checkAddress(awardSearchUrl(kBase, read.itinerary.leg(search.leg), search.date), kKeys, search.date);
    return 0;
}
