// The member details on the main window: asking for them, locking them once
// saved, and the login test.
#include "ui/MainWindow.h"

#include "app/MemberDetails.h"
#include "engine/CheckEngine.h"
#include "itineraries/WatchList.h"
#include "startup/CheckRig.h"
#include "ui/ImageButton.h"
#include "ui/ItineraryPanel.h"
#include "ui/MemberPanel.h"

#include <QPointer>
#include <QPushButton>

namespace zelvane {

void MainWindow::lockMemberDetails()
{
    const bool missing = parts_.member->missing();
    member_->lockEntries(!missing);
    if (missing)
        showPanel(itinerary_);
    // Stored details the airline could not be sent are named as soon as the window is made.
    if (!storedDetailProblem(*parts_.member).isEmpty())
        askForMemberDetails();
}

void MainWindow::memberDetailsSaved()
{
    lockMemberDetails();
    showPanel(member_);
    for (ImageButton* tab : tabs_)
        tab->setEnabled(true);
    checkNowButton_->setEnabled(true);
    checkNowKey_->setEnabled(true);
    // Said whatever the line showed before: the save and what comes next.
    setStatus(parts_.watchList.count() > 0 ? kDetailsSaved : kDetailsSavedAddItinerary);
}

void MainWindow::askForMemberDetails()
{
    // Stored details that cannot be sent are named, and opened to be put right.
    const QString problem = storedDetailProblem(*parts_.member);
    setStatus(problem.isEmpty() ? kFillAllRequired : storedDetailWarning(problem));
    if (!problem.isEmpty())
        member_->lockEntries(false);
}

void MainWindow::openAtMemberDetails()
{
    ensureBuilt();
    showPanel(member_);
    for (int i = 0; i < tabs_.size(); ++i)
        tabs_[i]->setEnabled(panels_.value(i) == member_);
    // Nothing can be checked without the details.
    checkNowButton_->setEnabled(false);
    checkNowKey_->setEnabled(false);
    setStatus(kFirstRunHint);
}

QCoro::Task<> MainWindow::testLogin()
{
    QPointer<MainWindow> self(this);
    const bool tested = co_await rig_.engine().testLogin();
    if (self && !tested) {
        self->showPanel(self->member_);
        self->askForMemberDetails();
    }
}

} // namespace zelvane
