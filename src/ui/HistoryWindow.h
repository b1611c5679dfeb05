#pragma once

#include "history/HistoryStore.h"
#include "results/SeatCalendar.h"

#include "ui/Skin.h"

#include <QDialog>

class QChart;
class QChartView;
class QLabel;
class QTabWidget;

namespace zelvane {

struct Theme;

// One itinerary's history in three tabs. Its checks as a picture: each
// outcome a mark on its own level (available, not available, not checked)
// along the time of its session, joined by a step line through the real
// checks, with a line of figures under it; its checks as a list, each with
// its leg; and a calendar of a route's days. Opened from the results panel;
// Escape or Close shuts it.
// It opens at once, each tab saying that the history is being read, and
// takes what a read of the history (HistoryRead) brings as it comes: the
// timeline first, then the checks and the calendar, or why the file could
// not be read.
class HistoryWindow final : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(const QString& itinerary, const Theme& theme, QWidget* parent = nullptr);

    // The itinerary's checks as points, oldest first: the first page.
    void showTimeline(const QList<TimelinePoint>& points);
    // Its checks with their legs, the calendars of every route: the route's
    // of `watch` first, from `date` on.
    void showChecks(const QList<HistoryCheck>& checks, const QList<RouteCalendar>& calendars, const Route& route,
                    const QString& watch, const QDate& date);
    // The history could not be read: said in each tab still waiting.
    void showFailure(const QString& why);
    // Every tab holds what it shows, or the window said why it cannot.
    bool isRead() const { return read_; }

    QChart* chart() const;
    // The level each outcome is drawn at.
    static qreal levelOf(CheckOutcome outcome);

signals:
    void historyRead();

private:
    void replaceTab(int index, QWidget* page);

    Theme theme_;
    QChartView* view_;
    QLabel* figures_;
    QTabWidget* tabs_;
    bool timelineShown_ = false;
    bool read_ = false;
};

// What each tab says while the history is read, and when it cannot be.
inline const QString kReadingHistory = QStringLiteral("Reading the history…");
inline const QString kHistoryUnreadable = QStringLiteral("The history could not be read: ");

// What the figures line under the chart says of `points`.
QString historyFigures(const QList<TimelinePoint>& points);

} // namespace zelvane
