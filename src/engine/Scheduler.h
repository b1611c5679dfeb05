#pragma once

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
class Settings;
class WatchList;

// The tray window's two ticks: the regular schedule and the one retry after a
// login lockout.
class Scheduler : public QObject {
    Q_OBJECT
public:
    // `status` gives the main window's status line, making the window if need be.
    Scheduler(const Settings& settings, const WatchList& itineraries, const Clock& clock,
              CheckEngine& engine, std::function<StatusLine&()> status,
              QObject* parent = nullptr);
    // The engine as the tray sees it: it belongs to the main window, which is
    // made only once a session is due. With `make` false it is nullptr until then.
    using EngineSource = std::function<CheckEngine*(bool make)>;
    Scheduler(const Settings& settings, const WatchList& itineraries, const Clock& clock,
              EngineSource engine, std::function<StatusLine&()> status,
              QObject* parent = nullptr);

    QTimer scheduleTimer; // 1 s: the schedule
    QTimer lockoutRetryTimer; // 1 s: the lockout retry

    QCoro::Task<> onScheduleTick();
    QCoro::Task<> onLockoutRetryTick();

    std::optional<QDateTime> lastCheckTime; // when the schedule last started a session
    QDateTime nextCheckTime;

private:

    const Settings& settings_;
    const WatchList& itineraries_;
    const Clock& clock_;
    EngineSource engine_;
    std::function<StatusLine&()> status_;
};

// Minutes between two times counted as changes of the clock's minute.
qint64 minuteChangesBetween(const QDateTime& from, const QDateTime& to);

inline constexpr int kLockoutRetryMinutes = 15;
inline const QString kInvalidInterval = QStringLiteral("Invalid Check Interval Format.");

// The interval controls: the hidden unit chooser Combo3 and count box txtTIme,
// and the visible Combo1 ("12 Hours" ... "48 Hours").
const QStringList& intervalChoices();

struct IntervalControls {
    int combo3Index = -1;  // unit: 0 minutes, 1 hours, 2 days
    int combo1Index = -1;  // -1: no entry selected
    QString txtTIme;       // count shown for minutes and days
};

// What the controls show for the stored interval when the main window loads.
IntervalControls loadIntervalControls(const Settings& settings);
// The count box changed: stores the interval; returns the Combo1 entry to select, if any.
std::optional<int> setIntervalCount(Settings& settings, const QString& txtTIme,
                                  const QString& combo1Text);
// The unit chooser changed.
void setIntervalUnit(Settings& settings, int index);

} // namespace zelvane
