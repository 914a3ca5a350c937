#include "archive/layout.h"
#include "archive/pagenames.h"

#include <QSet>
#include <gtest/gtest.h>

using Archive::CategoryPages;
using Archive::PageNames;

namespace {

struct Case
{
    const char *what;
    QList<CategoryPages> categories;
    QStringList folders;
    // Per category: its category page, then its numbered pages in order.
    QList<QStringList> names;
};

QStringList namesOf(const PageNames &names, const CategoryPages &category, int index)
{
    QStringList result{names.categoryPage(index)};
    for (const int number : category.numbers)
        result << names.page(index, number);
    return result;
}

QList<int> upTo(int last)
{
    QList<int> numbers;
    for (int n = 1; n <= last; ++n)
        numbers << n;
    return numbers;
}

QStringList pagesOf(const QString &stem, int last)
{
    QStringList names{stem + QStringLiteral(".htm")};
    for (int n = 1; n <= last; ++n)
        names << stem + QString::number(n) + QStringLiteral(".htm");
    return names;
}

class PageNameRule : public ::testing::TestWithParam<Case>
{};

} // namespace

TEST_P(PageNameRule, OnlyCollidingPagesAreRenamedAndNoTwoNamesAgree)
{
    const Case &c = GetParam();
    const PageNames names(c.categories, c.folders);
    QSet<QString> seen;
    for (const QString &name : Archive::reservedNames() + c.folders)
        seen.insert(Archive::foldedName(name));
    for (qsizetype i = 0; i < c.categories.size(); ++i) {
        const QStringList got = namesOf(names, c.categories[i], static_cast<int>(i));
        EXPECT_EQ(got, c.names[i]) << c.what;
        for (const QString &name : got)
            EXPECT_FALSE(seen.contains(Archive::foldedName(name))) << c.what << " " << name.toStdString();
        for (const QString &name : got)
            seen.insert(Archive::foldedName(name));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageNameRule,
    ::testing::Values(
        Case{"no collision",
             {{QStringLiteral("随笔"), {1, 2}}, {QStringLiteral("Q_A__1"), {1}}},
             {QStringLiteral("随笔"), QStringLiteral("Q_A__1")},
             {pagesOf(QStringLiteral("随笔"), 2), pagesOf(QStringLiteral("Q_A__1"), 1)}},
        Case{"full list",
             {{QStringLiteral("all"), {1}}},
             {QStringLiteral("all")},
             {{QStringLiteral("all~1.htm"), QStringLiteral("all1.htm")}}},
        Case{"page 1 of x first",
             {{QStringLiteral("x"), {1}}, {QStringLiteral("x1"), {1}}},
             {},
             {pagesOf(QStringLiteral("x"), 1), {QStringLiteral("x1~1.htm"), QStringLiteral("x11.htm")}}},
        Case{"x1 first",
             {{QStringLiteral("x1"), {1}}, {QStringLiteral("x"), {1}}},
             {},
             {pagesOf(QStringLiteral("x1"), 1), {QStringLiteral("x.htm"), QStringLiteral("x1~1.htm")}}},
        Case{"page 11 and page 1 of the namesake",
             {{QStringLiteral("随笔"), upTo(11)}, {QStringLiteral("随笔1"), {1}}},
             {},
             {pagesOf(QStringLiteral("随笔"), 11), {QStringLiteral("随笔1~1.htm"), QStringLiteral("随笔11~1.htm")}}},
        Case{"new name taken by a page",
             {{QStringLiteral("x"), {1}}, {QStringLiteral("x1"), {1}}, {QStringLiteral("x1~1"), {}}},
             {},
             {pagesOf(QStringLiteral("x"), 1),
              {QStringLiteral("x1~2.htm"), QStringLiteral("x11.htm")},
              {QStringLiteral("x1~1.htm")}}},
        Case{"same stem twice",
             {{QStringLiteral("a_b"), {1}}, {QStringLiteral("a_b"), {1}}},
             {QStringLiteral("a_b")},
             {pagesOf(QStringLiteral("a_b"), 1), {QStringLiteral("a_b~1.htm"), QStringLiteral("a_b1~1.htm")}}},
        Case{"ASCII case",
             {{QStringLiteral("Qt"), {1}}, {QStringLiteral("QT"), {1}}, {QStringLiteral("ALL"), {}}},
             {},
             {pagesOf(QStringLiteral("Qt"), 1),
              {QStringLiteral("QT~1.htm"), QStringLiteral("QT1~1.htm")},
              {QStringLiteral("ALL~1.htm")}}},
        Case{"folder named like a page",
             {{QStringLiteral("x"), {1}}, {QStringLiteral("x1.htm"), {}}},
             {QStringLiteral("x"), QStringLiteral("x1.htm")},
             {{QStringLiteral("x.htm"), QStringLiteral("x1~1.htm")}, {QStringLiteral("x1.htm.htm")}}}));

TEST(FolderNameFor, AvoidsTheArchiveOwnNamesOnly)
{
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("随笔")), QStringLiteral("随笔"));
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("all")), QStringLiteral("all"));
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("all.htm")), QStringLiteral("all.htm~1"));
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("Index.HTML")), QStringLiteral("Index.HTML~1"));
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("images")), QStringLiteral("images~1"));
    EXPECT_EQ(Archive::folderNameFor(QStringLiteral("nolv hhp")), QStringLiteral("nolv_hhp"));
}
