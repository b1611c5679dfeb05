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

    // Seats or none as last told; nothing when never told.
    std::optional<Availability> told(const ItineraryKey& key) const;
    // Seats now where the user was not last told of seats: an opening.
    // `fromHistory` says whether the history's last check found none, for a
    // date never told.
    bool isOpening(const ItineraryKey& key, bool fromHistory) const;
    // An answer (seats or none) other than the one last told; `fromHistory`
    // whether it differs from the history's last check, for a date never told.
    bool isChange(const ItineraryKey& key, Availability now, bool fromHistory) const;
    void remember(const ItineraryKey& key, Availability told);

private:
    QString folder_;
    QHash<ItineraryKey, Availability> told_;
};

} // namespace zelvane
