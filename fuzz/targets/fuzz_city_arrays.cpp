// The account page is the airline's: whatever its markup holds, the two
// arrays are cut without harm, a list is saved exactly when it has grown, and
// a saved file reads back at the next start as the same list that the program
// now holds in memory, so line n of the names still belongs to line n of the
// codes.
#include "itineraries/CityLists.h"
#include "FuzzFolder.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

using namespace zelvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    CityLists cities(fuzzFolder());
    QFile::remove(cities.cityFilePath());
    QFile::remove(cities.cityCodeFilePath());
    // Start-up lists of any length, so the save rule is met both ways.
    cities.names = QStringList(data[0] % 32, QStringLiteral("Adelaide"));
    cities.codes = QStringList(data[1] % 32, QStringLiteral("ADL"));
    const qsizetype namesBefore = cities.names.size(), codesBefore = cities.codes.size();
    const QString markup =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    const bool both = cities.readCitiesFromMarkup(markup);
    if (both && !(markup.contains(kNamesMarker) && markup.contains(kCodesMarker)))
        __builtin_trap();
    if ((!cities.webNames.isEmpty() && !markup.contains(kNamesMarker))
        || (!cities.webCodes.isEmpty() && !markup.contains(kCodesMarker)))
        __builtin_trap();

    CityLists next(fuzzFolder());
    next.load();
    const auto saved = [](const QString& path, const QStringList& web, qsizetype before,
                          const QStringList& inMemory, const QStringList& readBack) {
        if (QFile::exists(path) != (web.size() > before))
            __builtin_trap();
        if (QFile::exists(path) && (readBack != web || inMemory != web))
            __builtin_trap();
    };
    saved(cities.cityFilePath(), cities.webNames, namesBefore, cities.names, next.names);
    saved(cities.cityCodeFilePath(), cities.webCodes, codesBefore, cities.codes, next.codes);
    return 0;
}
