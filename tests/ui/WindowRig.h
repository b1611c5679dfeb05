#pragma once

#include "app/Clock.h"
#include "engine/Scheduler.h"
#include "net/VersionCheck.h"
#include "itineraries/WatchListFile.h"
#include "notify/AlertSender.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "support/CheckedDays.h"
#include "support/TestSupport.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <memory>

namespace zelvane::test {

// The tray program as the window sees it: what it was asked, counted.
struct RecordingHost final : MainWindowHost {
    int ended = 0, abouts = 0;
    QString opened;
    void endProgram() override { ++ended; }
    void openPage(const QString& address) override { opened = address; }
    bool trayShown() const override { return true; }
    void openAbout() override { ++abouts; }
    QCoro::Task<> checkVersion() override { co_return; }
};

// A schedule's sessions on a window's engine and status line.
struct WindowSessions final : ScheduledSessions {
    MainWindow& window;
    explicit WindowSessions(MainWindow& w) : window(w) {}
    CheckEngine* engine(bool) override { return &window.engine(); }
    StatusLine& statusLine() override { return window; }
};

// A main window over its own settings, clock, data folder and message boxes.
struct WindowRig {
    VirtualClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0))};
    MemorySettingsArea area;
    QString folder;
    ProgramData state;
    ProductNews news;
    RecordingMessageBoxes boxes;
    AlertSender post{state.outbox, state.settings.channels, {state.settings.member, &Member::email}, boxes, state.parts.data.clock};
    CheckRig checks{state.parts.data, post};
    RecordingHost host;
    // The dialogs a test answers; none: the window's own real ones.
    Dialogs* dialogs = nullptr;
    std::unique_ptr<MainWindow> window;

    // A session waits on the clock: `realTime` gives it the system's.
    explicit WindowRig(const QString& name, bool realTime = false)
        : folder(freshFolder(name)),
          state(area, realTime ? static_cast<const Clock&>(SystemClock::instance()) : clock, folder, folder)
    {
        writeFile(folder + "/City.txt", "Adelaide\r\nBrisbane\r\nMelbourne\r\nPerth\r\nSydney\r\n");
        writeFile(folder + "/City Code.txt", "ADL\r\nBNE\r\nMEL\r\nPER\r\nSYD\r\n");
        state.cities.load();
    }
    void storeMember()
    {
        state.settings.member.change([](Member& m) {
            m.number = 1234567;
            m.surname = "Smith";
            m.setPinText("1234");
            m.email = "smith@example.com";
        });
        state.settings.schedule.change([](Schedule& s) { s.everyHours = 24; });
    }
    void watch(int n)
    {
        for (int i = 1; i <= n; ++i)
            watchLine(QString("Sydney;Perth;%1/01/2027;Morning;SYD;PER").arg(i, 2, 10, QChar('0')));
    }
    // One itinerary as the watch list's file would hold it.
    void watchLine(const QString& line) { state.watchList.add(readItineraryLine(line).itinerary); }
    // What a check found for the itinerary at `position`, day by day ("Y-").
    void found(int position, const QString& marks)
    {
        checks.results().set(position, checkedDays(state.watchList.at(position).date, marks));
    }
    template <typename Window = MainWindow>
    Window& open()
    {
        auto* w = new Window(state.settings, state.parts.data, checks, news, nullptr, &boxes, dialogs);
        w->ensureBuilt(); // loaded as when it is first shown
        window.reset(w);
        window->setHost(&host);
        return *w;
    }
    template <typename T>
    T* find(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
};

inline void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void click(QWidget* w, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(w, QEvent::MouseButtonPress, button);
    mouse(w, QEvent::MouseButtonRelease, button);
}

} // namespace zelvane::test
