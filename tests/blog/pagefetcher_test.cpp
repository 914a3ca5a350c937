#include "blog/addresses.h"
#include "blog/pagefetcher.h"
#include "support/cannedserver.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Blog::FetchResult;
using Blog::PageFetcher;

class PageFetch : public ::testing::Test
{
protected:
    FetchResult fetch(const QString &address, int timeoutMs = 5000, qint64 cap = 1 << 20)
    {
        PageFetcher fetcher(network, timeoutMs, cap);
        QSignalSpy spy(&fetcher, &PageFetcher::finished);
        fetcher.fetch(address);
        EXPECT_TRUE(spy.wait(10000));
        return spy.isEmpty() ? FetchResult{} : spy.first().first().value<FetchResult>();
    }

    QNetworkAccessManager network;
    CannedServer server;
};

TEST_F(PageFetch, DeliversTheBodyForDecoding)
{
    server.serve("/b/blog", "\xB1\xEA\xCC\xE2");
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("b/blog"));
    EXPECT_EQ(result.status, FetchResult::Status::Complete);
    EXPECT_EQ(Blog::Bytes2bStr(result.body), QStringLiteral("标题"));
}

TEST_F(PageFetch, ErrorPageIsStillAPage)
{
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("missing"));
    EXPECT_EQ(result.status, FetchResult::Status::Complete);
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(PageFetch, HostThatNeverAnswersTimesOut)
{
    server.silence("/slow");
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("slow"), 300);
    EXPECT_EQ(result.status, FetchResult::Status::TimedOut);
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(PageFetch, OversizedBodyIsCutOff)
{
    server.serve("/big", QByteArray(200000, 'x'));
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("big"), 5000, 1000);
    EXPECT_EQ(result.status, FetchResult::Status::TooLarge);
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(PageFetch, RefusedConnectionCountsAsEmptyPage)
{
    const quint16 port = server.serverPort();
    server.close();
    const FetchResult result = fetch(QStringLiteral("http://127.0.0.1:%1/x").arg(port));
    EXPECT_EQ(result.status, FetchResult::Status::Failed);
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(PageFetch, BlogNameGoesIntoTheAddressUnchanged)
{
    server.serve("/my%20blog/blog/index/0", "ok");
    const QString address = Blog::Address::listPage(server.baseUrl(), QStringLiteral("my blog"), 0);
    EXPECT_TRUE(address.endsWith(QStringLiteral("my blog/blog/index/0")));
    EXPECT_EQ(fetch(address).body, QByteArray("ok"));
}

TEST(Addresses, FormsOfTheBlogHost)
{
    const QString base = QStringLiteral("http://h/");
    EXPECT_EQ(Blog::Address::blog(base, QStringLiteral("博客")), QStringLiteral("http://h/博客/blog"));
    EXPECT_EQ(Blog::Address::listPage(base, QStringLiteral("b"), 0), QStringLiteral("http://h/b/blog/index/0"));
    EXPECT_EQ(Blog::Address::article(QStringLiteral("http://h/b/blog"), QStringLiteral("L")),
              QStringLiteral("http://h/b/blog/item/L"));
    EXPECT_EQ(Blog::Address::articleSource(base, QStringLiteral("b"), QStringLiteral("L")),
              QStringLiteral("http://h/b/blog/item/L"));
}
