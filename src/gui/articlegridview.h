#pragma once

#include <QTableView>

// The article grid: a table view that scrolls a whole row at a time and speaks of its first visible
// row the way the article table numbers rows (the first article row is 1).
class ArticleGridView final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArticleGridView)
public:
    explicit ArticleGridView(QWidget *parent = nullptr);

    // The first visible scrolling row, 1 or more.
    int topRow() const;
    // Scrolls so that `row` is the first visible one, as far as the rows below it allow.
    void setTopRow(int row);
};
