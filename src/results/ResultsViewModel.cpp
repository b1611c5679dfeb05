#include "results/ResultsViewModel.h"

#include "app/Clock.h"
#include "itineraries/WatchList.h"
#include "results/CheckRecords.h"
#include "results/CheckResults.h"

#include <QMap>

namespace zelvane {

namespace {

const QStringList& columnTitles()
{
    static const QStringList titles = {QStringLiteral("Origin"), QStringLiteral("Destination"),
                                       QStringLiteral("Date"),   QStringLiteral("Time"),
                                       QStringLiteral("Seats"),  QStringLiteral("Days"),
                                       QStringLiteral("Check"),  QStringLiteral("Last seen")};
    return titles;
}

// "Last checked 08/12/2026 07:42: not available"; the row's state in this
// run is its picture, so the tooltip speaks of what the history knows.
QString historyTip(const ItinerarySummary& h)
{
    if (!h.lastOutcome)
        return QStringLiteral("No check of this itinerary recorded yet");
    QString tip = QStringLiteral("Last checked ") + h.lastTime.toString(QStringLiteral("dd/MM/yyyy HH:mm"))
                  + QStringLiteral(": ") + outcomeName(*h.lastOutcome);
    if (h.lastAvailable.isValid() && *h.lastOutcome != CheckOutcome::Available)
        tip += QStringLiteral("\nSeats last seen ") + h.lastAvailable.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    return tip;
}

// "not checked: HTTP 503 Service Unavailable"; empty when the check answered
// or there was none yet.
QString notCheckedText(const ItineraryResult& result)
{
    if (result.paused)
        return QStringLiteral("paused");
    const QString why = result.availability() == Availability::NotKnown ? result.reason() : QString();
    return why.isEmpty() ? QString() : QStringLiteral("not checked: ") + why;
}

} // namespace

ItinerarySummary combinedSummary(const QList<ItinerarySummary>& days)
{
    ItinerarySummary all;
    for (const ItinerarySummary& d : days) {
        if (d.lastAvailable.isValid() && (!all.lastAvailable.isValid() || d.lastAvailable > all.lastAvailable))
            all.lastAvailable = d.lastAvailable;
        if (!d.lastOutcome)
            continue;
        // The newest check speaks for the row; seats on any date of it win.
        const bool newer = !all.lastOutcome || d.lastTime > all.lastTime;
        const bool sameCheckWithSeats = d.lastTime == all.lastTime && d.lastOutcome == CheckOutcome::Available;
        if (newer || sameCheckWithSeats) {
            all.lastOutcome = d.lastOutcome;
            all.lastTime = d.lastTime;
        }
    }
    return all;
}

QList<TimelinePoint> combinedTimeline(const QList<QList<TimelinePoint>>& days)
{
    const auto rank = [](CheckOutcome o) {
        return o == CheckOutcome::Available ? 2 : o == CheckOutcome::NotAvailable ? 1 : 0;
    };
    QMap<QDateTime, CheckOutcome> sessions;
    for (const QList<TimelinePoint>& day : days)
        for (const TimelinePoint& p : day) {
            const auto it = sessions.constFind(p.when);
            if (it == sessions.constEnd() || rank(p.outcome) > rank(*it))
                sessions.insert(p.when, p.outcome);
        }
    QList<TimelinePoint> points;
    for (auto it = sessions.cbegin(); it != sessions.cend(); ++it)
        points.append({it.key(), it.value()});
    return points;
}

ResultsViewModel::ResultsViewModel(const WatchList& list, const CheckResults& results, const Clock& clock,
                                   QObject* parent)
    : QAbstractTableModel(parent), list_(list), results_(results), clock_(clock)
{
    connect(&results_, &CheckResults::reset, this, &ResultsViewModel::rebuild);
    const auto rowChanged = [this](int position) {
        emit dataChanged(index(position - 1, 0), index(position - 1, columnCount() - 1));
    };
    connect(&results_, &CheckResults::changed, this, rowChanged);
    connect(&list_, &WatchList::held, this, rowChanged);
    rebuild();
}

void ResultsViewModel::setHistory(const HistoryStore* history)
{
    history_ = history;
    rebuild();
}

void ResultsViewModel::rebuild()
{
    beginResetModel();
    summaries_.clear();
    if (history_) {
        // One pass over the history for all rows and all their dates.
        QList<ItineraryKey> keys;
        QList<qsizetype> dates;
        for (int p = 1; p <= results_.count(); ++p) {
            const QList<ItineraryKey> k = historyKeys(list_.at(p));
            keys << k;
            dates << k.size();
        }
        const QList<ItinerarySummary> found = history_->summaries(keys);
        qsizetype next = 0;
        for (const qsizetype n : dates) {
            summaries_ << combinedSummary(found.mid(next, n));
            next += n;
        }
    }
    endResetModel();
}

void ResultsViewModel::refreshHistory()
{
    if (history_)
        rebuild();
}

int ResultsViewModel::rowCount(const QModelIndex& parent) const
{
    // The results follow the list; their count is the rows'.
    return parent.isValid() ? 0 : results_.count();
}

int ResultsViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columnTitles().size());
}

QVariant ResultsViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int position = index.row() + 1;
    const Itinerary& it = list_.at(position);
    const ItineraryResult& result = results_.at(position);
    const ItinerarySummary summary = summaries_.value(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kOriginColumn: return it.originNames();
        case kDestinationColumn: return it.destinationNames();
        case kDateColumn: return list_.datesText(position);
        case kTimeColumn: return it.timeOfDay;
        case kLastSeenColumn:
            return summary.lastAvailable.isValid() ? summary.lastAvailable.toString(QStringLiteral("dd/MM/yyyy"))
                                                   : QString();
        case kSeatsColumn: return it.seatsText();
        case kDaysColumn: return result.daysSummary();
        case kNotCheckedColumn: {
            // Snoozed: checked all the same, with why no alert comes.
            const QDate today = clock_.now().date();
            const QString snoozed = !result.paused && it.snoozed(today) ? it.holdText(today) : QString();
            const QString why = notCheckedText(result);
            return why.isEmpty() || snoozed.isEmpty() ? why + snoozed : why + QStringLiteral("; ") + snoozed;
        }
        }
        return {};
    case kPausedRole:
        return it.paused;
    case Qt::ToolTipRole: {
        // A trip with days, legs or pairs to tell may be longer than its row
        // shows: its whole text comes first, a leg to a line.
        QStringList tip;
        if (const QString days = result.daysSummary(QStringLiteral("\n")); !days.isEmpty())
            tip << it.originNames() + QStringLiteral(" → ") + it.destinationNames()
                << QStringList{list_.datesText(position), it.timeOfDay, it.seatsText()}.join(QStringLiteral(", "))
                << days;
        // What this run's check could not tell comes next: it is today's news.
        if (const QString notChecked = notCheckedText(result); !notChecked.isEmpty())
            tip << notChecked.left(1).toUpper() + notChecked.mid(1);
        if (history_)
            tip << historyTip(summary);
        return tip.isEmpty() ? QVariant() : QVariant(tip.join(QStringLiteral("\n")));
    }
    case kAvailabilityRole:
        return int(result.availability());
    default:
        return {};
    }
}

QVariant ResultsViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < columnTitles().size())
        return columnTitles()[section];
    return {};
}

} // namespace zelvane
