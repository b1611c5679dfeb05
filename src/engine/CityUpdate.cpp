#include "engine/CityUpdate.h"

#include "engine/StatusLine.h"
#include "engine/Waits.h"
#include "browser/WebBrowser.h"
#include "itineraries/CityLists.h"

namespace zelvane {

bool readCitiesFromPage(const WebBrowser& browser, CityLists& cities)
{
    return cities.readCitiesFromMarkup(browser.documentHtml().value_or(QString()));
}

QCoro::Task<> updateCities(WebBrowser& browser, const QString& loginUrl, CityLists& cities,
                          StatusLine& status, Waits& waits, CityUpdateSteps steps)
{
    status.setStatus(QStringLiteral("Opening Qantas website for Update... "));
    browser.navigate(loginUrl);
    status.setStatus(QStringLiteral("Qantas Website Update Successfull."));
    co_await waits.busyWait(browser);
    status.setStatus(QStringLiteral("Getting Updates From Qantas Website..."));
    const bool found = readCitiesFromPage(browser, cities);
    if (steps.reloadLists)
        steps.reloadLists();
    status.setStatus(found ? QStringLiteral("Update From Qantas Website Successfully Completed...")
                           : kCityUpdateFailed);
    if (steps.versionCheck)
        co_await steps.versionCheck();
}

} // namespace zelvane
