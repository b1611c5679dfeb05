#pragma once

#include "app/Settings.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace zelvane {

class CheckEngine;
class Clock;
class StatusLine;
class WatchList;

// The tray window's two ticks: the regular schedule and the one retry after a
// login lockout.
class Scheduler : public QObject {
    Q_OBJECT
public:
    // `status` gives the main window's status line, making the window if need be.
    Scheduler(const SettingsGroup<Schedule>& schedule, const WatchList& itineraries, const Clock& clock,
              CheckEngine& engine, std::function<StatusLine&()> status,
              QObject* parent = nullptr);
    // The engine as the tray sees it: it belongs to the main window, which is
    // made only once a session is due. With `make` false it is nullptr until then.
    using EngineSource = std::function<CheckEngine*(bool make)>;
    Scheduler(const SettingsGroup<Schedule>& schedule, const WatchList& itineraries, const Clock& clock,
              EngineSource engine, std::function<StatusLine&()> status,
              QObject* parent = nullptr);

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
    EngineSource engine_;
    bool toldNoInterval_ = false; // said once, not over whatever the line says since
    std::function<StatusLine&()> status_;
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
