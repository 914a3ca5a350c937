#include "archive/projectwriter.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "support/filesizelimit.h"
#include "support/tempfolder.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using Blog::ArticleTable;

class ProjectFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.appendArticle(QStringLiteral("一"), QStringLiteral("随笔"), QStringLiteral("a.html"),
                            QStringLiteral("d"));
        table.appendArticle(QStringLiteral("二"), QStringLiteral("Q&A #1"), QStringLiteral("L"), QStringLiteral("d"));
    }

    QByteArray file(const QString &name) { return readAll(folder.file(name)); }

    ArticleTable table;
    TempFolder folder;
};

TEST_F(ProjectFiles, ProjectFileByteForByte)
{
    ASSERT_TRUE(Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table));
    const QByteArray expected = Gbk::encode(QStringLiteral(
        "[Options]\r\n"
        "Compatibility = 1.1 Or later\r\n"
        "Compiled file = ..\\qiruvo.chm\r\n"
        "Contents file = nolv.hhc\r\n"
        "Default window = main\r\n"
        "Display compile progress=Yes\r\n"
        "Index file = nolv.hhk\r\n"
        "Language=0x804\r\n"
        "Title = \"qiruvo\"\r\n"
        "\r\n"
        "[WINDOWS]\r\n"
        "main=\"qiruvo\",\"nolv.hhc\",\"nolv.hhk\",\"index.html\",\"index.html\",,,,,0x21120,250,0x6e,[1,1,798,566],"
        "0x18b0000,,,1,,,0\r\n"
        "[Files]\r\n"
        "随笔\\a.html\r\n"
        "Q_A__1\\L\r\n"
        "\r\n"
        "[INFOTYPES]\r\n"));
    EXPECT_EQ(file(QStringLiteral("nolv.hhp")), expected);
    EXPECT_EQ(file(QStringLiteral("nolv.hhp")).count("\r\n"), 15 + 2);
}

TEST_F(ProjectFiles, IndexAndContentsByteForByte)
{
    ASSERT_TRUE(Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table));
    EXPECT_EQ(file(QStringLiteral("nolv.hhk")),
              Gbk::encode(QStringLiteral("<UL>\r\n"
                                         "<LI> <OBJECT type=Text/sitemap> <param name=Name value=随笔\\a.html> <param "
                                         "name=Local value=随笔\\a.html></OBJECT>\r\n"
                                         "<LI> <OBJECT type=Text/sitemap> <param name=Name value=Q_A__1\\L> <param "
                                         "name=Local value=Q_A__1\\L></OBJECT>\r\n"
                                         "\r\n"
                                         "</UL>\r\n")));
    EXPECT_EQ(
        file(QStringLiteral("nolv.hhc")),
        Gbk::encode(QStringLiteral("<UL>\r\n"
                                   "<LI> <OBJECT type=Text/sitemap> <param name=Name value=随笔\\a.html>  <param "
                                   "name=Local value=随笔\\a.html>  <param name=ImageNumber value=11> </OBJECT>\r\n"
                                   "<LI> <OBJECT type=Text/sitemap> <param name=Name value=Q_A__1\\L>  <param "
                                   "name=Local value=Q_A__1\\L>  <param name=ImageNumber value=11> </OBJECT>\r\n"
                                   "\r\n"
                                   "</UL>\r\n")));
}

TEST_F(ProjectFiles, SecondBuildLeavesOneCopyOfEveryLine)
{
    ASSERT_TRUE(Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table));
    const QByteArray first =
        file(QStringLiteral("nolv.hhp")) + file(QStringLiteral("nolv.hhk")) + file(QStringLiteral("nolv.hhc"));
    ASSERT_TRUE(Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table));
    EXPECT_EQ(file(QStringLiteral("nolv.hhp")) + file(QStringLiteral("nolv.hhk")) + file(QStringLiteral("nolv.hhc")),
              first);
}

TEST_F(ProjectFiles, UnwritableFolderIsReported)
{
    EXPECT_FALSE(Archive::writeProject(folder.file(QStringLiteral("missing")), QStringLiteral("qiruvo"), table));
}

TEST_F(ProjectFiles, FullDiskKeepsTheEarlierFilesWholeAndSaysWhy)
{
    ASSERT_TRUE(Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table));
    const QByteArray before =
        file(QStringLiteral("nolv.hhp")) + file(QStringLiteral("nolv.hhk")) + file(QStringLiteral("nolv.hhc"));
    for (int i = 0; i < 20; ++i)
        table.appendArticle(QStringLiteral("标题"), QStringLiteral("随笔"), QStringLiteral("%1.html").arg(i),
                            QString());
    Result<void> written;
    {
        const FileSizeLimit full(600);
        written = Archive::writeProject(folder.path(), QStringLiteral("qiruvo"), table);
    }
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << written.error().toStdString();
    EXPECT_EQ(file(QStringLiteral("nolv.hhp")) + file(QStringLiteral("nolv.hhk")) + file(QStringLiteral("nolv.hhc")),
              before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("nolv.hhc"), QStringLiteral("nolv.hhk"), QStringLiteral("nolv.hhp")}));
}
