#pragma once

#include <QCoro/QCoroTask>
#include <QString>

namespace zelvane {

class CheckEngine;
class CityLists;
class StatusLine;
class Waits;
class WebBrowser;

// Reads the city arrays from the page the browser shows and saves the lists
// that have grown. A browser without a page cuts nothing. True when the page
// held both lists.
bool readCitiesFromPage(const WebBrowser& browser, CityLists& cities);

// What the city list update asks of whatever shows the lists.
class CityUpdateSteps {
public:
    virtual ~CityUpdateSteps() = default;
    // The page was read: the itinerary list and the city drop-downs are drawn anew.
    virtual void reloadLists() = 0;
    // Last, once the update has told how it went.
    virtual QCoro::Task<> checkVersion() = 0;
};

// The city list update: logs in with the stored details in the update
// browser, reads the arrays from where it lands and refreshes what shows
// them. Details that cannot be sent send nothing; the login counts against
// the engine's login limit and waits while the limit is reached. A page
// without the lists is told as a failure, and why: the login refused (the
// site's own page other than the account page), the site's trouble, or no
// list.
QCoro::Task<> updateCities(WebBrowser& browser, CheckEngine& engine, CityLists& cities, StatusLine& status,
                          Waits& waits, CityUpdateSteps& steps);

inline const QString kCityUpdateOpening = QStringLiteral("Opening Qantas Website For Update...");
inline const QString kCityUpdateWaiting =
    QStringLiteral("Max Logins Reached, Update Starts When The 5 Mins Are Up...");
inline const QString kCityUpdateDone = QStringLiteral("Update From Qantas Website Successfully Completed...");
inline const QString kCityListsNotSaved =
    QStringLiteral("Update From Qantas Website Not Saved: %1; the city lists stay as they were");
inline const QString kCityUpdateFailed =
    QStringLiteral("Update From Qantas Website Failed: No City List Found...");
inline const QString kCityUpdateLoginRefused =
    QStringLiteral("Update From Qantas Website Failed: Login Refused...Check Your Details");

} // namespace zelvane
