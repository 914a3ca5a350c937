#include "helpfile/storednames.h"

#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

using HelpFile::StoredNames;

QString folded(const QString &name)
{
    QString key = name;
    for (QChar &c : key) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = c.toLower();
    }
    return key;
}

TEST(StoredNames, AsciiNamesStayAndEveryOtherCharacterBecomesHexDigits)
{
    const StoredNames names({QStringLiteral("index.html"), QStringLiteral("C___Qt/a1b2.html"),
                             QStringLiteral("随笔/1001.html"), QStringLiteral("Q_A__1.htm"),
                             QStringLiteral("a b#c%d?e.html"), QStringLiteral("旧時光/😀.png")});
    EXPECT_EQ(names.name(QStringLiteral("index.html")), QStringLiteral("index.html"));
    EXPECT_EQ(names.name(QStringLiteral("C___Qt/a1b2.html")), QStringLiteral("C___Qt/a1b2.html"));
    EXPECT_EQ(names.name(QStringLiteral("Q_A__1.htm")), QStringLiteral("Q_A__1.htm"));
    EXPECT_EQ(names.name(QStringLiteral("随笔/1001.html")), QStringLiteral("u968fu7b14/1001.html"));
    EXPECT_EQ(names.name(QStringLiteral("a b#c%d?e.html")), QStringLiteral("au0020bu0023cu0025du003fe.html"));
    EXPECT_EQ(names.name(QStringLiteral("旧時光/😀.png")), QStringLiteral("u65e7u6642u5149/ud83dude00.png"));
}

// Readers find a name without regard to case: tech.htm and Tech.htm must not meet inside, nor a
// Chinese name and an ASCII name that happens to spell its digits.
TEST(StoredNames, UniqueWithoutRegardToCaseTheSameInAnyOrder)
{
    QStringList sources{QStringLiteral("tech.htm"),    QStringLiteral("Tech.htm"),       QStringLiteral("TECH.htm"),
                        QStringLiteral("tech/1.html"), QStringLiteral("Tech/1.html"),    QStringLiteral("Tech/2.html"),
                        QStringLiteral("随笔.htm"),    QStringLiteral("u968fu7b14.htm"), QStringLiteral("tech~2.htm"),
                        QStringLiteral("x/tech.htm")};
    const StoredNames names(sources);
    QSet<QString> seen;
    for (const QString &source : sources) {
        const QString stored = names.name(source);
        EXPECT_FALSE(seen.contains(folded(stored))) << stored.toStdString();
        seen.insert(folded(stored));
    }
    // Files of one folder stay together in one folder.
    EXPECT_EQ(names.name(QStringLiteral("Tech/1.html")).section(u'/', 0, 0),
              names.name(QStringLiteral("Tech/2.html")).section(u'/', 0, 0));
    EXPECT_NE(folded(names.name(QStringLiteral("Tech/1.html")).section(u'/', 0, 0)),
              folded(names.name(QStringLiteral("tech/1.html")).section(u'/', 0, 0)));
    // A folder's own file may keep its name.
    EXPECT_EQ(names.name(QStringLiteral("x/tech.htm")), QStringLiteral("x/tech.htm"));

    std::mt19937 rng(7);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(sources.begin(), sources.end(), rng);
        const StoredNames again(sources);
        for (const QString &source : sources)
            EXPECT_EQ(again.name(source), names.name(source)) << source.toStdString();
    }
}

TEST(StoredNames, LongNamesStayExtractableAndApart)
{
    const QString stem = QString(90, QChar(0x957F)); // 长 × 90: 450 ASCII characters
    const QString a = stem + QStringLiteral("a.html");
    const QString b = stem + QStringLiteral("b.html");
    const QString inFolder = stem + QStringLiteral("/x.html");
    const StoredNames names({a, b, inFolder});
    for (const QString &source : {a, b, inFolder}) {
        for (const QString &segment : names.name(source).split(u'/'))
            EXPECT_LE(segment.size(), 255) << segment.toStdString();
    }
    EXPECT_TRUE(names.name(a).endsWith(QStringLiteral(".html")));
    EXPECT_NE(names.name(a), names.name(b));
    EXPECT_EQ(names.name(a), StoredNames({a}).name(a));
}

} // namespace
