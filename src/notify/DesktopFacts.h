#pragma once

namespace zelvane {

// What the desktop offers the program, asked each time it matters: a panel
// or a notification service may come up after the program did.
class DesktopFacts {
public:
    virtual ~DesktopFacts() = default;
    // A tray to put the program's icon in.
    virtual bool trayAvailable() const = 0;
    // That tray is a StatusNotifier host (KDE, GNOME with AppIndicator),
    // which reports a click as Trigger and never DoubleClick.
    virtual bool statusNotifierTray() const = 0;
    // A session bus with a notification service on it (running, or one the
    // bus starts when asked): notes are made for the outbox only then.
    virtual bool notesAvailable() const = 0;
};

// The desktop as the session bus tells it. Only the windows' toolkit sees an
// XEmbed tray: here none is, so a program without windows asks for no icon.
class SessionBusDesktop : public DesktopFacts {
public:
    bool trayAvailable() const override { return false; }
    bool statusNotifierTray() const override;
    bool notesAvailable() const override;
    // The one a program without windows asks.
    static const SessionBusDesktop& instance();
};

} // namespace zelvane
