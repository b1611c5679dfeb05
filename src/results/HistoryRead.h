#pragma once

#include "history/HistoryStore.h"
#include "results/SeatCalendar.h"

#include <QHash>
#include <QObject>
#include <atomic>

class QThread;

namespace zelvane {

// What a read of one watch's history needs, taken on the window's thread.
struct HistoryReadRequest {
    QString folder;                 // the data folder holding the history file
    QList<ItineraryKey> keys;       // the watch's searches (historyKeys)
    QList<HistoryCheck> unsaved;    // sessions the window's store holds in memory only
    QHash<QString, int> positions;  // each watch of the list by identity: its place, from 1
};

// One watch's history read from the file on a thread of its own, with a
// connection of its own: a SQLite connection serves only the thread that made
// it, and the window's thread never waits for the file. It tells the timeline
// first (a few hundred rows, read at once), then the checks and the calendars
// (every check of the history, read in a second or so for a year of a
// hundred watches). A file that cannot be read is told, never read as a
// history without checks. Reads deliver on the thread that started them;
// the object deletes itself when its thread has ended.
class HistoryRead final : public QObject {
    Q_OBJECT
public:
    // Starts a read; connect to its signals before the event loop turns.
    static HistoryRead* start(HistoryReadRequest request);
    // What it would tell is no longer wanted: it stops at the next step and
    // tells nothing more.
    void cancel();
    // Cancels every read still running and waits for their threads: before
    // the store's file or the program goes.
    static void stopAll();
    static int running();

signals:
    // The watch's checks as points, oldest first, a point a session.
    void timelineRead(const QList<zelvane::TimelinePoint>& timeline);
    // Every check of the watch and the calendars of every route.
    void checksRead(const QList<zelvane::HistoryCheck>& checks,
                    const QList<zelvane::RouteCalendar>& calendars);
    // The file could not be read: why, in words.
    void failed(const QString& why);

private:
    explicit HistoryRead(HistoryReadRequest request);
    ~HistoryRead() override;
    void run();

    HistoryReadRequest request_;
    QThread* thread_ = nullptr;
    std::atomic<bool> cancelled_{false};
};

// The calendars of every route from `all`, their names telling apart the
// watches that share a route by their place in the list.
QList<RouteCalendar> namedCalendars(const QList<HistoryCheck>& all, const QHash<QString, int>& positions);

} // namespace zelvane
