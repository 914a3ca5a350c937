#include "blog/articletable.h"

#include <gtest/gtest.h>

using Blog::ArticleTable;

namespace {

void load(ArticleTable &table, const QString &category)
{
    table.appendArticle(QStringLiteral("t"), category, QStringLiteral("l"), QStringLiteral("d"));
}

} // namespace

TEST(ArticleTable, FirstArticleLandsInRowOne)
{
    ArticleTable table;
    table.appendArticle(QStringLiteral("标题"), QStringLiteral("随笔"), QStringLiteral("link"), QStringLiteral("date"));
    EXPECT_EQ(table.articleCount(), 1);
    EXPECT_TRUE(table.cell(0, 1).isEmpty());
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(table.cell(1, 1), QStringLiteral("标题"));
    EXPECT_EQ(table.cell(1, 2), QStringLiteral("随笔"));
    EXPECT_EQ(table.cell(1, 3), QStringLiteral("link"));
    EXPECT_EQ(table.cell(1, 4), QStringLiteral("date"));
    EXPECT_EQ(table.cell(1, 5), QStringLiteral("1"));
    EXPECT_TRUE(table.cell(2, 1).isEmpty());
}

TEST(ArticleTable, NumbersArticlesWithinTheirCategory)
{
    ArticleTable table;
    for (const char *c : {"A", "B", "A", "A"})
        load(table, QString::fromLatin1(c));
    EXPECT_EQ(table.articleCount(), 4);
    EXPECT_EQ(table.cell(1, 5), QStringLiteral("1"));
    EXPECT_EQ(table.cell(2, 5), QStringLiteral("1"));
    EXPECT_EQ(table.cell(3, 5), QStringLiteral("2"));
    EXPECT_EQ(table.cell(4, 5), QStringLiteral("3"));
    ASSERT_EQ(table.categories().size(), 2);
    EXPECT_EQ(table.categories().at(0).name, QStringLiteral("A"));
    EXPECT_EQ(table.categories().at(0).articleCount, 3);
    EXPECT_EQ(table.categories().at(1).name, QStringLiteral("B"));
    EXPECT_EQ(table.categories().at(1).articleCount, 1);
}

TEST(ArticleTable, CaseAndPrefixDifferentCategoriesAreSeparate)
{
    ArticleTable table;
    for (const char *c : {"abc", "ABC", "abcd", "abc"})
        load(table, QString::fromLatin1(c));
    EXPECT_EQ(table.categories().size(), 3);
    EXPECT_EQ(table.cell(4, 5), QStringLiteral("2"));
    EXPECT_EQ(table.cell(2, 5), QStringLiteral("1"));
    EXPECT_EQ(table.cell(3, 5), QStringLiteral("1"));
}

TEST(ArticleTable, EmptyCategoryIsFiledUnderItsPlaceholder)
{
    ArticleTable table;
    load(table, QString());
    load(table, QStringLiteral("x"));
    load(table, QString());
    EXPECT_EQ(table.categories().size(), 2);
    EXPECT_EQ(table.cell(1, 2), QStringLiteral("未分类"));
    EXPECT_EQ(table.cell(3, 2), QStringLiteral("未分类"));
    EXPECT_EQ(table.cell(3, 5), QStringLiteral("2"));
}

// Every value must stay one non-empty line, the way the task file carries it.
TEST(ArticleTable, LineBreaksBecomeOneSpaceAndEmptyValuesTheirPlaceholder)
{
    ArticleTable table;
    table.appendArticle(QStringLiteral("上\r\n下\r半\n篇"), QStringLiteral("a\r\nb"), QStringLiteral("x\ny.html"),
                        QStringLiteral("2026-12-06\r\n"));
    table.appendArticle(QString(), QStringLiteral("c"), QStringLiteral("z.html"), QString());
    EXPECT_EQ(table.cell(1, 1), QStringLiteral("上 下 半 篇"));
    EXPECT_EQ(table.cell(1, 2), QStringLiteral("a b"));
    EXPECT_EQ(table.cell(1, 3), QStringLiteral("x y.html"));
    EXPECT_EQ(table.cell(1, 4), QStringLiteral("2026-12-06 "));
    EXPECT_EQ(table.cell(2, 1), QStringLiteral("无标题"));
    EXPECT_EQ(table.cell(2, 4), QStringLiteral("无日期"));
    EXPECT_EQ(table.categories().find(QStringLiteral("a b")), 0);
}

TEST(ArticleTable, KeepsCategoriesBeyondTheFiveHundredFirst)
{
    ArticleTable table;
    for (int i = 0; i < 600; ++i)
        load(table, QString::number(i));
    load(table, QStringLiteral("599"));
    EXPECT_EQ(table.categories().size(), 600);
    EXPECT_EQ(table.categories().at(599).articleCount, 2);
    EXPECT_EQ(table.cell(601, 5), QStringLiteral("2"));
}

TEST(ArticleTable, SameTextsTwiceGiveTwoRows)
{
    ArticleTable table;
    load(table, QStringLiteral("c"));
    load(table, QStringLiteral("c"));
    EXPECT_EQ(table.articleCount(), 2);
    EXPECT_EQ(table.cell(2, 5), QStringLiteral("2"));
}

TEST(ArticleTable, ClearEmptiesRowsAndCategories)
{
    ArticleTable table;
    for (int i = 0; i < 3; ++i)
        load(table, QStringLiteral("c"));
    table.clear();
    EXPECT_EQ(table.articleCount(), 0);
    EXPECT_EQ(table.categories().size(), 0);
    load(table, QStringLiteral("c"));
    EXPECT_EQ(table.cell(1, 5), QStringLiteral("1"));
}

TEST(ArticleTable, MarksAreClearedTogether)
{
    ArticleTable table;
    load(table, QStringLiteral("c"));
    load(table, QStringLiteral("c"));
    table.setMark(1, Blog::Mark::saved());
    EXPECT_EQ(table.cell(1, 6), QStringLiteral("●"));
    table.clearMarks();
    EXPECT_TRUE(table.mark(1).isEmpty());
}
