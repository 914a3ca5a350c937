#include "epub/bookcollector.h"

#include "archive/layout.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "epub/xmltext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Epub {

namespace {

// The start page ends its first line with "更新日期：" + date + "[" + time + "]</td>".
QString archiveDate(const QString &startPage)
{
    QFile file(startPage);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression stamp(QStringLiteral("更新日期：([^<\\r\\n]*)</td>"));
    const QRegularExpressionMatch match = stamp.match(Gbk::decode(file.read(64 * 1024)));
    return match.hasMatch() ? xmlSafe(match.captured(1)).trimmed() : QString();
}

// A title or category fit for XML; the problem is noted once per text.
QString fitText(const QString &text, const QString &placeholder, const QString &what, BookPlan &plan)
{
    QString fit = xmlSafe(text).trimmed();
    if (fit.size() != text.trimmed().size())
        plan.problems << QStringLiteral("%1 \"%2\" holds characters XML cannot hold; they are left out")
                             .arg(what, fit.isEmpty() ? placeholder : fit);
    return fit.isEmpty() ? placeholder : fit;
}

} // namespace

Result<BookPlan> collectBook(const QString &programFolder, const QString &blogName, const Blog::ArticleTable &table)
{
    const Archive::Layout layout(programFolder, blogName);
    const QString startPage = layout.file(QStringLiteral("index.html"));
    if (!QFileInfo::exists(startPage))
        return Result<BookPlan>::failure(QStringLiteral("%1 has no start page; run download first")
                                             .arg(QDir::toNativeSeparators(layout.archiveFolder())));
    BookPlan plan;
    plan.blogName = xmlSafe(blogName);
    plan.archiveFolder = layout.archiveFolder();
    plan.madeOn = archiveDate(startPage);
    if (plan.madeOn.isEmpty())
        plan.madeOn = QFileInfo(startPage).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm"));

    const Blog::CategoryTable &categories = table.categories();
    for (int slot = 0; slot < categories.size(); ++slot)
        plan.categories.append(
            {fitText(categories.at(slot).name, Blog::Placeholder::category(), QStringLiteral("category"), plan), {}});
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        const QString entry = layout.entryPath(a.category, a.link);
        const QString file = layout.articleFile(a.category, a.link);
        if (!layout.checkArticle(a.category, a.link) || !QFileInfo(file).isFile()) {
            plan.missingArticles << a.title + QStringLiteral(" (") + entry + QLatin1Char(')');
            continue;
        }
        const int slot = categories.find(a.category);
        if (slot < 0)
            continue;
        PlannedArticle article;
        article.row = row;
        article.title = fitText(a.title, Blog::Placeholder::title(), QStringLiteral("title of row %1").arg(row), plan);
        article.date = xmlSafe(a.date);
        article.category = plan.categories[slot].name;
        article.sourceFile = file;
        article.archivePath = layout.folderName(a.category) + QLatin1Char('/') + Archive::linkFileName(a.link);
        article.document = QStringLiteral("text/r%1.xhtml").arg(row, 5, 10, QLatin1Char('0'));
        plan.documentByPath.insert(article.archivePath, article.document);
        if (!plan.documentByLink.contains(a.link))
            plan.documentByLink.insert(a.link, article.document);
        plan.categories[slot].articles.append(static_cast<int>(plan.articles.size()));
        plan.articles.append(article);
    }
    plan.categories.removeIf([](const PlannedCategory &c) { return c.articles.isEmpty(); });
    return plan;
}

} // namespace Epub
