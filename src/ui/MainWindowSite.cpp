// What the main window asks of the airline's and the product's sites: a
// check, the city lists, the notice and the new version.
#include "ui/MainWindow.h"

#include "browser/HttpBrowser.h"
#include "net/VersionCheck.h"
#include "startup/CheckRig.h"
#include "ui/ItineraryPanel.h"

#include <QLabel>
#include <QPointer>

namespace zelvane {

QCoro::Task<> MainWindow::fetchNotice()
{
    QPointer<MainWindow> self(this);
    ProductNews& news = news_;
    // Awaited on the event loop: the window is usable while the site answers.
    co_await zelvane::fetchNotice(news, noticeAddress());
    if (self && showNoticeButton(news))
        self->noticeButton_->show();
}

void MainWindow::fillCityChoices()
{
    if (built_)
        itinerary_->fillCityChoices();
}

QCoro::Task<> MainWindow::updateCities()
{
    // One at a time: more clicks would only send more logins.
    if (updatingCities_)
        co_return;
    QPointer<MainWindow> self(this);
    updatingCities_ = true;
    // Its own browser, so an update never disturbs a session's page.
    if (!pageBrowser_)
        pageBrowser_ = std::make_unique<HttpBrowser>();
    co_await zelvane::updateCities(*pageBrowser_, rig_.engine(), parts_.cities, *this, rig_.waits(), *this);
    if (self)
        updatingCities_ = false;
}

void MainWindow::reloadLists()
{
    if (built_)
        itinerary_->reloadLists();
}

QCoro::Task<> MainWindow::checkVersion()
{
    // The host is taken before the wait: the window may be gone when it ends.
    if (MainWindowHost* host = host_)
        co_await host->checkVersion();
}

QCoro::Task<> MainWindow::checkNow()
{
    showNewVersion();
    // Runs on; the engine refuses a second session while one is going.
    QPointer<MainWindow> self(this);
    const SessionOutcome outcome = co_await rig_.engine().checkNow();
    if (self && outcome == SessionOutcome::NoMember)
        self->askForMemberDetails();
}

void MainWindow::offerNewVersion()
{
    if (offerUpdate(news_, boxes_)) {
        openPage(news_.updateAddress);
        endProgram();
    }
}

} // namespace zelvane
