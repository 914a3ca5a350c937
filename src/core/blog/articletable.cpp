#include "blog/articletable.h"

namespace Blog {

namespace {

QString oneLine(const QString &text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

QString orPlaceholder(QString text, const QString &placeholder)
{
    return text.isEmpty() ? placeholder : text;
}

} // namespace

ArticleTable::ArticleTable(QObject *parent)
    : QObject(parent)
{}

void ArticleTable::clear()
{
    m_articles.clear();
    m_categories.clear();
    emit cleared();
}

void ArticleTable::appendArticle(const QString &title, const QString &categoryName, const QString &link,
                                 const QString &date)
{
    const QString category = orPlaceholder(oneLine(categoryName), Placeholder::category());
    const int slot = m_categories.add(category);
    m_articles.push_back(Article{orPlaceholder(oneLine(title), Placeholder::title()), category,
                                 orPlaceholder(oneLine(link), Placeholder::link()),
                                 orPlaceholder(oneLine(date), Placeholder::date()), m_categories.at(slot).articleCount,
                                 QString()});
    const int row = articleCount();
    emit rowsAppended(row, row);
}

QString ArticleTable::cell(int row, int column) const
{
    if (row < 1 || row > articleCount())
        return {};
    const Article &a = article(row);
    switch (column) {
    case 0:
        return QString::number(row);
    case 1:
        return a.title;
    case 2:
        return a.category;
    case 3:
        return a.link;
    case 4:
        return a.date;
    case 5:
        return QString::number(a.ordinal);
    case 6:
        return a.mark;
    default:
        return {};
    }
}

void ArticleTable::setMark(int row, const QString &mark)
{
    Article &a = m_articles[static_cast<size_t>(row - 1)];
    if (a.mark == mark)
        return;
    a.mark = mark;
    emit markChanged(row);
}

void ArticleTable::clearMarks()
{
    for (Article &a : m_articles)
        a.mark.clear();
    emit marksCleared();
}

} // namespace Blog
