#include "common/gbkcodec.h"
#include "sampleblog.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

const QStringList Markers{QStringLiteral("查看文章</span></div></td>"), QStringLiteral("网友评论：</div>"),
                          QStringLiteral(">版权所有</a></p>"), QStringLiteral("免责声明</FONT>"),
                          QStringLiteral("myblog/htmlsource/blog_notopen")};

} // namespace

TEST(SampleBlog, SameNameGivesSameBlogAndOtherNameAnother)
{
    const SampleBlog first = generateBlog(QStringLiteral("qiruvo"), {});
    EXPECT_EQ(first, generateBlog(QStringLiteral("qiruvo"), {}));

    const SampleBlog other = generateBlog(QStringLiteral("qiruvp"), {});
    ASSERT_EQ(other.articles.size(), first.articles.size());
    int sameTitles = 0;
    for (qsizetype i = 0; i < first.articles.size(); ++i) {
        EXPECT_NE(first.articles[i].link, other.articles[i].link);
        sameTitles += first.articles[i].title == other.articles[i].title ? 1 : 0;
    }
    EXPECT_LT(sameTitles, 10);
}

TEST(SampleBlog, HostCopyWithoutBodiesMatchesAndBodiesAreMadeAlike)
{
    const SampleBlog full = generateBlog(QStringLiteral("qiruvo"), {});
    SampleBlog bare = generateBlog(QStringLiteral("qiruvo"), {}, SampleBodies::Omit);
    for (qsizetype i = 0; i < bare.articles.size(); ++i) {
        EXPECT_TRUE(bare.articles[i].bodyLines.isEmpty());
        bare.articles[i].bodyLines = generateBody(bare.name, static_cast<int>(i), bare.articles[i]);
    }
    EXPECT_EQ(full, bare);
}

TEST(SampleBlog, DefaultBlogUsesEveryRequiredCategoryUnevenly)
{
    const SampleBlog blog = generateBlog(QStringLiteral("qiruvo"), {});
    ASSERT_EQ(blog.articles.size(), 60);
    EXPECT_EQ(blog.lastPage(), 5);
    for (const char16_t *name : {u"Q&A #1", u"随笔", u"生活 点滴", u"C++/Qt", u"旧時光", u"默认分类"})
        EXPECT_TRUE(blog.categories.contains(QString::fromUtf16(name))) << QString::fromUtf16(name).toStdString();

    std::map<QString, int> counts;
    for (const SampleArticle &article : blog.articles) {
        EXPECT_EQ(article.category, blog.categories[article.categoryIndex]);
        ++counts[article.category];
    }
    EXPECT_EQ(counts.size(), 6u);
    const auto [smallest, biggest] = std::minmax_element(
        counts.begin(), counts.end(), [](const auto &a, const auto &b) { return a.second < b.second; });
    EXPECT_GE(biggest->second, 3 * smallest->second);
}

TEST(SampleBlog, CategoriesBeyondTheListGetNumberedNames)
{
    const QStringList names = sampleCategories(20);
    EXPECT_EQ(names[16], QStringLiteral("分类17"));
    EXPECT_EQ(names[19], QStringLiteral("分类20"));
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 20);
}

TEST(SampleBlog, FieldsKeepTheShapeTheListPageMarkersNeed)
{
    SampleHostConfig config;
    config.articles = 400;
    config.categories = 20;
    const SampleBlog blog = generateBlog(QStringLiteral("形状"), config);
    const QRegularExpression linkShape(QStringLiteral("^[0-9a-f]{24}\\.html$"));
    QSet<QString> links;
    QString previousDate = QStringLiteral("9999-99-99 99:99");
    for (const SampleArticle &article : blog.articles) {
        SCOPED_TRACE(article.title.toStdString());
        EXPECT_GE(article.title.size(), 6);
        EXPECT_LE(article.title.size(), 30);
        EXPECT_EQ(article.title, article.title.trimmed());
        for (const QChar c : {u'<', u'>', u'\n', u'\t', u'"'})
            EXPECT_FALSE(article.title.contains(c));
        EXPECT_TRUE(Gbk::canEncode(article.title));
        EXPECT_TRUE(Gbk::canEncode(article.category));

        EXPECT_TRUE(linkShape.match(article.link).hasMatch()) << article.link.toStdString();
        links.insert(article.link);

        EXPECT_EQ(article.date.size(), 16);
        EXPECT_TRUE(QDateTime::fromString(article.date, QStringLiteral("yyyy-MM-dd HH:mm")).isValid());
        EXPECT_LT(article.date, previousDate);
        previousDate = article.date;
    }
    EXPECT_EQ(links.size(), blog.articles.size());
}

TEST(SampleBlog, BodiesAreTwoToThirtyKilobytesOfGbkWithoutMarkers)
{
    const SampleBlog blog = generateBlog(QStringLiteral("qiruvo"), {});
    qsizetype smallest = 1 << 30;
    qsizetype biggest = 0;
    for (const SampleArticle &article : blog.articles) {
        const QString body = article.bodyLines.join(u'\n');
        EXPECT_TRUE(Gbk::canEncode(body));
        for (const QString &marker : Markers)
            EXPECT_FALSE(body.contains(marker));
        const qsizetype size = Gbk::encode(body).size();
        smallest = std::min(smallest, size);
        biggest = std::max(biggest, size);
    }
    EXPECT_GE(smallest, 2 * 1024);
    EXPECT_LE(biggest, 31 * 1024);
    EXPECT_GT(biggest, 10 * 1024);
}

TEST(SampleBlog, EmptyBlogHasOnePageAndNoArticles)
{
    SampleHostConfig config;
    config.articles = 0;
    const SampleBlog blog = generateBlog(QStringLiteral("empty"), config);
    EXPECT_TRUE(blog.articles.isEmpty());
    EXPECT_EQ(blog.lastPage(), 0);
    EXPECT_EQ(blog.pageBegin(0), blog.pageEnd(0));
}
