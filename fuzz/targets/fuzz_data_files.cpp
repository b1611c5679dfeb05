// "Query.txt" and the city files may be edited by hand or come from another
// system: whatever bytes they hold, they split into lines without line ends,
// the watch list keeps only trimmed non-empty lines and shows at most the
// table's 100, and what the program writes back reads back the same.
#include "app/DataFolder.h"
#include "app/TextFile.h"
#include "results/ResultTable.h"
#include "itineraries/CityLists.h"
#include "itineraries/ItineraryStore.h"
#include "results/ResultsViewModel.h"
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
    for (const QString& l : *lines)
        if (l.contains(QLatin1Char('\n')))
            __builtin_trap();

    ItineraryStore store(fuzzFolder());
    store.load();
    for (const QString& l : store.lines())
        if (l.isEmpty() || l != l.trimmed())
            __builtin_trap();
    ResultsViewModel view;
    ResultTable table;
    view.refreshResults(store, table);
    if (view.count() != std::min(store.count(), kMaxItineraries))
        __builtin_trap();
    for (int i = 1; i <= view.count(); ++i)
        if (view.row(i).cells != itineraryCells(store.line(i)))
            __builtin_trap();

    if (!store.save())
        __builtin_trap();
    ItineraryStore reread(fuzzFolder());
    reread.load();
    if (reread.lines() != store.lines())
        __builtin_trap();

    CityLists cities(fuzzFolder());
    cities.load();
    if (cities.names.size() != lines->size() || cities.codes != cities.names)
        __builtin_trap();
    if (!writeTextLines(cities.cityFilePath(), cities.names))
        __builtin_trap();
    CityLists again(fuzzFolder());
    again.load();
    if (again.names != cities.names)
        __builtin_trap();
    return 0;
}
