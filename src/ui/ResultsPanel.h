#pragma once

#include "ui/Panel.h"

#include <QPointer>
#include <QTimer>

class QComboBox;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QTreeView;
class QVBoxLayout;

namespace zelvane {

class CheckResults;
struct SearchOutcome;
class Clock;
class Dialogs;
class FlightTableModel;
class HistoryStore;
class ResultsViewModel;
class WatchList;
class FlightTableView;
class HistoryWindow;
class WatchHolds;

// The results panel: the results view with the date seats
// were last seen, the flights of the row in view as a table (of the day
// chosen, for an itinerary of several dates) and as the text that is
// printed, "Print", a picture of the row's history and the export of the
// whole history.
class ResultsPanel final : public Panel {
    Q_OBJECT
public:
    ResultsPanel(ResultsViewModel& rows, const WatchList& list, const CheckResults& results,
                 HistoryStore& history, const Clock& clock, Dialogs& dialogs, const Theme& theme, QWidget* parent);
    ~ResultsPanel() override;

    // The history window of the itinerary at `position` (from 1): shown at
    // once, filled as the history is read off this thread.
    void showHistory(int position);
    void exportHistory();
    // Pause, resume and snooze on the list's menu; none without them.
    void setHolds(WatchHolds* holds) { holds_ = holds; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fitColumns();
    QTimer fitLater_; // the widths fitted once a burst of changes rests
    QTreeView* makeResultsList(ResultsViewModel& results);
    QTabWidget* makeDetailTabs();
    QVBoxLayout* makeCommands();
    void showDetails(int position);
    // The flights of day `day` (from 0) of the itinerary in view.
    void showDay(int day);
    void printResults();
    int currentPosition() const;
    // "Book on the airline's site" opens the award search of `day` of the
    // itinerary in view when that day has seats; nothing to book otherwise.
    void offerBooking(const SearchOutcome* day);

    ResultsViewModel& rows_;
    const WatchList& list_;
    const CheckResults& results_;
    HistoryStore& historyStore_;
    const Clock& clock_;
    Dialogs& dialogs_; // where "Export history…" writes, and the booking's page
    QTreeView* resultsList_;
    QTabWidget* detailTabs_;
    QComboBox* dayChoice_;
    int shownPosition_ = 0; // the itinerary whose details are shown
    FlightTableModel* flights_;
    FlightTableView* flightTable_;
    QTextEdit* detailsText_;
    QPushButton* bookButton_;
    QString bookingAddress_; // the award search "Book on the airline's site" opens
    QPointer<HistoryWindow> historyWindow_;
    WatchHolds* holds_ = nullptr;
};

inline const QString kHistoryExported = QStringLiteral("History Exported To ");
inline const QString kHistoryNotExported = QStringLiteral("History Not Exported: ");

} // namespace zelvane
