#include "ui/FlightTableView.h"

#include "ui/FlightTableModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace zelvane {

namespace {

// The words for seats that the mark says alone; anything else ("4",
// "Waitlist") is written beside it.
bool plainYes(const QString& text)
{
    const QString t = text.trimmed().toLower();
    return t == QLatin1String("yes") || t == QLatin1String("y");
}

class SeatDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant seats = index.data(FlightTableModel::kSeatsRole);
        if (!seats.isValid())
            return QStyledItemDelegate::paint(p, option, index);
        // The cell's background and focus as the style draws them, without its text.
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* w = opt.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
        drawSeatMark(*p, opt.rect, seats.toBool(), index.data().toString(), opt.palette,
                     opt.state & QStyle::State_Selected);
    }
};

} // namespace

void drawSeatMark(QPainter& p, const QRectF& cell, bool seats, const QString& text, const QPalette& palette,
                  bool selected)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    p.setClipRect(cell);
    const qreal d = std::min<qreal>(14, cell.height() - 6);
    // A count ("4") or a word ("Waitlist") goes beside the tick when it fits
    // the cell; otherwise the tooltip tells it.
    QString extra = seats && !plainYes(text) ? text : QString();
    const QFontMetricsF fm(p.font());
    qreal extraWidth = extra.isEmpty() ? 0 : fm.horizontalAdvance(extra) + 4;
    if (d + extraWidth > cell.width() - 4) {
        extra.clear();
        extraWidth = 0;
    }
    const qreal left = cell.center().x() - (d + extraWidth) / 2;
    const QRectF badge(left, cell.center().y() - d / 2, d, d);
    if (seats) {
        // A green disc with a tick: white on the light skin, dark on the
        // light green of the dark one, so it reads on both.
        p.setPen(Qt::NoPen);
        p.setBrush(dark ? QColor(0x5c, 0xd0, 0x7e) : QColor(0x1e, 0x8e, 0x3e));
        p.drawEllipse(badge);
        QPen tick(dark ? QColor(0x0b, 0x2a, 0x14) : QColor(Qt::white), std::max<qreal>(1.5, d * 0.14),
                  Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(tick);
        p.setBrush(Qt::NoBrush);
        const auto at = [&](qreal fx, qreal fy) { return QPointF(badge.x() + fx * d, badge.y() + fy * d); };
        p.drawPolyline(QPolygonF{at(0.27, 0.52), at(0.44, 0.69), at(0.74, 0.34)});
        if (!extra.isEmpty()) {
            p.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            p.drawText(QRectF(badge.right() + 4, cell.top(), extraWidth, cell.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, extra);
        }
    } else {
        // No seats: a quiet dash, so the eye finds the ticks.
        QPen dash(palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText),
                  std::max<qreal>(1.5, d * 0.12), Qt::SolidLine, Qt::RoundCap);
        p.setPen(dash);
        p.drawLine(QPointF(cell.center().x() - d * 0.3, cell.center().y()),
                   QPointF(cell.center().x() + d * 0.3, cell.center().y()));
    }
    p.restore();
}

FlightTableView::FlightTableView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new SeatDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab goes on to the buttons after the table; the arrows move in it.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(20);
}

void FlightTableView::setEmptyText(const QString& text)
{
    emptyText_ = text;
    viewport()->update();
}

int FlightTableView::heightForRows(int rows) const
{
    return horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize() + 2 * frameWidth();
}

void FlightTableView::paintEvent(QPaintEvent* e)
{
    QTableView::paintEvent(e);
    if (emptyText_.isEmpty() || (model() && model()->rowCount() > 0))
        return;
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(viewport()->rect().adjusted(8, 4, -8, -4), Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
}

} // namespace zelvane
