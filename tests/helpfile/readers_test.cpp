#include "chmreaders.h"
#include "helpfile/hha.h"
#include "samplearchive.h"
#include "strictreader.h"
#include "support/tempfolder.h"
#include "support/xvfbreader.h"

#include <QDirIterator>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

using namespace ChmTest;

std::vector<ArchivedArticle> manyArticles()
{
    SampleHostConfig config;
    config.articles = 5000;
    config.categories = 30;
    std::vector<ArchivedArticle> articles;
    int i = 0;
    for (const SampleArticle &a : generateBlog(QStringLiteral("qiruvo"), config, SampleBodies::Omit).articles) {
        QStringList lines{QStringLiteral("<h2 class=\"title\">") + a.title + QStringLiteral("</h2>")};
        if (++i % 7 == 0)
            lines << QStringLiteral("<img src=\"../") + picture + QStringLiteral("\">");
        articles.push_back({a.title, a.category, a.link, articleFile(lines)});
    }
    return articles;
}

enum class Fixture { Example, Awkward, FiveThousand };

class CompiledArchive : public ::testing::TestWithParam<Fixture>
{
protected:
    void SetUp() override
    {
        switch (GetParam()) {
        case Fixture::Example:
            m_articles = sampleArticles(QStringLiteral("qiruvo"));
            break;
        case Fixture::Awkward:
            m_articles = awkwardArticles();
            break;
        case Fixture::FiveThousand:
            m_articles = manyArticles();
            break;
        }
        const QString project =
            writeArchive(m_program.path(), QStringLiteral("qiruvo"), m_articles, {{picture, pictureBytes()}});
        const Result<HelpFile::CompileReport> report = HelpFile::compileProject(project);
        ASSERT_TRUE(report.ok()) << report.error().toStdString();
        EXPECT_TRUE(report->missingFiles.isEmpty());
        m_missingLinks = report->missingLinks;
        m_chm = strictRead(m_program.file(QStringLiteral("qiruvo.chm")));
        ASSERT_TRUE(m_chm.opened);
    }

    QString archive() const { return m_program.file(QStringLiteral("qiruvo")); }

    // The problems but those of links that lead nowhere on disk either (the pager's link from a
    // category's first page to its page 0), which stay as they are.
    QStringList unexpectedProblems() const
    {
        QSet<QString> dead;
        for (const QString &link : m_missingLinks)
            dead.insert(link.section(QLatin1Char('/'), -1));
        QStringList problems;
        for (const QString &problem : m_chm.problems) {
            const QString target =
                problem.section(QStringLiteral(": "), -1).replace(QLatin1Char('\\'), QLatin1Char('/'));
            const bool linkProblem = problem.contains(QLatin1String("leads nowhere")) ||
                                     problem.contains(QLatin1String("link is not ASCII"));
            if (!linkProblem || !dead.contains(target.section(QLatin1Char('/'), -1)))
                problems << problem;
        }
        return problems;
    }

    TempFolder m_program;
    std::vector<ArchivedArticle> m_articles;
    QStringList m_missingLinks;
    StrictReport m_chm;
};

TEST_P(CompiledArchive, StrictReaderFollowsEveryLinkAndLocal)
{
    const QStringList problems = unexpectedProblems();
    EXPECT_TRUE(problems.isEmpty()) << problems.mid(0, 20).join(u'\n').toStdString();
    const auto articles = static_cast<int>(m_articles.size());
    EXPECT_EQ(m_chm.locals, 2 * articles); // every contents and index entry
    EXPECT_GT(m_chm.pages, articles);
    EXPECT_GE(m_chm.links, 2 * articles); // all.htm and the category pages link every article
}

// For every article: the page its contents entry leads to is its file on disk, but for the
// declaration and link values that lead to the same files inside.
TEST_P(CompiledArchive, EveryArticleFromTheContentsKeepsItsContent)
{
    static const QRegularExpression entry(
        QStringLiteral("<param name=\"Name\" value=\"([^\"]*)\">\\s*<param name=\"Local\" value=\"([^\"]*)\">"));
    const QString contents = QString::fromLatin1(m_chm.files.value("/nolv.hhc"));
    QSet<QString> seen;
    for (auto it = entry.globalMatch(contents); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString onDisk = Gbk::decode(m.captured(1).toLatin1()).replace(QLatin1Char('\\'), QLatin1Char('/'));
        seen.insert(onDisk);
        const QStringList problems = contentKept(archive(), onDisk, m_chm, "/" + m.captured(2).toLatin1());
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    }
    EXPECT_EQ(seen.size(), static_cast<qsizetype>(m_articles.size()));
    // The start page leads to every category's own pages, those that differ only in case included.
    const QStringList start = contentKept(archive(), QStringLiteral("index.html"), m_chm, "/index.html");
    EXPECT_TRUE(start.isEmpty()) << start.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Archives, CompiledArchive,
                         ::testing::Values(Fixture::Example, Fixture::Awkward, Fixture::FiveThousand),
                         [](const ::testing::TestParamInfo<Fixture> &fixture) {
                             switch (fixture.param) {
                             case Fixture::Example:
                                 return "ExampleBlog";
                             case Fixture::Awkward:
                                 return "AwkwardNames";
                             case Fixture::FiveThousand:
                                 return "FiveThousandArticles";
                             }
                             return "";
                         });

class AwkwardArchive : public ::testing::Test
{
protected:
    QString compile(const std::vector<ArchivedArticle> &articles)
    {
        m_project = writeArchive(m_program.path(), QStringLiteral("qiruvo"), articles, {{picture, pictureBytes()}});
        const Result<HelpFile::CompileReport> report = HelpFile::compileProject(m_project);
        EXPECT_TRUE(report.ok()) << report.error().toStdString();
        if (report.ok())
            m_report = *report;
        return m_program.file(QStringLiteral("qiruvo.chm"));
    }

    TempFolder m_program;
    QString m_project;
    HelpFile::CompileReport m_report;
};

TEST_F(AwkwardArchive, SevenZipAndLibmspackReadEveryStoredFile)
{
    const QString chm = compile(awkwardArticles());
    const StrictReport strict = strictRead(chm);
    EXPECT_TRUE(strict.files.contains("/images/3f2a1b4c5d6e7f80.png"));
    EXPECT_EQ(strict.files.value("/images/3f2a1b4c5d6e7f80.png"), pictureBytes());
    Files content; // what the readers extract: no storage metadata
    for (auto it = strict.files.cbegin(); it != strict.files.cend(); ++it) {
        if (!it.key().startsWith("::") && !it.key().startsWith("/#"))
            content.insert(it.key(), it.value());
    }
    if (haveMspack()) {
        const ReadBack mspack = readWithMspack(chm);
        EXPECT_TRUE(mspack.problems.isEmpty()) << mspack.problems.join(u'\n').toStdString();
        EXPECT_TRUE(differences(content, mspack.files).isEmpty())
            << differences(content, mspack.files).join(u'\n').toStdString();
    }
    if (!sevenZip().isEmpty()) {
        const ReadBack sevenZip = readWithSevenZip(chm);
        EXPECT_TRUE(sevenZip.problems.isEmpty()) << sevenZip.problems.join(u'\n').toStdString();
        EXPECT_TRUE(differences(content, sevenZip.files).isEmpty())
            << differences(content, sevenZip.files).join(u'\n').toStdString();
    }
}

// Every file of the archive folder, by its path below it.
QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return files;
}

TEST_F(AwkwardArchive, CompilingChangesNoFileOnDisk)
{
    const QString project =
        writeArchive(m_program.path(), QStringLiteral("qiruvo"), awkwardArticles(), {{picture, pictureBytes()}});
    const QMap<QString, QByteArray> before = folderContents(m_program.file(QStringLiteral("qiruvo")));
    ASSERT_TRUE(HelpFile::compileProject(project).ok());
    EXPECT_TRUE(before == folderContents(m_program.file(QStringLiteral("qiruvo"))));
    EXPECT_EQ(QDir(m_program.path()).entryList(QDir::Files), QStringList{QStringLiteral("qiruvo.chm")});
}

TEST_F(AwkwardArchive, GivenUpArticlesAreLeftOutAndListed)
{
    std::vector<ArchivedArticle> articles = awkwardArticles();
    articles[1].body = QByteArray(); // Q&A #1, given up: no file
    articles[4].body = QByteArray(); // Tech/1.html
    const QString chm = compile(articles);
    EXPECT_EQ(m_report.missingFiles,
              (QStringList{QStringLiteral("Q_A__1\\a1b2c3d4e5f60718293a4b5c.html"), QStringLiteral("Tech\\1.html")}));
    EXPECT_EQ(m_report.droppedEntries, 4);
    // The index pages still link them; those links are not reported a second time.
    EXPECT_TRUE(m_report.missingLinks.isEmpty()) << m_report.missingLinks.join(u' ').toStdString();

    // Only the links of the index pages to the two lead nowhere, as on disk.
    const StrictReport strict = strictRead(chm);
    for (const QString &problem : strict.problems) {
        EXPECT_TRUE(problem.endsWith(QStringLiteral("leads nowhere: Q_A__1\\a1b2c3d4e5f60718293a4b5c.html")) ||
                    problem.endsWith(QStringLiteral("leads nowhere: Tech\\1.html")))
            << problem.toStdString();
    }
    EXPECT_EQ(strict.locals, 2 * static_cast<int>(articles.size() - 2));
    // The project files on disk keep every entry.
    const QString contents = Gbk::decode(readAll(m_program.file(QStringLiteral("qiruvo/nolv.hhc"))));
    EXPECT_TRUE(contents.contains(QStringLiteral("value=Q_A__1\\a1b2c3d4e5f60718293a4b5c.html>")));
    EXPECT_TRUE(contents.contains(QStringLiteral("value=Tech\\1.html>")));
    EXPECT_TRUE(readAll(m_project).contains("Tech\\1.html\r\n"));
}

// Opens the compiled example blog in a real reader under Xvfb; some abort at once on what they
// cannot parse, so a reader still running after five seconds has taken the file.
// Both variants: contents and index as the project writes them, and by title.
class RealReader : public ::testing::TestWithParam<std::tuple<const char *, bool>>
{};

TEST_P(RealReader, KeepsTheExampleBlogOpen)
{
    const auto [name, titled] = GetParam();
    const QString reader = QStandardPaths::findExecutable(QString::fromLatin1(name));
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (reader.isEmpty() || xvfb.isEmpty())
        GTEST_SKIP() << name << " or Xvfb is not installed";
    TempFolder program;
    const std::vector<ArchivedArticle> articles = sampleArticles(QStringLiteral("qiruvo"));
    const QString project = writeArchive(program.path(), QStringLiteral("qiruvo"), articles);
    ASSERT_TRUE(HelpFile::compileProject(project, {}, compileOptions(articles, titled)).ok());

    const XvfbReader::Run run =
        XvfbReader::open(reader, xvfb, program.file(QStringLiteral("qiruvo.chm")), program.path(), 5000);
    ASSERT_TRUE(run.problem.isEmpty()) << run.problem.toStdString();
    EXPECT_FALSE(run.exited) << name << " exited with " << run.exitCode << ":\n"
                             << run.output.right(2000).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Readers, RealReader,
                         ::testing::Combine(::testing::Values("kchmviewer", "xchm", "okular"), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<const char *, bool>> &reader) {
                             return std::string(std::get<0>(reader.param)) +
                                    (std::get<1>(reader.param) ? "_Titled" : "_AsWritten");
                         });

} // namespace
