#pragma once

class QAbstractItemView;
class QHeaderView;
class QTreeView;

namespace zelvane {

// Sizes the visible columns of `view` by what they hold, heading included,
// to fill its viewport. Room to spare goes to every column in proportion.
// Short of room, the widest give way first: with `wrap`, down to their
// longest word, their cells taking a second line; without, down to their
// heading, their cells shortened. What still does not fit scrolls. True when
// some column is narrower than what it holds.
bool fitColumnsToContents(QAbstractItemView& view, QHeaderView& header, bool wrap);
// Keeps the visible columns of `view` sized by what they hold, fitted again
// as the view's width and its rows change, none wrapped; where a cell is
// still cut short, its whole text is its tooltip.
void fitColumnsAsTheyChange(QTreeView& view);
// While `view` wraps its words, each row is as tall as its cells need at the
// columns' widths (a tree view alone would keep one line), up to three lines:
// a longer cell ends its third line on "…", its whole text left to the row's
// tooltip.
void growRowsWithWrappedCells(QTreeView& view);

} // namespace zelvane
