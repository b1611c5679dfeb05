#pragma once

#include "history/HistoryStore.h"
#include "results/SeatCalendar.h"

#include <QDialog>

class QChart;
class QChartView;

namespace zelvane {

struct Theme;

// What the history window shows of one itinerary.
struct HistoryView {
    QList<TimelinePoint> timeline; // its checks, oldest first
    QList<HistoryCheck> checks;    // the same with their days and legs
    QList<RouteCalendar> calendars; // every route of the history
    Route route;                    // the itinerary's, shown first
    QString watch;                  // the itinerary's identity: its own calendar of the route first
    QDate date;                     // the calendar shows its days from this one on
};

// One itinerary's history in three tabs. Its checks as a picture: each
// outcome a mark on its own level (available, not available, not checked)
// along the time of its session, joined by a step line through the real
// checks, with a line of figures under it; its checks as a list, each with
// its leg; and a calendar of a route's days. Opened from the results panel;
// Escape or Close shuts it.
class HistoryWindow final : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(const QString& itinerary, const HistoryView& view, const Theme& theme,
                  QWidget* parent = nullptr);

    QChart* chart() const;
    // The level each outcome is drawn at.
    static qreal levelOf(CheckOutcome outcome);

private:
    QChartView* view_;
};

// What the figures line under the chart says of `points`.
QString historyFigures(const QList<TimelinePoint>& points);

} // namespace zelvane
