#pragma once

#include "results/SeatCalendar.h"
#include "ui/Skin.h"

#include <QCalendarWidget>
#include <QWidget>

class QComboBox;
class QLabel;

namespace zelvane {

// A month grid of one route's days, each marked by a shape as well as a
// colour: a tick for seats, a cross for no seats, "?" when not known; a day
// never searched is plain. Arrow keys move over the days, PageUp and
// PageDown over the months; each day's tooltip says what is known of it.
class SeatMonthGrid final : public QCalendarWidget {
    Q_OBJECT
public:
    SeatMonthGrid(const Theme& theme, QWidget* parent = nullptr);
    // Shows `calendar` at its first day searched from `near` on, else at its last.
    void setCalendar(const RouteCalendar& calendar, const QDate& near);
    const RouteCalendar& routeCalendar() const { return calendar_; }

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Theme theme_;
    RouteCalendar calendar_;
    QWidget* days_ = nullptr; // the grid's own view of the days, which takes the keys
};

// The calendar of the history window: the route to show, its months, and a
// line below telling the day under focus what its tooltip tells.
class SeatCalendarView final : public QWidget {
    Q_OBJECT
public:
    // `preferred` is shown first when the history knows it, from `near` on.
    SeatCalendarView(const QList<RouteCalendar>& calendars, const Route& preferred, const QString& watch, const QDate& near,
                     const Theme& theme, QWidget* parent = nullptr);

private:
    void showRoute(int index);
    void tellDay();

    QList<RouteCalendar> calendars_;
    QDate near_;
    QComboBox* routeChoice_;
    SeatMonthGrid* grid_;
    QLabel* dayLine_;
};

} // namespace zelvane
