#include "blog/addresses.h"
#include "common/gbkcodec.h"
#include "common/retrytiming.h"
#include "fetch/fetcher.h"
#include "samplehost.h"
#include "support/cannedserver.h"

#include <QDateTime>
#include <QLocale>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <gtest/gtest.h>

using FetchResult = Fetch::Result;

class PageFetch : public ::testing::Test
{
protected:
    FetchResult fetch(const QString &address, int timeoutMs = 5000, qint64 cap = 1 << 20)
    {
        Fetch::Policy policy;
        policy.timeoutMs = timeoutMs;
        policy.maxBytes = cap;
        QSignalSpy spy(&fetcher, &Fetch::Fetcher::finished);
        fetcher.fetch(QUrl(address, QUrl::TolerantMode), policy);
        EXPECT_TRUE(spy.wait(10000));
        return spy.isEmpty() ? FetchResult{} : spy.first().first().value<FetchResult>();
    }

    Fetch::Fetcher fetcher;
    CannedServer server;
};

TEST_F(PageFetch, DeliversTheBodyForDecoding)
{
    server.serve("/b/blog", "\xB1\xEA\xCC\xE2");
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("b/blog"));
    EXPECT_EQ(result.status, FetchResult::Status::Complete);
    EXPECT_EQ(Gbk::decode(result.body), QStringLiteral("标题"));
}

TEST_F(PageFetch, ErrorStatusIsNoPage)
{
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("missing"));
    EXPECT_EQ(result.status, FetchResult::Status::HttpError);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("HTTP 404"))) << result.error.toStdString();
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

// An https host is read over TLS when its certificate is trusted; an untrusted one gets no request.
TEST_F(PageFetch, HttpsNeedsATrustedCertificate)
{
    server.useTls();
    server.serve("/b/blog", "secret");
    const QString address = server.baseUrl() + QStringLiteral("b/blog");
    const FetchResult untrusted = fetch(address);
    EXPECT_EQ(untrusted.status, FetchResult::Status::Failed);
    EXPECT_TRUE(untrusted.body.isEmpty());
    EXPECT_TRUE(server.requests().isEmpty());

    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    QSslConfiguration::setDefaultConfiguration(CannedServer::trustedConfiguration());
    const FetchResult trusted = fetch(address);
    QSslConfiguration::setDefaultConfiguration(before);
    EXPECT_EQ(trusted.status, FetchResult::Status::Complete) << trusted.error.toStdString();
    EXPECT_EQ(trusted.body, QByteArray("secret"));
}

TEST_F(PageFetch, BlogNameGoesIntoTheAddressUnchanged)
{
    server.serve("/my%20blog/blog/index/0", "ok");
    const QString address = Blog::Address::listPage(server.baseUrl(), QStringLiteral("my blog"), 0);
    EXPECT_TRUE(address.endsWith(QStringLiteral("my blog/blog/index/0")));
    EXPECT_EQ(fetch(address).body, QByteArray("ok"));
}

TEST_F(PageFetch, RedirectWithinTheHostIsFollowed)
{
    server.serve("/b/blog/index/1", "moved here");
    server.redirect("/b/blog/index/0", server.baseUrl().toUtf8() + "b/blog/index/1");
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("b/blog/index/0"));
    EXPECT_EQ(result.status, FetchResult::Status::Complete) << result.error.toStdString();
    EXPECT_EQ(result.body, QByteArray("moved here"));
}

TEST_F(PageFetch, RedirectToAnotherPortIsRefusedAndNotFollowed)
{
    CannedServer other;
    other.serve("/b/blog", "another site");
    server.redirect("/b/blog", other.baseUrl().toUtf8() + "b/blog");
    const FetchResult result = fetch(server.baseUrl() + QStringLiteral("b/blog"));
    EXPECT_EQ(result.status, FetchResult::Status::Refused);
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_TRUE(result.error.contains(other.baseUrl())) << result.error.toStdString();
    EXPECT_TRUE(other.requests().isEmpty());
}

TEST_F(PageFetch, EscapedDotSegmentsAreNeverSent)
{
    for (const char *link : {"%2e%2e/%2E%2E/x.html", "a/%2e/x.html", "../x.html"}) {
        const FetchResult result = fetch(server.baseUrl() + QStringLiteral("b/blog/item/") + QLatin1String(link));
        EXPECT_EQ(result.status, FetchResult::Status::Refused) << link;
        EXPECT_TRUE(result.error.contains(QStringLiteral(".."))) << result.error.toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty());
    // A dot inside a segment is no step up.
    server.serve("/b/blog/item/a..b.html", "ok");
    EXPECT_EQ(fetch(server.baseUrl() + QStringLiteral("b/blog/item/a%2e.b.html")).body, QByteArray("ok"));
}

TEST(Redirects, OnlyTheSameHostOrItsHttpsAddress)
{
    const QUrl from(QStringLiteral("http://blog.example:8642/b/blog"));
    const struct
    {
        const char *to;
        bool allowed;
    } cases[] = {
        {"http://blog.example:8642/b/blog/", true},  {"http://BLOG.example:8642/other", true},
        {"https://blog.example/b/blog", true},       {"https://blog.example:8642/b/blog", true},
        {"http://blog.example:8643/b/blog", false},  {"http://blog.example/b/blog", false},
        {"https://blog.example:8443/b/blog", false}, {"http://other.example:8642/b/blog", false},
        {"http://127.0.0.1:8642/b/blog", false},     {"ftp://blog.example:8642/b/blog", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Fetch::redirectAllowed(from, QUrl(QString::fromLatin1(c.to))), c.allowed) << c.to;
    // From https back to http is a downgrade, not the same address.
    EXPECT_FALSE(Fetch::redirectAllowed(QUrl(QStringLiteral("https://blog.example/b")),
                                        QUrl(QStringLiteral("http://blog.example/b"))));
}

// The sample host's hostile answers for one page, against a small cap and time-out.
class HostilePage : public PageFetch
{
protected:
    FetchResult fetchWithFault(const QString &mode)
    {
        SampleHostConfig config;
        config.faults = {parseFault(QStringLiteral("blog=") + mode).value()};
        SampleHost host(config);
        EXPECT_TRUE(host.listen());
        return fetch(Blog::Address::blog(host.baseUrl(), QStringLiteral("b")), 1500, 1 << 20);
    }
};

TEST_F(HostilePage, EndlessBodyStopsAtTheCap)
{
    const FetchResult result = fetchWithFault(QStringLiteral("endless"));
    EXPECT_EQ(result.status, FetchResult::Status::TooLarge) << result.error.toStdString();
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(HostilePage, GzipBombStopsAtTheCapOfInflatedBytes)
{
    const FetchResult result = fetchWithFault(QStringLiteral("gzip-bomb"));
    EXPECT_EQ(result.status, FetchResult::Status::TooLarge) << result.error.toStdString();
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(HostilePage, DripEndsAtTheTimeOut)
{
    const FetchResult result = fetchWithFault(QStringLiteral("drip"));
    EXPECT_EQ(result.status, FetchResult::Status::TimedOut);
    EXPECT_TRUE(result.body.isEmpty());
}

TEST_F(HostilePage, ServerErrorIsNoPage)
{
    const FetchResult result = fetchWithFault(QStringLiteral("http500"));
    EXPECT_EQ(result.status, FetchResult::Status::HttpError);
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_EQ(result.error, QStringLiteral("HTTP 500 Internal Server Error"));
}

TEST(RetryTiming, WaitsGrowToTheCeilingAndHonourRetryAfterUpToItsCap)
{
    RetryTiming timing;
    timing.jitter = [] { return 0.0; }; // the lower end of every step
    EXPECT_EQ(timing.delayMs(1, -1), 250);
    EXPECT_EQ(timing.delayMs(2, -1), 500);
    EXPECT_EQ(timing.delayMs(3, -1), 1000);
    EXPECT_EQ(timing.delayMs(20, -1), 15000);
    timing.jitter = [] { return 0.999; };
    EXPECT_EQ(timing.delayMs(20, -1), 29985);
    EXPECT_EQ(timing.delayMs(1, 2000), 2000);
    EXPECT_EQ(timing.delayMs(1, 600000), 120000);

    EXPECT_EQ(Fetch::parseRetryAfter(" 2 "), 2000);
    EXPECT_EQ(Fetch::parseRetryAfter("soon"), -1);
    EXPECT_EQ(Fetch::parseRetryAfter(""), -1);
    const QByteArray inAMinute =
        QLocale::c()
            .toString(QDateTime::currentDateTimeUtc().addSecs(60), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
            .toLatin1();
    EXPECT_NEAR(Fetch::parseRetryAfter(inAMinute), 60000, 2000);
    EXPECT_EQ(Fetch::parseRetryAfter("Sun, 06 Nov 1994 08:49:37 GMT"), 0);
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
