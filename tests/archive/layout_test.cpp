#include "archive/layout.h"
#include "archive/safefilename.h"
#include "common/gbkcodec.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using Archive::Layout;
using Archive::linkFileName;
using Archive::safeFileName;

namespace {

qsizetype utf8Size(const QString &text)
{
    return text.toUtf8().size();
}

} // namespace

TEST(SafeFileName, ControlCharactersAndCharactersGbkLacksBecomeUnderscores)
{
    EXPECT_EQ(safeFileName(QStringLiteral("随笔1.htm") + QChar(0)), QStringLiteral("随笔1.htm_"));
    EXPECT_EQ(safeFileName(QStringLiteral("a\tb\x7f")), QStringLiteral("a_b_"));
    EXPECT_EQ(safeFileName(QStringLiteral("旧\uFFFD时")), QStringLiteral("旧_时"));
    EXPECT_EQ(safeFileName(QStringLiteral("x\U0001F600y")), QStringLiteral("x_y"));
    // What safeFileName leaves is exactly what the pages write in GBK.
    const QString rep = safeFileName(QStringLiteral("旧時光\uFFFD\U0001F600"));
    EXPECT_EQ(Gbk::decode(Gbk::encode(rep)), rep);
}

TEST(LinkFileName, CharactersGbkLacksBecomeUnderscoresAndTheRestStays)
{
    EXPECT_EQ(linkFileName(QStringLiteral("0123\uFFFD56789abcdef01234567.html")),
              QStringLiteral("0123_56789abcdef01234567.html"));
    EXPECT_EQ(linkFileName(QStringLiteral("a b&c.html")), QStringLiteral("a b&c.html"));
}

struct LongName
{
    const char *what;
    QString (*name)(const QString &);
    QString text;
    qsizetype maxBytes;
    QString keptEnd;
};

class LongNames : public ::testing::TestWithParam<LongName>
{};

// The names must fit with a page number, ".htm" and ".part" added, stay apart when only their ends
// differ, and come out the same every time.
TEST_P(LongNames, AreCutToAPrefixAndAHashThatFit)
{
    const LongName &p = GetParam();
    const QString name = p.name(p.text);
    EXPECT_LE(utf8Size(name), p.maxBytes) << p.what;
    EXPECT_GT(utf8Size(name), p.maxBytes - 4) << p.what;
    EXPECT_TRUE(name.startsWith(p.text.left(20))) << p.what;
    EXPECT_TRUE(name.endsWith(p.keptEnd)) << p.what;
    EXPECT_EQ(p.name(p.text), name);
    QString other = p.text;
    other[other.size() - p.keptEnd.size() - 1] = QLatin1Char('z');
    EXPECT_NE(p.name(other), name) << p.what;
    const QString shortText = p.text.left(10) + p.keptEnd;
    EXPECT_EQ(p.name(shortText), safeFileName == p.name ? safeFileName(shortText) : shortText);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LongNames,
    ::testing::Values(
        LongName{"CJK category", safeFileName, QString(100, QChar(u'长')), 236, {}},
        LongName{"ASCII category", safeFileName, QString(300, QLatin1Char('c')), 236, {}},
        LongName{"emoji category", safeFileName, QString(60, QChar(u'长')) + QString(200, QLatin1Char('e')), 236, {}},
        LongName{"link", linkFileName, QString(300, QLatin1Char('a')) + QStringLiteral(".html"), 250,
                 QStringLiteral(".html")},
        LongName{"CJK link", linkFileName, QString(90, QChar(u'链')) + QStringLiteral(".htm"), 250,
                 QStringLiteral(".htm")}));

TEST(LayoutOnDisk, LongestNamesAndTheirTemporariesAreAccepted)
{
    TempFolder temp;
    const Layout layout(temp.path(), QStringLiteral("b"));
    const QString category = QString(200, QChar(u'长'));
    const QString link = QString(200, QChar(u'链')) + QStringLiteral(".html");
    ASSERT_TRUE(QDir().mkpath(layout.categoryFolder(category)));
    QFile article(layout.articleFile(category, link) + QStringLiteral(".part"));
    EXPECT_TRUE(article.open(QIODevice::WriteOnly)) << article.errorString().toStdString();
    QFile page(layout.file(safeFileName(category) + QStringLiteral("2147483647.htm.part")));
    EXPECT_TRUE(page.open(QIODevice::WriteOnly)) << page.errorString().toStdString();
    EXPECT_EQ(layout.entryPath(category, link), safeFileName(category) + QLatin1Char('\\') + linkFileName(link));
}

struct Refusal
{
    const char *what;
    QString category;
    QString link;
};

class CheckArticle : public ::testing::TestWithParam<Refusal>
{};

TEST_P(CheckArticle, RefusesNamesThatLeaveTheFolderOrNameNoFile)
{
    const Refusal &p = GetParam();
    const Result<void> check = Layout(QString(), QString()).checkArticle(p.category, p.link);
    ASSERT_FALSE(check.ok()) << p.what;
    EXPECT_FALSE(check.error().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, CheckArticle,
                         ::testing::Values(Refusal{"empty link", QStringLiteral("c"), QString()},
                                           Refusal{"no link", QStringLiteral("c"), QStringLiteral("无链接")},
                                           Refusal{"dot link", QStringLiteral("c"), QStringLiteral(".")},
                                           Refusal{"dot-dot link", QStringLiteral("c"), QStringLiteral("..")},
                                           Refusal{"slash", QStringLiteral("c"), QStringLiteral("a/b")},
                                           Refusal{"backslash", QStringLiteral("c"), QStringLiteral("a\\b")},
                                           Refusal{"NUL in link", QStringLiteral("c"),
                                                   QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
                                           Refusal{"tab in link", QStringLiteral("c"), QStringLiteral("a\tb")},
                                           Refusal{"empty category", QString(), QStringLiteral("l")},
                                           Refusal{"dot category", QStringLiteral("."), QStringLiteral("l")},
                                           Refusal{"dot-dot category", QStringLiteral(".."), QStringLiteral("l")}));

TEST(CheckArticle, AcceptsWhatSafeFileNameMakesSafe)
{
    EXPECT_TRUE(Layout(QString(), QString()).checkArticle(QStringLiteral("../x"), QStringLiteral("l")));
    EXPECT_TRUE(Layout(QString(), QString()).checkArticle(QStringLiteral("a") + QChar(0), QStringLiteral("l")));
    EXPECT_TRUE(Layout(QString(), QString()).checkArticle(QString(300, QChar(u'长')), QString(300, QLatin1Char('l'))));
}
