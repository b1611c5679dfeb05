#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace zelvane {

class CityLists;

// The watch list never shows, checks or stores results for more than this.
inline constexpr int kMaxItineraries = 100;
// The airline takes no more award searches than this in one session.
inline constexpr int kMaxSearchesPerCheck = 100;

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

// After the cabin come the adults travelling together (the eighth field) and
// the days after the date that are searched too (the ninth). A line carries
// only the fields up to the last one that is not its default, so 1 adult on
// the exact date writes neither. Anything unreadable or out of range reads
// as the default.
inline constexpr int kMaxAdults = 9;
inline constexpr int kMaxExtraDays = 6;
int adultsOfLine(const QString& line);    // 1 ... kMaxAdults
int extraDaysOfLine(const QString& line); // 0 ... kMaxExtraDays
QString adultsText(int adults);           // "1 adult", "2 adults"
// The date cell as the lists show it: "25/12/2026", or "25/12/2026 +3" with
// three days after it.
QString datesText(const QString& dateCell, int extraDays);
// What seats the itinerary asks for: "1 adult", "2 adults, Business".
QString seatsText(int adults, Cabin cabin);
// Only what differs from one seat in any cabin: "", "Business", "2 adults",
// "2 adults, Business"; for texts that were written before either choice.
QString seatsChoiceText(int adults, Cabin cabin);

// The date cell read as the award search reads it: day/month/year, leading
// zeros optional, a four-digit year. Nothing when it is no real date.
std::optional<QDate> departureDate(const QString& dateCell);
// The date cell of each award search: the itinerary's own cell as written,
// then each extra day as dd/mm/yyyy. Only the cell when it is no real date,
// whose one search cannot be made.
QStringList searchedDateCells(const QString& dateCell, int extraDays);
// Each departure date is one award search.
inline int searchesFor(int extraDays) { return 1 + extraDays; }
int searchesOfLine(const QString& line);
QString searchCountText(int searches); // "1 search", "34 searches"

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
    int adults = 1;
    int extraDays = 0;
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
    // The award searches of one check: those of the itineraries a session
    // goes through.
    int searchesPerCheck() const;

private:
    QString dataFolder_;
    QStringList lines_;
};

} // namespace zelvane
