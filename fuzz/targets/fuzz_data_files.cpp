// "Query.txt" and the city files may be edited by hand or come from another
// system: whatever bytes they hold, they split into lines without line ends,
// the watch list reads each trimmed non-empty line once, keeps one it cannot
// read as it stands, writes back exactly what it read, and what it composes
// for an itinerary reads back as the same itinerary.
#include "app/DataFolder.h"
#include "app/TextFile.h"
#include "itineraries/CityLists.h"
#include "itineraries/WatchList.h"
#include "itineraries/WatchListFile.h"
#include "FuzzFolder.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

using namespace zelvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDir dir(fuzzFolder());
    for (const QString& name : {kQueryFile, kCityFile, kCityCodeFile}) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            return 0;
    }

    const std::optional<QStringList> lines = readTextLines(dir.filePath(kQueryFile));
    if (!lines)
        __builtin_trap();
    // A CR before the CR LF stays (the trim of each reader takes it), but no
    // line may carry a line feed.
    QStringList kept;
    for (const QString& l : *lines) {
        if (l.contains(QLatin1Char('\n')))
            __builtin_trap();
        if (!l.trimmed().isEmpty())
            kept << l.trimmed();
    }

    WatchList list(fuzzFolder());
    list.load();
    if (list.count() != kept.size())
        __builtin_trap();
    for (int p = 1; p <= list.count(); ++p) {
        const ReadLine again = readItineraryLine(kept[p - 1]);
        if (!(again.itinerary == list.at(p)) || again.problem != list.problem(p))
            __builtin_trap();
        if (list.readable(p) && !(readItineraryLine(itineraryLine(list.at(p))).itinerary == list.at(p)))
            __builtin_trap();
    }

    if (!list.save())
        __builtin_trap();
    const std::optional<QStringList> written = readTextLines(dir.filePath(kQueryFile));
    if (!written || *written != kept)
        __builtin_trap();

    CityLists cities(fuzzFolder());
    cities.load();
    if (cities.names.size() != lines->size() || cities.codes != cities.names)
        __builtin_trap();
    if (!writeTextFile(cities.cityFilePath(), cities.names))
        __builtin_trap();
    CityLists again(fuzzFolder());
    again.load();
    if (again.names != cities.names)
        __builtin_trap();
    return 0;
}
