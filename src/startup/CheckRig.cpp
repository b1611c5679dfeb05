#include "startup/CheckRig.h"

#include "itineraries/WatchList.h"
#include "net/Addresses.h"

namespace zelvane {

void SessionStatus::setStatus(const StatusMessage& message)
{
    message_ = message;
    emit changed(message);
}

CheckRig::CheckRig(SessionParts parts, AlertSender& post, const DesktopFacts& desktop)
    : results_(parts.watchList),
      waits_(parts.clock, timeScale()),
      alerts_(parts.watchList, results_, parts.announced, parts.mailPolicy, parts.told, status_, post, parts.clock,
              desktop),
      engine_(parts, results_, {sessionBrowser_, testBrowser_}, waits_, alerts_)
{
    QObject::connect(&engine_, &CheckEngine::statusChanged, &status_, &SessionStatus::setStatus);
    // A session goes through the list by position: a change of the file
    // made meanwhile is taken in when it ends.
    WatchList& list = parts.watchList;
    QObject::connect(&engine_, &CheckEngine::sessionStarted, &list, [&list] { list.holdReloads(true); });
    QObject::connect(&engine_, &CheckEngine::sessionEnded, &list, [&list] { list.holdReloads(false); });
}

} // namespace zelvane
