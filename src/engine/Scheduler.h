#pragma once

#include "app/Settings.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace zelvane {

class CheckEngine;
class Clock;
class StatusLine;
class WatchList;

// What the schedule starts its sessions with, as its owner makes them: the
// tray program makes the engine, with the main window, only once a session
// is due.
class ScheduledSessions {
public:
    virtual ~ScheduledSessions() = default;
    // The engine; with `make` false, null while none was made.
    virtual CheckEngine* engine(bool make) = 0;
    // Where the schedule says that no interval is chosen.
    virtual StatusLine& statusLine() = 0;
};

// The tray program's two ticks: the regular schedule and the one retry after
// a login lockout.
class Scheduler : public QObject {
    Q_OBJECT
public:
    Scheduler(const SettingsGroup<Schedule>& schedule, const WatchList& itineraries, const Clock& clock,
              ScheduledSessions& sessions, QObject* parent = nullptr);

    QTimer scheduleTimer; // 1 s: the schedule
    QTimer lockoutRetryTimer; // 1 s: the lockout retry

    QCoro::Task<> onScheduleTick();
    QCoro::Task<> onLockoutRetryTick();

    std::optional<QDateTime> lastCheckTime; // when the schedule last started a session
    QDateTime nextCheckTime;

private:

    const SettingsGroup<Schedule>& schedule_;
    const WatchList& itineraries_;
    const Clock& clock_;
    ScheduledSessions& sessions_;
    bool toldNoInterval_ = false; // said once, not over whatever the line says since
};

// Minutes between two times counted as changes of the clock's minute.
qint64 minuteChangesBetween(const QDateTime& from, const QDateTime& to);

inline constexpr int kLockoutRetryMinutes = 15;
inline const QString kInvalidInterval = QStringLiteral("Invalid Check Interval Format.");

// The intervals on offer, "12 Hours" to "48 Hours", and the hours of each.
const QStringList& intervalChoices();
int intervalHoursAt(int index);
// The entry for an interval of `hours`; -1 for one not on offer.
int intervalIndexOf(int hours);

} // namespace zelvane
