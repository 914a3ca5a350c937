#include "blog/addresses.h"
#include "blog/articlediscovery.h"
#include "blog/articletable.h"
#include "samplehost.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using Blog::ArticleDiscovery;

class Find : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.articles = 45;
        config.listSize = 10;
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen());
    }

    void find(const QString &name)
    {
        QSignalSpy done(&discovery, &ArticleDiscovery::finished);
        discovery.start(host->baseUrl(), name, Blog::Address::blog(host->baseUrl(), name));
        ASSERT_TRUE(done.wait(10000));
    }

    SampleHostConfig config;
    std::unique_ptr<SampleHost> host;
    QNetworkAccessManager network;
    Blog::ArticleTable table;
    ArticleDiscovery discovery{network, table, 5000, 1 << 22};
};

TEST_F(Find, FillsTheTableWithEveryArticleInOrder)
{
    QStringList statuses;
    QObject::connect(&discovery, &ArticleDiscovery::statusChanged, [&](const QString &s) { statuses << s; });
    find(QStringLiteral("qiruvo"));
    const SampleBlog blog = generateBlog(QStringLiteral("qiruvo"), config, SampleBodies::Omit);
    ASSERT_EQ(table.articleCount(), blog.articles.size());
    QHash<QString, int> ordinals;
    for (int row = 1; row <= table.articleCount(); ++row) {
        const SampleArticle &a = blog.articles[row - 1];
        EXPECT_EQ(table.cell(row, 1), a.title);
        EXPECT_EQ(table.cell(row, 2), a.category);
        EXPECT_EQ(table.cell(row, 3), a.link);
        EXPECT_EQ(table.cell(row, 4), a.date);
        EXPECT_EQ(table.cell(row, 5), QString::number(++ordinals[a.category]));
    }
    ASSERT_EQ(discovery.queue().size(), 5);
    EXPECT_TRUE(discovery.queue().first().endsWith(QStringLiteral("/qiruvo/blog/index/0")));
    EXPECT_TRUE(discovery.queue().last().endsWith(QStringLiteral("/qiruvo/blog/index/4")));
    EXPECT_EQ(statuses.first(), QStringLiteral("正在查找文章.."));
    EXPECT_TRUE(statuses.contains(QStringLiteral("正在寻找文章....")));
    EXPECT_TRUE(statuses.contains(QStringLiteral("查找文章：3页/5页")));
    EXPECT_EQ(statuses.last(), QStringLiteral("文章寻找完成，按“下载”开始下载，或者保存本次任务"));
    EXPECT_EQ(host->requestLog().first(), QStringLiteral("/qiruvo/blog"));
}

TEST_F(Find, SecondStartAbandonsTheFirst)
{
    QSignalSpy done(&discovery, &ArticleDiscovery::finished);
    discovery.start(host->baseUrl(), QStringLiteral("first"),
                    Blog::Address::blog(host->baseUrl(), QStringLiteral("first")));
    discovery.start(host->baseUrl(), QStringLiteral("qiruvo"),
                    Blog::Address::blog(host->baseUrl(), QStringLiteral("qiruvo")));
    ASSERT_TRUE(done.wait(10000));
    QTest::qWait(100);
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(table.articleCount(), 45);
    const SampleBlog blog = generateBlog(QStringLiteral("qiruvo"), config, SampleBodies::Omit);
    EXPECT_EQ(table.cell(1, 3), blog.articles.first().link);
}

TEST_F(Find, UnreachableHostEndsWithAnEmptyTable)
{
    const QString base = host->baseUrl();
    host.reset();
    QSignalSpy done(&discovery, &ArticleDiscovery::finished);
    discovery.start(base, QStringLiteral("qiruvo"), Blog::Address::blog(base, QStringLiteral("qiruvo")));
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(table.articleCount(), 0);
    EXPECT_EQ(discovery.queue().size(), 1);
    EXPECT_EQ(discovery.failedPages(), 2);
}
