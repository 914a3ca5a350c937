#include "gui/articlegridview.h"

#include <QScrollBar>

ArticleGridView::ArticleGridView(QWidget *parent)
    : QTableView(parent)
{
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int ArticleGridView::topRow() const
{
    const int row = rowAt(0);
    return row < 0 ? 1 : row + 1;
}

void ArticleGridView::setTopRow(int row)
{
    // Rows just inserted reach the scroll range only with the view's pending layout.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(qMax(row, 1) - 1);
}
