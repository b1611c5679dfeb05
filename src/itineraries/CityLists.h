#pragma once

#include "app/WholeFile.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

// The airline's city names and codes, line n of one belonging to line n of the
// other. The lists come from "City.txt" and "City Code.txt" at start-up; the web
// lists are cut out of the airline's booking page, and a web list that has
// grown past its list is written back to its file and becomes the list, so
// that memory and files never disagree.
class CityLists {
public:
    explicit CityLists(QString dataFolder = QString());

    void setDataFolder(const QString& folder) { dataFolder_ = folder; }

    // Start-up load; each line trimmed, empty lines kept.
    void load();

    QStringList names;    // city names, as "City.txt" holds them
    QStringList codes;    // city codes, as "City Code.txt" holds them
    QStringList webNames; // from the last page read
    QStringList webCodes;

    void takeCityNames(const QString& cName) { splitInto(cName, webNames); }
    void takeCityCodes(const QString& cCode) { splitInto(cCode, webCodes); }
    FileWrite saveCityNames() const;
    FileWrite saveCityCodes() const;

    // Cuts the two arrays out of a page's markup into the web lists and saves
    // each one that is longer than its start-up list. Returns whether both
    // arrays were found.
    bool readCitiesFromMarkup(const QString& markup);
    // Why the last read's longer lists were not kept; empty when they were.
    const QString& saveProblem() const { return saveProblem_; }

    // The code of the city shown at `index` of a drop-down filled from the
    // names. A drop-down filled before the files were rewritten may show
    // another list; its entry is then found by name. Empty optional when the
    // city has no code.
    std::optional<QString> codeFor(const QString& name, int index) const;

    // Grows by one each time the lists in memory change after start-up, so
    // that what shows them knows to refill.
    int revision() const { return revision_; }

    QString cityFilePath() const;
    QString cityCodeFilePath() const;

private:
    static void splitInto(const QString& text, QStringList& list);
    QString dataFolder_;
    QString saveProblem_;
    int revision_ = 0;
};

// The text between an array's opening marker and the next ");": starts
// `offset` characters after the marker's position. Empty optional when the
// marker is not in the markup or no ");" follows it.
std::optional<QString> cutArrayText(const QString& markup, const QString& marker, int offset);

inline const QString kNamesMarker = QStringLiteral("departureValues=new Array(");
inline constexpr int kNamesOffset = 26;
inline const QString kCodesMarker = QStringLiteral("var departureKeys=new Array");
inline constexpr int kCodesOffset = 28;

} // namespace zelvane
