#pragma once

#include "blog/categorytable.h"

#include <QObject>
#include <QString>
#include <vector>

namespace Blog {

struct Article
{
    QString title;
    QString category;
    QString link;
    QString date;
    int ordinal = 0; // n-th article of its category
    QString mark;    // download mark: empty, "○" or "●"
};

// The download marks of column 6.
namespace Mark {
inline QString requested()
{
    return QStringLiteral("○");
}
inline QString saved()
{
    return QStringLiteral("●");
}
// An article given up after its attempts ran out.
inline QString givenUp()
{
    return QStringLiteral("×");
}
} // namespace Mark

// What a row holds in place of a value the page left empty: every value must be a line of its own
// in the task file, and the category names a folder.
namespace Placeholder {
inline QString title()
{
    return QStringLiteral("无标题");
}
inline QString category()
{
    return QStringLiteral("未分类");
}
inline QString date()
{
    return QStringLiteral("无日期");
}
// Names no article: a row holding it is never fetched.
inline QString link()
{
    return QStringLiteral("无链接");
}
} // namespace Placeholder

// The article table: articles only, in rows 1 to articleCount(), numbered as the grid and the task
// file number them. Columns: 0 row number, 1 title, 2 category, 3 link, 4 date, 5 category ordinal,
// 6 download mark.
class ArticleTable final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArticleTable)
public:
    static constexpr int ColumnCount = 7;

    explicit ArticleTable(QObject *parent = nullptr);

    // Empties the rows and the category table.
    void clear();
    // Appends one article and numbers it within its category. Each
    // line break (CR LF, CR or LF) in a text becomes one space, and an empty text becomes its
    // placeholder, so that every row survives a task file unchanged; Find and Import both load
    // through here and so agree.
    void appendArticle(const QString &title, const QString &categoryName, const QString &link, const QString &date);

    int articleCount() const { return static_cast<int>(m_articles.size()); }
    // Article of row 1..articleCount().
    const Article &article(int row) const { return m_articles[static_cast<size_t>(row - 1)]; }
    // Cell text of an article row; empty for any other row or column.
    QString cell(int row, int column) const;

    void setMark(int row, const QString &mark);
    const QString &mark(int row) const { return article(row).mark; }
    void clearMarks();

    const CategoryTable &categories() const { return m_categories; }
    CategoryTable &categories() { return m_categories; }

signals:
    void cleared();
    void rowsAppended(int first, int last);
    void markChanged(int row);
    void marksCleared();

private:
    std::vector<Article> m_articles;
    CategoryTable m_categories;
};

} // namespace Blog
