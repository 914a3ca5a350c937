#include "archive/rep.h"
#include "cli/clirunner.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"
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
        settings.programFolder = programFolder.isEmpty() ? folder.path() : programFolder;
        settings.hostBase = base;
        settings.now = [] { return QDateTime(QDate(2026, 12, 6), QTime(9, 4, 48)); };
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
    QString programFolder; // folder.path() when empty
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

// Every file below the folder, by relative path, with its bytes.
QMap<QString, QByteArray> tree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(root.size()), readAll(path));
    }
    return files;
}

TEST_F(CliCommand, FullDiskDuringTheIndexFailsWithTheReasonAndAResumeCompletes)
{
    config.articles = 60;
    host = std::make_unique<SampleHost>(config);
    ASSERT_TRUE(host->listen());
    base = host->baseUrl();
    const QString name = QStringLiteral("qiruvo");
    TempFolder reference;
    programFolder = reference.path();
    ASSERT_EQ(run({QStringLiteral("find"), name}), 0);
    ASSERT_EQ(run({QStringLiteral("--per-page"), QStringLiteral("5"), QStringLiteral("download"), name}), 0);
    programFolder.clear();
    ASSERT_EQ(run({QStringLiteral("find"), name}), 0);

    // The disk fills up after the fourth index page.
    const QString archive = folder.file(name);
    int pages = 0;
    LineWriter::setFullDiskHook([&](const QString &path) {
        return QFileInfo(path).path() == archive && path.endsWith(QStringLiteral(".htm")) && ++pages > 4;
    });
    const int failed = run({QStringLiteral("--per-page"), QStringLiteral("5"), QStringLiteral("download"), name});
    LineWriter::setFullDiskHook({});
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(err.contains(QStringLiteral("No space left on device"))) << err.toStdString();
    const QMap<QString, QByteArray> expected = tree(reference.file(name));
    const QMap<QString, QByteArray> partial = tree(archive);
    for (auto it = partial.begin(); it != partial.end(); ++it)
        EXPECT_EQ(it.value(), expected.value(it.key())) << it.key().toStdString();
    EXPECT_LT(partial.size(), expected.size());

    ASSERT_EQ(run({QStringLiteral("--per-page"), QStringLiteral("5"), QStringLiteral("download"), name}), 0)
        << err.toStdString();
    EXPECT_EQ(tree(archive), expected);
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

// Odd entries of the list pages, each in a blog of its own: find, download and chm as separate
// commands, so that the rows also pass through the task file.
class CliOddEntry : public CliCommand, public ::testing::WithParamInterface<EntryFaultMode>
{
protected:
    // Every file the pages and the help project name, relative to the archive folder.
    QStringList namedFiles(const QString &archive) const
    {
        QStringList names;
        const QStringList all =
            Gbk::decode(readAll(archive + QStringLiteral("/all.htm"))).split(QStringLiteral("\r\n"));
        for (const QString &line : all) {
            if (line.contains(QStringLiteral("href=")))
                names << line.section(QStringLiteral("href="), 1).section(QLatin1Char('>'), 0, 0);
        }
        const QString project = Gbk::decode(readAll(archive + QStringLiteral("/nolv.hhp")));
        const QStringList files = project.section(QStringLiteral("[Files]\r\n"), 1)
                                      .section(QStringLiteral("\r\n\r\n"), 0, 0)
                                      .split(QStringLiteral("\r\n"));
        EXPECT_EQ(files.size(), config.articles);
        names += files;
        return names;
    }
};

TEST_P(CliOddEntry, IsArchivedUnderTheNameEveryPageUses)
{
    config.entryFaults = {EntryFault{5, GetParam()}};
    host = std::make_unique<SampleHost>(config);
    ASSERT_TRUE(host->listen());
    base = host->baseUrl();
    const QString name = QStringLiteral("qiruvo");
    ASSERT_EQ(run({QStringLiteral("find"), name}), 0) << err.toStdString();
    ASSERT_EQ(run({QStringLiteral("download"), name}), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("12 of 12 articles saved"))) << out.toStdString();
    ASSERT_EQ(run({QStringLiteral("chm"), name}), 0) << err.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(name + QStringLiteral(".chm"))));

    const QString archive = folder.file(name);
    const QStringList names = namedFiles(archive);
    for (const QString &file : names) {
        const QFileInfo info(archive + QLatin1Char('/') + QString(file).replace(u'\\', u'/'));
        EXPECT_TRUE(info.isFile() && info.size() > 0) << file.toStdString();
    }
    int articleFiles = 0;
    for (const QString &sub : QDir(archive).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        articleFiles += static_cast<int>(QDir(archive + QLatin1Char('/') + sub).entryList(QDir::Files).size());
    EXPECT_EQ(articleFiles, 12);

    const SampleBlog blog = generateBlog(name, config);
    const QString category = blog.categories[blog.articles[4].categoryIndex];
    if (GetParam() == EntryFaultMode::NulCategory) {
        // The odd category's own pages must not take the name of its namesake's first page.
        const QString first =
            Gbk::decode(readAll(archive + QLatin1Char('/') + Archive::Rep(category) + QStringLiteral("1.htm")));
        EXPECT_TRUE(
            first.contains(QStringLiteral("<font size=5>") + Archive::Rep(category) + QStringLiteral("1</font>")));
    }
    if (GetParam() == EntryFaultMode::EmptyCategory) {
        EXPECT_TRUE(QFileInfo(archive + QStringLiteral("/未分类")).isDir());
    }
}

std::string entryFaultName(const ::testing::TestParamInfo<EntryFaultMode> &param)
{
    static const char *const names[] = {"CrLfTitle",   "EmptyTitle", "EmptyCategory",
                                        "NulCategory", "NonGbkLink", "LongCategory"};
    return names[static_cast<int>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Modes, CliOddEntry,
                         ::testing::Values(EntryFaultMode::CrLfTitle, EntryFaultMode::EmptyTitle,
                                           EntryFaultMode::EmptyCategory, EntryFaultMode::NulCategory,
                                           EntryFaultMode::NonGbkLink, EntryFaultMode::LongCategory),
                         entryFaultName);
