#include "ui/HistoryWindow.h"

#include "ui/SeatCalendarView.h"
#include "ui/Skin.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zelvane {

namespace {

constexpr qreal kAvailableLevel = 2, kNotAvailableLevel = 1, kNotCheckedLevel = 0;

struct Mark {
    const char* name;
    qreal level;
    QScatterSeries::MarkerShape shape; // told apart by shape as well as colour
    QColor light, dark;
};

const Mark kMarks[] = {
    {"Available", kAvailableLevel, QScatterSeries::MarkerShapeCircle, QColor(0x1e, 0x8e, 0x3e),
     QColor(0x5c, 0xd0, 0x7e)},
    {"Not available", kNotAvailableLevel, QScatterSeries::MarkerShapeRectangle, QColor(0xc5, 0x22, 0x1f),
     QColor(0xff, 0x7b, 0x72)},
    {"Not checked", kNotCheckedLevel, QScatterSeries::MarkerShapeTriangle, QColor(0x7a, 0x84, 0x93),
     QColor(0xa8, 0xb1, 0xbf)},
};

qreal msOf(const QDateTime& t)
{
    return qreal(t.toMSecsSinceEpoch());
}

QString day(const QDateTime& t)
{
    return t.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

qreal HistoryWindow::levelOf(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::Available: return kAvailableLevel;
    case CheckOutcome::NotAvailable: return kNotAvailableLevel;
    case CheckOutcome::LoggedOut:
    case CheckOutcome::Failed:
    case CheckOutcome::Unreadable: break;
    }
    return kNotCheckedLevel;
}

QString historyFigures(const QList<TimelinePoint>& points)
{
    if (points.isEmpty())
        return QStringLiteral("No check of this itinerary has been recorded yet.");
    int available = 0;
    QDateTime lastSeen;
    for (const TimelinePoint& p : points)
        if (p.outcome == CheckOutcome::Available) {
            ++available;
            lastSeen = p.when;
        }
    QString text = points.size() == 1
                       ? QStringLiteral("1 check on %1").arg(day(points.first().when))
                       : QStringLiteral("%1 checks from %2 to %3")
                             .arg(points.size())
                             .arg(day(points.first().when), day(points.last().when));
    text += QStringLiteral(" · seats found: %1").arg(available);
    return text + (lastSeen.isValid() ? QStringLiteral(" · last seen %1").arg(day(lastSeen))
                                      : QStringLiteral(" · never seen"));
}

namespace {

// The step line through the real checks and one series of marks per outcome.
QList<QAbstractSeries*> addSeries(QChart* chart, const QList<TimelinePoint>& points, const Theme& theme)
{
    // The step line goes through the real checks only: a check that did not
    // happen says nothing of the seats.
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Seats"));
    line->setPen(QPen(theme.dim, 1.5));
    std::optional<qreal> level;
    for (const TimelinePoint& p : points) {
        if (!wasChecked(p.outcome))
            continue;
        const qreal y = HistoryWindow::levelOf(p.outcome);
        if (level && *level != y)
            line->append(msOf(p.when), *level);
        line->append(msOf(p.when), y);
        level = y;
    }
    chart->addSeries(line);
    QList<QAbstractSeries*> series{line};
    for (const Mark& m : kMarks) {
        auto* s = new QScatterSeries;
        s->setName(QLatin1String(m.name));
        s->setMarkerShape(m.shape);
        s->setMarkerSize(m.shape == QScatterSeries::MarkerShapeRectangle ? 8 : 9);
        s->setColor(theme.dark ? m.dark : m.light);
        s->setBorderColor(theme.panel);
        for (const TimelinePoint& p : points)
            if (HistoryWindow::levelOf(p.outcome) == m.level)
                s->append(msOf(p.when), m.level);
        chart->addSeries(s);
        series << s;
    }
    for (QLegendMarker* marker : chart->legend()->markers(line))
        marker->setVisible(false);
    return series;
}

// Time along the bottom, one band per outcome up the side.
void addAxes(QChart* chart, const QList<QAbstractSeries*>& series, const QList<TimelinePoint>& points,
             const Theme& theme)
{
    auto* time = new QDateTimeAxis;
    const QDateTime first = points.isEmpty() ? QDateTime::currentDateTime() : points.first().when;
    const QDateTime last = points.isEmpty() ? first : points.last().when;
    // A little room either side, so the first and last marks are not cut.
    const qint64 pad = std::max<qint64>(first.secsTo(last) / 40, 3600);
    time->setRange(first.addSecs(-pad), last.addSecs(pad));
    time->setFormat(first.daysTo(last) > 2 ? QStringLiteral("dd/MM/yy") : QStringLiteral("dd/MM HH:mm"));
    time->setTickCount(5);
    // One band per outcome, its name in the middle of it.
    auto* outcome = new QCategoryAxis;
    outcome->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    outcome->setStartValue(kNotCheckedLevel - 0.5);
    for (auto m = std::rbegin(kMarks); m != std::rend(kMarks); ++m)
        outcome->append(QLatin1String(m->name), m->level + 0.5);
    outcome->setRange(kNotCheckedLevel - 0.5, kAvailableLevel + 0.5);
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{time, outcome}) {
        axis->setLabelsColor(theme.text);
        axis->setGridLineColor(theme.border);
        axis->setLinePenColor(theme.border);
    }
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(outcome, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        s->attachAxis(time);
        s->attachAxis(outcome);
    }
}

QChart* timelineChart(const QList<TimelinePoint>& points, const Theme& theme)
{
    auto* chart = new QChart;
    chart->setBackgroundBrush(theme.panel);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(6, 6, 6, 6));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setLabelColor(theme.text);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    addAxes(chart, addSeries(chart, points, theme), points, theme);
    return chart;
}

// Newest first: what the user opens the list for.
QTreeWidget* checksList(const QList<HistoryCheck>& checks, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("historyChecks"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels({QStringLiteral("Session"), QStringLiteral("Leg"), QStringLiteral("From"),
                           QStringLiteral("To"), QStringLiteral("Date"), QStringLiteral("Outcome")});
    QList<QTreeWidgetItem*> items;
    items.reserve(checks.size());
    for (auto h = checks.crbegin(); h != checks.crend(); ++h) {
        const ItineraryKey& k = h->check.key;
        items << new QTreeWidgetItem({h->session.toString(QStringLiteral("dd/MM/yyyy HH:mm")), legName(h->check.leg),
                                      k.origin, k.destination, k.date, outcomeName(h->check.outcome)});
    }
    // Added at once, and sized from the first rows: every column but the
    // last holds texts of one width (times, codes, dates, a leg), and the
    // last takes what is left. Measuring a year of rows would hold the
    // window's thread for longer than the user notices.
    list->addTopLevelItems(items);
    list->header()->setResizeContentsPrecision(100);
    for (int c = 0; c < list->columnCount(); ++c)
        list->resizeColumnToContents(c);
    return list;
}

} // namespace

namespace {

// A tab's page while its part of the history is read, or when it cannot be.
QLabel* waitingPage(const QString& text, QWidget* parent)
{
    auto* page = new QLabel(text, parent);
    page->setObjectName(QStringLiteral("historyWaiting"));
    page->setAlignment(Qt::AlignCenter);
    page->setWordWrap(true);
    page->setMargin(12);
    page->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return page;
}

} // namespace

HistoryWindow::HistoryWindow(const QString& itinerary, const Theme& theme, QWidget* parent)
    : QDialog(parent), theme_(theme)
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("History — ") + itinerary);
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(paletteFor(theme));

    // The chart's room is kept while it is read: the window does not grow
    // under the pointer when the timeline comes.
    view_ = new QChartView(this);
    view_->setObjectName(QStringLiteral("historyChart"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(520, 280);
    view_->setFocusPolicy(Qt::NoFocus);
    view_->chart()->setBackgroundBrush(theme.panel);
    view_->chart()->setBackgroundRoundness(0);

    figures_ = new QLabel(kReadingHistory, this);
    figures_->setObjectName(QStringLiteral("historyFigures"));
    figures_->setWordWrap(true);
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Not the default: a default button is drawn as if the keyboard were on
    // it. Escape closes the window, Return closes it from the button.

    auto* timeline = new QWidget(this);
    auto* timelineBox = new QVBoxLayout(timeline);
    timelineBox->addWidget(view_, 1);
    timelineBox->addWidget(figures_);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("historyTabs"));
    tabs_->addTab(timeline, QStringLiteral("&Timeline"));
    tabs_->addTab(waitingPage(kReadingHistory, this), QStringLiteral("C&hecks"));
    tabs_->addTab(waitingPage(kReadingHistory, this), QStringLiteral("C&alendar"));

    auto* box = new QVBoxLayout(this);
    box->addWidget(tabs_, 1);
    box->addWidget(buttons);
}

void HistoryWindow::showTimeline(const QList<TimelinePoint>& points)
{
    if (read_)
        return;
    QChart* before = view_->chart();
    view_->setChart(timelineChart(points, theme_));
    delete before;
    view_->setVisible(!points.isEmpty());
    figures_->setText(historyFigures(points));
    timelineShown_ = true;
}

void HistoryWindow::replaceTab(int index, QWidget* page)
{
    const QString title = tabs_->tabText(index);
    const bool current = tabs_->currentIndex() == index;
    QWidget* before = tabs_->widget(index);
    tabs_->removeTab(index);
    tabs_->insertTab(index, page, title);
    if (current)
        tabs_->setCurrentIndex(index);
    delete before;
}

void HistoryWindow::showChecks(const QList<HistoryCheck>& checks, const QList<RouteCalendar>& calendars,
                               const Route& route, const QString& watch, const QDate& date)
{
    if (read_)
        return;
    replaceTab(1, checksList(checks, this));
    replaceTab(2, new SeatCalendarView(calendars, route, watch, date, theme_, this));
    read_ = true;
    emit historyRead();
}

void HistoryWindow::showFailure(const QString& why)
{
    if (read_)
        return;
    const QString text = kHistoryUnreadable + why;
    if (!timelineShown_) {
        view_->hide();
        figures_->setText(text);
    }
    for (int i = 1; i < tabs_->count(); ++i)
        if (auto* waiting = qobject_cast<QLabel*>(tabs_->widget(i));
            waiting && waiting->objectName() == QLatin1String("historyWaiting"))
            waiting->setText(text);
    read_ = true;
    emit historyRead();
}

QChart* HistoryWindow::chart() const
{
    return view_->chart();
}

} // namespace zelvane
