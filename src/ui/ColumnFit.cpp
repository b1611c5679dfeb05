#include "ui/ColumnFit.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QStyledItemDelegate>
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

class WrappingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize line = QStyledItemDelegate::sizeHint(option, index);
        const auto* view = qobject_cast<const QTreeView*>(option.widget);
        if (!view || !view->wordWrap())
            return line;
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.features |= QStyleOptionViewItem::WrapText;
        cell.rect = QRect(0, 0, view->columnWidth(index.column()), line.height());
        const QSize wrapped = view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), view);
        return {line.width(), std::max(line.height(), wrapped.height())};
    }
};

} // namespace

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
