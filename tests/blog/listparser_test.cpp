#include "blog/listparser.h"

#include <gtest/gtest.h>

using namespace Blog::ListParser;

namespace {

QString pagerLine(const QStringList &numbers)
{
    QString line = QStringLiteral("<a href=/b/blog/index/0>[首页]</a>");
    for (const QString &n : numbers)
        line += QStringLiteral(" <a href=\"/b/blog/index/") + n + QStringLiteral("\">") + n + QStringLiteral("</a>");
    return line;
}

const QString Link = QStringLiteral("0123456789abcdef01234567.html");

QStringList entryLines(const QString &title, const QString &category, const QString &date)
{
    return {QStringLiteral("<div class=\"tit\"><a href=\"/b/blog/item/") + Link + QStringLiteral("\">"),
            title + QStringLiteral("</a></div>"),
            QStringLiteral("<div class=\"date\">") + date + QStringLiteral("</div>"),
            QStringLiteral("<span><a href=\"#\">类别：") + category + QStringLiteral("</a> |")};
}

QString listPage(const QList<QStringList> &entries)
{
    QStringList lines{QStringLiteral("<html>"), QStringLiteral("<body>")};
    for (const QStringList &e : entries)
        lines += e;
    lines += QStringLiteral("</body>");
    return lines.join(QStringLiteral("\n\t"));
}

} // namespace

TEST(Pager, NoPagerMeansOnePage)
{
    EXPECT_EQ(highestPageNumber(QStringLiteral("<html>\n<body>nothing</body>\n")), 0);
}

TEST(Pager, HighestNumberOfAllPieces)
{
    const QString page = QStringLiteral("a\n") +
                         pagerLine({QStringLiteral("3"), QStringLiteral("12"), QStringLiteral("7")}) +
                         QStringLiteral("\nb");
    EXPECT_EQ(highestPageNumber(page), 12);
}

TEST(Pager, FirstPagePieceContributesNothing)
{
    EXPECT_EQ(highestPageNumber(pagerLine({})), 0);
}

TEST(Pager, LargestOfTwoPagerLines)
{
    const QString page =
        pagerLine({QStringLiteral("4")}) + QStringLiteral("\nlist\n") + pagerLine({QStringLiteral("9")});
    EXPECT_EQ(highestPageNumber(page), 9);
}

TEST(Pager, NonDigitsAndHugeNumbersAreSafe)
{
    EXPECT_EQ(highestPageNumber(pagerLine({QStringLiteral("x1"), QStringLiteral("-5"), QStringLiteral("2")})), 2);
    EXPECT_EQ(highestPageNumber(pagerLine({QStringLiteral("99999999999999999999")})), 0);
    EXPECT_EQ(highestPageNumber(pagerLine({QStringLiteral("999999999")})), MaxPageNumber);
}

TEST(Pager, LinesWithoutTheMarkerAreIgnored)
{
    EXPECT_EQ(highestPageNumber(QStringLiteral("<a href=\"/b/blog/index/5\">5</a>")), 0);
}

TEST(ListPage, ReadsTitleCategoryLinkAndDateOfEachEntry)
{
    Entry carry;
    const auto entries = parseListPage(
        listPage({entryLines(QStringLiteral("第一篇"), QStringLiteral("随笔"), QStringLiteral("2026-12-06 09:04")),
                  entryLines(QStringLiteral("Second"), QStringLiteral("Q&A #1"), QStringLiteral("2026-12-05 10:00"))}),
        carry);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].title, QStringLiteral("第一篇"));
    EXPECT_EQ(entries[0].category, QStringLiteral("随笔"));
    EXPECT_EQ(entries[0].link, Link);
    EXPECT_EQ(entries[0].date, QStringLiteral("2026-12-06 09:04"));
    EXPECT_EQ(entries[1].category, QStringLiteral("Q&A #1"));
}

TEST(ListPage, TitleOnTheEntryLineKeepsItsMarkup)
{
    QStringList lines = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    lines[0] =
        QStringLiteral("<div class=\"tit\"><a href=\"/b/blog/item/") + Link + QStringLiteral("\">标题</a></div>");
    Entry carry;
    const auto entries = parseListPage(listPage({lines}), carry);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].title, lines[0].left(lines[0].size() - 10));
    EXPECT_TRUE(entries[0].title.startsWith(QStringLiteral("<div class=")));
}

TEST(ListPage, EntryLineWithoutArticlePathIsNoEntry)
{
    QStringList lines = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    lines[0].replace(QStringLiteral("/blog/item/"), QStringLiteral("/blog/other/"));
    Entry carry;
    EXPECT_TRUE(parseListPage(listPage({lines}), carry).isEmpty());
}

TEST(ListPage, CategoryLineWithoutFullWidthColon)
{
    QStringList lines = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    lines[3] = QStringLiteral(">类别abcdefgh123456");
    Entry carry;
    const auto entries = parseListPage(listPage({lines}), carry);
    ASSERT_EQ(entries.size(), 1);
    // From position 4 of the line, less its last 6 characters.
    EXPECT_EQ(entries[0].category, QStringLiteral("abcdefgh"));
}

TEST(ListPage, FieldThatCannotBeCutKeepsThePreviousValue)
{
    QStringList second = entryLines(QStringLiteral("y"), QStringLiteral("d"), QStringLiteral("2026-12-05 10:00"));
    second[2] = QStringLiteral("<div class=x>"); // too short for a date
    Entry carry;
    const auto entries = parseListPage(
        listPage({entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04")), second}),
        carry);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].title, QStringLiteral("y"));
    EXPECT_EQ(entries[1].date, QStringLiteral("2026-12-06 09:04"));
    // The first entry of a Find has nothing to carry.
    Entry fresh;
    const auto alone = parseListPage(listPage({second}), fresh);
    ASSERT_EQ(alone.size(), 1);
    EXPECT_TRUE(alone[0].date.isEmpty());
}

TEST(ListPage, EntryCutOffBeforeItsFieldsIsSkipped)
{
    QStringList lines = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    lines.removeLast(); // no category line before the page ends
    Entry carry;
    EXPECT_TRUE(parseListPage(lines.join(QStringLiteral("\n\t")), carry).isEmpty());
}

TEST(ListPage, LfWithoutTabStaysInsideItsLineAndCrCounts)
{
    QStringList lines = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    lines[1] = QStringLiteral("a\nb</a></div>");
    lines[3] += QStringLiteral("\r"); // CR before the split LF stays and shifts the cut
    Entry carry;
    const auto entries = parseListPage(lines.join(QStringLiteral("\n\t")), carry);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].title, QStringLiteral("a\nb"));
    EXPECT_EQ(entries[0].category, QStringLiteral("c<"));
}

TEST(ListPage, DuplicatesAreKept)
{
    const QStringList e = entryLines(QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04"));
    Entry carry;
    EXPECT_EQ(parseListPage(listPage({e, e}), carry).size(), 2);
}

TEST(ListPage, EmptyTitleStaysEmptyInsteadOfTakingThePreviousOne)
{
    Entry carry;
    const auto entries = parseListPage(
        listPage({entryLines(QStringLiteral("有标题"), QStringLiteral("c"), QStringLiteral("2026-12-06 09:04")),
                  entryLines(QString(), QStringLiteral("c"), QStringLiteral("2026-12-05 10:00"))}),
        carry);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].title, QStringLiteral("有标题"));
    EXPECT_EQ(entries[1].title, QString());
}

// Every search looks forward from its own entry line: lines used by one entry serve the next one
// too, and an entry never reaches back to a line before it.
TEST(ListPage, SearchesStartAtEachEntryLine)
{
    const QStringList first = entryLines(QStringLiteral("a"), QStringLiteral("c1"), QStringLiteral("2026-12-06 09:04"));
    const QStringList second =
        entryLines(QStringLiteral("b"), QStringLiteral("c2"), QStringLiteral("2026-12-05 10:00"));
    // Two entry lines in a row share the fields that follow the second one.
    QStringList lines{first[0]};
    lines += second;
    // A third entry whose title comes last; the date line right after the entry line is too early.
    QStringList third{first[0], QStringLiteral("<div class=\"x\">1999-01-01 00:00</div>"),
                      QStringLiteral(">类别：c3</a> |"), QStringLiteral("<div class=\"date\">2026-12-04 11:00</div>"),
                      QStringLiteral("t</a></div>")};
    lines += third;
    Entry carry;
    const auto entries = parseListPage(listPage({lines}), carry);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].title, QStringLiteral("b"));
    EXPECT_EQ(entries[0].category, QStringLiteral("c2"));
    EXPECT_EQ(entries[0].date, QStringLiteral("2026-12-05 10:00"));
    EXPECT_EQ(entries[1].title, QStringLiteral("b"));
    EXPECT_EQ(entries[1].category, QStringLiteral("c2"));
    EXPECT_EQ(entries[2].title, QStringLiteral("t"));
    EXPECT_EQ(entries[2].category, QStringLiteral("c3"));
    EXPECT_EQ(entries[2].date, QStringLiteral("2026-12-04 11:00"));
}
