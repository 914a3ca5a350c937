#include "blog/addresses.h"
#include "blog/articlediscovery.h"
#include "blog/articletable.h"
#include "frontend/statustext.h"
#include "samplehost.h"

#include <QHash>
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
    Blog::ArticleTable table;
    ArticleDiscovery discovery{table, 5000, 1 << 22};
};

TEST_F(Find, FillsTheTableWithEveryArticleInOrder)
{
    QStringList statuses;
    QObject::connect(&discovery, &ArticleDiscovery::progressed,
                     [&](const Progress &p) { statuses << Presentation::statusText(p); });
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

TEST_F(Find, UnreachableHostFailsNamingTheBlogPage)
{
    const QString base = host->baseUrl();
    host.reset();
    QSignalSpy done(&discovery, &ArticleDiscovery::finished);
    discovery.start(base, QStringLiteral("qiruvo"), Blog::Address::blog(base, QStringLiteral("qiruvo")));
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(table.articleCount(), 0);
    EXPECT_TRUE(discovery.queue().isEmpty());
    ASSERT_TRUE(discovery.failure());
    const QString failure = Presentation::statusText(*discovery.failure());
    EXPECT_TRUE(failure.contains(base + QStringLiteral("qiruvo/blog"))) << failure.toStdString();
    EXPECT_TRUE(failure.contains(QStringLiteral("已试5次")));
}

// What one Find shows: the table, the queue, the status texts and the selected queue lines.
struct FindRecord
{
    QList<QStringList> rows;
    QStringList queue;
    QStringList statuses;
    QList<int> selected;
    QString failure;

    bool operator==(const FindRecord &) const = default;
};

class ParallelFind : public ::testing::Test
{
protected:
    void startHost(SampleHostConfig config, int articles = 115, int listSize = 10)
    {
        config.articles = articles;
        config.listSize = listSize;
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen());
    }

    FindRecord find(int requests, int attempts = 5, int timeoutMs = 5000)
    {
        ArticleDiscovery discovery{table, timeoutMs, 1 << 22};
        discovery.setConcurrency(requests);
        discovery.setMaxAttempts(attempts);
        discovery.setRetryTiming(RetryTiming::none());
        FindRecord record;
        QObject::connect(&discovery, &ArticleDiscovery::progressed,
                         [&](const Progress &p) { record.statuses << Presentation::statusText(p); });
        QObject::connect(&discovery, &ArticleDiscovery::pageSelected, [&](int line) { record.selected << line; });
        QSignalSpy done(&discovery, &ArticleDiscovery::finished);
        discovery.start(host->baseUrl(), Name, Blog::Address::blog(host->baseUrl(), Name));
        EXPECT_TRUE(done.wait(30000));
        for (int row = 1; row <= table.articleCount(); ++row) {
            QStringList cells;
            for (int column = 1; column <= 5; ++column)
                cells << table.cell(row, column);
            record.rows << cells;
        }
        record.queue = discovery.queue();
        record.failure = discovery.failure() ? Presentation::statusText(*discovery.failure()) : QString();
        return record;
    }

    int listPageRequests(int page) const
    {
        return host->requestCount(QStringLiteral("/%1/blog/index/%2").arg(Name).arg(page));
    }

    const QString Name = QStringLiteral("qiruvo");
    std::unique_ptr<SampleHost> host;
    Blog::ArticleTable table;
};

TEST_F(ParallelFind, EqualsTheOneAtATimeWalkWhenLaterPagesComeFirst)
{
    SampleHostConfig config;
    config.reverseListLatencyMs = 40;
    startHost(config);
    const FindRecord walk = find(1);
    EXPECT_EQ(host->maxInFlight(), 1);
    const FindRecord parallel = find(ArticleDiscovery::MaxRequests);
    // Counted by the host: a Find keeps five list page requests open at once.
    EXPECT_EQ(host->maxInFlight(), 5);
    ASSERT_EQ(parallel.rows.size(), 115);
    EXPECT_EQ(parallel, walk);
    EXPECT_TRUE(parallel.failure.isEmpty());
    EXPECT_EQ(parallel.queue.size(), 12);
    EXPECT_TRUE(parallel.statuses.contains(QStringLiteral("查找文章：12页/12页")));
    EXPECT_EQ(parallel.statuses.last(), QStringLiteral("文章寻找完成，按“下载”开始下载，或者保存本次任务"));
    for (int page = 0; page < 12; ++page)
        EXPECT_EQ(listPageRequests(page), 2) << page;
}

TEST_F(ParallelFind, EqualsTheOneAtATimeWalkOnTheSampleBlogs)
{
    // No articles, one page, a full last page, a short last page, many small pages.
    for (const auto &[articles, listSize] : {std::pair{0, 10}, {1, 10}, {50, 10}, {115, 10}, {37, 3}}) {
        startHost({}, articles, listSize);
        const FindRecord walk = find(1);
        const FindRecord parallel = find(ArticleDiscovery::MaxRequests);
        EXPECT_EQ(parallel.rows.size(), articles);
        EXPECT_TRUE(parallel.failure.isEmpty()) << parallel.failure.toStdString();
        EXPECT_EQ(parallel, walk) << articles << " articles, " << listSize << " a page";
    }
}

TEST_F(ParallelFind, FailingMiddlePageKeepsThePagesBeforeIt)
{
    startHost({});
    host->setFaults({Fault(4, FaultMode::Http500, 0, FaultTarget::ListPage)});
    const FindRecord walk = find(1);
    host->clearRequestLog();
    const FindRecord parallel = find(ArticleDiscovery::MaxRequests);
    EXPECT_EQ(parallel, walk);
    EXPECT_EQ(parallel.rows.size(), 40);
    EXPECT_EQ(listPageRequests(4), 5);
    EXPECT_TRUE(parallel.failure.contains(Blog::Address::listPage(host->baseUrl(), Name, 4)));
    EXPECT_TRUE(parallel.failure.contains(QStringLiteral("HTTP 500"))) << parallel.failure.toStdString();
    EXPECT_EQ(parallel.statuses.last(), parallel.failure);
    // Nothing beyond the window of requests ahead of the failed page was asked for.
    EXPECT_EQ(listPageRequests(4 + ArticleDiscovery::MaxRequests), 0);
}

TEST_F(ParallelFind, PageThatFailsOnceIsFetchedAgain)
{
    startHost({});
    host->setFaults({Fault(2, FaultMode::Http500, 0, FaultTarget::ListPage)});
    QObject::connect(host.get(), &SampleHost::requestReceived, host.get(), [&](const QString &path) {
        // The request is counted before it is answered: the second one is answered well.
        if (path.endsWith(QStringLiteral("/index/2")) && host->requestCount(path) == 2)
            host->setFaults({});
    });
    const FindRecord record = find(ArticleDiscovery::MaxRequests);
    EXPECT_TRUE(record.failure.isEmpty()) << record.failure.toStdString();
    EXPECT_EQ(record.rows.size(), 115);
    EXPECT_EQ(listPageRequests(2), 2);
}

TEST_F(ParallelFind, HostilePagesEndTheFindWithTheirReason)
{
    const struct
    {
        const char *fault;
        const char *reason;
    } cases[] = {
        {"blog=never", "no answer"},         {"list:3=endless", "larger than"},
        {"list:3=gzip-bomb", "larger than"}, {"list:3=drip", "no answer"},
        {"every=http500", "HTTP 500"},       {"list:3=redirect:http://127.0.0.1:9/x", "not the blog host"},
    };
    for (const auto &c : cases) {
        SampleHostConfig config;
        config.faults = {parseFault(QString::fromLatin1(c.fault)).value()};
        startHost(config);
        const FindRecord record = find(ArticleDiscovery::MaxRequests, 2, 600);
        EXPECT_TRUE(record.failure.contains(QString::fromLatin1(c.reason)))
            << c.fault << ": " << record.failure.toStdString();
        EXPECT_EQ(record.rows.size(), QString::fromLatin1(c.fault).startsWith(QStringLiteral("list:3")) ? 30 : 0)
            << c.fault;
    }
}

TEST_F(ParallelFind, AbortEndsEveryRequestInFlight)
{
    SampleHostConfig config;
    config.faults = {Fault(AnyListPage, FaultMode::Slow, 60000, FaultTarget::ListPage)};
    startHost(config);
    ArticleDiscovery discovery{table, 120000, 1 << 22};
    discovery.start(host->baseUrl(), Name, Blog::Address::blog(host->baseUrl(), Name));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->maxInFlight() == 5; }, 10000));
    EXPECT_EQ(host->openConnections(), 5);
    discovery.abort();
    EXPECT_FALSE(discovery.running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return host->openConnections() == 0; }, 10000)) << host->openConnections();
}
