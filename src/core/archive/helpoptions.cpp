#include "archive/helpoptions.h"

#include "archive/layout.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"

namespace Archive {

namespace {

QString slashed(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString categoryPageOf(const Blog::CategoryTable &categories, int slot, const QList<LinkedPages> &linked)
{
    if (linked.size() == categories.size())
        return linked[slot].categoryPage;
    return safeFileName(categories.at(slot).name) + QStringLiteral(".htm");
}

// The text between `start` and `end` in `line` after `from`, or nothing.
QString between(const QString &line, qsizetype from, const QString &start, const QString &end)
{
    const qsizetype begin = line.indexOf(start, from);
    if (begin < 0)
        return {};
    const qsizetype stop = line.indexOf(end, begin + start.size());
    return stop < 0 ? QString() : line.mid(begin + start.size(), stop - begin - start.size());
}

HelpFile::TitledSitemap titledSitemap(const Blog::ArticleTable &table, const QList<LinkedPages> &linked)
{
    const Layout entryPath{QString(), QString()}; // entry paths only, worked out once per category
    HelpFile::TitledSitemap sitemap;
    sitemap.first = {{QStringLiteral("首页"), QStringLiteral("index.html")},
                     {QStringLiteral("全部文章"), QStringLiteral("all.htm")}};
    const Blog::CategoryTable &categories = table.categories();
    for (int slot = 0; slot < categories.size(); ++slot) {
        const QString &name = categories.at(slot).name;
        sitemap.books.push_back({name, categoryPageOf(categories, slot, linked), {}});
    }
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        const int slot = categories.find(a.category);
        if (slot < 0)
            continue;
        sitemap.books[static_cast<size_t>(slot)].topics.push_back(
            {a.title + QStringLiteral(" (") + a.date + QLatin1Char(')'), entryPath.entryPath(a.category, a.link),
             a.title});
    }
    return sitemap;
}

} // namespace

HelpFile::CompileOptions helpCompileOptions(const Blog::ArticleTable &table, bool titledContents,
                                            const QList<LinkedPages> &linkedPages)
{
    HelpFile::CompileOptions options;
    const Layout entryPath{QString(), QString()}; // entry paths only, worked out once per category
    const Blog::CategoryTable &categories = table.categories();
    for (int slot = 0; slot < categories.size(); ++slot) {
        const QString &name = categories.at(slot).name;
        options.pageTitles.insert(categoryPageOf(categories, slot, linkedPages), name);
        if (linkedPages.size() != categories.size())
            continue;
        for (const auto &[number, page] : linkedPages[slot].pagedPages)
            options.pageTitles.insert(page, name + QLatin1Char(' ') + QString::number(number));
    }
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        options.pageTitles.insert(slashed(entryPath.entryPath(a.category, a.link)), a.title);
    }
    if (titledContents)
        options.titledSitemap = titledSitemap(table, linkedPages);
    return options;
}

QList<LinkedPages> pagesOnStartPage(const QByteArray &startPage)
{
    // A category's row links its category page after " target=_blank href=", then one line per
    // paged page: <A href=NAME><b>N</b></a>.
    const QString categoryMark = QStringLiteral(" target=_blank href=");
    const QString pageMark = QStringLiteral("<A href=");
    QList<LinkedPages> linked;
    for (const QString &line : Gbk::decode(startPage).split(QStringLiteral("\r\n"))) {
        const qsizetype category = line.lastIndexOf(categoryMark);
        if (category >= 0) {
            linked.append({between(line, category, categoryMark, QStringLiteral("><b>")), {}});
        } else if (line.startsWith(pageMark) && !linked.isEmpty()) {
            const QString name = between(line, 0, pageMark, QStringLiteral("><b>"));
            const int number = between(line, 0, QStringLiteral("><b>"), QStringLiteral("</b>")).toInt();
            if (!name.isEmpty() && number > 0)
                linked.last().pagedPages.append({number, name});
        }
    }
    return linked;
}

} // namespace Archive
