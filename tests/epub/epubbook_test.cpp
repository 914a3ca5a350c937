#include "blog/articletable.h"
#include "bookreader.h"
#include "common/gbkcodec.h"
#include "epub/epubbook.h"
#include "helpfile/samplearchive.h"
#include "support/filesizelimit.h"
#include "support/tempfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using namespace ChmTest;
using namespace EpubTest;

const QString Blog = QStringLiteral("qiruvo");
const QString Host = QStringLiteral("http://127.0.0.1:8642/");
const QString Picture = QStringLiteral("images/3f2a1b4c5d6e7f80.png");

QByteArray pictureBytes()
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Names readers trip over, markup a parser must repair, and input the book cannot keep whole:
// a title and a category with control characters, a missing picture, an article never saved.
std::vector<ArchivedArticle> awkwardArticles()
{
    const auto body = [](const QString &text) {
        return articleFile({QStringLiteral("<h2 class=\"title\">") + text + QStringLiteral("</h2>"),
                            QStringLiteral("<p><img src=\"../") + Picture + QStringLiteral("\" alt=pic> 乗 and a < b"),
                            QStringLiteral("<table><tr><td background='../") + Picture +
                                QStringLiteral("'><a href=\"../index.html#top\">首页</a></td></tr></table>"),
                            QStringLiteral("<a href=\"../Q_A__1/a1b2c3d4e5f60718293a4b5c.html\">问答</a> "
                                           "<a href=\"http://127.0.0.1:8642/qiruvo/blog/item/1.html\">小写</a> "
                                           "<a href=\"http://127.0.0.1:8642/x/blog\">源</a></p>")});
    };
    std::vector<ArchivedArticle> articles{
        {QStringLiteral("随笔一"), QStringLiteral("随笔"), QStringLiteral("0123456789abcdef01234567.html"), {}},
        {QStringLiteral("问答"), QStringLiteral("Q&A #1"), QStringLiteral("a1b2c3d4e5f60718293a4b5c.html"), {}},
        {QStringLiteral("代码"), QStringLiteral("C++/Qt"), QStringLiteral("c0ffee00c0ffee00c0ffee00.html"), {}},
        {QStringLiteral("小写"), QStringLiteral("tech"), QStringLiteral("1.html"), {}},
        {QStringLiteral("大写"), QStringLiteral("Tech"), QStringLiteral("1.html"), {}},
        {QStringLiteral("控制\x01字符"), QStringLiteral("杂\x02项"), QStringLiteral("ctl.html"), {}},
        {QStringLiteral("放弃"), QStringLiteral("随笔"), QStringLiteral("gone.html"), {}},
        {QStringLiteral("长分类"), QString(80, QChar(0x957F)), QStringLiteral("fedcba9876543210fedcba98.html"), {}},
        {QStringLiteral("长链接"), QStringLiteral("随笔"), QString(83, QChar(0x6587)) + QStringLiteral("1.html"), {}},
        {QStringLiteral("坏标记"), QStringLiteral("生活 点滴"), QStringLiteral("broken.html"), {}},
    };
    for (ArchivedArticle &a : articles)
        a.body = body(a.title);
    articles[0].body.append("\x80\x81 \xff\r\n"); // not GBK
    articles[5].body.append("<img src=\"../images/0000000000000000.png\">\r\n");
    articles[6].body = QByteArray(); // given up
    articles[9].body = articleFile(
        {QStringLiteral(
             "<div><b>粗<i>斜</b>体</div></i><li>孤立</li><ul>文字<li>一</ul><a href=x><a href=y>嵌套</a></a>"),
         QStringLiteral("<font color=red><p>字体里的段落</p></font><script>var x='脚本';</script><style>p{}</style>"),
         QStringLiteral("<form><input value=表单>表单文字</form><p onclick=\"alert(1)\">事件 &amp; &lt;实体&gt;</p>"),
         QStringLiteral("<table><td>无行<tr><th>头<p>段"),
         QStringLiteral("<img src=\"http://example.com/a.png\" alt=远程图片>")});
    return articles;
}

// An article file's text as a reader sees it: GBK decoded, scripts, styles and forms gone, tags
// stripped, entities read, control characters gone, whitespace folded.
QString archiveText(const QByteArray &file)
{
    QString text = Gbk::decode(file);
    text.remove(
        QRegularExpression(QStringLiteral("<(script|style|form)\\b.*?</\\1\\s*>"),
                           QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption));
    // Remote pictures show as their alt text.
    text.replace(QRegularExpression(QStringLiteral("<img [^>]*src=\"http[^>]* alt=([^ >]*)>")), QStringLiteral("\\1"));
    text.remove(QRegularExpression(QStringLiteral("<[A-Za-z/!][^>]*>")));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral("\u00a0"))
        .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b\\x0c\\x0e-\\x1f]")));
    return text.simplified();
}

QString withoutControls(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b\\x0c\\x0e-\\x1f]")));
}

struct NavArticle
{
    QString title;
    QString href;
};
struct NavCategory
{
    QString name;
    QList<NavArticle> articles;
};

// The nav document's table of contents: its first entry, then the categories with their articles.
QList<NavCategory> readNav(const QByteArray &nav, QString &firstEntry)
{
    QXmlStreamReader xml(nav);
    QList<NavCategory> categories;
    int olDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("ol"))
            ++olDepth;
        else if (xml.isEndElement() && xml.name() == QLatin1String("ol"))
            --olDepth;
        else if (xml.isStartElement() && olDepth == 1 && xml.name() == QLatin1String("span"))
            categories.append({xml.readElementText(), {}});
        else if (xml.isStartElement() && xml.name() == QLatin1String("a")) {
            const QString href = xml.attributes().value(QLatin1String("href")).toString();
            const QString text = xml.readElementText();
            if (olDepth == 1)
                firstEntry = href;
            else if (!categories.isEmpty())
                categories.last().articles.append({text, href});
        }
    }
    return categories;
}

enum class Fixture { Example, Awkward };

class ArchiveFolder : public ::testing::Test
{
protected:
    void make(Fixture fixture)
    {
        m_articles = fixture == Fixture::Example ? sampleArticles(Blog) : awkwardArticles();
        writeArchive(m_program.path(), Blog, m_articles, {{Picture, pictureBytes()}});
        loadTable(m_table, m_articles);
    }

    Result<Epub::BookReport> write()
    {
        return Epub::writeBook(
            {m_program.path(), Blog, Host, QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC), m_table});
    }

    TempFolder m_program;
    std::vector<ArchivedArticle> m_articles;
    Blog::ArticleTable m_table;
};

class EpubBook : public ArchiveFolder, public ::testing::WithParamInterface<Fixture>
{
protected:
    void SetUp() override { make(GetParam()); }
};

TEST_P(EpubBook, EpubcheckFindsNoErrorAndNoWarning)
{
    const Result<Epub::BookReport> report = write();
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    const Verdict verdict = epubcheck(report->outputPath);
    if (!verdict.ran)
        GTEST_SKIP() << "epubcheck is not installed";
    EXPECT_TRUE(verdict.clean) << verdict.output.toStdString();
}

TEST_P(EpubBook, NavigationHoldsEverySavedArticleOnceUnderItsCategoryWithItsWholeText)
{
    const Result<Epub::BookReport> report = write();
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    const Book book = readBook(report->outputPath);
    ASSERT_TRUE(book.opened);
    ASSERT_EQ(book.names.value(0), QStringLiteral("mimetype"));
    EXPECT_EQ(book.files.value(QStringLiteral("mimetype")), QByteArray("application/epub+zip"));
    EXPECT_EQ(book.methods.value(QStringLiteral("mimetype")), ZIP_CM_STORE);
    EXPECT_EQ(book.methods.value(QStringLiteral("content.opf")), ZIP_CM_DEFLATE);

    // Expected: categories in order of first appearance, saved articles in table order.
    QStringList order;
    QMap<QString, QList<const ArchivedArticle *>> saved;
    for (const ArchivedArticle &a : m_articles) {
        if (!order.contains(a.category))
            order << a.category;
        if (!a.body.isNull())
            saved[a.category].append(&a);
    }
    order.removeIf([&](const QString &c) { return !saved.contains(c); });

    QString first;
    const QList<NavCategory> nav = readNav(book.files.value(QStringLiteral("nav.xhtml")), first);
    EXPECT_EQ(first, QStringLiteral("title.xhtml"));
    ASSERT_EQ(nav.size(), order.size());
    for (qsizetype c = 0; c < order.size(); ++c) {
        EXPECT_EQ(nav[c].name, withoutControls(order[c]));
        const QList<const ArchivedArticle *> &expected = saved[order[c]];
        ASSERT_EQ(nav[c].articles.size(), expected.size()) << order[c].toStdString();
        for (qsizetype i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(nav[c].articles[i].title, withoutControls(expected[i]->title));
            const QByteArray document = book.files.value(nav[c].articles[i].href);
            ASSERT_FALSE(document.isEmpty()) << nav[c].articles[i].href.toStdString();
            EXPECT_EQ(textOfClass(document, QStringLiteral("article")), archiveText(expected[i]->body))
                << expected[i]->title.toStdString();
        }
    }
}

TEST_P(EpubBook, EveryPictureIsInTheBookAndNothingRefersOutsideIt)
{
    const Result<Epub::BookReport> report = write();
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    const Book book = readBook(report->outputPath);
    ASSERT_TRUE(book.opened);
    int pictures = 0;
    for (const QString &name : book.names) {
        if (!name.endsWith(QLatin1String(".xhtml")))
            continue;
        const QString folder = name.contains(QLatin1Char('/')) ? name.section(QLatin1Char('/'), 0, -2) : QString();
        for (const QString &reference : referencesOf(book.files.value(name))) {
            const QString address = reference.section(QLatin1Char('='), 1);
            if (reference.startsWith(QLatin1String("href=http")) || reference.startsWith(QLatin1String("href=mailto:")))
                continue;
            const QString target =
                QDir::cleanPath(folder.isEmpty() ? address : folder + QLatin1Char('/') + address).section(u'#', 0, 0);
            EXPECT_TRUE(book.files.contains(target)) << name.toStdString() << ": " << reference.toStdString();
            if (target.startsWith(QLatin1String("images/"))) {
                ++pictures;
                EXPECT_EQ(book.files.value(target), readAll(m_program.file(Blog + u'/' + target)));
            }
        }
    }
    EXPECT_GT(pictures, GetParam() == Fixture::Awkward ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(Archives, EpubBook, ::testing::Values(Fixture::Example, Fixture::Awkward),
                         [](const auto &param) { return param.param == Fixture::Example ? "Example" : "Awkward"; });

class AwkwardBook : public ArchiveFolder
{
protected:
    void SetUp() override { make(Fixture::Awkward); }
};

TEST_F(AwkwardBook, WhatCannotBeKeptIsNamedAndTheBookIsStillWritten)
{
    const Result<Epub::BookReport> report = write();
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    EXPECT_EQ(report->missingArticles, QStringList{QStringLiteral("放弃 (随笔\\gone.html)")});
    const QString problems = report->problems.join(u'\n');
    EXPECT_TRUE(problems.contains(QStringLiteral("\"控制字符\""))) << problems.toStdString();
    EXPECT_TRUE(problems.contains(QStringLiteral("\"杂项\""))) << problems.toStdString();
    EXPECT_TRUE(problems.contains(QStringLiteral("missing picture images/0000000000000000.png")))
        << problems.toStdString();
    EXPECT_EQ(report->problems.size(), 3) << problems.toStdString();
    EXPECT_FALSE(report->complete());
    EXPECT_EQ(report->articleCount, 9);
    EXPECT_EQ(report->pictureCount, 1);

    // Links between articles lead into the book, others to the blog host stay.
    const Book book = readBook(report->outputPath);
    const QStringList references = referencesOf(book.files.value(QStringLiteral("text/r00001.xhtml")));
    EXPECT_TRUE(references.contains(QStringLiteral("href=../text/r00002.xhtml")))
        << references.join(u' ').toStdString();
    EXPECT_TRUE(references.contains(QStringLiteral("href=../text/r00004.xhtml")));
    EXPECT_TRUE(references.contains(QStringLiteral("href=../contents.xhtml")));
    EXPECT_TRUE(references.contains(QStringLiteral("href=http://127.0.0.1:8642/x/blog")));
}

TEST_F(AwkwardBook, AFailedWriteKeepsTheEarlierBook)
{
    ASSERT_TRUE(write().ok());
    const QString path = m_program.file(Blog + QStringLiteral(".epub"));
    const QByteArray earlier = readAll(path);
    const QRegularExpression id(QStringLiteral("urn:uuid:[0-9a-f-]{36}"));
    const auto identifier = [&] {
        return id.match(QString::fromUtf8(readBook(path).files.value(QStringLiteral("content.opf")))).captured();
    };
    const QString first = identifier();
    const QStringList before = QDir(m_program.path()).entryList(QDir::Files);
    {
        const FileSizeLimit full(4096);
        const Result<Epub::BookReport> report = write();
        EXPECT_FALSE(report.ok());
    }
    EXPECT_EQ(readAll(path), earlier);
    EXPECT_EQ(QDir(m_program.path()).entryList(QDir::Files), before);
    // The same blog is the same book on every run.
    ASSERT_TRUE(write().ok());
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(identifier(), first);
}

} // namespace
