#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvane {

// The airline's city names and codes, line n of one belonging to line n of the
// other. The start-up lists come from "City.txt" and "City Code.txt"; the web
// lists are cut out of the airline's booking page, and a web list that has
// grown past its start-up list is written back to its file.
class CityLists {
public:
    explicit CityLists(QString dataFolder = QString());

    void setDataFolder(const QString& folder) { dataFolder_ = folder; }

    // Start-up load; each line trimmed, empty lines kept.
    void load();

    QStringList names;    // start-up city names
    QStringList codes;    // start-up city codes
    QStringList webNames; // from the last page read
    QStringList webCodes;

    void FillcollCity(const QString& cName) { splitInto(cName, webNames); }
    void FillcollCityCode(const QString& cCode) { splitInto(cCode, webCodes); }
    bool SaveCityList() const;
    bool SaveCityCodeList() const;

    // Cuts the two arrays out of a page's markup into the web lists and saves
    // each one that is longer than its start-up list. Returns whether both
    // arrays were found.
    bool FillCityfromMarkup(const QString& markup);

    QString cityFilePath() const;
    QString cityCodeFilePath() const;

private:
    static void splitInto(const QString& text, QStringList& list);
    QString dataFolder_;
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
