#include "archive/articlesaver.h"
#include "archive/safefilename.h"
#include "common/gbkcodec.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace Archive;

namespace {

const QString Start = QStringLiteral("<td>查看文章</span></div></td>");
const QString End = QStringLiteral("<div>网友评论：</div>");
const QString Host = QStringLiteral("http://127.0.0.1:8642/");

} // namespace

TEST(Rep, ReplacesEachOfItsNineCharacters)
{
    const QString specials = QStringLiteral("?/\\:&+# ;");
    for (const QChar c : specials)
        EXPECT_EQ(safeFileName(QStringLiteral("a") + c + QStringLiteral("b")), QStringLiteral("a_b"))
            << QString(c).toStdString();
    EXPECT_EQ(safeFileName(QStringLiteral("Q&A #1")), QStringLiteral("Q_A__1"));
    EXPECT_EQ(safeFileName(QStringLiteral("随笔*|<>\"")), QStringLiteral("随笔*|<>\""));
    EXPECT_EQ(safeFileName(QString()), QString());
}

TEST(ArticleBody, FromStartLineUpToEndLine)
{
    const QString page =
        QStringLiteral("plain\n") + Start + QStringLiteral("\nbody\n") + End + QStringLiteral("\nafter");
    EXPECT_EQ(articleBody(page), Gbk::encode(Start) + "\r\nbody\r\n");
}

TEST(ArticleBody, EndBeforeStartGivesNothing)
{
    EXPECT_TRUE(articleBody(End + QStringLiteral("\n") + Start + QStringLiteral("\nbody")).isEmpty());
}

TEST(ArticleBody, StartWithoutEndCopiesToTheLastLine)
{
    EXPECT_EQ(articleBody(Start + QStringLiteral("\na\nb")), Gbk::encode(Start) + "\r\na\r\nb\r\n");
}

TEST(ArticleBody, LineWithBothMarkersStartsAndDoesNotStop)
{
    EXPECT_EQ(articleBody(Start + End + QStringLiteral("\nx\n") + End),
              Gbk::encode(QString(Start + End)) + "\r\nx\r\n");
}

TEST(ArticleBody, CrLfPageGivesCrCrLf)
{
    EXPECT_EQ(articleBody(Start + QStringLiteral("\r\nbody\r\n") + End), Gbk::encode(Start) + "\r\r\nbody\r\r\n");
}

class Saver : public ::testing::Test
{
protected:
    SaveResult save(const QString &page, const QString &category = QStringLiteral("Q&A #1"),
                    const QString &link = QStringLiteral("L.html"))
    {
        return saveArticle(page, layout, category, link, Host, QStringLiteral("blog"));
    }
    QString file(const QString &category = QStringLiteral("Q&A #1"), const QString &link = QStringLiteral("L.html"))
    {
        return layout.articleFile(category, link);
    }

    TempFolder folder;
    Layout layout{folder.path(), QStringLiteral("blog")};
    void SetUp() override { QDir().mkpath(layout.archiveFolder()); }
};

TEST_F(Saver, SavesTheBodyIntoTheSanitisedCategoryFolder)
{
    EXPECT_EQ(save(Start + QStringLiteral("\n正文\n") + End).outcome, SaveOutcome::Saved);
    EXPECT_TRUE(file().endsWith(QStringLiteral("/blog/Q_A__1/L.html")));
    EXPECT_EQ(readAll(file()), Gbk::encode(QString(Start + QStringLiteral("\r\n正文\r\n"))));
}

TEST_F(Saver, SavingTwiceKeepsOnlyTheSecond)
{
    save(Start + QStringLiteral("\nfirst version is longer\n") + End);
    save(Start + QStringLiteral("\nsecond\n") + End);
    EXPECT_EQ(readAll(file()), Gbk::encode(QString(Start + QStringLiteral("\r\nsecond\r\n"))));
}

TEST_F(Saver, EachHostMarkerGivesTheWithdrawnNotice)
{
    const QString expected = QStringLiteral("博文已经删除或访问受限...<br><A target=_blank href=http://127.0.0.1:8642/"
                                            "blog/blog/item/L.html>点击这里打开源地址</a> <br>  —mirqoPelmora。");
    for (const QString &marker : {QStringLiteral("<a>版权所有</a></p>"), QStringLiteral("免责声明</FONT>"),
                                  QStringLiteral("x myblog/htmlsource/blog_notopen x")}) {
        EXPECT_EQ(save(QStringLiteral("head\n") + marker + QStringLiteral("\n")).outcome, SaveOutcome::Withdrawn);
        EXPECT_EQ(readAll(file()), Gbk::encode(expected) + "\r\n");
    }
}

TEST_F(Saver, BrokenPageRemovesTheFile)
{
    save(Start + QStringLiteral("\nbody\n") + End);
    ASSERT_TRUE(QFile::exists(file()));
    EXPECT_EQ(save(QString()).outcome, SaveOutcome::Broken);
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_EQ(save(QStringLiteral("<html>500 Internal Server Error</html>")).outcome, SaveOutcome::Broken);
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(Saver, LateBrokenPageKeepsAnotherRequestsFile)
{
    save(Start + QStringLiteral("\nbody\n") + End);
    EXPECT_EQ(saveArticle(QString(), layout, QStringLiteral("Q&A #1"), QStringLiteral("L.html"), Host,
                          QStringLiteral("blog"), true)
                  .outcome,
              SaveOutcome::Broken);
    EXPECT_TRUE(QFile::exists(file()));
}

TEST_F(Saver, HostileLinksNeverLeaveTheFolder)
{
    for (const QString &link : {QStringLiteral("../x.html"), QStringLiteral(".."), QStringLiteral("."),
                                QStringLiteral("a\\b"), QStringLiteral("/etc/x"), QString()}) {
        EXPECT_EQ(save(Start + QStringLiteral("\nbody\n") + End, QStringLiteral("c"), link).outcome,
                  SaveOutcome::Failed)
            << link.toStdString();
    }
    EXPECT_EQ(save(Start + QStringLiteral("\nbody\n") + End, QStringLiteral(".."), QStringLiteral("x")).outcome,
              SaveOutcome::Failed);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("x.html"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("x"))));
}

TEST_F(Saver, UnwritableFolderIsAFailureNotASave)
{
    // A file standing where the category folder belongs.
    writeAll(layout.categoryFolder(QStringLiteral("c")), "x");
    const SaveResult result = save(Start + QStringLiteral("\nbody\n") + End, QStringLiteral("c"));
    EXPECT_EQ(result.outcome, SaveOutcome::Failed);
    EXPECT_FALSE(result.error.isEmpty());

    // The archive folder gone under it: the reason is the system's.
    QDir(layout.archiveFolder()).removeRecursively();
    const SaveResult missing = save(Start + QStringLiteral("\nbody\n") + End, QStringLiteral("d"));
    EXPECT_EQ(missing.outcome, SaveOutcome::Failed);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("No such file or directory"))) << missing.error.toStdString();
}
