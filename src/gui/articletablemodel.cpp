#include "gui/articletablemodel.h"

#include "blog/articletable.h"

namespace {
static_assert(ArticleTableModel::ColumnCount == Blog::ArticleTable::ColumnCount);

QString columnName(int column)
{
    switch (column) {
    case ArticleTableModel::TitleColumn:
        return QStringLiteral("标题");
    case ArticleTableModel::CategoryColumn:
        return QStringLiteral("分类");
    case ArticleTableModel::LinkColumn:
        return QStringLiteral("链接");
    case ArticleTableModel::DateColumn:
        return QStringLiteral("日期");
    case ArticleTableModel::OrdinalColumn:
        return QStringLiteral("页数");
    default:
        return {};
    }
}

} // namespace

ArticleTableModel::ArticleTableModel(const Blog::ArticleTable &table, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_rows(table.articleCount() + 1)
{
    connect(&table, &Blog::ArticleTable::rowsAppended, this, &ArticleTableModel::onRowsAppended);
    connect(&table, &Blog::ArticleTable::markChanged, this, &ArticleTableModel::onMarkChanged);
    connect(&table, &Blog::ArticleTable::marksCleared, this, &ArticleTableModel::onMarksCleared);
    connect(&table, &Blog::ArticleTable::cleared, this, &ArticleTableModel::onCleared);
}

int ArticleTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ArticleTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArticleTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || !isArticleRow(index.row()))
        return {};
    return m_table.cell(index.row() + 1, index.column());
}

QVariant ArticleTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    // The vertical header is the grid's grey row-number column.
    if (orientation == Qt::Vertical)
        return isArticleRow(section) ? QString::number(section + 1) : QString();
    return columnName(section);
}

void ArticleTableModel::sync()
{
    m_syncQueued = false;
    const int rows = m_table.articleCount() + 1;
    if (rows <= m_rows)
        return;
    // New articles go in before the trailing empty row, which stays last.
    beginInsertRows(QModelIndex(), m_rows - 1, rows - 2);
    m_rows = rows;
    endInsertRows();
}

void ArticleTableModel::onRowsAppended()
{
    if (m_syncQueued)
        return;
    m_syncQueued = true;
    QMetaObject::invokeMethod(this, &ArticleTableModel::sync, Qt::QueuedConnection);
}

void ArticleTableModel::onMarkChanged(int row)
{
    const int r = row - 1;
    if (r >= 0 && r < m_rows)
        emit dataChanged(index(r, MarkColumn), index(r, MarkColumn), {Qt::DisplayRole});
}

void ArticleTableModel::onMarksCleared()
{
    if (m_rows > 0)
        emit dataChanged(index(0, MarkColumn), index(m_rows - 1, MarkColumn), {Qt::DisplayRole});
}

void ArticleTableModel::onCleared()
{
    beginResetModel();
    m_rows = m_table.articleCount() + 1;
    endResetModel();
}
