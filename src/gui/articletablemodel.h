#pragma once

#include <QAbstractTableModel>

namespace Blog {
class ArticleTable;
}

// The article table as the grid shows it: a header of column names, model row i is table row i + 1,
// and one always-empty row follows the articles; the columns are the table's.
// Appended rows are announced in one batch per pass of the event loop, which keeps a load of many
// thousand rows from laying the view out once per row; sync() announces them at once.
class ArticleTableModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArticleTableModel)
public:
    // The grid's columns; the row number shows as the vertical header.
    enum Column {
        RowNumberColumn,
        TitleColumn,
        CategoryColumn,
        LinkColumn,
        DateColumn,
        OrdinalColumn,
        MarkColumn,
        ColumnCount
    };

    explicit ArticleTableModel(const Blog::ArticleTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Announces rows appended since the last pass.
    void sync();

private:
    void onRowsAppended();
    void onMarkChanged(int row);
    void onMarksCleared();
    void onCleared();
    bool isArticleRow(int row) const { return row >= 0 && row < m_rows - 1; }

    const Blog::ArticleTable &m_table;
    int m_rows;
    bool m_syncQueued = false;
};
