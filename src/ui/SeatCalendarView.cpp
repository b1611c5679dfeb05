#include "ui/SeatCalendarView.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace zelvane {

namespace {

QColor markColour(Availability state, const Theme& theme)
{
    switch (state) {
    case Availability::Seats: return theme.dark ? QColor(0x5c, 0xd0, 0x7e) : QColor(0x1e, 0x8e, 0x3e);
    case Availability::NoSeats: return theme.dark ? QColor(0xff, 0x7b, 0x72) : QColor(0xc5, 0x22, 0x1f);
    case Availability::NotKnown: break;
    }
    return theme.dark ? QColor(0xa8, 0xb1, 0xbf) : QColor(0x5f, 0x68, 0x76);
}

// A tick, a cross or a question mark in `box`: the shape tells the state
// where the colour cannot.
void paintMark(QPainter& p, const QRectF& box, Availability state, const QColor& colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, std::max(1.5, box.width() / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    const QRectF b = box.adjusted(box.width() / 6, box.height() / 6, -box.width() / 6, -box.height() / 6);
    if (state == Availability::Seats) {
        QPainterPath tick;
        tick.moveTo(b.left(), b.center().y());
        tick.lineTo(b.left() + b.width() * 0.4, b.bottom());
        tick.lineTo(b.right(), b.top());
        p.drawPath(tick);
    } else if (state == Availability::NoSeats) {
        p.drawLine(b.topLeft(), b.bottomRight());
        p.drawLine(b.topRight(), b.bottomLeft());
    } else {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(std::max(6, int(box.height())));
        p.setFont(f);
        p.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
    }
    p.restore();
}

QPixmap markPicture(Availability state, const Theme& theme, int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintMark(p, QRectF(0, 0, size, size), state, markColour(state, theme));
    return pixmap;
}

} // namespace

SeatMonthGrid::SeatMonthGrid(const Theme& theme, QWidget* parent) : QCalendarWidget(parent), theme_(theme)
{
    setObjectName(QStringLiteral("seatCalendar"));
    setFirstDayOfWeek(Qt::Monday);
    setGridVisible(true);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Weekends read as other days: red there would be taken for no seats.
    QTextCharFormat weekend;
    weekend.setForeground(theme.text);
    setWeekdayTextFormat(Qt::Saturday, weekend);
    setWeekdayTextFormat(Qt::Sunday, weekend);
    // The chosen day looks the same with or without the keyboard; its frame
    // says where the keys go.
    days_ = findChild<QAbstractItemView*>();
    if (days_)
        days_->installEventFilter(this);
}

bool SeatMonthGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == days_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        static_cast<QAbstractItemView*>(days_)->viewport()->update();
    return QCalendarWidget::eventFilter(watched, event);
}

void SeatMonthGrid::setCalendar(const RouteCalendar& calendar, const QDate& near)
{
    calendar_ = calendar;
    setDateTextFormat(QDate(), QTextCharFormat());
    for (const CalendarDay& day : calendar.days) {
        QTextCharFormat f;
        f.setToolTip(dayDescription(day));
        QColor tint = markColour(day.state, theme_);
        tint.setAlpha(theme_.dark ? 70 : 45);
        f.setBackground(tint);
        f.setForeground(theme_.text);
        setDateTextFormat(day.date, f);
    }
    const QList<QDate> months = calendar.months();
    if (months.isEmpty()) {
        setDateRange(QDate(), QDate());
        return;
    }
    setDateRange(months.first(), months.last().addMonths(1).addDays(-1));
    const auto ahead = calendar.days.lowerBound(near);
    setSelectedDate(ahead != calendar.days.cend() ? ahead.key() : calendar.days.lastKey());
}

void SeatMonthGrid::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    QCalendarWidget::paintCell(painter, rect, date);
    if (date == selectedDate() && days_ && days_->hasFocus()) {
        painter->save();
        QPen pen(theme_.dark ? theme_.text : theme_.onAccent, 2, Qt::DashLine);
        painter->setPen(pen);
        painter->drawRect(QRectF(rect).adjusted(3, 3, -3, -3));
        painter->restore();
    }
    const auto day = calendar_.days.constFind(date);
    if (day == calendar_.days.cend())
        return;
    const qreal side = std::min(rect.width(), rect.height()) * 0.4;
    // On the chosen day's highlight a mark in its own colour would fade.
    const QColor colour = date == selectedDate() ? palette().color(QPalette::HighlightedText)
                                                 : markColour(day->state, theme_);
    paintMark(*painter, QRectF(rect.right() - side - 1, rect.top() + 1, side, side), day->state, colour);
}

SeatCalendarView::SeatCalendarView(const QList<RouteCalendar>& calendars, const Route& preferred, const QString& watch,
                                   const QDate& near, const Theme& theme, QWidget* parent)
    : QWidget(parent), calendars_(calendars), near_(near)
{
    setObjectName(QStringLiteral("seatCalendarView"));
    routeChoice_ = new QComboBox(this);
    routeChoice_->setObjectName(QStringLiteral("routeChoice"));
    // The watch's own calendar of the route, else what was recorded of the
    // route before watches were told apart.
    int shown = -1, older = 0;
    for (const RouteCalendar& c : calendars_) {
        if (c.route == preferred && c.watch == watch)
            shown = routeChoice_->count();
        if (c.route == preferred && c.watch.isEmpty())
            older = routeChoice_->count();
        routeChoice_->addItem(c.name);
    }
    if (shown < 0)
        shown = older;
    auto* routeLabel = new QLabel(QStringLiteral("&Route:"), this);
    routeLabel->setBuddy(routeChoice_);

    grid_ = new SeatMonthGrid(theme, this);
    dayLine_ = new QLabel(this);
    dayLine_->setObjectName(QStringLiteral("calendarDayLine"));
    dayLine_->setWordWrap(true);
    dayLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* legend = new QHBoxLayout;
    const qreal ratio = devicePixelRatioF();
    const int size = fontMetrics().height();
    for (const auto& [state, text] : {std::pair{Availability::Seats, "seats"},
                                      std::pair{Availability::NoSeats, "no seats"},
                                      std::pair{Availability::NotKnown, "not known"}}) {
        auto* mark = new QLabel(this);
        mark->setPixmap(markPicture(state, theme, size, ratio));
        legend->addWidget(mark);
        legend->addWidget(new QLabel(QLatin1String(text), this));
        legend->addSpacing(size);
    }
    legend->addWidget(new QLabel(QStringLiteral("plain: not searched"), this));
    legend->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(routeLabel);
    top->addWidget(routeChoice_, 1);
    auto* box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addWidget(grid_, 1);
    box->addLayout(legend);
    box->addWidget(dayLine_);

    connect(routeChoice_, &QComboBox::currentIndexChanged, this, &SeatCalendarView::showRoute);
    connect(grid_, &QCalendarWidget::selectionChanged, this, &SeatCalendarView::tellDay);
    routeChoice_->setEnabled(!calendars_.isEmpty());
    grid_->setEnabled(!calendars_.isEmpty());
    if (calendars_.isEmpty())
        dayLine_->setText(QStringLiteral("No day has been searched yet."));
    else {
        routeChoice_->setCurrentIndex(shown);
        showRoute(shown);
    }
}

void SeatCalendarView::showRoute(int index)
{
    if (index < 0 || index >= calendars_.size())
        return;
    grid_->setCalendar(calendars_[index], near_);
    tellDay();
}

void SeatCalendarView::tellDay()
{
    dayLine_->setText(dayDescription(grid_->routeCalendar().day(grid_->selectedDate())));
}

} // namespace zelvane
