#pragma once

#include "browser/HttpBrowser.h"
#include "engine/CheckEngine.h"
#include "engine/StatusLine.h"
#include "engine/Waits.h"
#include "notify/SessionAlerter.h"

#include <QObject>

namespace zelvane {

class AlertSender;

// The status line of a check: what the engine and the alerts last said,
// told on to whatever shows it.
class SessionStatus final : public QObject, public StatusLine {
    Q_OBJECT
public:
    void setStatus(const StatusMessage& message) override;
    QString status() const override { return message_.words(); }

signals:
    void changed(const StatusMessage& message);

private:
    StatusMessage message_{StatusMessage::Kind::Said};
};

// One check session's parts, put together alike for the tray program and the
// headless check: the session's browsers, its waits at the program's pace,
// the alerts and the engine, whose results and status the windows watch.
class CheckRig {
public:
    // `desktop`: what the tray program's desktop offers; a program without
    // windows asks the session bus.
    CheckRig(SessionParts parts, AlertSender& post, const DesktopFacts& desktop = SessionBusDesktop::instance());
    CheckRig(const CheckRig&) = delete;
    CheckRig& operator=(const CheckRig&) = delete;

    CheckEngine& engine() { return engine_; }
    CheckResults& results() { return results_; }
    SessionAlerter& alerts() { return alerts_; }
    SessionStatus& status() { return status_; }
    Waits& waits() { return waits_; }

private:
    SessionStatus status_;
    CheckResults results_;
    HttpBrowser sessionBrowser_, testBrowser_;
    RealWaits waits_;
    SessionAlerter alerts_;
    CheckEngine engine_;
};

} // namespace zelvane
