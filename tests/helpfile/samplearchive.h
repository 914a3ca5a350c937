#pragma once

// Archive folders as Download leaves them (article files, paged index pages, all.htm, index.html)
// with the help project Build CHM writes over them, made by the real writers without a network.

#include "archive/indexwriter.h"
#include "archive/layout.h"
#include "archive/projectwriter.h"
#include "blog/articletable.h"
#include "common/linewriter.h"
#include "sampleblog.h"
#include "support/tempfolder.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <gtest/gtest.h>
#include <vector>

namespace ChmTest {

struct ArchivedArticle
{
    QString title;
    QString category;
    QString link;
    QByteArray body; // the article file's bytes; no file at all when null
};

// Writes the archive folder programFolder/blogName and its project; returns the project's path.
// `extra` files (relative to the archive folder) are written too, pictures for example.
inline QString writeArchive(const QString &programFolder, const QString &blogName,
                            const std::vector<ArchivedArticle> &articles, const QMap<QString, QByteArray> &extra = {})
{
    const Archive::Layout layout(programFolder, blogName);
    QDir().mkpath(layout.archiveFolder());
    Blog::ArticleTable table;
    for (const ArchivedArticle &a : articles) {
        table.LoadWZ(a.title, a.category, a.link, QStringLiteral("2011-06-01 12:00"));
        if (!a.body.isNull())
            writeAll(layout.articleFile(a.category, a.link), a.body);
    }
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        writeAll(layout.file(it.key()), it.value());
    Archive::IndexOptions options;
    options.blogAddress = QStringLiteral("http://127.0.0.1:8642/") + blogName + QStringLiteral("/blog");
    options.blogName = blogName;
    options.stamp = QDateTime(QDate(2026, 12, 6), QTime(9, 4, 48));
    options.locale = QLocale(QLocale::Chinese, QLocale::China);
    Archive::IndexWriter writer(layout, table, options);
    const Result<void> indexed = writer.write();
    EXPECT_TRUE(indexed.ok()) << indexed.error().toStdString();
    const Result<void> project = Archive::writeProject(layout.archiveFolder(), blogName, table);
    EXPECT_TRUE(project.ok()) << project.error().toStdString();
    return layout.file(Archive::projectFileName());
}

// An article file as the saver writes it: the body start line and the body lines, GBK, CR LF.
inline QByteArray articleFile(const QStringList &bodyLines)
{
    return LineWriter::encodeLines(QStringList{bodyStartLine()} + bodyLines);
}

// The sample host's blog of this name, every article saved.
inline std::vector<ArchivedArticle> sampleArticles(const QString &name, const SampleHostConfig &config = {})
{
    std::vector<ArchivedArticle> articles;
    for (const SampleArticle &a : generateBlog(name, config).articles)
        articles.push_back({a.title, a.category, a.link, articleFile(a.bodyLines)});
    return articles;
}

} // namespace ChmTest
