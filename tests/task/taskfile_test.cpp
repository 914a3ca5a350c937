#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "support/tempfolder.h"
#include "task/taskfile.h"

#include <gtest/gtest.h>

using Blog::ArticleTable;

TEST(TaskFile, WorkedExampleByteForByte)
{
    ArticleTable table;
    table.appendArticle(QStringLiteral("T"), QStringLiteral("C"), QStringLiteral("L"), QStringLiteral("D"));
    EXPECT_EQ(Task::exportBytes(QStringLiteral("abc"), table),
              QByteArray("\r\nabc\r\n\r\n\r\n1\r\nT\r\nC\r\nL\r\nD\r\n1\r\n\r\n\r\n"));
}

TEST(TaskFile, EmptyTableExportsNameOnlyAndImportsEmpty)
{
    ArticleTable table;
    const QByteArray bytes = Task::exportBytes(QStringLiteral("abc"), table);
    EXPECT_EQ(bytes, QByteArray("\r\nabc\r\n\r\n\r\n"));
    const auto task = Task::parseTask(QString::fromLatin1(bytes));
    ASSERT_TRUE(task) << task.error().toStdString();
    EXPECT_EQ(task->blogName, QStringLiteral("abc"));
    EXPECT_TRUE(task->records.isEmpty());
}

TEST(TaskFile, ImportOfExportGivesTheSameTable)
{
    ArticleTable table;
    const char *categories[] = {"随笔", "Q&A #1", "随笔", "旧時光", "随笔"};
    for (int i = 0; i < 5; ++i)
        table.appendArticle(QStringLiteral("标题%1").arg(i), QString::fromUtf8(categories[i]),
                            QStringLiteral("%1").arg(i, 24, 10, QLatin1Char('0')) + QStringLiteral(".html"),
                            QStringLiteral("2026-12-0%1 10:00").arg(i + 1));
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("博客.ini"));
    ASSERT_TRUE(Task::exportTask(path, QStringLiteral("博客"), table));
    const auto task = Task::importTask(path);
    ASSERT_TRUE(task) << task.error().toStdString();
    EXPECT_EQ(task->blogName, QStringLiteral("博客"));
    ArticleTable imported;
    for (const Task::Record &r : task->records)
        imported.appendArticle(r.title, r.category, r.link, r.date);
    ASSERT_EQ(imported.articleCount(), table.articleCount());
    for (int row = 1; row <= table.articleCount(); ++row)
        for (int column = 0; column <= 5; ++column)
            EXPECT_EQ(imported.cell(row, column), table.cell(row, column)) << row << "," << column;
}

TEST(TaskFile, LastRecordNeedsAnEmptyLineAfterIt)
{
    const QString head = QStringLiteral("\r\nabc\r\n\r\n\r\n");
    const QString record = QStringLiteral("1\r\nT\r\nC\r\nL\r\nD\r\n1\r\n");
    EXPECT_TRUE(Task::parseTask(head + record)->records.isEmpty());
    EXPECT_EQ(Task::parseTask(head + record + QStringLiteral("\r\n"))->records.size(), 1);
}

TEST(TaskFile, TwoHundredFiftyRecords)
{
    QString text = QStringLiteral("\r\nabc\r\n\r\n\r\n");
    for (int i = 1; i <= 250; ++i)
        text += QStringLiteral("%1\r\nT%1\r\nC\r\nL%1\r\nD\r\n%1\r\n\r\n\r\n").arg(i);
    const auto task = Task::parseTask(text);
    ASSERT_TRUE(task);
    ASSERT_EQ(task->records.size(), 250);
    EXPECT_EQ(task->records.last().title, QStringLiteral("T250"));
}

TEST(TaskFile, MalformedRecordIsReportedWithItsNumber)
{
    // An empty title splits the second record in two.
    const QString text = QStringLiteral("\r\nabc\r\n\r\n\r\n1\r\nT\r\nC\r\nL\r\nD\r\n1\r\n\r\n\r\n"
                                        "2\r\n\r\nC\r\nL\r\nD\r\n2\r\n\r\n\r\n");
    const auto task = Task::parseTask(text);
    ASSERT_FALSE(task);
    EXPECT_TRUE(task.error().contains(QStringLiteral("第2条"))) << task.error().toStdString();
}

TEST(TaskFile, FileWithoutBlogNameOrUnreadableIsAnError)
{
    EXPECT_FALSE(Task::parseTask(QString()));
    EXPECT_FALSE(Task::parseTask(QStringLiteral("\r\n../x\r\n\r\n\r\n")));
    TempFolder folder;
    EXPECT_FALSE(Task::importTask(folder.file(QStringLiteral("missing.ini"))));
}

// What Find may load: line breaks, empty texts, a NUL, a character decoded from a byte GBK lacks.
TEST(TaskFile, EveryFoundRowSurvivesExportAndImport)
{
    ArticleTable table;
    table.appendArticle(QStringLiteral("上半\r\n下半"), QStringLiteral("随笔"), QStringLiteral("a.html"),
                        QStringLiteral("D"));
    table.appendArticle(QString(), QString(), QString(), QString());
    table.appendArticle(QStringLiteral("T\n"), QStringLiteral("随笔1.htm") + QChar(0), QStringLiteral("c\uFFFD.html"),
                        QStringLiteral("D\r"));
    table.appendArticle(QStringLiteral("T"), QStringLiteral("随笔"), QStringLiteral("d.html"), QStringLiteral("D"));
    EXPECT_TRUE(Task::unstorableValues(table).isEmpty());
    const auto task = Task::parseTask(Gbk::decode(Task::exportBytes(QStringLiteral("abc"), table)));
    ASSERT_TRUE(task) << task.error().toStdString();
    ArticleTable imported;
    for (const Task::Record &r : task->records)
        imported.appendArticle(r.title, r.category, r.link, r.date);
    ASSERT_EQ(imported.articleCount(), table.articleCount());
    for (int row = 1; row <= table.articleCount(); ++row)
        for (int column = 0; column <= 5; ++column)
            EXPECT_EQ(imported.cell(row, column), table.cell(row, column)) << row << "," << column;
}

// A line break inside a value shifts its record by a line either way.
class TaskRecordValues : public ::testing::TestWithParam<std::pair<int, bool>>
{};

TEST_P(TaskRecordValues, OnlyExactlySixValuesMakeARecord)
{
    const auto [count, accepted] = GetParam();
    QString record = QStringLiteral("1");
    for (int i = 2; i <= count; ++i)
        record += QStringLiteral("\r\nv%1").arg(i);
    const QString good = QStringLiteral("1\r\nT\r\nC\r\nL\r\nD\r\n1\r\n\r\n\r\n");
    const auto task =
        Task::parseTask(QStringLiteral("\r\nabc\r\n\r\n\r\n") + good + record + QStringLiteral("\r\n\r\n\r\n") + good);
    EXPECT_EQ(task.ok(), accepted) << count;
    if (accepted) {
        EXPECT_EQ(task->records.size(), 3);
        EXPECT_EQ(task->records[1].date, QStringLiteral("v5"));
    } else {
        EXPECT_TRUE(task.error().contains(QStringLiteral("第2条"))) << task.error().toStdString();
        EXPECT_TRUE(task.error().contains(QStringLiteral("%1个值").arg(count))) << task.error().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, TaskRecordValues,
                         ::testing::Values(std::pair{4, false}, std::pair{5, false}, std::pair{6, true},
                                           std::pair{7, false}, std::pair{8, false}));

TEST(TaskFile, ExportReplacesAnEarlierFile)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("abc.ini"));
    writeAll(path, QByteArray(1000, 'x'));
    ArticleTable table;
    ASSERT_TRUE(Task::exportTask(path, QStringLiteral("abc"), table));
    EXPECT_EQ(readAll(path), QByteArray("\r\nabc\r\n\r\n\r\n"));
}
