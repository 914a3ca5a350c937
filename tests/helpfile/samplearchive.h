#pragma once

// Archive folders as Download leaves them (article files, paged index pages, all.htm, index.html)
// with the help project Build CHM writes over them, made by the real writers without a network.

#include "archive/helpoptions.h"
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

// Appends the articles to the table as Find would, all of one date.
inline void loadTable(Blog::ArticleTable &table, const std::vector<ArchivedArticle> &articles)
{
    for (const ArchivedArticle &a : articles)
        table.appendArticle(a.title, a.category, a.link, QStringLiteral("2011-06-01 12:00"));
}

// Writes the archive folder programFolder/blogName and its project; returns the project's path.
// `extra` files (relative to the archive folder) are written too, pictures for example.
inline QString writeArchive(const QString &programFolder, const QString &blogName,
                            const std::vector<ArchivedArticle> &articles, const QMap<QString, QByteArray> &extra = {})
{
    const Archive::Layout layout(programFolder, blogName);
    QDir().mkpath(layout.archiveFolder());
    Blog::ArticleTable table;
    loadTable(table, articles);
    for (const ArchivedArticle &a : articles) {
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

inline const QString picture = QStringLiteral("images/3f2a1b4c5d6e7f80.png");

inline QByteArray pictureBytes()
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; i < 300; ++i)
        png.append(static_cast<char>(i * 7));
    return png;
}

// Names that readers outside Windows trip over: Chinese folders and files, Rep's underscores, two
// categories that differ only in case, a GBK character whose trail byte is "\", names of 255 bytes,
// a link in another case, and pictures linked from the articles as the image pass writes them.
inline std::vector<ArchivedArticle> awkwardArticles()
{
    const QString longCategory = QString(80, QChar(0x957F));                            // 长 × 80, 240 bytes
    const QString longLink = QString(83, QChar(0x6587)) + QStringLiteral("1.html");     // 文 × 83, 255 bytes
    const QString asciiLink = QString(250, QLatin1Char('a')) + QStringLiteral(".html"); // 255 bytes
    const auto body = [](const QString &text) {
        return articleFile({QStringLiteral("<h2 class=\"title\">") + text + QStringLiteral("</h2>"),
                            QStringLiteral("<p><img src=\"../") + picture + QStringLiteral("\" alt=pic> 乗 and a < b"),
                            QStringLiteral("<table><tr><td background='../") + picture +
                                QStringLiteral("'><a href=\"../index.html#top\">首页</a></td></tr></table>"),
                            QStringLiteral("<a href=\"http://127.0.0.1:8642/x/blog\">源</a></p>")});
    };
    std::vector<ArchivedArticle> articles{
        {QStringLiteral("随笔一"), QStringLiteral("随笔"), QStringLiteral("0123456789abcdef01234567.html"), {}},
        {QStringLiteral("问答"), QStringLiteral("Q&A #1"), QStringLiteral("a1b2c3d4e5f60718293a4b5c.html"), {}},
        {QStringLiteral("代码"), QStringLiteral("C++/Qt"), QStringLiteral("c0ffee00c0ffee00c0ffee00.html"), {}},
        {QStringLiteral("小写"), QStringLiteral("tech"), QStringLiteral("1.html"), {}},
        {QStringLiteral("大写"), QStringLiteral("Tech"), QStringLiteral("1.html"), {}},
        {QStringLiteral("大写二"), QStringLiteral("Tech"), QStringLiteral("Mixed.HTML"), {}},
        {QStringLiteral("反斜杠"), QStringLiteral("乗车"), QStringLiteral("淺談.html"), {}},
        {QStringLiteral("长分类"), longCategory, QStringLiteral("fedcba9876543210fedcba98.html"), {}},
        {QStringLiteral("长链接"), QStringLiteral("随笔"), longLink, {}},
        {QStringLiteral("长英文链接"), QStringLiteral("生活 点滴"), asciiLink, {}},
    };
    for (ArchivedArticle &a : articles)
        a.body = body(a.title);
    // Bytes that are not GBK stay as they are.
    articles[0].body.append("\x80\x81 \xff\r\n");
    return articles;
}

// The options the front ends compile these articles with; `titled` asks for contents and index by title.
inline HelpFile::CompileOptions compileOptions(const std::vector<ArchivedArticle> &articles, bool titled)
{
    Blog::ArticleTable table;
    loadTable(table, articles);
    return Archive::helpCompileOptions(table, titled);
}

} // namespace ChmTest
