#pragma once

#include "notify/Delivery.h"

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>

namespace zelvane {

// The desktop's own notifications (org.freedesktop.Notifications on the
// session bus). Where no service answers, a note is simply not shown.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    struct Note {
        QString summary, body;
        bool showResultsAction = false; // offers "Show results" where resultsAsked is connected
    };
    QCoro::Task<Delivery> notify(Note note,
                                 std::chrono::milliseconds deadline = std::chrono::seconds(5));

    // A session bus with a notification service on it (running, or one the
    // bus starts when asked): notes are made for the outbox only then.
    static bool available();

signals:
    // The user picked "Show results" on one of this program's notes. Nothing
    // listens in a program that ends after its check: its notes offer none.
    void resultsAsked();

private slots:
    void ActionInvoked(uint id, const QString& action);

private:
    QSet<uint> withResults_;
    bool listening_ = false;
};

inline const QString kNotificationsService = QStringLiteral("org.freedesktop.Notifications");
inline const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
inline const QString kShowResultsAction = QStringLiteral("show-results");
// The program's icon by its installed name.
inline const QString kProgramIconName = QStringLiteral("example.zelvane.Zelvane");

} // namespace zelvane
