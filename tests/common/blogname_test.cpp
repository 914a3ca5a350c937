#include "common/blogname.h"

#include <gtest/gtest.h>

TEST(BlogName, RefusesNamesThatAreNotOnePathComponent)
{
    for (const QString &name : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                                QStringLiteral("a\\b"), QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")),
                                QStringLiteral("a\tb"), QStringLiteral("a\r\nb")}) {
        const auto result = checkBlogName(name);
        EXPECT_FALSE(result) << name.toStdString();
        EXPECT_FALSE(result.error().isEmpty());
    }
}

TEST(BlogName, AcceptsSpacesDotsAndChinese)
{
    for (const QString &name : {QStringLiteral("qiruvo"), QStringLiteral("my blog"), QStringLiteral("...x"),
                                QStringLiteral("博客"), QStringLiteral("a.b")})
        EXPECT_TRUE(checkBlogName(name)) << name.toStdString();
}

// A task file whose first lines are "\r\r\n\n" gave the name "\r\n", and its export could not be read back.
TEST(BlogName, RefusesLineBreaksAndOtherControlCharacters)
{
    for (const QString &name : {QStringLiteral("\r\n"), QStringLiteral("a\rb"), QStringLiteral("a\nb"),
                                QStringLiteral("a\tb"), QStringLiteral("a\x7f")}) {
        const auto result = checkBlogName(name);
        EXPECT_FALSE(result) << name.toStdString();
        EXPECT_FALSE(result.error().isEmpty());
    }
}

// The longest files named after the blog, "<name>.ini.part" and "<name>.chm.part", must fit.
TEST(BlogName, RefusesANameTooLongForItsFiles)
{
    EXPECT_TRUE(checkBlogName(QString(82, QChar(u'博'))));  // 246 bytes
    EXPECT_FALSE(checkBlogName(QString(83, QChar(u'博')))); // 249 bytes
    EXPECT_TRUE(checkBlogName(QString(246, QLatin1Char('b'))));
    EXPECT_FALSE(checkBlogName(QString(247, QLatin1Char('b'))));
}
