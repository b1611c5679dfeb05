#pragma once

#include "history/HistoryStore.h"

#include <QDialog>

class QChart;
class QChartView;

namespace zelvane {

struct Theme;

// One itinerary's checks as a picture: each outcome a mark on its own level
// (available, not available, not checked) along the time of its session,
// joined by a step line through the real checks, with a line of figures
// under it. Opened from the results panel; Escape or Close shuts it.
class HistoryWindow final : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(const QString& itinerary, const QList<TimelinePoint>& points, const Theme& theme,
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
