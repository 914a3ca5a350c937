#include "archive/helpoptions.h"

#include "archive/layout.h"
#include "archive/rep.h"
#include "blog/articletable.h"

namespace Archive {

namespace {

QString slashed(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

HelpFile::TitledSitemap titledSitemap(const Blog::ArticleTable &table)
{
    HelpFile::TitledSitemap sitemap;
    sitemap.first = {{QStringLiteral("首页"), QStringLiteral("index.html")},
                     {QStringLiteral("全部文章"), QStringLiteral("all.htm")}};
    const Blog::CategoryTable &categories = table.categories();
    for (int slot = 0; slot < categories.size(); ++slot) {
        const QString &name = categories.at(slot).name;
        sitemap.books.push_back({name, Rep(name) + QStringLiteral(".htm"), {}});
    }
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        const int slot = categories.find(a.category);
        if (slot < 0)
            continue;
        sitemap.books[static_cast<size_t>(slot)].topics.push_back(
            {a.title + QStringLiteral(" (") + a.date + QLatin1Char(')'), Layout::entryPath(a.category, a.link),
             a.title});
    }
    return sitemap;
}

} // namespace

HelpFile::CompileOptions helpCompileOptions(const Blog::ArticleTable &table, bool titledContents)
{
    HelpFile::CompileOptions options;
    const Blog::CategoryTable &categories = table.categories();
    for (int slot = 0; slot < categories.size(); ++slot) {
        const Blog::CategoryTable::Slot &category = categories.at(slot);
        const QString rep = Rep(category.name);
        options.pageTitles.insert(rep + QStringLiteral(".htm"), category.name);
        for (int page = 1; page <= category.pageCount; ++page)
            options.pageTitles.insert(rep + QString::number(page) + QStringLiteral(".htm"),
                                      category.name + QStringLiteral(" ") + QString::number(page));
    }
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        options.pageTitles.insert(slashed(Layout::entryPath(a.category, a.link)), a.title);
    }
    if (titledContents)
        options.titledSitemap = titledSitemap(table);
    return options;
}

} // namespace Archive
