#include "ui/ColumnFit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QHelpEvent>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>

namespace zelvane {

namespace {

struct Need {
    int logical = 0;
    int whole = 0; // the widest cell, or the heading
    int least = 0; // what it may not go below
};

QString longestWord(const QString& text)
{
    QString longest;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (word.size() > longest.size())
            longest = word;
    return longest;
}

Need needOf(QAbstractItemView& view, QHeaderView& header, int column, bool wrap)
{
    Need n;
    n.logical = column;
    const int heading = header.sectionSizeHint(column);
    n.whole = heading;
    n.least = heading;
    const QAbstractItemModel* model = view.model();
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    option.decorationSize = view.iconSize().isValid() ? view.iconSize() : QSize(16, 16);
    option.widget = &view;
    int widestWord = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, column);
        const int cell = view.itemDelegateForIndex(index)->sizeHint(option, index).width();
        n.whole = std::max(n.whole, cell);
        if (wrap) {
            const QString text = index.data().toString();
            const QFontMetrics& fm = option.fontMetrics;
            widestWord = std::max(widestWord,
                                  cell - fm.horizontalAdvance(text) + fm.horizontalAdvance(longestWord(text)));
        }
    }
    if (wrap)
        n.least = std::min(n.whole, std::max(heading, widestWord));
    return n;
}

// A row never gets taller than this many lines, however long a cell: the
// rest of its text is in the row's tooltip and the details.
constexpr int kMostLines = 3;

// `text` as its first `lines` lines at `width`, the last of them shortened
// with "…" when more would follow; whole when it takes no more.
QString firstLines(const QString& text, const QFont& font, int width, int lines)
{
    QTextLayout layout(text, font);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(wrap);
    layout.beginLayout();
    QList<std::pair<int, int>> kept; // start and length of each line
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        kept.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();
    if (kept.size() <= lines)
        return text;
    QStringList shown;
    for (int i = 0; i + 1 < lines; ++i)
        shown << text.mid(kept[i].first, kept[i].second).trimmed();
    const QString rest = text.mid(kept[lines - 1].first).simplified();
    shown << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
    return shown.join(QChar::LineSeparator);
}

class WrappingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        keepToMostLines(cell, index);
        const QWidget* w = cell.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &cell, p, w);
    }

    // While the view wraps, a cell's text as its first lines at its column's width.
    static void keepToMostLines(QStyleOptionViewItem& cell, const QModelIndex& index)
    {
        const auto* view = qobject_cast<const QTreeView*>(cell.widget);
        if (!view || !view->wordWrap() || cell.text.isEmpty())
            return;
        // The room the style gives the text: the cell less its margins and
        // the picture beside it, a little less to be sure of the same breaks.
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        int width = view->columnWidth(index.column()) - 2 * margin - 2;
        if (cell.features & QStyleOptionViewItem::HasDecoration)
            width -= cell.decorationSize.width() + 2 * margin;
        cell.text = firstLines(cell.text, cell.font, std::max(1, width), kMostLines);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize line = QStyledItemDelegate::sizeHint(option, index);
        const auto* view = qobject_cast<const QTreeView*>(option.widget);
        if (!view || !view->wordWrap())
            return line;
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.features |= QStyleOptionViewItem::WrapText;
        keepToMostLines(cell, index);
        cell.rect = QRect(0, 0, view->columnWidth(index.column()), line.height());
        const QSize wrapped = view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), view);
        return {line.width(), std::max(line.height(), wrapped.height())};
    }
};

// Where a cell is cut short and says nothing of its own when hovered, its
// whole text is its tooltip.
class WholeTextTips final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* e, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (e->type() != QEvent::ToolTip || !index.isValid() || !index.data(Qt::ToolTipRole).isNull())
            return QStyledItemDelegate::helpEvent(e, view, option, index);
        const QString text = index.data().toString();
        if (!text.isEmpty() && sizeHint(option, index).width() > view->visualRect(index).width()) {
            QToolTip::showText(e->globalPos(), text, view->viewport(), view->visualRect(index));
            return true;
        }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
};

// Fits the columns again whenever the view's room or its rows change, once
// the changes rest.
class ColumnKeeper final : public QObject {
public:
    explicit ColumnKeeper(QTreeView& view) : QObject(&view), view_(view)
    {
        later_.setSingleShot(true);
        later_.setInterval(0);
        connect(&later_, &QTimer::timeout, this, [this] { fitColumnsToContents(view_, *view_.header(), false); });
        view.viewport()->installEventFilter(this);
        QAbstractItemModel* model = view.model();
        connect(model, &QAbstractItemModel::modelReset, &later_, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::layoutChanged, &later_, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::rowsInserted, &later_, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::rowsRemoved, &later_, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::dataChanged, &later_, qOverload<>(&QTimer::start));
        fitColumnsToContents(view_, *view_.header(), false);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            fitColumnsToContents(view_, *view_.header(), false);
        return false;
    }

private:
    QTreeView& view_;
    QTimer later_;
};

} // namespace

void fitColumnsAsTheyChange(QTreeView& view)
{
    view.setItemDelegate(new WholeTextTips(&view));
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setTextElideMode(Qt::ElideRight);
    new ColumnKeeper(view);
}

void growRowsWithWrappedCells(QTreeView& view)
{
    view.setItemDelegate(new WrappingDelegate(&view));
}

bool fitColumnsToContents(QAbstractItemView& view, QHeaderView& header, bool wrap)
{
    if (!view.model())
        return false;
    QList<Need> needs;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (!header.isSectionHidden(logical))
            needs << needOf(view, header, logical, wrap);
    }
    if (needs.isEmpty())
        return false;
    const int room = view.viewport()->width();
    int whole = 0, least = 0;
    for (const Need& n : needs) {
        whole += n.whole;
        least += n.least;
    }
    QList<int> widths;
    if (whole <= room) {
        // Each column grows in proportion to what it holds; the last takes the pixels left.
        int given = 0;
        for (const Need& n : needs)
            given += n.whole + (room - whole) * n.whole / std::max(1, whole);
        for (const Need& n : needs)
            widths << n.whole + (room - whole) * n.whole / std::max(1, whole);
        widths.last() += room - given;
    } else {
        // The widest down to a common cap, each no lower than its least: the
        // highest cap that fits, found by halving.
        int low = 0, high = 0;
        for (const Need& n : needs)
            high = std::max(high, n.whole);
        const auto widthAt = [&needs](int cap) {
            int sum = 0;
            for (const Need& n : needs)
                sum += std::max(n.least, std::min(n.whole, cap));
            return sum;
        };
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            if (widthAt(mid) <= room)
                low = mid;
            else
                high = mid - 1;
        }
        for (const Need& n : needs)
            widths << std::max(n.least, std::min(n.whole, low));
    }
    if (header.stretchLastSection())
        header.setStretchLastSection(false);
    for (int i = 0; i < needs.size(); ++i)
        header.resizeSection(needs[i].logical, widths[i]);
    return whole > room;
}

} // namespace zelvane
