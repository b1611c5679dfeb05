#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>

namespace zelvane {

class CityLists;

// The watch list never shows, checks or stores results for more than this.
inline constexpr int kMaxItineraries = 100;

// The six cells of an itinerary line: origin, destination, date, time, origin
// code, destination code. Missing fields are empty, fields after the sixth are
// dropped.
using ItineraryCells = std::array<QString, 6>;
ItineraryCells itineraryCells(const QString& line);

// The cabin an itinerary wants seats in, the seventh field of its line
// ("...;SYD;LHR;Business"). Any is written as no seventh field at all, so a
// list that never chose a cabin keeps its six-field lines.
enum class Cabin { Any, Economy, Business, First };
const QStringList& cabinNames(); // in Cabin order: "Any", "Economy", "Business", "First"
QString cabinName(Cabin cabin);
// Any letter case, blanks around it allowed; anything else is Any.
Cabin cabinFromName(const QString& name);
Cabin cabinOfLine(const QString& line);

// What the itinerary panel has chosen when the user adds an itinerary.
// A list position is -1 when nothing is selected.
struct ItineraryChoice {
    QString origin;
    int originIndex = -1;
    QString destination;
    int destinationIndex = -1;
    QDate date;
    QString timeText;
    Cabin cabin = Cabin::Any;
};

// The watch list: one trimmed, non-empty text line per itinerary, in order,
// mirrored by "Query.txt" in the data folder. Positions count from 1.
class ItineraryStore {
public:
    explicit ItineraryStore(QString dataFolder = QString());

    void setDataFolder(const QString& folder) { dataFolder_ = folder; }
    QString filePath() const;

    // Start-up load; a missing file leaves the list empty and creates nothing.
    void load();
    // Rewrites "Query.txt" from the list. A hand-edited file may hold more
    // than the program shows; all of it is written back.
    bool save() const;

    // Composes the line from the panel's choices and appends it; false (and
    // nothing appended) when a part is missing.
    bool add(const ItineraryChoice& choice, const CityLists& cities);

    int count() const { return lines_.size(); }
    // The line at 1-based position, empty when there is none.
    QString line(int position) const;
    void removeAt(int position);
    void clear() { lines_.clear(); }
    void append(const QString& line);
    const QStringList& lines() const { return lines_; }

private:
    QString dataFolder_;
    QStringList lines_;
};

} // namespace zelvane
