#include "archive/layout.h"
#include "helpfile/hha.h"
#include "samplearchive.h"
#include "strictreader.h"
#include "support/tempfolder.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using namespace ChmTest;

// Words that stand only where a page holds no text; search must not find them.
const QStringList absentWords{QStringLiteral("zqxattr"), QStringLiteral("zqxscript"), QStringLiteral("zqxstyle"),
                              QStringLiteral("zqxcomment"), QStringLiteral("zqxhandler")};

// An article with each kind of active content, the words of its text also in attributes and
// comments, and entities standing for words.
ArchivedArticle activeArticle()
{
    return {QStringLiteral("脚本与控件"), QStringLiteral("随笔"), QStringLiteral("feedfacefeedfacefeedface.html"),
            articleFile({QStringLiteral("<h2 class=\"title\">脚本与控件</h2>"),
                         QStringLiteral("<p title=\"zqxattr\" onclick=\"zqxhandler()\">正文&#27979;&#x8bd5;"
                                        " caf&#101; &amp; tea<!-- zqxcomment --></p>"),
                         QStringLiteral("<script type=\"text/javascript\">var zqxscript = '<p>';</script>"),
                         QStringLiteral("<style>p { zqxstyle: 1 }</style>"),
                         QStringLiteral("<object data=\"x.swf\"><param name=movie value=x.swf>对象文字</object>"),
                         QStringLiteral("<embed src=\"x.swf\"><applet code=A>小程序文字</applet>"),
                         QStringLiteral("<iframe src=\"http://127.0.0.1:9/\">框架文字</iframe><frame src=x.html>"),
                         QStringLiteral("<form action=\"http://127.0.0.1:9/\">表单文字<input name=q></form>"),
                         QStringLiteral("<a href=\" JaVa&#x09;Script:zqxhandler()\">链接文字</a>"),
                         QStringLiteral("<a HREF='vbscript:msgbox'>另一个</a><img src=x.png ONLOAD=zqxhandler()>")})};
}

enum class Blog { Example, Awkward };

class SearchIndex : public ::testing::TestWithParam<Blog>
{
protected:
    void SetUp() override
    {
        m_articles = GetParam() == Blog::Example ? sampleArticles(QStringLiteral("qiruvo")) : awkwardArticles();
        m_articles.push_back(activeArticle());
        const QString project =
            writeArchive(m_program.path(), QStringLiteral("qiruvo"), m_articles, {{picture, pictureBytes()}});
        QJsonObject titles;
        HelpFile::CompileOptions options;
        for (const ArchivedArticle &a : m_articles) {
            const QString entry = Archive::Layout{QString(), QString()}.entryPath(a.category, a.link);
            titles.insert(entry, a.title);
            options.pageTitles.insert(QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')), a.title);
        }
        writeAll(m_program.file(QStringLiteral("titles.json")), QJsonDocument(titles).toJson());
        const Result<HelpFile::CompileReport> report = HelpFile::compileProject(project, {}, options);
        ASSERT_TRUE(report.ok()) << report.error().toStdString();
        m_report = *report;
    }

    QString chm() const { return m_program.file(QStringLiteral("qiruvo.chm")); }

    TempFolder m_program;
    std::vector<ArchivedArticle> m_articles;
    HelpFile::CompileReport m_report;
};

TEST_P(SearchIndex, ChmlibFindsExactlyThePagesHoldingEachWordAndPhrase)
{
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral("/usr/bin/python3"),
                QStringList{QStringLiteral(SEARCH_CHECK), chm(), m_program.file(QStringLiteral("titles.json"))} +
                    absentWords);
    ASSERT_TRUE(check.waitForFinished(120000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    EXPECT_GT(m_report.indexedPages, static_cast<int>(m_articles.size()));
    EXPECT_GT(m_report.indexedWords, 20);
}

TEST_P(SearchIndex, ActiveContentIsStoredWithoutItsTextLost)
{
    const StrictReport stored = strictRead(chm());
    QByteArray page;
    for (auto it = stored.files.cbegin(); it != stored.files.cend(); ++it) {
        if (it.key().endsWith("feedfacefeedfacefeedface.html"))
            page = it.value();
    }
    ASSERT_FALSE(page.isEmpty());
    const QString text = Gbk::decode(page);
    for (const char *gone : {"<script", "zqxscript", "<object", "<param", "<embed", "<applet", "<iframe", "<frame",
                             "<form", "onclick", "ONLOAD", "zqxhandler", "vbscript", "Script:"})
        EXPECT_FALSE(text.contains(QLatin1String(gone), Qt::CaseInsensitive)) << gone;
    for (const QString &kept : {QStringLiteral("正文&#27979;&#x8bd5; caf&#101; &amp; tea"), QStringLiteral("对象文字"),
                                QStringLiteral("小程序文字"), QStringLiteral("框架文字"), QStringLiteral("表单文字"),
                                QStringLiteral("<input name=q>"), QStringLiteral(">链接文字</a>"),
                                QStringLiteral("title=\"zqxattr\""), QStringLiteral("<img src=")})
        EXPECT_TRUE(text.contains(kept)) << kept.toStdString();
    EXPECT_EQ(m_report.pagesWithActiveContent, 1);
}

INSTANTIATE_TEST_SUITE_P(Blogs, SearchIndex, ::testing::Values(Blog::Example, Blog::Awkward),
                         [](const ::testing::TestParamInfo<Blog> &blog) {
                             return blog.param == Blog::Example ? "ExampleBlog" : "AwkwardBlog";
                         });

} // namespace

namespace {

// Every file of a folder and below, by its path there.
QMap<QString, QByteArray> folderFiles(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return files;
}

QString unescaped(QString text)
{
    return text.replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// The stored contents as lines: "name -> local" for entries, "[" and "]" for the books' lists.
QStringList contentsOutline(const QByteArray &hhc)
{
    static const QRegularExpression token(
        QStringLiteral(
            "<UL>|</UL>|<param name=\"Name\" value=\"([^\"]*)\">(?:<param name=\"Local\" value=\"([^\"]*)\">)?"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList outline;
    for (auto it = token.globalMatch(Gbk::decode(hhc)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString t = m.captured(0).toUpper();
        outline << (t == QLatin1String("<UL>")    ? QStringLiteral("[")
                    : t == QLatin1String("</UL>") ? QStringLiteral("]")
                                                  : unescaped(m.captured(1)) + QStringLiteral(" -> ") + m.captured(2));
    }
    return outline;
}

TEST(TitledContents, OneBookPerCategoryWithTitlesDatesAndTargetsInOrder)
{
    TempFolder program;
    std::vector<ArchivedArticle> articles = awkwardArticles();
    articles.push_back({QStringLiteral("\"引号\" <尖括号> & 和"), QStringLiteral("随笔"),
                        QStringLiteral("abcdefabcdefabcdefabcdef.html"), articleFile({QStringLiteral("<p>x</p>")})});
    const QString project =
        writeArchive(program.path(), QStringLiteral("qiruvo"), articles, {{picture, pictureBytes()}});
    const QString folder = program.file(QStringLiteral("qiruvo"));
    ASSERT_TRUE(HelpFile::compileProject(project, {}, compileOptions(articles, false)).ok());
    const QMap<QString, QByteArray> plain = folderFiles(folder);
    ASSERT_TRUE(HelpFile::compileProject(project, {}, compileOptions(articles, true)).ok());
    EXPECT_TRUE(plain == folderFiles(folder)); // nolv.hhp/.hhk/.hhc keep their bytes

    const StrictReport stored = strictRead(program.file(QStringLiteral("qiruvo.chm")));
    const QStringList outline = contentsOutline(stored.files.value("/nolv.hhc"));
    const auto storedName = [&](const QString &category, const QString &link) {
        const QString onDisk = Archive::Layout(QString(), QString())
                                   .entryPath(category, link)
                                   .replace(QLatin1Char('\\'), QLatin1Char('/'));
        for (auto it = stored.files.cbegin(); it != stored.files.cend(); ++it) {
            if (contentKept(folder, onDisk, stored, it.key()).isEmpty())
                return QString::fromLatin1(it.key().mid(1));
        }
        return QString();
    };
    QStringList expected{QStringLiteral("["), QStringLiteral("首页 -> index.html"),
                         QStringLiteral("全部文章 -> all.htm")};
    QStringList categories;
    for (const ArchivedArticle &a : articles) {
        if (!categories.contains(a.category))
            categories << a.category;
    }
    for (const QString &category : categories) {
        expected << category + QStringLiteral(" -> ") +
                        outline.value(expected.size()).section(QStringLiteral(" -> "), 1)
                 << QStringLiteral("[");
        for (const ArchivedArticle &a : articles) {
            if (a.category == category)
                expected << a.title + QStringLiteral(" (2011-06-01 12:00) -> ") + storedName(a.category, a.link);
        }
        expected << QStringLiteral("]");
    }
    expected << QStringLiteral("]");
    EXPECT_EQ(outline.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    // Every Local of the contents and the index resolves by chmlib's exact lookup: start page, full
    // list, category pages and articles; one keyword per title.
    const QStringList localProblems = stored.problems.filter(QStringLiteral("Local"));
    EXPECT_TRUE(localProblems.isEmpty()) << localProblems.join(u'\n').toStdString();
    EXPECT_EQ(stored.locals, 2 + 2 * static_cast<int>(articles.size()) + static_cast<int>(categories.size()));
}

} // namespace
