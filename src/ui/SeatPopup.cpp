#include "ui/SeatPopup.h"

#include "engine/BookingLink.h"
#include "ui/ShowWebPage.h"
#include "ui/Skin.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace zelvane {

namespace {

QFont arialBold(double points)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

constexpr double kCaptionPoints = 12;
constexpr int kDesignedCaptionLines = 4; // origin, destination, date, "is Available!"

// Whether `text` in `font` fits all of `label`, broken into lines where it may be.
bool fitsIn(const QFont& font, const QLabel* label, const QString& text)
{
    const QRect box = label->rect();
    const QRect needed =
        QFontMetrics(font, label).boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

// A long caption shrinks no smaller than the rest of the desktop's text: past
// that it is shortened rather than made hard to read.
double smallestCaptionPoints()
{
    const QFont desktop = QGuiApplication::font();
    double points = desktop.pointSizeF();
    if (points <= 0) // set in pixels: the same height in points
        points = desktop.pixelSize() * 72.0 / 96.0;
    return std::clamp(points, 1.0, kCaptionPoints);
}

// A number stays on the line of the word before it: a day beside its
// date, "For 9" together.
QString numbersKeptWithTheirWords(QString text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char(' ') && text[i + 1].isDigit())
            text[i] = QChar::Nbsp;
    return text;
}

// A palette, not a style sheet: a style sheet per pop-up costs memory that
// is not all given back when the pop-up goes.
void setTextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

} // namespace

SeatPopup::SeatPopup(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus),
      dialogs_(dialogs)
{
    setObjectName(QStringLiteral("seatPopup"));
    setWindowTitle(QStringLiteral("Reminder"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);

    if (QScreen* s = QGuiApplication::primaryScreen()) {
        screen_ = s->geometry();
        perPixel_ = twipsPerPixel(s->logicalDotsPerInchY());
    }
    const auto px = [this](int twips) { return toPixels(twips, perPixel_); };
    const QSize full(px(kReminderWidth), px(kReminderHeight));
    resize(full);

    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("popupPicture"));
    image_->setGeometry((full.width() - 200) / 2, px(150), 200, 22);
    image_->setPixmap(reminderBanner(QSize(200, 22), devicePixelRatioF()));
    image_->installEventFilter(this);

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("captionLabel"));
    caption_->setFont(arialBold(kCaptionPoints));
    caption_->setGeometry(captionArea());
    caption_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    caption_->setWordWrap(true);
    setTextColour(caption_, QColor(0x13, 0x34, 0x5a));
    caption_->setCursor(Qt::PointingHandCursor);
    caption_->installEventFilter(this);

    heading_ = new QLabel(QStringLiteral("Check Results!"), this);
    heading_->setObjectName(QStringLiteral("checkResultsLink"));
    heading_->setFont(arialBold(14.25));
    heading_->setGeometry(px(600), px(2055), px(3660), px(435));
    setTextColour(heading_, QColor(0xb3, 0x12, 0x2e));
    heading_->setCursor(Qt::PointingHandCursor);
    heading_->installEventFilter(this);

    // Along the bottom edge, small, beside the way to book: the seats are
    // what the pop-up is for.
    snooze_ = new QLabel(QStringLiteral("Snooze this trip for a week"), this);
    snooze_->setObjectName(QStringLiteral("snoozeWeekLink"));
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(7);
    small.setUnderline(true);
    snooze_->setFont(small);
    snooze_->setGeometry(px(1890), px(2445), px(1890), px(225));
    snooze_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(snooze_, QColor(0x13, 0x34, 0x5a));
    snooze_->setCursor(Qt::PointingHandCursor);
    snooze_->setToolTip(QStringLiteral("Still checked and kept in the history, but no alert of this trip for a week"));
    snooze_->installEventFilter(this);
    snooze_->hide();
    // Under "Check Results!", in the strip the face leaves there.
    book_ = new QLabel(kBookOnAirlineSite, this);
    book_->setObjectName(QStringLiteral("bookLink"));
    QFont bold = arialBold(7);
    bold.setUnderline(true);
    book_->setFont(bold);
    book_->setGeometry(px(120), px(2445), px(1800), px(225));
    setTextColour(book_, QColor(0x13, 0x34, 0x5a));
    book_->setCursor(Qt::PointingHandCursor);
    book_->installEventFilter(this);
    book_->hide();

    growTimer.setInterval(10);
    slideTimer.setInterval(20);
    connect(&growTimer, &QTimer::timeout, this, [this] {
        growTick(frame_, start_.fullHeight, start_.finalTop);
        if (!frame_.growing)
            growTimer.stop();
        place();
    });
    connect(&slideTimer, &QTimer::timeout, this, [this] {
        slideTick(frame_, start_.slideRest);
        if (!frame_.sliding)
            slideTimer.stop();
        place();
    });
    applyShape();
}

void SeatPopup::startMore(int more, int slot, const QRect& keepClear)
{
    more_ = true;
    start(Announcement(), slot, keepClear);
    setMore(more);
}

void SeatPopup::setMore(int more)
{
    setCaption(more == 1 ? QStringLiteral("and 1 more flight\r\nwith seats")
                         : QStringLiteral("and %1 more flights\r\nwith seats").arg(more));
}

void SeatPopup::start(const Announcement& announcement, int slot, const QRect& keepClear)
{
    announcement_ = announcement;
    QRect work = screen_;
    if (QScreen* s = QGuiApplication::primaryScreen())
        work = s->availableGeometry();
    start_ = reminderStart(screen_, work, perPixel_, slot, {kReminderWidth, kReminderHeight}, keepClear);
    frame_ = {};
    frame_.top = start_.top;
    frame_.height = 0;
    // An announcement without cities leaves the caption empty; the pop-up
    // still comes up.
    showCaption(announcement);
    // Only a trip of the watch list can be snoozed: not a test, not "and N more".
    snooze_->setVisible(!announcement.watch.isEmpty());
    book_->setVisible(!announcement.booking.isEmpty());
    book_->setToolTip(announcement.booking.isEmpty()
                          ? QString()
                          : QStringLiteral("Opens the airline's award search in your browser; it works once you "
                                           "have signed in there"));
    place();
    show();
    growTimer.start();
    keepOnTop();
    applyShape();
    slideTimer.start();
}

void SeatPopup::showCaption(const Announcement& announcement)
{
    const auto whole = reminderCaption(announcement);
    if (!whole || setCaption(*whole))
        return;
    // A trip too long to read whole at the desktop's font size (a return
    // journey from two or three airports, a week of days) keeps that size
    // and tells its first days with seats and how many more; a click shows
    // them all in the results. The pop-up keeps its size rather than growing
    // to fit: its place in the stack is one of a few of one height, so
    // however long a trip is no pop-up covers another or leaves the work
    // area, and the stack holds as many as ever.
    for (qsizetype shown = announcement.days.size(); shown >= 0; --shown)
        if (setCaption(*reminderCaption(announcement, int(shown))) || shown == 0)
            return;
}

bool SeatPopup::setCaption(const QString& text)
{
    caption_->setGeometry(captionArea());
    QFont font = arialBold(kCaptionPoints);
    QString shown = text;
    bool fits = true;
    const QFontMetrics designed(font, caption_);
    if (text.count(QLatin1Char('\n')) >= kDesignedCaptionLines
        || designed.boundingRect(caption_->rect(), Qt::AlignCenter, text).width() > caption_->width()) {
        // Four lines in the designed font, centred in the label, end just
        // above "Check Results!". The days and seats of a longer caption get
        // the label down to there, and a smaller font when they need one.
        const int fourLines = designed.height() + (kDesignedCaptionLines - 1) * designed.lineSpacing();
        caption_->resize(caption_->width(), (caption_->height() + fourLines) / 2);
        shown = numbersKeptWithTheirWords(text);
        const double smallest = smallestCaptionPoints();
        while (font.pointSizeF() - 0.5 >= smallest && !fitsIn(font, caption_, shown))
            font.setPointSizeF(font.pointSizeF() - 0.5);
        if (!fitsIn(font, caption_, shown)) {
            font.setPointSizeF(smallest);
            fits = fitsIn(font, caption_, shown);
        }
    }
    caption_->setFont(font);
    caption_->setText(shown);
    return fits;
}

QRect SeatPopup::captionArea() const
{
    return {toPixels(180, perPixel_), toPixels(540, perPixel_), toPixels(3660, perPixel_),
            toPixels(1845, perPixel_)};
}

void SeatPopup::keepOnTop()
{
    // Raised without taking the focus from what the user is typing into.
    raise();
}

void SeatPopup::applyShape()
{
    // The colour of the face's top-left pixel is see-through.
    setMask(colourKeyMask(QSize(toPixels(kReminderWidth, perPixel_),
                                toPixels(kReminderHeight, perPixel_)),
                          [](QPainter& p, const QRect& r) { drawReminderFace(p, r, false); }));
}

void SeatPopup::place()
{
    const int h = std::max(1, toPixels(frame_.height, perPixel_));
    setGeometry(screen_.x() + toPixels(start_.left, perPixel_),
                screen_.y() + toPixels(frame_.top, perPixel_), toPixels(kReminderWidth, perPixel_),
                h);
}

void SeatPopup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QSize full(toPixels(kReminderWidth, perPixel_), toPixels(kReminderHeight, perPixel_));
    drawReminderFace(p, QRect(QPoint(0, 0), full), true);
}

void SeatPopup::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint()))
        return;
    close();
    if (more_)
        emit resultsAsked();
}

bool SeatPopup::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::MouseButtonRelease && e->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, e);
    auto* me = static_cast<QMouseEvent*>(e);
    auto* label = qobject_cast<QWidget*>(watched);
    // The banner takes no clicks; either text acts on a left release over itself.
    if (watched == image_)
        return true;
    if (e->type() == QEvent::MouseButtonPress || me->button() != Qt::LeftButton || !label
        || !label->rect().contains(me->position().toPoint()))
        return true;
    close();
    if (watched == book_) {
        QString address = announcement_.booking;
        showWebPage(address, dialogs_);
        return true;
    }
    if (watched == snooze_)
        emit snoozeAsked(announcement_.watch);
    else
        emit resultsAsked();
    return true;
}

} // namespace zelvane
