#include "archive/indexwriter.h"
#include "archive/layout.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>
#include <vector>

using Archive::IndexWriter;

namespace {

constexpr qint64 NoFile = -1;
const QString BlogName = QStringLiteral("qiruvo");
const QString BlogAddress = QStringLiteral("http://127.0.0.1:8642/qiruvo/blog");

// The lines of a GBK file written with CR LF after each line.
QStringList lines(const QString &path)
{
    const QByteArray bytes = readAll(path);
    if (bytes.isEmpty())
        return {};
    EXPECT_TRUE(bytes.endsWith("\r\n")) << path.toStdString();
    QStringList result = Gbk::decode(bytes).split(QStringLiteral("\r\n"));
    result.removeLast();
    return result;
}

QString link(int i)
{
    return QStringLiteral("%1.html").arg(i, 24, 16, QLatin1Char('0'));
}

class IndexWriterTest : public ::testing::Test
{
protected:
    IndexWriterTest()
        : layout(temp.path(), BlogName)
    {
        QDir().mkpath(layout.archiveFolder());
    }

    // Loads one article and gives it a file of that many bytes (none for NoFile).
    void add(const QString &title, const QString &category, const QString &link, const QString &date,
             qint64 size = 1000)
    {
        table.appendArticle(title, category, link, date);
        if (size == NoFile)
            return;
        QDir().mkpath(layout.categoryFolder(category));
        writeAll(layout.articleFile(category, link), QByteArray(size, 'x'));
    }

    void addMany(const QString &category, int count)
    {
        for (int i = 1; i <= count; ++i)
            add(category + QString::number(i), category, link(table.articleCount() + 1), QStringLiteral("2026-1-1"));
    }

    Result<void> write(int perPage = 20) { return writeTo(layout, perPage); }

    Result<void> writeTo(const Archive::Layout &target, int perPage = 20)
    {
        IndexWriter writer(target, table,
                           {perPage, BlogAddress, BlogName, QDateTime(QDate(2026, 12, 6), QTime(9, 4, 48)),
                            QLocale(QLocale::Chinese, QLocale::China)});
        writer.onProgress([this](int row, int total) { progress.push_back({row, total}); });
        writer.onStartPage([this] {
            startPageCalls.push_back(QFile::exists(page(QStringLiteral("all.htm"))) &&
                                     !QFile::exists(page(QStringLiteral("index.html"))));
        });
        return writer.write();
    }

    QString page(const QString &name) const { return layout.file(name); }
    QStringList pageLines(const QString &name) const { return lines(page(name)); }

    // The first cell of every article line of a page: the number it shows.
    static QStringList numbers(const QStringList &pageLines)
    {
        QStringList result;
        for (const QString &line : pageLines) {
            if (line.startsWith(QStringLiteral("<tr><td width=3%>")) ||
                line.startsWith(QStringLiteral("<tr><td width=5%>")))
                result << line.section(QLatin1Char('>'), 2, 2).section(QLatin1Char('<'), 0, 0);
        }
        return result;
    }

    static QStringList range(int first, int last)
    {
        QStringList result;
        for (int i = first; i <= last; ++i)
            result << QString::number(i);
        return result;
    }

    TempFolder temp;
    Archive::Layout layout;
    Blog::ArticleTable table;
    std::vector<std::pair<int, int>> progress;
    std::vector<bool> startPageCalls;
};

TEST_F(IndexWriterTest, WritesEveryPageByteForByte)
{
    add(QStringLiteral("第一篇 <b>随笔</b>"), QStringLiteral("随笔"), QStringLiteral("3f2a1b4c5d6e7f8091a2b3c4.html"),
        QStringLiteral("2026-11-30 10:00"), 12345);
    add(QStringLiteral("Second: Q&A"), QStringLiteral("Q&A #1"), QStringLiteral("a1b2c3d4e5f60718293a4b5c.html"),
        QStringLiteral("2026-11-29 09:15"), 4000);
    add(QStringLiteral("第三篇"), QStringLiteral("随笔"), QStringLiteral("0123456789abcdef01234567.html"),
        QStringLiteral("2026-11-28"), 999);
    add(QStringLiteral("第四篇（无文件）"), QStringLiteral("随笔"), QStringLiteral("fedcba9876543210fedcba98.html"),
        QStringLiteral("2026-11-27"), NoFile);
    add(QStringLiteral("第五篇"), QStringLiteral("随笔"), QStringLiteral("00112233445566778899aabb.html"),
        QStringLiteral("2026-11-26"), 1250);

    ASSERT_TRUE(write(3).ok());

    const QString expected = QStringLiteral(PELMORA_TEST_DATA "/expected/index/");
    const std::pair<const char *, QString> files[] = {
        {"page_suibi1.htm", QStringLiteral("随笔1.htm")},   {"page_suibi2.htm", QStringLiteral("随笔2.htm")},
        {"category_suibi.htm", QStringLiteral("随笔.htm")}, {"all.htm", QStringLiteral("all.htm")},
        {"index.html", QStringLiteral("index.html")},
    };
    for (const auto &[expectedName, name] : files) {
        const QByteArray want = readAll(expected + QLatin1String(expectedName));
        ASSERT_FALSE(want.isEmpty()) << expectedName;
        EXPECT_EQ(readAll(page(name)), want) << expectedName;
    }
    EXPECT_EQ(pageLines(QStringLiteral("Q_A__11.htm")).size(), 4);
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("随笔3.htm"))));
}

TEST_F(IndexWriterTest, FortyFiveArticlesMakeTwoFullPagesAndOnePartial)
{
    addMany(QStringLiteral("随笔"), 45);
    ASSERT_TRUE(write(20).ok());

    for (const QString &name : {QStringLiteral("随笔1.htm"), QStringLiteral("随笔2.htm")}) {
        const QStringList full = pageLines(name);
        ASSERT_EQ(full.size(), 3 + 20 + 1) << name.toStdString();
        EXPECT_EQ(numbers(full), range(1, 20));
        EXPECT_TRUE(full.last().startsWith(QStringLiteral("<center> <A href=随笔")));
    }
    // Ordinal 20 closes page 1 and is followed by the navigation; ordinal 21 opens page 2 as number 1.
    const QStringList first = pageLines(QStringLiteral("随笔1.htm"));
    EXPECT_TRUE(first[22].contains(QStringLiteral(">随笔20</a>")));
    EXPECT_EQ(first[23], QStringLiteral("<center> <A href=随笔0.htm> </table>←上一页</a>&nbsp;&nbsp;"
                                        "<A href=随笔2.htm>下一页→</a>"));
    const QStringList second = pageLines(QStringLiteral("随笔2.htm"));
    EXPECT_TRUE(second[3].contains(QStringLiteral(">随笔21</a>")));
    EXPECT_EQ(second[1],
              QStringLiteral("<tr><td bgcolor=80F0FF align=center colspan=5 ><font size=5>随笔2</font></td></tr>"));

    const QStringList last = pageLines(QStringLiteral("随笔3.htm"));
    EXPECT_EQ(last.size(), 3 + 5);
    EXPECT_EQ(numbers(last), range(1, 5));

    const QStringList category = pageLines(QStringLiteral("随笔.htm"));
    EXPECT_EQ(category.size(), 3 + 45);
    EXPECT_EQ(numbers(category), range(1, 45));
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("随笔0.htm"))));
}

TEST_F(IndexWriterTest, LastFullPageLinksToAPageNeverWritten)
{
    addMany(QStringLiteral("X"), 40);
    ASSERT_TRUE(write(20).ok());
    EXPECT_TRUE(pageLines(QStringLiteral("X2.htm")).last().endsWith(QStringLiteral("<A href=X3.htm>下一页→</a>")));
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("X3.htm"))));
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("X0.htm"))));
}

TEST_F(IndexWriterTest, OneArticlePerPageGivesEveryPageANavigationLine)
{
    addMany(QStringLiteral("X"), 3);
    ASSERT_TRUE(write(1).ok());
    for (int g = 1; g <= 3; ++g) {
        const QStringList one = pageLines(QStringLiteral("X%1.htm").arg(g));
        ASSERT_EQ(one.size(), 5);
        EXPECT_EQ(numbers(one), QStringList{QStringLiteral("1")});
        EXPECT_TRUE(one[4].contains(QStringLiteral("<A href=X%1.htm>").arg(g + 1)));
    }
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("X4.htm"))));
}

TEST_F(IndexWriterTest, SanitisedCategoryNamesFilesAndLinks)
{
    addMany(QStringLiteral("Q&A #1"), 3);
    ASSERT_TRUE(write(2).ok());
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("Q_A__11.htm"))));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("Q_A__12.htm"))));
    const QStringList category = pageLines(QStringLiteral("Q_A__1.htm"));
    ASSERT_EQ(category.size(), 6);
    EXPECT_TRUE(category[3].contains(QStringLiteral("<A href=Q_A__1\\") + link(1) + QLatin1Char('>')));
    EXPECT_TRUE(pageLines(QStringLiteral("all.htm"))[3].contains(QStringLiteral("<td width=25%>Q_A__1 </td>")));
}

TEST_F(IndexWriterTest, NulInACategoryNeverCutsItsPageNames)
{
    addMany(QStringLiteral("随笔"), 2);
    add(QStringLiteral("odd"), QStringLiteral("随笔1.htm") + QChar(0), QStringLiteral("odd.html"),
        QStringLiteral("2026-1-1"));
    ASSERT_TRUE(write().ok());
    const QStringList first = pageLines(QStringLiteral("随笔1.htm"));
    ASSERT_EQ(first.size(), 5);
    EXPECT_TRUE(first[0].isEmpty() || first[1].contains(QStringLiteral("<font size=5>随笔1</font>")));
    EXPECT_EQ(numbers(first), range(1, 2));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("随笔1.htm_1.htm"))));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("随笔1.htm_.htm"))));
}

// A browser decodes the page's GBK href and opens that name: it must be the article file's name.
TEST_F(IndexWriterTest, LinksThatGbkCannotHoldNameTheFileOnDisk)
{
    add(QStringLiteral("t"), QStringLiteral("旧\uFFFD时"), QStringLiteral("01234\uFFFD6789.html"),
        QStringLiteral("2026-1-1"));
    add(QStringLiteral("t"), QString(100, QChar(u'长')), QString(300, QLatin1Char('a')) + QStringLiteral(".html"),
        QStringLiteral("2026-1-1"));
    ASSERT_TRUE(write().ok());
    const QStringList all = pageLines(QStringLiteral("all.htm"));
    ASSERT_EQ(all.size(), 5);
    for (int row = 3; row <= 4; ++row) {
        const QString href = all[row].section(QStringLiteral("href="), 1).section(QLatin1Char('>'), 0, 0);
        const QString onDisk = layout.archiveFolder() + QLatin1Char('/') + QString(href).replace(u'\\', u'/');
        EXPECT_TRUE(QFileInfo(onDisk).isFile()) << row << " " << href.toStdString();
        EXPECT_TRUE(QFile::exists(page(href.section(u'\\', 0, 0) + QStringLiteral("1.htm")))) << row;
    }
}

// Each page is either the earlier run's or this run's whole, never empty or cut short, and a
// later run over the same folder ends as a run that never failed.
TEST_F(IndexWriterTest, FullDiskMidIndexLeavesEveryPageWholeAndARerunCompletes)
{
    addMany(QStringLiteral("A"), 30);
    addMany(QStringLiteral("B"), 5);
    ASSERT_TRUE(write().ok());
    QHash<QString, QByteArray> before;
    for (const QString &name : QDir(layout.archiveFolder()).entryList(QDir::Files))
        before.insert(name, readAll(page(name)));
    addMany(QStringLiteral("A"), 30);
    addMany(QStringLiteral("C"), 5);

    TempFolder referenceFolder;
    const Archive::Layout reference(referenceFolder.path(), BlogName);
    QDirIterator articles(layout.archiveFolder(), QDir::Files, QDirIterator::Subdirectories);
    while (articles.hasNext()) {
        const QString path = articles.next();
        if (articles.fileInfo().dir() == QDir(layout.archiveFolder()))
            continue;
        const QString copy = reference.archiveFolder() + path.mid(layout.archiveFolder().size());
        QDir().mkpath(QFileInfo(copy).path());
        writeAll(copy, readAll(path));
    }
    ASSERT_TRUE(writeTo(reference).ok());

    int writes = 0;
    LineWriter::setFullDiskHook([&writes](const QString &) { return ++writes > 2; });
    const Result<void> failed = write();
    LineWriter::setFullDiskHook({});
    ASSERT_FALSE(failed.ok());
    EXPECT_TRUE(failed.error().contains(QStringLiteral("No space left on device"))) << failed.error().toStdString();
    int fromThisRun = 0;
    for (const QString &name : QDir(layout.archiveFolder()).entryList(QDir::Files)) {
        const QByteArray bytes = readAll(page(name));
        const bool old = before.value(name) == bytes;
        fromThisRun += !old;
        EXPECT_TRUE(old || bytes == readAll(reference.file(name))) << name.toStdString();
    }
    EXPECT_EQ(fromThisRun, 1); // of the two pages written, the first is the same in both runs

    ASSERT_TRUE(write().ok());
    QStringList names = QDir(layout.archiveFolder()).entryList(QDir::Files);
    EXPECT_EQ(names, QDir(reference.archiveFolder()).entryList(QDir::Files));
    for (const QString &name : names)
        EXPECT_EQ(readAll(page(name)), readAll(reference.file(name))) << name.toStdString();
}

TEST_F(IndexWriterTest, SizesAndMissingFilesInEveryList)
{
    add(QStringLiteral("a"), QStringLiteral("X"), link(1), QStringLiteral("d"), 12345);
    add(QStringLiteral("b"), QStringLiteral("X"), link(2), QStringLiteral("d"), NoFile);
    add(QStringLiteral("c"), QStringLiteral("X"), link(3), QStringLiteral("d"), 4000);
    add(QStringLiteral("d"), QStringLiteral("X"), link(4), QStringLiteral("d"), 999);
    add(QStringLiteral("e"), QStringLiteral("X"), QStringLiteral("../escape"), QStringLiteral("d"), NoFile);
    writeAll(layout.file(QStringLiteral("escape")), QByteArray(5000, 'x'));
    ASSERT_TRUE(write(20).ok());

    const QStringList want = {QStringLiteral("12.3"), QString(), QStringLiteral("4"), QStringLiteral("1"), QString()};
    for (const QString &name : {QStringLiteral("X1.htm"), QStringLiteral("X.htm"), QStringLiteral("all.htm")}) {
        const QStringList all = pageLines(name);
        ASSERT_EQ(all.size(), 3 + 5) << name.toStdString();
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(all[3 + i].endsWith(QStringLiteral("<td width=6%>") + want[i] + QStringLiteral("KB</td><tr>")))
                << name.toStdString() << " row " << i + 1;
        }
    }
}

TEST_F(IndexWriterTest, ReportsEveryRowThenTheStartPage)
{
    addMany(QStringLiteral("A"), 3);
    addMany(QStringLiteral("B"), 4);
    ASSERT_TRUE(write().ok());
    ASSERT_EQ(progress.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(progress[static_cast<size_t>(i)], std::make_pair(i + 1, 7));
    EXPECT_EQ(startPageCalls, std::vector<bool>{true});
}

TEST_F(IndexWriterTest, FullListHasOneLinePerRowInTableOrder)
{
    add(QStringLiteral("t1"), QStringLiteral("B"), link(1), QStringLiteral("d1"));
    add(QStringLiteral("t2"), QStringLiteral("A"), link(2), QStringLiteral("d2"));
    add(QStringLiteral("t3"), QStringLiteral("B"), link(3), QStringLiteral("d3"));
    add(QStringLiteral("t4"), QStringLiteral("C"), link(4), QStringLiteral("d4"));
    add(QStringLiteral("t5"), QStringLiteral("A"), link(5), QStringLiteral("d5"));
    ASSERT_TRUE(write().ok());
    const QStringList all = pageLines(QStringLiteral("all.htm"));
    ASSERT_EQ(all.size(), 5 + 3);
    EXPECT_EQ(numbers(all), range(1, 5));
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(all[2 + i].contains(QStringLiteral(">t%1</a>").arg(i)));
}

TEST_F(IndexWriterTest, StartPageListsCategoriesWithTheirPages)
{
    addMany(QStringLiteral("A"), 45);
    addMany(QStringLiteral("B"), 20);
    addMany(QStringLiteral("C"), 1);
    ASSERT_TRUE(write(20).ok());

    const QStringList start = pageLines(QStringLiteral("index.html"));
    const QStringList tail = start.mid(4);
    const QStringList want = {
        QStringLiteral("<tr><td width=5%><center>1</center></td><td width=28% ><p class= style4><A title=A "
                       "target=_blank href=A.htm><b>A</a></b>(45)</td><td>"),
        QStringLiteral("<A href=A1.htm><b>1</b></a>"),
        QStringLiteral("<A href=A2.htm><b>2</b></a>"),
        QStringLiteral("<A href=A3.htm><b>3</b></a>"),
        QStringLiteral("</td></tr>"),
        QStringLiteral("<tr><td width=5%><center>2</center></td><td width=28% ><p class= style4><A title=B "
                       "target=_blank href=B.htm><b>B</a></b>(20)</td><td>"),
        QStringLiteral("<A href=B1.htm><b>1</b></a>"),
        QStringLiteral("</td></tr>"),
        QStringLiteral("<tr><td width=5%><center>3</center></td><td width=28% ><p class= style4><A title=C "
                       "target=_blank href=C.htm><b>C</a></b>(1)</td><td>"),
        QStringLiteral("<A href=C1.htm><b>1</b></a>"),
        QStringLiteral("</td></tr>"),
    };
    EXPECT_EQ(tail, want);
    EXPECT_TRUE(start[3].endsWith(QStringLiteral("  更新日期：2026/12/6[09:04:48]</td>")));
}

TEST_F(IndexWriterTest, LongCategoryNameIsCutInTheLinkTextOnly)
{
    const QString name = QStringLiteral("一二三四五六七八九十abcdefghij一二三四五六七八九十0123456789");
    ASSERT_EQ(name.size(), 40);
    addMany(name, 1);
    ASSERT_TRUE(write().ok());
    const QString line = pageLines(QStringLiteral("index.html"))[4];
    EXPECT_TRUE(line.contains(QStringLiteral("<A title=") + name + QStringLiteral(" target=_blank href=") + name +
                              QStringLiteral(".htm><b>") + name.left(30) + QStringLiteral("</a></b>(1)</td><td>")));
}

TEST_F(IndexWriterTest, KeepsCategoriesBeyondTheFiveHundredFirst)
{
    for (int i = 0; i < 502; ++i)
        add(QStringLiteral("t"), QStringLiteral("c%1x").arg(i), link(i), QStringLiteral("d"), NoFile);
    ASSERT_TRUE(write().ok());
    const QStringList start = pageLines(QStringLiteral("index.html"));
    ASSERT_EQ(start.size(), 4 + 502 * 3);
    EXPECT_TRUE(start[4 + 501 * 3].startsWith(QStringLiteral("<tr><td width=5%><center>502</center>")));
    EXPECT_TRUE(start[4 + 501 * 3].contains(QStringLiteral("href=c501x.htm>")));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("c501x1.htm"))));
}

TEST_F(IndexWriterTest, SecondRunReplacesPagesAndRemovesStaleOnes)
{
    addMany(QStringLiteral("随笔"), 45);
    addMany(QStringLiteral("x1"), 25);
    addMany(QStringLiteral("x"), 1);
    ASSERT_TRUE(write(10).ok());
    ASSERT_TRUE(QFile::exists(page(QStringLiteral("随笔5.htm"))));
    ASSERT_TRUE(QFile::exists(page(QStringLiteral("x13.htm"))));
    const QByteArray article = readAll(layout.articleFile(QStringLiteral("随笔"), link(1)));
    writeAll(page(QStringLiteral("notes.htm")), "mine");
    writeAll(page(QStringLiteral("随笔0.htm")), "mine");

    table.clear();
    addMany(QStringLiteral("随笔"), 25);
    addMany(QStringLiteral("x1"), 5);
    addMany(QStringLiteral("x"), 1);
    ASSERT_TRUE(write(10).ok());

    EXPECT_EQ(pageLines(QStringLiteral("随笔1.htm")).size(), 3 + 10 + 1);
    EXPECT_EQ(pageLines(QStringLiteral("随笔3.htm")).size(), 3 + 5);
    EXPECT_EQ(pageLines(QStringLiteral("随笔.htm")).size(), 3 + 25);
    EXPECT_EQ(pageLines(QStringLiteral("all.htm")).size(), 3 + 31);
    EXPECT_EQ(pageLines(QStringLiteral("index.html")).size(), 4 + 5 + 3 + 3);
    for (const QString &stale : {QStringLiteral("随笔4.htm"), QStringLiteral("随笔5.htm"), QStringLiteral("x12.htm"),
                                 QStringLiteral("x13.htm")})
        EXPECT_FALSE(QFile::exists(page(stale))) << stale.toStdString();
    // x1.htm would be both the category page of x1 and page 1 of x: x1 comes first and keeps it.
    const QStringList categoryPage = pageLines(QStringLiteral("x1.htm"));
    EXPECT_EQ(categoryPage.size(), 3 + 5);
    EXPECT_TRUE(categoryPage[1].contains(QStringLiteral("<font size=5>x11</font>")));
    EXPECT_EQ(pageLines(QStringLiteral("x1~1.htm")).size(), 3 + 1);
    EXPECT_EQ(readAll(page(QStringLiteral("notes.htm"))), "mine");
    EXPECT_EQ(readAll(page(QStringLiteral("随笔0.htm"))), "mine");
    EXPECT_EQ(readAll(layout.articleFile(QStringLiteral("随笔"), link(1))), article);
}

TEST_F(IndexWriterTest, PageThatCannotBeWrittenIsReportedAndTheRestIsWritten)
{
    addMany(QStringLiteral("A"), 3);
    addMany(QStringLiteral("B"), 3);
    QDir().mkpath(page(QStringLiteral("A1.htm")));
    const Result<void> result = write();
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().contains(page(QStringLiteral("A1.htm"))));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("B1.htm"))));
    EXPECT_TRUE(QFile::exists(page(QStringLiteral("index.html"))));
}

TEST_F(IndexWriterTest, RefusesAPerPageCountOutOfRange)
{
    addMany(QStringLiteral("A"), 3);
    EXPECT_FALSE(write(0).ok());
    EXPECT_FALSE(write(256).ok());
    EXPECT_FALSE(QFile::exists(page(QStringLiteral("A1.htm"))));
}

TEST_F(IndexWriterTest, StopsWhenTheTableChangesDuringAYield)
{
    addMany(QStringLiteral("A"), 5);
    IndexWriter writer(layout, table, {20, BlogAddress, BlogName, QDateTime::currentDateTime(), QLocale::c()});
    writer.onProgress([this](int row, int) {
        if (row == 2)
            table.clear();
    });
    EXPECT_FALSE(writer.write().ok());
}

struct SizeCase
{
    qint64 bytes;
    const char *text;
};

class FormatSize : public ::testing::TestWithParam<SizeCase>
{};

TEST_P(FormatSize, RoundsToOneDecimalHalvesToEven)
{
    EXPECT_EQ(Archive::formatSize(GetParam().bytes, QLocale::c()), QLatin1String(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatSize,
                         ::testing::Values(SizeCase{12345, "12.3"}, SizeCase{4000, "4"}, SizeCase{999, "1"},
                                           SizeCase{1250, "1.2"}, SizeCase{1350, "1.4"}, SizeCase{0, "0"},
                                           SizeCase{50, "0"}, SizeCase{150, "0.2"}, SizeCase{1251, "1.3"},
                                           SizeCase{9950, "10"}, SizeCase{5000000000, "5000000"}));

TEST(FormatSizeLocale, UsesTheLocaleDecimalSeparator)
{
    EXPECT_EQ(Archive::formatSize(12345, QLocale(QLocale::Swedish, QLocale::Sweden)), QStringLiteral("12,3"));
    EXPECT_EQ(Archive::formatSize(1234567, QLocale(QLocale::English, QLocale::UnitedStates)), QStringLiteral("1234.6"));
}

TEST(StampText, ShortDateThenTimeWithSecondsInBrackets)
{
    const QDateTime stamp(QDate(2026, 12, 6), QTime(9, 4, 48));
    EXPECT_EQ(Archive::stampText(stamp, QLocale(QLocale::Swedish, QLocale::Sweden)),
              QStringLiteral("2026-12-06[09:04:48]"));
    EXPECT_EQ(Archive::stampText(stamp, QLocale(QLocale::Chinese, QLocale::China)),
              QStringLiteral("2026/12/6[09:04:48]"));
    EXPECT_EQ(Archive::stampText(stamp, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("12/6/26[9:04:48 AM]"));
}

class PerPageValid : public ::testing::TestWithParam<std::pair<const char *, int>>
{};

TEST_P(PerPageValid, AcceptsWholeNumbersFromOneTo255)
{
    const Result<int> result = Archive::parsePerPage(QString::fromUtf8(GetParam().first));
    ASSERT_TRUE(result.ok()) << result.error().toStdString();
    EXPECT_EQ(*result, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Counts, PerPageValid,
                         ::testing::Values(std::pair{"20", 20}, std::pair{"1", 1}, std::pair{"255", 255},
                                           std::pair{" 7 ", 7}, std::pair{"020", 20}));

class PerPageInvalid : public ::testing::TestWithParam<const char *>
{};

TEST_P(PerPageInvalid, RefusesWithAMessageInBothLanguages)
{
    const Result<int> result = Archive::parsePerPage(QString::fromUtf8(GetParam()));
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().contains(QStringLiteral("1到255")));
    EXPECT_TRUE(result.error().contains(QStringLiteral("from 1 to 255")));
}

INSTANTIATE_TEST_SUITE_P(Counts, PerPageInvalid,
                         ::testing::Values("", "  ", "0", "256", "-5", "+5", "2.5", "abc", "1e2", "２０", "99999999999",
                                           "00"));

} // namespace
