#include "common/gbkcodec.h"
#include "helpfile/filecollector.h"
#include "helpfile/helpproject.h"
#include "helpfile/htmlscan.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using namespace HelpFile;

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += Gbk::encode(line) + "\r\n";
    return out;
}

class ProjectReading : public ::testing::Test
{
protected:
    Result<HelpProject> read(const QStringList &lines)
    {
        writeAll(path(), crlf(lines));
        return readProject(path());
    }
    QString path() const { return m_folder.file(QStringLiteral("blog/nolv.hhp")); }

    TempFolder m_folder;
};

TEST_F(ProjectReading, ReadsTheOptionsWithTheirIrregularSpacing)
{
    const Result<HelpProject> p = read({
        QStringLiteral("[Options]"),
        QStringLiteral("Compatibility = 1.1 Or later"),
        QStringLiteral("Compiled file = ..\\博客.chm"),
        QStringLiteral("Contents file = nolv.hhc"),
        QStringLiteral("Default window = main"),
        QStringLiteral("Display compile progress=Yes"),
        QStringLiteral("Index file = nolv.hhk"),
        QStringLiteral("Language=0x804"),
        QStringLiteral("Title = \"博客\""),
        QString(),
        QStringLiteral("[WINDOWS]"),
        QStringLiteral("main=\"博客\",\"nolv.hhc\",\"nolv.hhk\",\"index.html\",\"index.html\",,,,,0x21120,250,0x6e,"
                       "[1,1,798,566],0x18b0000,,,1,,,0"),
        QStringLiteral("[Files]"),
        QStringLiteral("随笔\\1.html"),
        QStringLiteral("Q_A__1\\2.html"),
        QString(),
        QStringLiteral("[INFOTYPES]"),
    });
    ASSERT_TRUE(p.ok()) << p.error().toStdString();
    EXPECT_EQ(p->lcid, 0x804u);
    EXPECT_FALSE(p->compatibility10);
    EXPECT_EQ(p->title, QStringLiteral("博客"));
    EXPECT_EQ(p->compiledName, QStringLiteral("..\\博客.chm"));
    EXPECT_EQ(p->compiledFile, QDir::cleanPath(m_folder.path() + QStringLiteral("/博客.chm")));
    EXPECT_EQ(p->contentsFile, QStringLiteral("nolv.hhc"));
    EXPECT_EQ(p->indexFile, QStringLiteral("nolv.hhk"));
    EXPECT_EQ(p->defaultWindow, QStringLiteral("main"));
    EXPECT_EQ(p->files, (QStringList{QStringLiteral("随笔\\1.html"), QStringLiteral("Q_A__1\\2.html")}));
    ASSERT_NE(p->window(QStringLiteral("MAIN")), nullptr);
    const WindowDefinition &w = *p->window(QStringLiteral("main"));
    EXPECT_EQ(w.fields.size(), 20);
    EXPECT_EQ(w.field(0), QStringLiteral("博客"));
    EXPECT_EQ(w.field(3), QStringLiteral("index.html"));
    EXPECT_EQ(w.field(5), QString());
    EXPECT_EQ(w.field(12), QStringLiteral("[1,1,798,566]"));
    EXPECT_EQ(w.field(13), QStringLiteral("0x18b0000"));
    EXPECT_EQ(w.field(19), QStringLiteral("0"));
}

TEST_F(ProjectReading, SectionsAndKeysInAnyCaseAndLanguageWithItsName)
{
    const Result<HelpProject> p =
        read({QStringLiteral("[OPTIONS]"), QStringLiteral("TITLE=x"), QStringLiteral("language = 0x804 中文(中国)"),
              QStringLiteral("[FILES]"), QStringLiteral("a.html")});
    ASSERT_TRUE(p.ok()) << p.error().toStdString();
    EXPECT_EQ(p->title, QStringLiteral("x"));
    EXPECT_EQ(p->lcid, 0x804u);
    EXPECT_EQ(p->files, QStringList{QStringLiteral("a.html")});
    EXPECT_EQ(p->compiledFile, m_folder.file(QStringLiteral("blog/nolv.chm")));
}

TEST_F(ProjectReading, DecodesGbkBeforeSplittingPaths)
{
    // 乗 is 81 5C in GBK: its second byte is a backslash.
    const Result<HelpProject> p = read({QStringLiteral("[FILES]"), QStringLiteral("乗\\表.html")});
    ASSERT_TRUE(p.ok());
    ASSERT_EQ(p->files.size(), 1);
    EXPECT_EQ(FileCollector::normalize(p->files.front(), QString()), QStringLiteral("乗/表.html"));
}

TEST_F(ProjectReading, RefusesWhatIsNoProject)
{
    EXPECT_FALSE(readProject(m_folder.file(QStringLiteral("none.hhp"))).ok());
    EXPECT_FALSE(readProject(m_folder.path()).ok());
    EXPECT_FALSE(read({QStringLiteral("just text")}).ok());
    const Result<HelpProject> wrongCodePage = read({QStringLiteral("[OPTIONS]"), QStringLiteral("Language=0x409"),
                                                    QStringLiteral("[FILES]"), QStringLiteral("随笔.html")});
    ASSERT_FALSE(wrongCodePage.ok());
    EXPECT_TRUE(wrongCodePage.error().contains(QStringLiteral("0x409")));
}

struct PathCase
{
    const char *name;
    const char *from;
    const char *expected; // nullptr: outside the folder
};

class Normalize : public ::testing::TestWithParam<PathCase>
{};

TEST_P(Normalize, ResolvesInsideTheFolderOnly)
{
    const std::optional<QString> got =
        FileCollector::normalize(QString::fromUtf8(GetParam().name), QString::fromUtf8(GetParam().from));
    if (GetParam().expected)
        EXPECT_EQ(got, QString::fromUtf8(GetParam().expected));
    else
        EXPECT_FALSE(got.has_value()) << got->toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Normalize,
    ::testing::Values(PathCase{"随笔\\1.html", "", "随笔/1.html"}, PathCase{"1.html", "随笔", "随笔/1.html"},
                      PathCase{"..\\index.html", "随笔", "index.html"}, PathCase{"./a/./b.html", "", "a/b.html"},
                      PathCase{"/all.htm", "随笔", "all.htm"}, PathCase{"../outside.html", "", nullptr},
                      PathCase{"a/../../x.html", "", nullptr}, PathCase{"..", "随笔", nullptr}));

TEST(LinkTargets, ExternalAndAnchorsAreRecognised)
{
    for (const char *external : {"http://x/y.html", "HTTPS://x", "mailto:a@b", "ms-its:a.chm::/b.htm",
                                 "javascript:void(0)", "#top", "//host/x", "C:\\x.html"})
        EXPECT_TRUE(FileCollector::isExternal(QString::fromLatin1(external))) << external;
    for (const char *local : {"a.html", "dir/a.html", "a.html#x", "../a:b"})
        EXPECT_FALSE(FileCollector::isExternal(QString::fromLatin1(local))) << local;
    EXPECT_EQ(FileCollector::stripAnchor(QStringLiteral("a.html?x=1#y")), QStringLiteral("a.html"));
    EXPECT_EQ(FileCollector::stripAnchor(QStringLiteral("a.html#y?z")), QStringLiteral("a.html"));
}

TEST(HtmlScan, FindsHrefAndSrcQuotedOrNotInAnyCase)
{
    const QByteArray html = Gbk::encode(
        QStringLiteral("<html><!-- <a href=comment.html> --><A HREF=\"随笔\\1.html\">x</A>"
                       "<img src='pic 1.png' alt=\"a > b\"><a\nhref = bare.htm>y</a><td background=bg.gif>"
                       "<a name=x>plain text href=text.html</a><link rel=stylesheet href=\"s.css?v=2&amp;w=3\">"
                       "<a data-src=not.html title=\"乗\">z</a></html>"));
    std::vector<QString> links;
    for (const QByteArray &l : Html::linkValues(html))
        links.push_back(Gbk::decode(l));
    const std::vector<QString> expected{QStringLiteral("随笔\\1.html"), QStringLiteral("pic 1.png"),
                                        QStringLiteral("bare.htm"), QStringLiteral("bg.gif"),
                                        QStringLiteral("s.css?v=2&w=3")};
    EXPECT_EQ(links, expected);
}

TEST(HtmlScan, ReadsSitemapLocalsAndTitles)
{
    const QByteArray hhc = Gbk::encode(QStringLiteral(
        "<UL>\r\n<LI> <OBJECT type=Text/sitemap> <param name=Name value=随笔\\1.html>  <param name=Local "
        "value=随笔\\1.html>  <param name=ImageNumber value=11> </OBJECT>\r\n"
        "<LI> <object type=\"text/sitemap\"><param name=\"Name\" value=\"关键词\"><param name=\"Local\" "
        "value=\"a.html\"><param name=\"Name\" value=\"x\"><param name=\"Local\" "
        "value=\"b.html\"></object>\r\n</UL>\r\n"));
    const std::vector<Html::SitemapEntry> entries = Html::sitemapEntries(hhc);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(Gbk::decode(entries[0].name), QStringLiteral("随笔\\1.html"));
    EXPECT_EQ(Gbk::decode(entries[0].local), QStringLiteral("随笔\\1.html"));
    EXPECT_EQ(Gbk::decode(entries[1].name), QStringLiteral("关键词"));
    EXPECT_EQ(entries[1].local, "a.html");
    EXPECT_EQ(entries[2].local, "b.html");
    EXPECT_EQ(Html::title("<HTML><Title>\r\n A  page </TITLE>"), "A page");
    EXPECT_EQ(Html::title("<p>no title</p>"), "");
}

} // namespace
