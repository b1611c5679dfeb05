#pragma once

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <optional>

class QSqlDatabase;

namespace zelvane {

inline const QString kHistoryFile = QStringLiteral("history.sqlite");
// Checks older than this are dropped when the history is opened.
inline constexpr int kHistoryKeepDays = 400;

// What one check of one itinerary came to.
enum class CheckOutcome {
    NotAvailable = 0,
    Available = 1,
    LoggedOut = 2, // not checked: the site logged the session out first
    Failed = 3,    // not checked: the search could not be made or its page did not load
    Unreadable = 4, // not checked: the result page came but could not be read
};
// "available", "not available", "not checked (logged out)", "not checked (failed)",
// "not checked (page not read)".
QString outcomeName(CheckOutcome outcome);
inline bool wasChecked(CheckOutcome o)
{
    return o == CheckOutcome::Available || o == CheckOutcome::NotAvailable;
}

// What makes two checks the same itinerary across sessions and list edits.
struct ItineraryKey {
    QString origin;      // city codes
    QString destination;
    QString date;        // dd/mm/yyyy
    QString time;        // time of day
    QString cabin;       // "Any", "Economy", ...
    int adults = 1;      // travelling together, each needing a seat
    // The watch it was searched for, by its identity; empty in a check
    // recorded before watches were told apart, which any watch of the same
    // search reads as its own until one records it.
    QString watch{};
    bool operator==(const ItineraryKey&) const = default;
};
size_t qHash(const ItineraryKey& key, size_t seed = 0);

// One itinerary's check in a session.
struct CheckRecord {
    int position = 0; // in the watch list, from 1
    int day = 0;      // of the itinerary's searches, in the order they were made
    ItineraryKey key; // its date is the day searched
    CheckOutcome outcome = CheckOutcome::NotAvailable;
    QList<QStringList> flights; // the flight table's rows, as the site wrote them
    // The cabins whose seats seated the watch (names); nothing in a check
    // recorded before they were kept.
    std::optional<QStringList> seatCabins{};
    int leg = 0;                // of a return journey: 0 outbound, 1 the way back
    // News to the user, decided once when the search is noted: seats where
    // they were not last told of seats, and an answer (seats or none) other
    // than the one last told. Not kept in the file.
    bool opening = false;
    bool changed = false;
};

// A recorded check with the session it belongs to.
struct HistoryCheck {
    QDateTime session; // when the session started, local time
    CheckRecord check;
};

// What the results view shows beside an itinerary.
struct ItinerarySummary {
    std::optional<CheckOutcome> lastOutcome; // nothing when never recorded
    QDateTime lastTime;                      // of lastOutcome
    QDateTime lastAvailable;                 // last check that found seats; invalid if none
};

struct TimelinePoint {
    QDateTime when;
    CheckOutcome outcome;
};

// The history of checks: a SQLite file in the data folder, one transaction
// per session. Nothing here may fail a check, and nothing turns the history
// off: a session that cannot be written is kept in memory, counts in every
// answer, and goes into the file with the next session that can be written
// (or when the store is closed). The store says so once through notice().
class HistoryStore {
public:
    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens folder/history.sqlite, bringing its tables up to date (a missing
    // file is made when the first session is recorded), and drops checks
    // older than kHistoryKeepDays before `now`. A file SQLite calls damaged
    // is moved aside (with its journal) and a new one started; one that is
    // only busy, read-only or on a full disk is left as it is and opened
    // again by the next session. False when it could not be opened now.
    bool open(const QString& folder, const QDateTime& now);
    // Reads only: nothing is created, changed or moved. False (with error())
    // when there is no file or it cannot be read; holdsNothing() then tells a
    // history that has simply not begun (no file, or one no session was
    // written to yet) from one that cannot be read.
    bool openForReading(const QString& folder);
    bool holdsNothing() const { return holdsNothing_; }
    // Writes what is still held in memory when it can, then checkpoints, so
    // that history.sqlite alone holds every session, and closes the file.
    void close();
    bool isOpen() const { return open_ || createLater_; }
    QString filePath() const { return path_; }
    QString folder() const { return folder_; }
    QString error() const { return error_; }
    // A status text about the history the user should see, once; empty when
    // all is well.
    QString takeNotice();

    // Writes one session's checks, all or nothing.
    void recordSession(const QDateTime& start, bool completed, const QList<CheckRecord>& checks);
    // How long a statement waits while another program holds the file; set
    // before open(). A program with windows waits briefly and writes what
    // it kept later (saveUnsaved), so its windows never freeze meanwhile.
    void setBusyWait(std::chrono::milliseconds wait) { busyWait_ = wait; }
    // Sessions are held in memory that the file has not taken yet.
    bool hasUnsaved() const;
    // Tries to write them now; true when none is left.
    bool saveUnsaved(const QDateTime& now);

    // The last outcome that was a real check (available or not), if any.
    std::optional<CheckOutcome> lastCheckedOutcome(const ItineraryKey& key) const;
    QList<std::optional<CheckOutcome>> lastCheckedOutcomes(const QList<ItineraryKey>& keys) const;
    QList<ItinerarySummary> summaries(const QList<ItineraryKey>& keys) const;
    // One itinerary's checks, oldest first.
    QList<TimelinePoint> timeline(const ItineraryKey& key) const;
    // The checks of the last `sessions` sessions (all when 0 or less),
    // oldest session first, each in watch-list order.
    QList<HistoryCheck> checks(int sessions = 0) const;
    // The checks of the sessions held in memory only, oldest first: what a
    // reader of the file on another thread adds to what it reads there.
    QList<HistoryCheck> unsavedChecks() const;
    // Why the last timeline() or checks() read less than the file holds
    // (the file held by another program, a damaged page); empty when every
    // read since clearReadError() went through. An answer read short is no
    // answer: "no check recorded" would be untrue.
    QString readError() const { return readError_; }
    void clearReadError() { readError_.clear(); }

private:
    struct Db;
    struct Session {
        QDateTime start;
        bool completed = false;
        QList<CheckRecord> checks;
    };
    QSqlDatabase database() const;
    // A statement compiled once per connection: a check asks the same
    // questions of every itinerary it searches. Finished after each use, so
    // no read stays open.
    QSqlQuery& statement(const QString& sql) const;
    void disconnect();
    QSqlDatabase addConnection(bool forWriting);
    bool openFile(bool forWriting);
    int schemaVersion();
    bool openFileForWriting(const QDateTime& now);
    // A private file (made empty if missing), and journals the owner can
    // write when he can write the file.
    void repairModes();
    // The name of a journal that stops a writable file from being written.
    QString unwritableCompanion() const;
    bool prepareForWriting(const QDateTime& now);
    bool prune(const QDateTime& now);
    bool moveAside(const QDateTime& now, const QString& why);
    bool writeUnsaved(const QDateTime& now);
    bool writeWithRetry(const Session& session);
    bool writeSession(const QDateTime& start, bool completed, const QList<CheckRecord>& checks);
    void checkpoint();
    std::optional<qint64> itineraryId(const ItineraryKey& key, bool create);
    std::optional<qint64> itineraryId(const ItineraryKey& key) const;
    QList<ItinerarySummary> summariesInFile(const QList<ItineraryKey>& keys) const;
    QList<TimelinePoint> timelineInFile(const ItineraryKey& key) const;
    QList<HistoryCheck> checksInFile(int sessions) const;
    void fail(const QString& why);
    void tell(const QString& text);

    std::chrono::milliseconds busyWait_{3000};
    QString connection_;
    QString folder_;
    QString path_;
    QString error_;
    int lastCode_ = 0; // SQLite's code of the last error
    int failures_ = 0; // statements that failed, counted by Db::run
    mutable QString readError_;
    bool holdsNothing_ = false;
    QString notice_;
    bool open_ = false;
    bool readOnly_ = false;
    bool createLater_ = false; // no file yet: made by the first session
    bool newerSchema_ = false;
    int schema_ = 0;           // of the open file
    bool off_ = false;         // nothing can be written in this run
    bool toldUnsaved_ = false; // of the sessions not written since the last one that was
    QList<Session> unsaved_;   // oldest first, all newer than the file's
    QHash<ItineraryKey, qint64> itineraryIds_;
    QHash<QString, qint64> tableIds_; // flight table text to id
    mutable std::map<QString, QSqlQuery> statements_; // kept in place while others are added
};

} // namespace zelvane
