#pragma once

#include "app/WholeFile.h"
#include "itineraries/Itinerary.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace zelvane {

// The watch list: the itineraries in the user's order, positions counting
// from 1, mirrored by "Query.txt" in the data folder. Each line of the file
// is read once; a line that was never changed is written back as it was
// read, and one that cannot be read as an itinerary is kept as it stands,
// shown with its reason and never searched.
class WatchList : public QObject {
    Q_OBJECT
public:
    explicit WatchList(QString dataFolder = QString(), QObject* parent = nullptr);

    void setDataFolder(const QString& folder) { dataFolder_ = folder; }
    QString filePath() const;

    // Start-up load; a missing file leaves the list empty and creates nothing.
    void load();
    // Rewrites "Query.txt" from the list, every entry of it.
    FileWrite save() const;

    int count() const { return int(entries_.size()); }
    // The itinerary at `position`; an empty one when there is none.
    const Itinerary& at(int position) const;
    // Why the line at `position` is no itinerary; empty when it is one.
    QString problem(int position) const;
    bool readable(int position) const { return problem(position).isEmpty(); }
    // One sentence for each line that cannot be read, naming the line.
    QStringList problems() const;
    // The dates as the lists show them: "25/12/2026 +3"; for a line that
    // cannot be read, its date as written.
    QString datesText(int position) const;

    void add(const Itinerary& itinerary);
    void removeAt(int position);
    void clear();
    // Pauses or resumes, snoozes or wakes the watch at `position`, keeping
    // the rest of its line as written; false for a line that cannot be read.
    bool setHold(int position, bool paused, const QDate& snoozedUntil);
    // The position of the watch `identity` names; 0 when none.
    int positionOf(const QString& identity) const;

    // The award searches of one check: those of the itineraries a check
    // goes through; a paused one makes none.
    int searchesPerCheck() const;

signals:
    void added(int position);
    void removed(int position);
    // Loaded or emptied: every position is new.
    void reset();
    // Paused, resumed or snoozed: the same watch, told differently.
    void held(int position);

private:
    struct Entry {
        QString line; // as read, or as composed when added
        Itinerary itinerary;
        QString problem;
        QString dateField; // as written
    };
    QString dataFolder_;
    QList<Entry> entries_;
};

} // namespace zelvane
