#include "results/ResultsViewModel.h"

#include "results/ResultTable.h"

#include <QMap>
#include <utility>

namespace zelvane {

namespace {

const QStringList& columnTitles()
{
    static const QStringList titles = {QStringLiteral("Origin"),  QStringLiteral("Destination"),
                                       QStringLiteral("Date"),    QStringLiteral("Time"),
                                       QStringLiteral("OriCode"), QStringLiteral("DesCode"),
                                       QStringLiteral("Last seen"), QStringLiteral("Seats"),
                                       QStringLiteral("Days")};
    return titles;
}

// "Last checked 08/12/2026 07:42: not available"; the row's state in this
// run is its icon, so the tooltip speaks of what the history knows.
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

} // namespace

QList<ItineraryKey> ResultsViewModel::Row::historyKeys() const
{
    QList<ItineraryKey> keys;
    for (const QString& date : dateCells())
        keys << historyKey(date);
    return keys;
}

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

ResultsViewModel::ResultsViewModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultsViewModel::refreshResults(const ItineraryStore& store, const ResultTable& table)
{
    beginResetModel();
    rows_.clear();
    // Only the positions the result table has room for become rows.
    for (int p = 1; p <= store.count() && rows_.size() < kMaxItineraries; ++p) {
        const QString line = store.line(p);
        if (line.isEmpty())
            continue;
        rows_.append({itineraryCells(line), table.icon(p - 1), cabinOfLine(line), adultsOfLine(line),
                      extraDaysOfLine(line), {}, seatDaysSummary(table.entry(p - 1))});
    }
    if (history_) {
        // One pass over the history for all rows and all their dates.
        QList<ItineraryKey> keys;
        for (const Row& r : rows_)
            keys << r.historyKeys();
        const QList<ItinerarySummary> summaries = history_->summaries(keys);
        qsizetype next = 0;
        for (Row& r : rows_) {
            const qsizetype days = r.dateCells().size();
            r.history = combinedSummary(summaries.mid(next, days));
            next += days;
        }
    }
    endResetModel();
}

const ResultsViewModel::Row& ResultsViewModel::row(int position) const
{
    static const Row none;
    return position >= 1 && position <= rows_.size() ? rows_[position - 1] : none;
}

void ResultsViewModel::setIcon(int position, int icon)
{
    if (position < 1 || position > rows_.size())
        return;
    rows_[position - 1].icon = icon;
    const QModelIndex i = index(position - 1, 0);
    emit dataChanged(i, i, {Qt::DecorationRole, kIconRole});
}

QString ResultsViewModel::rowClickText(const ResultTable& table, int position)
{
    return table.entry(position - 1).resultText;
}

void ResultsViewModel::setIconProvider(std::function<QIcon(int)> provider)
{
    iconProvider_ = std::move(provider);
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(rows_.size() - 1, 0), {Qt::DecorationRole});
}

int ResultsViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_.size();
}

int ResultsViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTitles().size();
}

QVariant ResultsViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& r = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == kLastSeenColumn)
            return r.history.lastAvailable.isValid()
                       ? r.history.lastAvailable.toString(QStringLiteral("dd/MM/yyyy")) : QString();
        if (index.column() == kSeatsColumn)
            return r.seats();
        if (index.column() == kDaysColumn)
            return r.daysSummary;
        if (index.column() == 2)
            return datesText(r.cells[2], r.extraDays);
        return r.cells[size_t(index.column())];
    case Qt::ToolTipRole:
        return history_ ? historyTip(r.history) : QVariant();
    case kIconRole:
        return r.icon;
    case Qt::DecorationRole:
        if (index.column() == 0 && iconProvider_)
            return iconProvider_(r.icon);
        return {};
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
