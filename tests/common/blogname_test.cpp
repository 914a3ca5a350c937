#include "common/blogname.h"

#include <gtest/gtest.h>

TEST(BlogName, RefusesNamesThatAreNotOnePathComponent)
{
    for (const QString &name :
         {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"), QStringLiteral("a\\b"),
          QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"))}) {
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
