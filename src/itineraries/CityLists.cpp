#include "itineraries/CityLists.h"

#include "app/DataFolder.h"
#include "app/TextFile.h"

#include <QDir>
#include <utility>

namespace zelvane {

std::optional<QString> cutArrayText(const QString& markup, const QString& marker, int offset)
{
    const qsizetype p = markup.indexOf(marker);
    if (p < 0)
        return std::nullopt;
    const qsizetype q = markup.indexOf(QLatin1String(");"), p + 1);
    const qsizetype start = p + offset;
    if (q < start)
        return std::nullopt;
    return markup.mid(start, q - start);
}

CityLists::CityLists(QString dataFolder) : dataFolder_(std::move(dataFolder)) {}

QString CityLists::cityFilePath() const
{
    return QDir(dataFolder_).filePath(kCityFile);
}

QString CityLists::cityCodeFilePath() const
{
    return QDir(dataFolder_).filePath(kCityCodeFile);
}

void CityLists::load()
{
    const auto loadInto = [](const QString& path, QStringList& list) {
        if (const auto lines = readTextLines(path))
            for (const QString& l : *lines)
                list << l.trimmed();
    };
    loadInto(cityFilePath(), names);
    loadInto(cityCodeFilePath(), codes);
}

void CityLists::splitInto(const QString& text, QStringList& list)
{
    if (text.isEmpty())
        return;
    for (QString piece : text.split(QLatin1Char(','))) {
        piece.remove(QLatin1Char('"'));
        // A line break inside an entry would put it on two lines of its file
        // and shift every later name off its code.
        piece.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        list << piece.trimmed();
    }
}

FileWrite CityLists::saveCityNames() const
{
    return writeTextFile(cityFilePath(), webNames);
}

FileWrite CityLists::saveCityCodes() const
{
    return writeTextFile(cityCodeFilePath(), webCodes);
}

bool CityLists::readCitiesFromMarkup(const QString& markup)
{
    const auto namesText = cutArrayText(markup, kNamesMarker, kNamesOffset);
    webNames.clear();
    if (namesText)
        takeCityNames(*namesText);
    const auto codesText = cutArrayText(markup, kCodesMarker, kCodesOffset);
    webCodes.clear();
    if (codesText)
        takeCityCodes(*codesText);
    saveProblem_.clear();
    // A list is taken only once its file holds it: memory and files agree.
    const auto keep = [this](const QStringList& web, QStringList& list, const FileWrite& saved) {
        if (!saved) {
            saveProblem_ = saved.reason;
            return;
        }
        list = web;
        ++revision_;
    };
    if (webNames.size() > names.size())
        keep(webNames, names, saveCityNames());
    if (webCodes.size() > codes.size())
        keep(webCodes, codes, saveCityCodes());
    return namesText && codesText;
}

std::optional<QString> CityLists::codeFor(const QString& name, int index) const
{
    qsizetype at = index;
    if (index < 0 || (index < names.size() && names[index] != name.trimmed()))
        at = names.indexOf(name.trimmed());
    if (at < 0 || at >= codes.size())
        return std::nullopt;
    return codes[at].trimmed();
}

} // namespace zelvane
