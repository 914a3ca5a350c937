#include "archive/rep.h"
#include "cli/clirunner.h"
#include "common/gbkcodec.h"
#include "sampleblog.h"
#include "samplehost.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Cli::CliRunner;

class CliCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.articles = 12;
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen());
        base = host->baseUrl();
    }

    int run(QStringList arguments)
    {
        out.clear();
        err.clear();
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CliRunner runner(outStream, errStream);
        QSignalSpy done(&runner, &CliRunner::finished);
        Settings settings;
        settings.programFolder = folder.path();
        settings.hostBase = base;
        settings.requestTimeoutMs = 2000;
        arguments.prepend(QStringLiteral("pelmora-cli"));
        runner.start(arguments, settings);
        EXPECT_TRUE(done.wait(60000));
        return done.isEmpty() ? -1 : done.first().first().toInt();
    }

    SampleHostConfig config;
    std::unique_ptr<SampleHost> host;
    QString base;
    TempFolder folder;
    QString out;
    QString err;
};

TEST_F(CliCommand, FindWritesTheTaskFile)
{
    EXPECT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0) << err.toStdString();
    const QByteArray task = readAll(folder.file(QStringLiteral("qiruvo.ini")));
    EXPECT_TRUE(task.startsWith("\r\nqiruvo\r\n\r\n\r\n1\r\n"));
    EXPECT_TRUE(out.contains(QStringLiteral("qiruvo.ini 导出成功! 放在程序目录")));
    EXPECT_TRUE(out.contains(QStringLiteral("12 articles")));
}

TEST_F(CliCommand, DownloadResumesFromTheTaskFile)
{
    ASSERT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0);
    EXPECT_EQ(
        run({QStringLiteral("--per-page"), QStringLiteral("5"), QStringLiteral("download"), QStringLiteral("qiruvo")}),
        0)
        << err.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo/index.html"))));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo/all.htm"))));
    EXPECT_TRUE(out.contains(QStringLiteral("全部完成，请用软件打包成CHM以便浏览")));
    host->clearRequestLog();
    EXPECT_EQ(run({QStringLiteral("download"), QStringLiteral("qiruvo")}), 0);
    EXPECT_EQ(host->requestLog().size(), 5); // only the first five again
}

TEST_F(CliCommand, GivenUpArticlesFailTheRunAfterFinishingTheRest)
{
    host->setFaults({Fault{7, FaultMode::AlwaysBroken}});
    ASSERT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0);
    EXPECT_EQ(run({QStringLiteral("download"), QStringLiteral("qiruvo")}), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("1 articles were given up"))) << err.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo/index.html"))));
}

TEST_F(CliCommand, GivenUpArticleIsNamedAndLeftOutOfTheHelpFile)
{
    host->setFaults({Fault{7, FaultMode::AlwaysBroken}});
    const SampleArticle lost = generateBlog(QStringLiteral("qiruvo"), config).articles.at(6);
    const QString named = QStringLiteral("missing: ") + lost.title + QStringLiteral(" (") +
                          Archive::Rep(lost.category) + QLatin1Char('\\') + lost.link + QLatin1Char(')');
    EXPECT_EQ(run({QStringLiteral("archive"), QStringLiteral("qiruvo")}), 1);
    EXPECT_TRUE(err.contains(named)) << err.toStdString();
    EXPECT_GT(QFileInfo(folder.file(QStringLiteral("qiruvo.chm"))).size(), 1000);
    EXPECT_TRUE(out.contains(QStringLiteral("打包CHM完成，缺少1篇文章"))) << out.toStdString();

    QFile::remove(folder.file(QStringLiteral("qiruvo.chm")));
    EXPECT_EQ(run({QStringLiteral("chm"), QStringLiteral("qiruvo")}), 1);
    EXPECT_EQ(err.count(QStringLiteral("missing: ")), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(named)) << err.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo.chm"))));
}

TEST_F(CliCommand, ArchiveGoesFromNameToHelpFile)
{
    EXPECT_EQ(run({QStringLiteral("archive"), QStringLiteral("qiruvo")}), 0) << err.toStdString();
    EXPECT_GT(QFileInfo(folder.file(QStringLiteral("qiruvo.chm"))).size(), 1000);
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo/nolv.hhp"))));
}

TEST_F(CliCommand, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({QStringLiteral("fetch"), QStringLiteral("qiruvo")}), 2);
    EXPECT_EQ(run({QStringLiteral("find"), QStringLiteral("../x")}), 2);
    EXPECT_EQ(run({QStringLiteral("--per-page"), QStringLiteral("0"), QStringLiteral("find"), QStringLiteral("x")}), 2);
    EXPECT_EQ(run({QStringLiteral("--per-page"), QStringLiteral("256"), QStringLiteral("find"), QStringLiteral("x")}),
              2);
    EXPECT_TRUE(err.contains(QStringLiteral("Usage")));
}

TEST_F(CliCommand, MissingTaskOrArchiveIsAFailure)
{
    EXPECT_EQ(run({QStringLiteral("download"), QStringLiteral("nothing")}), 1);
    EXPECT_FALSE(err.isEmpty());
    ASSERT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0);
    EXPECT_EQ(run({QStringLiteral("chm"), QStringLiteral("qiruvo")}), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("download"))) << err.toStdString();
}

TEST_F(CliCommand, UnreachableHostIsAFailure)
{
    host.reset();
    EXPECT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 1);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("qiruvo.ini"))));
}

TEST(CliBinary, FindAgainstTheSampleHostBinary)
{
    TempFolder folder;
    QProcess hostProcess;
    hostProcess.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"),
                      {QStringLiteral("--port"), QStringLiteral("0")});
    ASSERT_TRUE(hostProcess.waitForReadyRead(10000));
    const QString line = QString::fromUtf8(hostProcess.readLine()).trimmed();
    const QString base = line.mid(line.indexOf(QStringLiteral("http://")));
    ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:"))) << line.toStdString();

    QProcess cli;
    cli.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"),
              {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, QStringLiteral("find"),
               QStringLiteral("qiruvo")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("qiruvo.ini"))));
    hostProcess.terminate();
    hostProcess.waitForFinished(5000);
}

class CliPictures : public CliCommand
{
protected:
    void SetUp() override
    {
        config.articles = 12;
        config.images = true;
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen());
        base = host->baseUrl();
    }

    int pictureRequests() const
    {
        int n = 0;
        for (const QString &path : host->requestLog())
            n += path.startsWith(QStringLiteral("/img/")) || path.startsWith(QStringLiteral("/moved/"));
        return n;
    }
};

TEST_F(CliPictures, WithoutTheOptionNoPictureIsTouched)
{
    ASSERT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0);
    ASSERT_EQ(run({QStringLiteral("download"), QStringLiteral("qiruvo")}), 0) << err.toStdString();
    EXPECT_EQ(pictureRequests(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("qiruvo/images"))));
    EXPECT_FALSE(out.contains(QStringLiteral("图片")));
    EXPECT_FALSE(out.contains(QStringLiteral("pictures")));
    // Every article is saved as the host sent it, its pictures' remote addresses included.
    int withPictures = 0;
    QDirIterator it(folder.file(QStringLiteral("qiruvo")), {QStringLiteral("*.html")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray article = readAll(it.next());
        if (!article.contains("<img"))
            continue;
        ++withPictures;
        EXPECT_TRUE(article.contains(QByteArray("<img src=\"" + base.toLatin1()))) << it.filePath().toStdString();
        EXPECT_FALSE(article.contains("images/"));
    }
    EXPECT_GT(withPictures, 0);
}

TEST_F(CliPictures, SecondRunFetchesNoPicture)
{
    ASSERT_EQ(run({QStringLiteral("find"), QStringLiteral("qiruvo")}), 0);
    ASSERT_EQ(run({QStringLiteral("--images"), QStringLiteral("download"), QStringLiteral("qiruvo")}), 0)
        << err.toStdString();
    EXPECT_GT(pictureRequests(), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("图片：")));
    const QStringList pictures = QDir(folder.file(QStringLiteral("qiruvo/images"))).entryList(QDir::Files);
    EXPECT_EQ(pictures.size(), pictureRequests());
    host->clearRequestLog();
    ASSERT_EQ(run({QStringLiteral("--images"), QStringLiteral("download"), QStringLiteral("qiruvo")}), 0);
    EXPECT_EQ(pictureRequests(), 0);
    EXPECT_EQ(QDir(folder.file(QStringLiteral("qiruvo/images"))).entryList(QDir::Files), pictures);
}

TEST_F(CliPictures, PictureFailuresArePrintedButTheRunSucceeds)
{
    host->setFaults({Fault{3, FaultMode::ImageMissing}, Fault{5, FaultMode::ImageNotImage}});
    EXPECT_EQ(run({QStringLiteral("--images"), QStringLiteral("archive"), QStringLiteral("qiruvo")}), 0)
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("picture given up"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("HTTP 404")));
    EXPECT_TRUE(err.contains(QStringLiteral("not an image")));
    EXPECT_TRUE(out.contains(QStringLiteral("references kept remote"))) << out.toStdString();
    // The help file stores every saved picture (names sit uncompressed in its directory).
    const QByteArray chm = readAll(folder.file(QStringLiteral("qiruvo.chm")));
    const QStringList pictures = QDir(folder.file(QStringLiteral("qiruvo/images"))).entryList(QDir::Files);
    ASSERT_FALSE(pictures.isEmpty());
    for (const QString &picture : pictures)
        EXPECT_TRUE(chm.contains(QByteArray("/images/" + picture.toLatin1()))) << picture.toStdString();
}
