#include "chmreaders.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"
#include "helpfile/hha.h"
#include "strictreader.h"
#include "support/filesizelimit.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

using ChmTest::Files;

const QString blog = QStringLiteral("qiruvo");

struct Article
{
    QString category; // already passed through Rep
    QString link;
    int size;
    bool random;
};

const std::vector<Article> &articles()
{
    static const std::vector<Article> list{
        {QStringLiteral("随笔"), QStringLiteral("1001.html"), 3, false},
        {QStringLiteral("随笔"), QStringLiteral("1002.html"), 5000, false},
        {QStringLiteral("随笔"), QStringLiteral("1003.html"), 32768, false},
        {QStringLiteral("Q_A__1"), QStringLiteral("2001.html"), 250000, false},
        {QStringLiteral("Q_A__1"), QStringLiteral("2002.html"), 65536, false},
        {QStringLiteral("技术"), QStringLiteral("3001.html"), 40000, true},
        {QStringLiteral("技术"), QStringLiteral("3002.html"), 1200, false},
    };
    return list;
}

QByteArray gbk(const QString &text)
{
    return Gbk::encode(text);
}

// A GBK page of exactly `size` bytes: the markup first, then Chinese and ASCII filler.
QByteArray page(const QByteArray &markup, int size, unsigned seed, bool random)
{
    QByteArray out = markup;
    std::mt19937 rng(seed);
    const QByteArray words[] = {gbk(QStringLiteral("中文博客文章，")), "<p>hello ", gbk(QStringLiteral("归档")),
                                "</p>\r\n", gbk(QStringLiteral("编译帮助文件"))};
    while (out.size() < size) {
        if (random)
            out.append(static_cast<char>(rng()));
        else
            out.append(words[rng() % 5]).append(QByteArray::number(static_cast<int>(rng() % 100)));
    }
    out.truncate(size);
    return out;
}

int progressCalls = 0;
int errorCalls = 0;
QByteArray lastError;

short countProgress(void *)
{
    ++progressCalls;
    return -1;
}

short keepError(void *message)
{
    ++errorCalls;
    lastError = QByteArray(static_cast<const char *>(message));
    return -1;
}

// A blog archive as Download leaves it, with the three project files as Build CHM writes them.
class HelpCompile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        progressCalls = 0;
        errorCalls = 0;
        lastError.clear();
        m_archive = m_program.file(blog);
        QStringList files;
        QStringList index{QStringLiteral("<UL>")};
        QStringList contents{QStringLiteral("<UL>")};
        unsigned seed = 1;
        for (const Article &a : articles()) {
            const QString entry = a.category + QLatin1Char('\\') + a.link;
            files << entry;
            index << QStringLiteral("<LI> <OBJECT type=Text/sitemap> <param name=Name value=") + entry +
                         QStringLiteral("> <param name=Local value=") + entry + QStringLiteral("></OBJECT>");
            contents << QStringLiteral("<LI> <OBJECT type=Text/sitemap> <param name=Name value=") + entry +
                            QStringLiteral(">  <param name=Local value=") + entry +
                            QStringLiteral(">  <param name=ImageNumber value=11> </OBJECT>");
            QByteArray markup;
            if (a.link == QLatin1String("3002.html"))
                markup = "<html><body><IMG SRC=pic.png><A HREF=\"..\\index.html\">home</A>"
                         "<a href='missing.html'>gone</a><a href=\"http://example.com/x.html\">web</a>"
                         "<a href=mailto:a@b.c>mail</a><a href=\"#top\">top</a>"
                         "<a href=\"3001.html?x=1#y\">next</a><a href=3001.HTML>again</a>"
                         "<link rel=stylesheet href=\"extra.CSS\">";
            // The same link written in another folder leads to that folder's own picture.
            if (a.link == QLatin1String("1002.html"))
                markup = "<p><IMG SRC=pic.png></p>";
            put(a.category + QLatin1Char('/') + a.link, page(markup, a.size, seed++, a.random));
        }
        put(QStringLiteral("技术/pic.png"), page({}, 10000, 99, true));
        put(QStringLiteral("随笔/pic.png"), page({}, 3000, 98, true));
        put(QStringLiteral("技术/Extra.css"), "p { margin: 0 }");
        index << QString() << QStringLiteral("</UL>");
        contents << QString() << QStringLiteral("</UL>");

        // Index pages link by backslash paths and Chinese names; one link leaves the archive folder.
        put(QStringLiteral("index.html"),
            gbk(QStringLiteral("<html><head><title>qiruvo</title></head><body>"
                               "<a href=all.htm>全部</a> <a href=\"随笔.htm\">随笔</a> <a href='随笔2.htm'>2</a>"
                               "<a href=Q_A__1.htm>Q</a> <a href=\"技术.htm\">技术</a> <a href=../outside.html>x</a>"
                               "</body></html>\r\n")));
        QString all = QStringLiteral("<html><body>");
        for (const Article &a : articles())
            all += QStringLiteral("<a href=\"") + a.category + QLatin1Char('\\') + a.link + QStringLiteral("\">x</a>");
        put(QStringLiteral("all.htm"), gbk(all + QStringLiteral("</body></html>")));
        put(QStringLiteral("随笔.htm"),
            gbk(QStringLiteral("<a href=随笔/1001.html>1</a><a href=随笔2.htm>下一页</a>")));
        put(QStringLiteral("随笔2.htm"), gbk(QStringLiteral("<a href=\"随笔/1003.html\">3</a>")));
        put(QStringLiteral("Q_A__1.htm"), gbk(QStringLiteral("<a href=Q_A__1/2001.html>1</a>")));
        put(QStringLiteral("技术.htm"), gbk(QStringLiteral("<a href=技术/3002.html>2</a>")));
        put(QStringLiteral("orphan.html"), "<p>linked from nowhere</p>");
        writeAll(m_program.file(QStringLiteral("outside.html")), "outside the archive");

        m_projectLines = QStringList{
            QStringLiteral("[Options]"),
            QStringLiteral("Compatibility = 1.1 Or later"),
            QStringLiteral("Compiled file = ..\\") + blog + QStringLiteral(".chm"),
            QStringLiteral("Contents file = nolv.hhc"),
            QStringLiteral("Default window = main"),
            QStringLiteral("Display compile progress=Yes"),
            QStringLiteral("Index file = nolv.hhk"),
            QStringLiteral("Language=0x804"),
            QStringLiteral("Title = \"") + blog + QStringLiteral("\""),
            QString(),
            QStringLiteral("[WINDOWS]"),
            QStringLiteral("main=\"") + blog +
                QStringLiteral("\",\"nolv.hhc\",\"nolv.hhk\",\"index.html\",\"index.html\",,,,,0x21120,250,0x6e,"
                               "[1,1,798,566],0x18b0000,,,1,,,0"),
            QStringLiteral("[Files]"),
        };
        m_projectLines << files << QString() << QStringLiteral("[INFOTYPES]");
        writeProject();
        ASSERT_TRUE(LineWriter::writeLines(m_archive + QStringLiteral("/nolv.hhk"), index).ok());
        ASSERT_TRUE(LineWriter::writeLines(m_archive + QStringLiteral("/nolv.hhc"), contents).ok());
    }

    void put(const QString &relative, const QByteArray &bytes)
    {
        writeAll(m_archive + QLatin1Char('/') + relative, bytes);
        m_onDisk.insert(QByteArray("/") + relative.toUtf8(), bytes);
    }

    void writeProject() { ASSERT_TRUE(LineWriter::writeLines(projectPath(), m_projectLines).ok()); }

    QString projectPath() const { return m_archive + QStringLiteral("/nolv.hhp"); }
    QString output() const { return m_program.file(blog + QStringLiteral(".chm")); }

    int compile() { return HHA_CompileHHP(projectPath(), countProgress, keepError, 0); }

    // The files that must be inside, as named on disk: everything reachable.
    QStringList reachable() const
    {
        QStringList names;
        for (const QByteArray &name : m_onDisk.keys()) {
            if (name != "/orphan.html")
                names << QString::fromUtf8(name.mid(1));
        }
        return names << QStringLiteral("nolv.hhc") << QStringLiteral("nolv.hhk");
    }

    // Their names inside: the fixture's Chinese folders and pages spelled in ASCII.
    static QByteArray storedName(QString onDisk)
    {
        onDisk.replace(QStringLiteral("随笔"), QStringLiteral("u968fu7b14"));
        onDisk.replace(QStringLiteral("技术"), QStringLiteral("u6280u672f"));
        return "/" + onDisk.toUtf8();
    }

    // What a reader that extracts files must give back: what chmlib reads, storage files aside.
    static Files content(const ChmTest::StrictReport &chm)
    {
        Files files;
        for (auto it = chm.files.cbegin(); it != chm.files.cend(); ++it) {
            if (!it.key().startsWith("::") && !it.key().startsWith("/#"))
                files.insert(it.key(), it.value());
        }
        return files;
    }

    QStringList programFolderEntries() const
    {
        return QDir(m_program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TempFolder m_program;
    QString m_archive;
    QStringList m_projectLines;
    Files m_onDisk;
};

// #SYSTEM records by code, string records without their NUL.
QMap<int, QByteArray> systemRecords(const QByteArray &system)
{
    QMap<int, QByteArray> records;
    qsizetype at = 4;
    while (at + 4 <= system.size()) {
        const int code = static_cast<uchar>(system[at]) | static_cast<uchar>(system[at + 1]) << 8;
        const int length = static_cast<uchar>(system[at + 2]) | static_cast<uchar>(system[at + 3]) << 8;
        QByteArray data = system.mid(at + 4, length);
        if (data.endsWith('\0'))
            data.chop(1);
        records.insert(code, data);
        at += 4 + length;
    }
    return records;
}

quint32 dwordAt(const QByteArray &bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uchar>(bytes[at + i]);
    return v;
}

QByteArray stringAt(const QByteArray &strings, quint32 offset)
{
    return QByteArray(strings.constData() + offset);
}

TEST_F(HelpCompile, ChmlibReadsBackEveryReachableFileUnderItsStoredName)
{
    ASSERT_NE(compile(), 0) << lastError.constData();
    EXPECT_GE(progressCalls, 1);
    EXPECT_EQ(errorCalls, 0);
    const ChmTest::ReadBack chm = ChmTest::readWithChmlib(output());
    ASSERT_TRUE(chm.opened);
    EXPECT_TRUE(chm.problems.isEmpty()) << chm.problems.join(u'\n').toStdString();
    const ChmTest::StrictReport strict = ChmTest::strictRead(output());

    // Pictures and styles byte for byte, pages but for what the stored copy changes.
    QStringList wanted;
    for (const QString &name : reachable()) {
        wanted << QString::fromUtf8(storedName(name));
        if (name.startsWith(QLatin1String("nolv.")))
            continue;
        const QStringList problems = ChmTest::contentKept(m_archive, name, strict, storedName(name));
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    }
    // Nothing else from the project folder: not the project, the orphan, the missing or outside files.
    wanted << QStringLiteral("/$FIftiMain");
    QStringList content;
    for (const QByteArray &name : HelpCompile::content(strict).keys())
        content << QString::fromUtf8(name);
    content.sort();
    wanted.sort();
    EXPECT_EQ(content, wanted);
    // A link in another case finds the file as it is named on disk, and only once.
    EXPECT_TRUE(strict.files.contains("/u6280u672f/Extra.css"));
    EXPECT_FALSE(strict.files.contains("/u6280u672f/3001.HTML"));
    EXPECT_TRUE(strict.files.value("/u6280u672f/3002.html").contains("<a href=3001.html>again</a>"));
    EXPECT_TRUE(strict.files.value("/u6280u672f/3002.html").contains("<a href=\"3001.html?x=1#y\">next</a>"));
    EXPECT_TRUE(strict.files.value("/index.html").contains("<a href=../outside.html>x</a>"));
}

TEST_F(HelpCompile, SystemFilesNameTitleDefaultTopicContentsAndIndex)
{
    ASSERT_NE(compile(), 0) << lastError.constData();
    const QByteArray file = readAll(output());
    EXPECT_EQ(file.left(4), "ITSF");
    EXPECT_EQ(dwordAt(file, 0x14), 0x804u);
    const ChmTest::ReadBack chm = ChmTest::readWithChmlib(output());
    const QMap<int, QByteArray> system = systemRecords(chm.files.value("/#SYSTEM"));
    EXPECT_EQ(system.value(3), "qiruvo");
    EXPECT_EQ(system.value(2), "index.html");
    EXPECT_EQ(system.value(0), "nolv.hhc");
    EXPECT_EQ(system.value(1), "nolv.hhk");
    EXPECT_EQ(system.value(5), "main");
    EXPECT_EQ(system.value(6), "qiruvo");
    EXPECT_EQ(dwordAt(system.value(4), 0), 0x804u);

    const QByteArray windows = chm.files.value("/#WINDOWS");
    const QByteArray strings = chm.files.value("/#STRINGS");
    ASSERT_EQ(windows.size(), 8 + 196);
    EXPECT_EQ(dwordAt(windows, 0), 1u);
    const QByteArray w = windows.mid(8);
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x08)), "main");
    EXPECT_EQ(dwordAt(w, 0x0C), 0x336u);
    EXPECT_EQ(dwordAt(w, 0x10), 0x21120u);
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x14)), "qiruvo");
    EXPECT_EQ(dwordAt(w, 0x18), 0x18b0000u);
    EXPECT_EQ(dwordAt(w, 0x28), 798u);
    EXPECT_EQ(dwordAt(w, 0x4C), 250u);
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x60)), "nolv.hhc");
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x64)), "nolv.hhk");
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x68)), "index.html");
    EXPECT_EQ(stringAt(strings, dwordAt(w, 0x6C)), "index.html");
    EXPECT_EQ(dwordAt(w, 0x70), 0x6eu);
    EXPECT_EQ(dwordAt(w, 0x74), 1u);

    // Topics: the contents targets first, each titled by its contents name and resolvable by URL.
    const QByteArray topics = chm.files.value("/#TOPICS");
    const QByteArray urlTable = chm.files.value("/#URLTBL");
    const QByteArray urlStrings = chm.files.value("/#URLSTR");
    ASSERT_GE(topics.size(), 16 * static_cast<qsizetype>(articles().size()));
    EXPECT_EQ(stringAt(strings, dwordAt(topics, 4)), gbk(QStringLiteral("随笔\\1001.html")));
    const quint32 url = dwordAt(topics, 8);
    EXPECT_EQ(dwordAt(urlTable, url + 4), 0u);
    EXPECT_EQ(stringAt(urlStrings, dwordAt(urlTable, url + 8) + 8), "u968fu7b14/1001.html");
    EXPECT_EQ(topics[12], 6);
}

TEST_F(HelpCompile, SevenZipTestsAndExtractsEveryFile)
{
    if (ChmTest::sevenZip().isEmpty())
        GTEST_SKIP() << "7zz is not on PATH";
    ASSERT_NE(compile(), 0) << lastError.constData();
    const Files expected = content(ChmTest::strictRead(output()));
    const ChmTest::ReadBack sevenZip = ChmTest::readWithSevenZip(output());
    EXPECT_TRUE(sevenZip.problems.isEmpty()) << sevenZip.problems.join(u'\n').toStdString();
    EXPECT_TRUE(ChmTest::differences(expected, sevenZip.files).isEmpty())
        << ChmTest::differences(expected, sevenZip.files).join(u'\n').toStdString();
}

TEST_F(HelpCompile, LibmspackExtractsAndFindsEveryFile)
{
    if (!ChmTest::haveMspack())
        GTEST_SKIP() << "libmspack is not installed";
    ASSERT_NE(compile(), 0) << lastError.constData();
    const Files expected = content(ChmTest::strictRead(output()));
    const ChmTest::ReadBack mspack = ChmTest::readWithMspack(output());
    EXPECT_TRUE(mspack.problems.isEmpty()) << mspack.problems.join(u'\n').toStdString();
    EXPECT_TRUE(ChmTest::differences(expected, mspack.files).isEmpty());
}

TEST_F(HelpCompile, ReportListsLinksToMissingFilesWithoutFailing)
{
    const Result<HelpFile::CompileReport> report = HelpFile::compileProject(projectPath());
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    EXPECT_EQ(QFileInfo(report->outputPath).canonicalFilePath(), QFileInfo(output()).canonicalFilePath());
    EXPECT_EQ(report->missingLinks, QStringList{QStringLiteral("技术/missing.html")});
    EXPECT_EQ(report->fileCount, reachable().size());
    EXPECT_EQ(report->outputBytes, QFileInfo(output()).size());
}

TEST_F(HelpCompile, CountsEachCompressedFileOnceUpToTheTotal)
{
    std::vector<std::pair<int, int>> seen;
    HelpFile::CompileOptions options;
    options.filesCompressed = [&](int done, int total) { seen.emplace_back(done, total); };
    const Result<HelpFile::CompileReport> report = HelpFile::compileProject(projectPath(), {}, options);
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    std::vector<std::pair<int, int>> expected;
    for (int done = 1; done <= report->fileCount; ++done)
        expected.emplace_back(done, report->fileCount);
    EXPECT_EQ(seen, expected);
}

TEST_F(HelpCompile, MissingFilesEntryIsLeftOutAndNamed)
{
    QFile::remove(m_archive + QStringLiteral("/Q_A__1/2002.html"));
    EXPECT_EQ(compile(), 0);
    EXPECT_EQ(errorCalls, 1);
    EXPECT_TRUE(QString::fromUtf8(lastError).contains(QStringLiteral("Q_A__1\\2002.html"))) << lastError.constData();
    const Result<HelpFile::CompileReport> report = HelpFile::compileProject(projectPath());
    ASSERT_TRUE(report.ok()) << report.error().toStdString();
    EXPECT_EQ(report->missingFiles, QStringList{QStringLiteral("Q_A__1\\2002.html")});
    EXPECT_EQ(report->droppedEntries, 2);
    const ChmTest::StrictReport strict = ChmTest::strictRead(output());
    EXPECT_TRUE(strict.files.contains("/Q_A__1/2001.html"));
    EXPECT_FALSE(strict.files.value("/nolv.hhc").contains("2002.html"));
    EXPECT_FALSE(strict.files.value("/nolv.hhk").contains("2002.html"));
}

TEST_F(HelpCompile, EmptyPageFailsAndKeepsTheEarlierFile)
{
    writeAll(output(), "earlier build");
    writeAll(m_archive + QStringLiteral("/随笔2.htm"), QByteArray());
    EXPECT_EQ(compile(), 0);
    EXPECT_TRUE(QString::fromUtf8(lastError).contains(QStringLiteral("随笔2.htm"))) << lastError.constData();
    EXPECT_EQ(readAll(output()), "earlier build");
}

TEST_F(HelpCompile, FullDiskSaysWhyAndKeepsTheEarlierFile)
{
    writeAll(output(), "earlier build");
    const QStringList before = programFolderEntries();
    Result<HelpFile::CompileReport> report = HelpFile::CompileReport();
    {
        const FileSizeLimit full(64 * 1024);
        report = HelpFile::compileProject(projectPath());
    }
    ASSERT_FALSE(report.ok());
    EXPECT_TRUE(report.error().contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << report.error().toStdString();
    EXPECT_EQ(readAll(output()), "earlier build");
    EXPECT_EQ(programFolderEntries(), before);
}

TEST_F(HelpCompile, FailedCompileKeepsTheEarlierFile)
{
    writeAll(output(), "earlier build");
    QFile::remove(m_archive + QStringLiteral("/index.html"));
    EXPECT_EQ(compile(), 0);
    EXPECT_TRUE(QString::fromUtf8(lastError).contains(QStringLiteral("index.html")));
    EXPECT_EQ(readAll(output()), "earlier build");
}

TEST_F(HelpCompile, MissingContentsFileFails)
{
    QFile::remove(m_archive + QStringLiteral("/nolv.hhc"));
    EXPECT_EQ(compile(), 0);
    EXPECT_TRUE(lastError.contains("nolv.hhc"));
}

TEST_F(HelpCompile, UnwritableOutputFails)
{
    writeAll(m_program.file(QStringLiteral("blocker")), "a file where a folder should be");
    m_projectLines[2] = QStringLiteral("Compiled file = ..\\blocker\\") + blog + QStringLiteral(".chm");
    writeProject();
    const Result<HelpFile::CompileReport> report = HelpFile::compileProject(projectPath());
    ASSERT_FALSE(report.ok());
    EXPECT_TRUE(report.error().contains(QStringLiteral("Cannot write"))) << report.error().toStdString();
    EXPECT_EQ(readAll(m_program.file(QStringLiteral("blocker"))), "a file where a folder should be");
}

TEST_F(HelpCompile, UnreadableProjectFails)
{
    EXPECT_EQ(HHA_CompileHHP(m_archive + QStringLiteral("/none.hhp"), nullptr, keepError, 0), 0);
    EXPECT_TRUE(lastError.contains("none.hhp"));
    EXPECT_EQ(HHA_CompileHHP(m_archive, nullptr, nullptr, 0), 0);
    writeAll(m_archive + QStringLiteral("/junk.hhp"), "not a project\r\n");
    EXPECT_FALSE(HelpFile::compileProject(m_archive + QStringLiteral("/junk.hhp")).ok());
}

TEST_F(HelpCompile, ReaderCatchesAFlippedByteAndATruncatedFile)
{
    ASSERT_NE(compile(), 0) << lastError.constData();
    const QByteArray good = readAll(output());
    const ChmTest::ReadBack chm = ChmTest::readWithChmlib(output());
    ASSERT_TRUE(chm.problems.isEmpty());
    const Files expected = content(ChmTest::strictRead(output()));
    const QByteArray stream = chm.files.value("::DataSpace/Storage/MSCompressed/Content");
    const qsizetype streamAt = good.indexOf(stream);
    ASSERT_GT(streamAt, 0);

    QByteArray flipped = good;
    flipped[streamAt + stream.size() / 2] = static_cast<char>(flipped[streamAt + stream.size() / 2] ^ 0x10);
    writeAll(output(), flipped);
    const ChmTest::ReadBack afterFlip = ChmTest::readWithChmlib(output());
    EXPECT_TRUE(!afterFlip.problems.isEmpty() || !ChmTest::differences(expected, afterFlip.files).isEmpty());

    writeAll(output(), good.left(good.size() / 2));
    const ChmTest::ReadBack afterCut = ChmTest::readWithChmlib(output());
    EXPECT_TRUE(!afterCut.problems.isEmpty() || !ChmTest::differences(expected, afterCut.files).isEmpty());
}

TEST(HelpCompileCallback, AlwaysAnswersTrue)
{
    int anything = 7;
    EXPECT_EQ(HelpFile::notifyCallback(nullptr), -1);
    EXPECT_EQ(HelpFile::notifyCallback(&anything), -1);
}

} // namespace
