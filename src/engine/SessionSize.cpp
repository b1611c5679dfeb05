#include "engine/SessionSize.h"

#include "engine/Waits.h"
#include "itineraries/WatchList.h"

namespace zelvane {

namespace {

QString minutesText(int minutes)
{
    return minutes == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(minutes);
}

} // namespace

int checkPauseSeconds(int searches)
{
    return kPauseBeforeLogin + kPauseAfterLogin
           + searches * (kPauseAfterSearchSent + kPauseAfterSearchLoaded);
}

QString sessionSizeText(int searches)
{
    if (searches == 0)
        return QStringLiteral("No searches yet: add the flights to watch");
    // Rounded up: the pages' loading only adds to the pauses.
    const int minutes = (checkPauseSeconds(searches) + 59) / 60;
    QString length = minutesText(minutes);
    if (minutes >= 60) {
        length = minutes / 60 == 1 ? QStringLiteral("1 hour") : QStringLiteral("%1 hours").arg(minutes / 60);
        if (minutes % 60)
            length += QLatin1Char(' ') + minutesText(minutes % 60);
    }
    QString text = QStringLiteral("%1, about %2 per check").arg(searchCountText(searches), length);
    if (searches > kMaxSearchesPerCheck)
        text += QStringLiteral(" (the limit is %1)").arg(kMaxSearchesPerCheck);
    return text;
}

QString watchCostText(const Itinerary& watch, int listSearches)
{
    QString text = QStringLiteral("This watch: ") + watch.searchesBreakdown();
    const int over = listSearches + watch.searches() - kMaxSearchesPerCheck;
    if (over > 0)
        text += QStringLiteral(", %1 past the limit of %2 with the list's %3")
                    .arg(searchCountText(over))
                    .arg(kMaxSearchesPerCheck)
                    .arg(listSearches);
    return text;
}

} // namespace zelvane
