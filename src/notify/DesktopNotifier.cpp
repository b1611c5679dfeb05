#include "notify/DesktopNotifier.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMetaMethod>
#include <QVariantMap>

namespace zelvane {

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::available()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (bus.interface()->isServiceRegistered(kNotificationsService).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kNotificationsService);
}

QCoro::Task<Delivery> DesktopNotifier::notify(Note note, std::chrono::milliseconds deadline)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return Delivery::failed(QStringLiteral("no desktop session bus"));
    if (!listening_) {
        // QtDBus knows only the string form of a connection.
        listening_ = bus.connect(kNotificationsService, kNotificationsPath, kNotificationsService,
                                 QStringLiteral("ActionInvoked"), this,
                                 SLOT(ActionInvoked(uint, QString)));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kNotificationsService, kNotificationsPath,
                                                       kNotificationsService, QStringLiteral("Notify"));
    // Offered only where a program stays to answer it: a note outlives
    // zelvane-check, and its button would do nothing.
    const bool offered = note.showResultsAction
                         && isSignalConnected(QMetaMethod::fromSignal(&DesktopNotifier::resultsAsked));
    const QStringList actions = offered ? QStringList{kShowResultsAction, QStringLiteral("Show Results")}
                                        : QStringList{};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kProgramIconName);
    call << QStringLiteral("Zelvane") << uint(0) << kProgramIconName << note.summary << note.body << actions
         << hints << int(-1);
    const QDBusMessage reply = co_await bus.asyncCall(call, int(deadline.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return Delivery::failed(QStringLiteral("no desktop notification service answered"));
    if (offered)
        withResults_.insert(reply.arguments().constFirst().toUInt());
    co_return Delivery::ok();
}

void DesktopNotifier::ActionInvoked(uint id, const QString& action)
{
    // The signal goes to every program on the bus; only our own notes count.
    if (action == kShowResultsAction && withResults_.contains(id))
        emit resultsAsked();
}

} // namespace zelvane
