#include "ui/WatchHolds.h"

#include "app/Clock.h"
#include "itineraries/WatchList.h"
#include "ui/DateField.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace zelvane {

namespace {

std::optional<QDate> askDate(const QDate& suggested, const QDate& first)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("snoozeDateDialog"));
    dialog.setWindowTitle(QStringLiteral("Snooze until"));
    auto* box = new QVBoxLayout(&dialog);
    box->addWidget(new QLabel(QStringLiteral("No alerts of this trip up to and including:"), &dialog));
    auto* field = new DateField(&dialog);
    field->setObjectName(QStringLiteral("snoozeDateField"));
    field->setOffered(first, latestDeparture(first));
    field->setDate(suggested);
    box->addWidget(field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    box->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !field->date().isValid() || field->date() < first)
        return std::nullopt;
    return field->date();
}

} // namespace

WatchHolds::WatchHolds(WatchList& list, MessageBoxes& boxes, const Clock& clock, QObject* parent)
    : QObject(parent), list_(list), clock_(clock), editing_(list, boxes)
{
    chooseDate = [this](const QDate& suggested) { return askDate(suggested, clock_.now().date()); };
}

void WatchHolds::fillMenu(QMenu& menu, int position, bool withPause)
{
    if (position < 1 || position > list_.count() || !list_.readable(position))
        return;
    const Itinerary& watch = list_.at(position);
    const QDate today = clock_.now().date();
    const auto add = [this, &menu, position](const char* name, const QString& text, const HoldChoice& choice) {
        QAction* a = menu.addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, position, choice] { apply(position, choice); });
        return a;
    };
    if (withPause) {
        if (watch.paused)
            add("resumeAction", QStringLiteral("&Resume checking"), {HoldChoice::Kind::Resume});
        else
            add("pauseAction", QStringLiteral("&Pause: do not check"), {HoldChoice::Kind::Pause});
        menu.addSeparator();
    }
    add("snoozeDayAction", QStringLiteral("Snooze alerts for a &day"), snoozeFor(1, today));
    add("snoozeWeekAction", QStringLiteral("Snooze alerts for a &week"), snoozeFor(7, today));
    QAction* until = menu.addAction(QStringLiteral("Snooze alerts &until…"));
    until->setObjectName(QStringLiteral("snoozeUntilAction"));
    connect(until, &QAction::triggered, this, [this, position, today, watch] {
        const QDate suggested = watch.snoozed(today) ? watch.snoozedUntil : today.addDays(7);
        if (const std::optional<QDate> day = chooseDate(suggested))
            apply(position, {HoldChoice::Kind::Snooze, *day});
    });
    if (watch.snoozed(today))
        add("wakeAction", QStringLiteral("&Clear the snooze (until %1)").arg(dateText(watch.snoozedUntil)),
            {HoldChoice::Kind::Wake});
}

void WatchHolds::apply(int position, const HoldChoice& choice)
{
    const ItineraryEditing::Hold outcome = editing_.hold(position, choice);
    if (const QString said = editing_.statusAfterHold(outcome, position, choice); !said.isEmpty())
        emit statusMessage(said);
}

void WatchHolds::snoozeWeek(const QString& identity)
{
    const int position = list_.positionOf(identity);
    // Deleted since it was told: nothing is left to snooze.
    if (position == 0) {
        emit statusMessage(QStringLiteral("That trip is no longer in the watch list"));
        return;
    }
    apply(position, snoozeFor(7, clock_.now().date()));
}

} // namespace zelvane
