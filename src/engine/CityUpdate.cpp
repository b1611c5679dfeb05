#include "engine/CityUpdate.h"

#include "engine/CheckEngine.h"
#include "engine/SiteTrouble.h"
#include "engine/StatusLine.h"
#include "engine/Waits.h"
#include "browser/WebBrowser.h"
#include "itineraries/CityLists.h"
#include "net/Addresses.h"

namespace zelvane {

bool readCitiesFromPage(const WebBrowser& browser, CityLists& cities)
{
    return cities.readCitiesFromMarkup(browser.documentHtml().value_or(QString()));
}

QCoro::Task<> updateCities(WebBrowser& browser, const QString& loginUrl, const QString& accountUrl,
                          CityLists& cities, StatusLine& status, Waits& waits, CityUpdateSteps steps)
{
    status.setStatus(QStringLiteral("Opening Qantas website for Update... "));
    browser.navigate(loginUrl);
    status.setStatus(QStringLiteral("Qantas Website Update Successfull."));
    const bool loaded = co_await waits.busyWait(browser);
    status.setStatus(QStringLiteral("Getting Updates From Qantas Website..."));
    const bool found = readCitiesFromPage(browser, cities);
    if (steps.reloadLists)
        steps.reloadLists();
    if (found) {
        status.setStatus(kCityUpdateDone);
    } else if (const std::optional<SiteTrouble> trouble = siteTrouble(browser, loaded, airlineBase())) {
        // The site's trouble is not a refusal of the details.
        status.setStatus(trouble->pageArrived ? status::siteNotUsable(trouble->reason) : status::kSiteUnreachable);
    } else {
        // The airline's own page other than the account: it did not take the login.
        status.setStatus(browser.locationUrl() == accountUrl ? kCityUpdateFailed : kCityUpdateLoginRefused);
    }
    if (steps.versionCheck)
        co_await steps.versionCheck();
}

} // namespace zelvane
