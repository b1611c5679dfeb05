#include "ui/DateField.h"

#include "itineraries/WatchListFile.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelvane {

namespace {
const QString kFormat = QStringLiteral("dd/MM/yyyy");
} // namespace

DateField::DateField(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("dateText"));
    // Digits and slashes as far as a date goes: no part is judged before the
    // whole is typed.
    text_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"(\d{0,2}(/\d{0,2}(/\d{0,4})?)?)")), text_));
    text_->setPlaceholderText(QStringLiteral("dd/mm/yyyy"));
    text_->setToolTip(QStringLiteral("Type the date as day/month/year, or press Alt+Down for a calendar"));
    row->addWidget(text_, 1);
    opener_ = new QToolButton(this);
    opener_->setObjectName(QStringLiteral("calendarButton"));
    opener_->setArrowType(Qt::DownArrow);
    opener_->setFocusPolicy(Qt::NoFocus); // Alt+Down opens it from the text
    opener_->setAccessibleName(QStringLiteral("Calendar"));
    row->addWidget(opener_);
    // One stop for Tab, the text's.
    setFocusProxy(text_);

    popup_ = new QWidget(this, Qt::Popup);
    auto* box = new QVBoxLayout(popup_);
    box->setContentsMargins(1, 1, 1, 1);
    calendar_ = new QCalendarWidget(popup_);
    calendar_->setObjectName(QStringLiteral("calendar"));
    calendar_->setGridVisible(true);
    box->addWidget(calendar_);

    connect(text_, &QLineEdit::textEdited, this, [this] {
        if (const QDate d = date(); d.isValid())
            emit dateChanged(d);
    });
    connect(opener_, &QToolButton::clicked, this, &DateField::openCalendar);
    connect(calendar_, &QCalendarWidget::activated, this, [this](const QDate& d) {
        popup_->hide();
        text_->setFocus(Qt::PopupFocusReason);
        // Chosen, even when it is the date already shown.
        if (d == date())
            emit dateChanged(d);
        else
            setDate(d);
    });
    connect(calendar_, &QCalendarWidget::clicked, calendar_, &QCalendarWidget::activated);
    text_->installEventFilter(this);
}

QDate DateField::date() const
{
    return readDate(text_->text()).value_or(QDate());
}

void DateField::setDate(const QDate& date)
{
    if (date == this->date())
        return;
    text_->setText(date.toString(kFormat));
    emit dateChanged(date);
}

void DateField::setOffered(const QDate& first, const QDate& last)
{
    calendar_->setDateRange(first, last);
}

void DateField::openCalendar()
{
    if (const QDate d = date(); d.isValid())
        calendar_->setSelectedDate(d);
    popup_->adjustSize();
    // Below the field, or above it where the screen ends.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (at.y() + popup_->height() > area.bottom() + 1)
            at.setY(mapToGlobal(QPoint()).y() - popup_->height());
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - popup_->width())));
    }
    popup_->move(at);
    popup_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

bool DateField::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == text_ && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_F4 || (k->key() == Qt::Key_Down && (k->modifiers() & Qt::AltModifier))) {
            openCalendar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace zelvane
