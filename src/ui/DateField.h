#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

namespace zelvane {

// A date typed whole, day/month/year, or chosen from a calendar of the dates
// on offer. What is typed is taken once it is a whole date, whatever its
// parts were on the way; whether the date can be used is for whoever takes
// it to say. Alt+Down (or F4, or the arrow) opens the calendar.
class DateField final : public QWidget {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);

    // Invalid while the text is no whole date.
    QDate date() const;
    // Shown, and told as a change when it is one.
    void setDate(const QDate& date);
    // The dates the calendar offers.
    void setOffered(const QDate& first, const QDate& last);
    QCalendarWidget* calendarWidget() const { return calendar_; }
    QLineEdit* lineEdit() const { return text_; }

signals:
    // Typed whole, or chosen in the calendar.
    void dateChanged(const QDate& date);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void openCalendar();

    QLineEdit* text_;
    QToolButton* opener_;
    QWidget* popup_;
    QCalendarWidget* calendar_;
};

} // namespace zelvane
