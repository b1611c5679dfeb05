#include "engine/CityUpdate.h"

#include "engine/CheckEngine.h"
#include "engine/SiteTrouble.h"
#include "engine/StatusLine.h"
#include "engine/Waits.h"
#include "browser/WebBrowser.h"
#include "itineraries/CityLists.h"
#include "net/Addresses.h"

#include <QCoroSignal>

namespace zelvane {

bool readCitiesFromPage(const WebBrowser& browser, CityLists& cities)
{
    return cities.readCitiesFromMarkup(browser.documentHtml().value_or(QString()));
}

QCoro::Task<> updateCities(WebBrowser& browser, CheckEngine& engine, CityLists& cities, StatusLine& status,
                          Waits& waits, CityUpdateSteps& steps)
{
    // Nothing is sent that the airline could only refuse.
    if (const QString unsendable = engine.unsendableDetails(); !unsendable.isEmpty()) {
        status.setStatus(unsendable);
        co_return;
    }
    // Too many logins lock the member's account: the update waits its turn.
    while (!engine.countLogin()) {
        status.setStatus(kCityUpdateWaiting);
        // Once a window: the awaiter resumes through a queued call, and a
        // second emission before it runs would resume a finished wait.
        co_await qCoro(&engine, &CheckEngine::throttleWindowClosed);
    }
    status.setStatus(kCityUpdateOpening);
    browser.navigate(engine.memberLoginUrl());
    const bool loaded = co_await waits.busyWait(browser);
    status.setStatus(QStringLiteral("Getting Updates From Qantas Website..."));
    const bool found = readCitiesFromPage(browser, cities);
    steps.reloadLists();
    if (found && !cities.saveProblem().isEmpty()) {
        status.setStatus(kCityListsNotSaved.arg(cities.saveProblem()));
    } else if (found) {
        status.setStatus(kCityUpdateDone);
    } else if (const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase())) {
        // The site's trouble is not a refusal of the details.
        status.setStatus(trouble->pageArrived ? StatusMessage(StatusMessage::Kind::SiteNotUsable, 0, trouble->reason)
                                              : StatusMessage::Kind::SiteUnreachable);
    } else {
        // The airline's own page other than the account: it did not take the login.
        status.setStatus(browser.locationUrl() == engine.accountUrl() ? kCityUpdateFailed : kCityUpdateLoginRefused);
    }
    co_await steps.checkVersion();
}

} // namespace zelvane
