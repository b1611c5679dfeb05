#pragma once

#include "app/WholeFile.h"
#include "itineraries/Itinerary.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QFileSystemWatcher;
class QLockFile;

namespace zelvane {

// The watch list: the itineraries in the user's order, positions counting
// from 1, mirrored by "Query.txt" in the data folder. Each line of the file
// is read once; a line that was never changed is written back as it was
// read, and one that cannot be read as an itinerary is kept as it stands,
// shown with its reason and never searched.
//
// The tray program and zelvane-check may both change the file: each change
// is made under a lock file beside it, on the file's content as it is then,
// so that neither loses what the other wrote.
class WatchList : public QObject {
    Q_OBJECT
public:
    explicit WatchList(QString dataFolder = QString(), QObject* parent = nullptr);
    ~WatchList() override;

    void setDataFolder(const QString& folder) { dataFolder_ = folder; }
    QString filePath() const;

    // Start-up load; a missing file leaves the list empty and creates nothing.
    void load();
    // Writes the changes made to this list since it last read or wrote the
    // file into "Query.txt" as it is now: what another program changed
    // meanwhile is kept (a line this list changed that the other removed
    // stays removed). Then the list follows the file, unless reloads are
    // held.
    FileWrite save();

    // Held by whoever reads, changes and writes the file in one go (save()
    // takes it too, and may be called while it is held). False, with the
    // reason, when another program held it for too long.
    bool lockFile(QString* why = nullptr);
    void unlockFile();

    // The tray program: a change of the file by another program is read
    // at once, each line added or removed told by the signals below.
    void followFile();
    // While a check goes through the list by position, the list stays as it
    // is; a change of the file is read when the hold ends.
    void holdReloads(bool hold);

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
    // The line of the file, as read or as written.
    QString line(int position) const;
    // "Sydney → Melbourne, 25/12/2026 +3, Morning, 2 adults, Business"
    QString name(int position) const;

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
    // Another program changed the file, and the list followed: the
    // watches it added and removed, by name.
    void changedElsewhere(const QStringList& added, const QStringList& removed);

private:
    struct Entry {
        QString line; // as read, or as composed when added
        Itinerary itinerary;
        QString problem;
        QString dateField; // as written
    };
    static Entry entryOf(const QString& line);
    QStringList lines() const;
    // The list made equal to `lines`, each line added or removed told.
    void follow(const QStringList& lines);
    void fileMayHaveChanged();

    QString dataFolder_;
    QList<Entry> entries_;
    // The file as this list last read or wrote it: what changed here since
    // is what a save writes into the file.
    QStringList base_;
    std::unique_ptr<QLockFile> lock_;
    int locks_ = 0;
    QFileSystemWatcher* watcher_ = nullptr;
    bool held_ = false;
    bool behind_ = false; // the file changed while reloads were held
};

} // namespace zelvane
