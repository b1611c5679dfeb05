#pragma once

#include "history/HistoryStore.h"
#include "results/Outcome.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>

namespace zelvane {

inline const QString kAnnouncedFile = QStringLiteral("announced.json");

// What the user was last told of each date of each itinerary: that it has
// seats, or that it has none. Kept in the data folder apart from the
// history, so a history that cannot be written never turns an opening
// already told into a new one. Of a date never told, what the history last
// found stands in, as alerts went by it before this memory existed.
class AnnouncedSeats {
public:
    void setFolder(const QString& folder) { folder_ = folder; }
    QString filePath() const;
    // Reads the file; a missing or unreadable one tells nothing.
    void load();
    // Writes it whole, owner-only, dropping dates that have passed.
    bool save(const QDate& today);
    // What save() writes: the memory as it is now, as JSON.
    QByteArray toJson(const QDate& today) const;
    // Writes `json` (of toJson) as the file; empty, or why it could not be
    // written ("the data folder is full"), the file then left as it was.
    QString saveText(const QByteArray& json);
    // Takes the memory from `json` as load() would from the file.
    void loadJson(const QByteArray& json);
    QString lastProblem() const { return lastProblem_; }

    // Seats or none as last told of the watch's search; nothing when never
    // told. What was told before watches were told apart stands for every
    // watch of the search.
    std::optional<Availability> told(const ItineraryKey& key) const;
    // Whether what a search found is news to the user; the one place that
    // says so. Against what they were last told, else the history's last
    // checked answer (`lastChecked`), else nothing: then only seats are news.
    struct News {
        bool opening = false; // seats where they were not last told of seats
        bool changed = false; // seats or none, other than last told
    };
    News news(const ItineraryKey& key, Availability now, std::optional<CheckOutcome> lastChecked) const;
    // Sets each record's `opening` and `changed`, against what the user was
    // told and what `history` held before these checks were recorded.
    void markNews(QList<CheckRecord>& checks, const HistoryStore& history) const;
    void remember(const ItineraryKey& key, Availability told);
    // A search whose news was held back (a snoozed watch): the user heard
    // nothing of it, so once the history holds it, it must not pass for
    // what they were told. What they were told before stays.
    void holdBack(const ItineraryKey& key);

private:
    void readJson(const QByteArray& json);

    QString folder_;
    QString lastProblem_;
    QHash<ItineraryKey, Availability> told_;
};

} // namespace zelvane
