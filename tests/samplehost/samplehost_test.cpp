#include "common/gbkcodec.h"
#include "samplehost.h"
#include "sampleimages.h"
#include "support/tempfolder.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString StartMarker = QStringLiteral("查看文章</span></div></td>");
const QString EndMarker = QStringLiteral("网友评论：</div>");
const QString FooterMarker = QStringLiteral(">版权所有</a></p>");
const QString DisclaimerMarker = QStringLiteral("免责声明</FONT>");
const QString NotOpenMarker = QStringLiteral("myblog/htmlsource/blog_notopen");

struct Fetched
{
    int status = 0;
    QByteArray body;
    QByteArray contentLength;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString text() const { return Gbk::decode(body); }
};

struct Entry
{
    QString title, category, link, date;
};

// The highest page number as the program reads it from the pager lines.
int highestPage(const QString &page)
{
    int highest = 0;
    for (const QString &line : page.split(u'\n')) {
        if (!line.contains(u"0>[首页]</a>"))
            continue;
        const QStringList pieces = line.split(QStringLiteral("index/"));
        for (qsizetype i = 1; i < pieces.size(); ++i) {
            bool ok = false;
            const int n = pieces[i].left(pieces[i].indexOf(u'>') - 1).toInt(&ok);
            if (ok && pieces[i].indexOf(u'>') >= 2)
                highest = std::max(highest, n);
        }
    }
    return highest;
}

// The entries of a list page as the program cuts them out, by markers and offsets.
QList<Entry> entries(const QString &page)
{
    const QStringList lines = page.split(QStringLiteral("\n\t"));
    const auto find = [&](qsizetype from, QStringView marker) {
        while (from < lines.size() && !lines[from].contains(marker))
            ++from;
        return from < lines.size() ? lines[from] : QString();
    };
    QList<Entry> found;
    for (qsizetype j = 0; j < lines.size(); ++j) {
        if (!lines[j].contains(u"<div class=\"tit\"><a") || !lines[j].contains(u"/blog/item/"))
            continue;
        const QString title = find(j, u"</a></div>");
        const QString category = find(j, u">类别");
        const QString date = find(j + 2, u"<div class=");
        const qsizetype p = category.indexOf(u">类别：");
        found.append({title.left(title.size() - 10), category.mid(p + 4, category.size() - p - 10),
                      lines[j].mid(lines[j].indexOf(u"item/") + 5, 29),
                      date.mid(date.indexOf(u'>') + 1, date.size() - 24)});
    }
    return found;
}

} // namespace

class SampleHostTest : public testing::Test
{
protected:
    void start(SampleHostConfig config = {})
    {
        m_host = std::make_unique<SampleHost>(std::move(config));
        ASSERT_TRUE(m_host->listen()) << m_host->errorString().toStdString();
    }

    Fetched fetch(const QString &path, const QByteArray &method = "GET")
    {
        return finish(m_network.sendCustomRequest(request(path), method));
    }
    QNetworkReply *get(const QString &path) { return m_network.get(request(path)); }

    Fetched finish(QNetworkReply *reply)
    {
        if (!reply->isFinished()) {
            QSignalSpy spy(reply, &QNetworkReply::finished);
            EXPECT_TRUE(spy.wait(15000));
        }
        Fetched fetched{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                        reply->rawHeader("Content-Length"), reply->error()};
        reply->deleteLater();
        return fetched;
    }

    QString articlePath(int row) const { return u"/qiruvo/blog/item/" + m_blog.articles[row - 1].link; }

    std::unique_ptr<SampleHost> m_host;
    QNetworkAccessManager m_network;
    SampleBlog m_blog = generateBlog(QStringLiteral("qiruvo"), {});

private:
    QNetworkRequest request(const QString &path) const
    {
        return QNetworkRequest(QUrl(m_host->baseUrl() + path.mid(1)));
    }
};

TEST_F(SampleHostTest, BlogPagePagerGivesTheHighestListPage)
{
    start();
    const Fetched page = fetch(QStringLiteral("/qiruvo/blog"));
    EXPECT_EQ(page.status, 200);
    const QStringList pagers = page.text().split(u'\n').filter(QStringLiteral("0>[首页]</a>"));
    ASSERT_EQ(pagers.size(), 2);
    EXPECT_EQ(pagers[0], pagers[1]);
    EXPECT_TRUE(pagers[0].contains(u"<a href=/qiruvo/blog/index/0>[首页]</a>"));
    EXPECT_EQ(highestPage(page.text()), 5);
}

TEST_F(SampleHostTest, LongPagerStillShowsTheHighestPageAndOnePageBlogHasNone)
{
    SampleHostConfig config;
    config.articles = 1001;
    start(config);
    const QString text = fetch(QStringLiteral("/big/blog")).text();
    EXPECT_EQ(highestPage(text), 100);
    EXPECT_LE(text.split(u'\n').filter(QStringLiteral("0>[首页]")).first().count(u"index/"), 12);

    config.articles = 10;
    start(config);
    EXPECT_FALSE(fetch(QStringLiteral("/small/blog")).text().contains(u"[首页]"));
}

TEST_F(SampleHostTest, ListPagesHoldEveryArticleOnceInOrder)
{
    start();
    QList<Entry> found;
    for (int page = 0; page <= 6; ++page) {
        const Fetched list = fetch(u"/qiruvo/blog/index/" + QString::number(page));
        ASSERT_EQ(list.status, 200);
        const QList<Entry> onPage = entries(list.text());
        EXPECT_EQ(onPage.size(), page < 6 ? 10 : 0) << page;
        found.append(onPage);
    }
    ASSERT_EQ(found.size(), m_blog.articles.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        const SampleArticle &article = m_blog.articles[i];
        EXPECT_EQ(found[i].title, article.title);
        EXPECT_EQ(found[i].category, article.category);
        EXPECT_EQ(found[i].link, article.link);
        EXPECT_EQ(found[i].date, article.date);
    }
}

TEST_F(SampleHostTest, ArticlePageHoldsTheBodyBetweenTheMarkers)
{
    start();
    for (const int row : {1, 37, 60}) {
        const Fetched page = fetch(articlePath(row));
        ASSERT_EQ(page.status, 200);
        EXPECT_EQ(page.contentLength.toLongLong(), page.body.size());
        const QStringList lines = page.text().split(u'\n');
        const qsizetype start = lines.indexOf(bodyStartLine());
        qsizetype end = start;
        while (end < lines.size() && !lines[end].contains(EndMarker))
            ++end;
        ASSERT_GE(start, 0);
        ASSERT_LT(end, lines.size());
        EXPECT_TRUE(lines[start].contains(StartMarker));
        EXPECT_EQ(lines.mid(start + 1, end - start - 1), m_blog.articles[row - 1].bodyLines);
        EXPECT_TRUE(page.text().contains(FooterMarker));
    }
}

TEST_F(SampleHostTest, NonAsciiNamesArriveDecodedFromUtf8OrGbk)
{
    start();
    const Fetched utf8 = fetch(QStringLiteral("/生活 点滴/blog"));
    EXPECT_EQ(utf8.status, 200);
    EXPECT_TRUE(utf8.text().contains(u"<title>生活 点滴的博客</title>"));

    const QByteArray gbkName = Gbk::encode(u"旧時光").toPercentEncoding();
    QNetworkReply *reply =
        m_network.get(QNetworkRequest(QUrl::fromEncoded(m_host->baseUrl().toLatin1() + gbkName + "/blog")));
    EXPECT_TRUE(finish(reply).text().contains(u"<title>旧時光的博客</title>"));
    EXPECT_EQ(m_host->requestLog(), (QStringList{QStringLiteral("/生活 点滴/blog"), QStringLiteral("/旧時光/blog")}));
}

TEST_F(SampleHostTest, KeepsOneConnectionForSequentialRequests)
{
    start();
    for (int page = 0; page < 5; ++page)
        EXPECT_EQ(fetch(u"/qiruvo/blog/index/" + QString::number(page)).status, 200);
    EXPECT_EQ(m_host->connectionCount(), 1);
}

TEST_F(SampleHostTest, AnswersPipelinedRequestsInOrder)
{
    start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_host->port());
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET /qiruvo/blog/index/9 HTTP/1.1\r\nHost: x\r\n\r\n"
                 "HEAD /qiruvo/blog HTTP/1.1\r\nHost: x\r\n\r\n"
                 "GET /nope HTTP/1.1\r\nHost: x\r\n\r\n");
    // The host runs on this thread, so wait in the event loop, not in waitForReadyRead().
    QSignalSpy readable(&socket, &QTcpSocket::readyRead);
    QByteArray received;
    while (received.count("HTTP/1.1 ") < 3 || !received.endsWith("</html>\n")) {
        ASSERT_TRUE(readable.wait(5000)) << received.toStdString();
        received += socket.readAll();
    }
    EXPECT_TRUE(received.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(received.contains("Content-Type: text/html; charset=gb2312\r\n"));
    // A refused HEAD gets its head only, so the next answer follows right after it.
    EXPECT_TRUE(received.contains("Allow: GET\r\n\r\nHTTP/1.1 404 Not Found\r\n"));
    EXPECT_EQ(m_host->requestLog(), (QStringList{QStringLiteral("/qiruvo/blog/index/9"), QStringLiteral("/qiruvo/blog"),
                                                 QStringLiteral("/nope")}));
}

TEST_F(SampleHostTest, UnknownPathsAre404AndOtherMethods405)
{
    start();
    for (const char16_t *path : {u"/", u"/qiruvo", u"/qiruvo/blog/index/", u"/qiruvo/blog/index/x",
                                 u"/qiruvo/blog/item/000000000000000000000000.html", u"//blog"}) {
        const Fetched page = fetch(QString::fromUtf16(path));
        EXPECT_EQ(page.status, 404) << QString::fromUtf16(path).toStdString();
        EXPECT_FALSE(page.body.isEmpty());
        EXPECT_FALSE(page.text().contains(FooterMarker));
    }
    EXPECT_EQ(fetch(QStringLiteral("/qiruvo/blog"), "POST").status, 405);
}

TEST_F(SampleHostTest, LogsEveryRequestInOrderToMemoryAndFile)
{
    TempFolder folder;
    SampleHostConfig config;
    config.logPath = folder.file(QStringLiteral("requests.log"));
    start(config);
    fetch(QStringLiteral("/qiruvo/blog"));
    fetch(articlePath(2));
    fetch(articlePath(2));
    EXPECT_EQ(m_host->requestLog(), (QStringList{QStringLiteral("/qiruvo/blog"), articlePath(2), articlePath(2)}));
    EXPECT_EQ(m_host->requestCount(articlePath(2)), 2);
    EXPECT_EQ(m_host->requestCount(articlePath(3)), 0);

    const QStringList lines = QString::fromUtf8(readAll(config.logPath)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(
        QRegularExpression(u"^\\d+\\t" + QRegularExpression::escape(articlePath(2)) + u'$').match(lines[2]).hasMatch())
        << lines[2].toStdString();
}

struct PageFaultCase
{
    FaultMode mode;
    int status;
    bool footer, disclaimer, notOpen;
};

void PrintTo(const PageFaultCase &c, std::ostream *os)
{
    *os << faultText(Fault{1, c.mode, 0}).toStdString();
}

class SampleHostPageFault : public SampleHostTest, public testing::WithParamInterface<PageFaultCase>
{};

TEST_P(SampleHostPageFault, AnswersWithoutBody)
{
    const PageFaultCase &c = GetParam();
    SampleHostConfig config;
    config.faults = {{4, c.mode, 0}};
    start(config);
    const Fetched page = fetch(articlePath(4));
    EXPECT_EQ(page.status, c.status);
    EXPECT_EQ(page.contentLength.toLongLong(), page.body.size());
    const QString text = page.text();
    EXPECT_FALSE(text.contains(StartMarker));
    EXPECT_EQ(text.contains(FooterMarker), c.footer);
    EXPECT_EQ(text.contains(DisclaimerMarker), c.disclaimer);
    EXPECT_EQ(text.contains(NotOpenMarker), c.notOpen);
    // Other rows stay good.
    EXPECT_TRUE(fetch(articlePath(5)).text().contains(StartMarker));
}

INSTANTIATE_TEST_SUITE_P(SampleHost, SampleHostPageFault,
                         testing::Values(PageFaultCase{FaultMode::AlwaysBroken, 200, false, false, false},
                                         PageFaultCase{FaultMode::WithdrawnFooter, 200, true, false, false},
                                         PageFaultCase{FaultMode::WithdrawnDisclaimer, 200, false, true, false},
                                         PageFaultCase{FaultMode::WithdrawnNotOpen, 200, false, false, true},
                                         PageFaultCase{FaultMode::EmptyBody, 200, false, false, false},
                                         PageFaultCase{FaultMode::Http500, 500, false, false, false},
                                         PageFaultCase{FaultMode::Truncated, 200, false, false, false}),
                         [](const testing::TestParamInfo<PageFaultCase> &param) {
                             return faultText(Fault{1, param.param.mode, 0}).mid(2).replace(u'-', u'_').toStdString();
                         });

TEST_F(SampleHostTest, EmptyBodyAndTruncatedSendExactLengths)
{
    SampleHostConfig config;
    config.faults = {{1, FaultMode::EmptyBody, 0}, {2, FaultMode::Truncated, 0}};
    start(config);
    const Fetched empty = fetch(articlePath(1));
    EXPECT_EQ(empty.contentLength, "0");
    EXPECT_TRUE(empty.body.isEmpty());

    const Fetched cut = fetch(articlePath(2));
    m_host->setFaults({});
    const Fetched whole = fetch(articlePath(2));
    EXPECT_FALSE(cut.body.isEmpty());
    EXPECT_LT(cut.body.size(), whole.body.size() / 2);
    EXPECT_TRUE(whole.body.startsWith(cut.body));
}

TEST_F(SampleHostTest, BrokenOnceIsGoodFromTheSecondRequest)
{
    start();
    m_host->setFaults({{3, FaultMode::BrokenOnce, 0}, {4, FaultMode::AlwaysBroken, 0}});
    EXPECT_FALSE(fetch(articlePath(3)).text().contains(StartMarker));
    EXPECT_TRUE(fetch(articlePath(3)).text().contains(StartMarker));
    EXPECT_FALSE(fetch(articlePath(4)).text().contains(StartMarker));
    EXPECT_FALSE(fetch(articlePath(4)).text().contains(StartMarker));

    m_host->setFaults({{3, FaultMode::BrokenOnce, 0}});
    EXPECT_FALSE(fetch(articlePath(3)).text().contains(StartMarker));
    EXPECT_TRUE(fetch(articlePath(4)).text().contains(StartMarker));
}

TEST_F(SampleHostTest, CrLfPageHasTheSameLinesEndedByCrLf)
{
    start();
    const QString good = fetch(articlePath(6)).text();
    m_host->setFaults({{6, FaultMode::CrLf, 0}});
    const QString crlf = fetch(articlePath(6)).text();
    EXPECT_EQ(crlf.count(QStringLiteral("\r\n")), good.count(u'\n'));
    EXPECT_EQ(QString(crlf).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), good);
}

TEST_F(SampleHostTest, ResetClosesWithoutAnAnswer)
{
    SampleHostConfig config;
    config.faults = {{2, FaultMode::Reset, 0}};
    start(config);
    const Fetched page = fetch(articlePath(2));
    EXPECT_NE(page.error, QNetworkReply::NoError);
    EXPECT_TRUE(page.body.isEmpty());
    EXPECT_GE(m_host->requestCount(articlePath(2)), 1);
    EXPECT_EQ(fetch(articlePath(1)).status, 200);
}

TEST_F(SampleHostTest, NeverAnswersButKeepsTheConnectionOpen)
{
    SampleHostConfig config;
    config.faults = {{5, FaultMode::Never, 0}};
    start(config);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_host->port());
    ASSERT_TRUE(socket.waitForConnected(5000));
    QSignalSpy received(m_host.get(), &SampleHost::requestReceived);
    socket.write("GET " + articlePath(5).toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\nGET /qiruvo/blog HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(received.wait(5000));

    // The host answers as soon as it has read a request; a full exchange on another connection
    // shows that it has had every chance to answer this one.
    EXPECT_EQ(fetch(articlePath(1)).status, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(socket.bytesAvailable(), 0);
    EXPECT_EQ(socket.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(m_host->requestLog(), (QStringList{articlePath(5), articlePath(1)}));
}

TEST_F(SampleHostTest, SlowAnswerComesAfterALaterFastOne)
{
    SampleHostConfig config;
    config.faults = {{1, FaultMode::Slow, 500}};
    start(config);
    QStringList order;
    QNetworkReply *slow = get(articlePath(1));
    QNetworkReply *fast = get(articlePath(2));
    for (QNetworkReply *reply : {slow, fast})
        QObject::connect(reply, &QNetworkReply::finished, reply,
                         [&order, reply] { order.append(reply->url().path()); });
    const Fetched slowPage = finish(slow);
    finish(fast);
    EXPECT_EQ(order, (QStringList{articlePath(2), articlePath(1)}));
    EXPECT_TRUE(slowPage.text().contains(StartMarker));
}

// Faults of the blog address page and the list pages ------------------------------------------

class SampleHostListFault : public SampleHostTest
{
protected:
    // The raw answer to a GET, up to `atMost` bytes or until the host closes the connection. The
    // host runs on this thread, so the wait keeps the event loop going.
    QByteArray rawGet(const QString &path, qint64 atMost = 1 << 24)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_host->port());
        socket.write("GET " + QUrl(path).toEncoded() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QByteArray answer;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                answer += socket.read(atMost - answer.size());
                return answer.size() >= atMost || socket.state() == QAbstractSocket::UnconnectedState;
            },
            15000));
        return answer + socket.read(atMost - answer.size());
    }
};

TEST_F(SampleHostListFault, FaultsHitOnlyThePagesTheyName)
{
    SampleHostConfig config;
    config.faults = {parseFault(QStringLiteral("list:2=http500")).value(),
                     parseFault(QStringLiteral("blog=redirect:http://127.0.0.2:9/elsewhere")).value()};
    start(config);
    EXPECT_TRUE(rawGet(QStringLiteral("/qiruvo/blog"))
                    .startsWith("HTTP/1.1 302 Found\r\nContent-Type: text/html; charset=gb2312\r\n"));
    EXPECT_TRUE(rawGet(QStringLiteral("/qiruvo/blog")).contains("\r\nLocation: http://127.0.0.2:9/elsewhere\r\n"));
    EXPECT_EQ(fetch(QStringLiteral("/qiruvo/blog/index/2")).status, 500);
    EXPECT_EQ(fetch(QStringLiteral("/qiruvo/blog/index/1")).status, 200);
    EXPECT_TRUE(fetch(articlePath(1)).text().contains(StartMarker));

    m_host->setFaults({parseFault(QStringLiteral("list:*=never")).value()});
    QNetworkReply *never = get(QStringLiteral("/qiruvo/blog/index/0"));
    EXPECT_EQ(fetch(QStringLiteral("/qiruvo/blog")).status, 200);
    EXPECT_FALSE(never->isFinished());
    never->abort();
    never->deleteLater();

    m_host->setFaults({parseFault(QStringLiteral("every=http500")).value()});
    for (const QString &path : {QStringLiteral("/qiruvo/blog"), QStringLiteral("/qiruvo/blog/index/0"), articlePath(1)})
        EXPECT_EQ(fetch(path).status, 500) << path.toStdString();
}

TEST_F(SampleHostListFault, FloodPageHoldsOnlyEntryLines)
{
    SampleHostConfig config;
    config.faults = {parseFault(QStringLiteral("list:1=flood:1000")).value()};
    start(config);
    const QStringList lines = fetch(QStringLiteral("/qiruvo/blog/index/1")).text().split(QStringLiteral("\n\t"));
    EXPECT_EQ(lines.filter(QStringLiteral("<div class=\"tit\"><a href=\"/qiruvo/blog/item/")).size(), 1000);
    EXPECT_EQ(lines.size(), 1002);
}

TEST_F(SampleHostListFault, HostileBodiesAreWhatTheyClaim)
{
    SampleHostConfig config;
    config.faults = {parseFault(QStringLiteral("list:0=endless")).value(),
                     parseFault(QStringLiteral("list:1=gzip-bomb")).value(),
                     parseFault(QStringLiteral("list:2=drip")).value()};
    start(config);
    // An endless body is still coming after 8 MB.
    const QByteArray endless = rawGet(QStringLiteral("/qiruvo/blog/index/0"), 8 << 20);
    EXPECT_EQ(endless.size(), 8 << 20);
    EXPECT_TRUE(endless.contains("\r\nTransfer-Encoding: chunked\r\n"));

    // A gzip member of about a megabyte whose trailer says 1 GiB.
    const QByteArray bomb = rawGet(QStringLiteral("/qiruvo/blog/index/1"));
    const qsizetype bodyStart = bomb.indexOf("\r\n\r\n") + 4;
    EXPECT_TRUE(bomb.contains("\r\nContent-Encoding: gzip\r\n"));
    EXPECT_TRUE(bomb.mid(bodyStart).startsWith("\x1f\x8b\x08"));
    EXPECT_LT(bomb.size() - bodyStart, 2 << 20);
    EXPECT_EQ(bomb.right(4), QByteArray("\x00\x00\x00\x40", 4));

    // A drip has sent a few bytes of its body after a quarter of a second.
    QNetworkReply *drip = get(QStringLiteral("/qiruvo/blog/index/2"));
    QTest::qWait(250);
    EXPECT_FALSE(drip->isFinished());
    EXPECT_LT(drip->bytesAvailable(), 100);
    drip->abort();
    drip->deleteLater();
}

TEST_F(SampleHostListFault, ReverseListLatencyAnswersLaterPagesFirst)
{
    SampleHostConfig config;
    config.articles = 40; // pages 0 to 3
    config.reverseListLatencyMs = 200;
    start(config);
    QStringList order;
    QList<QNetworkReply *> replies;
    for (int page = 0; page < 4; ++page) {
        QNetworkReply *reply = get(QStringLiteral("/qiruvo/blog/index/%1").arg(page));
        QObject::connect(reply, &QNetworkReply::finished, reply, [&order, page] { order << QString::number(page); });
        replies << reply;
    }
    for (QNetworkReply *reply : replies)
        finish(reply);
    EXPECT_EQ(order.join(u','), QStringLiteral("3,2,1,0"));
}

TEST_F(SampleHostTest, PicturesOnlyWhenAskedForAndThenFromBothPorts)
{
    start();
    EXPECT_TRUE(m_host->imageBaseUrl().isEmpty());
    EXPECT_EQ(fetch(QStringLiteral("/img/qiruvo/0-0.png")).status, 404);
    for (int row = 1; row <= 30; ++row)
        EXPECT_FALSE(fetch(articlePath(row)).text().contains(u"<img")) << row;

    SampleHostConfig config;
    config.images = true;
    start(config);
    const QString imageBase = m_host->imageBaseUrl();
    ASSERT_TRUE(imageBase.startsWith(QStringLiteral("http://127.0.0.1:")));
    ASSERT_NE(imageBase, m_host->baseUrl());
    int withPictures = 0;
    bool fromImageHost = false;
    for (int row = 1; row <= 30; ++row) {
        const QString page = fetch(articlePath(row)).text();
        // Pictures sit inside the body, so a download keeps them.
        const qsizetype img = page.indexOf(u"<img");
        if (img < 0)
            continue;
        ++withPictures;
        EXPECT_GT(img, page.indexOf(StartMarker));
        EXPECT_LT(img, page.indexOf(EndMarker));
        fromImageHost = fromImageHost || page.contains(imageBase);
    }
    EXPECT_GT(withPictures, 3);
    EXPECT_LT(withPictures, 27);
    EXPECT_TRUE(fromImageHost);

    QNetworkReply *png = m_network.get(QNetworkRequest(QUrl(imageBase + QStringLiteral("img/qiruvo/4-2.png"))));
    QSignalSpy done(png, &QNetworkReply::finished);
    ASSERT_TRUE(done.wait(15000));
    EXPECT_EQ(png->header(QNetworkRequest::ContentTypeHeader).toString(), QStringLiteral("image/png"));
    const QByteArray pngBytes = png->readAll();
    EXPECT_TRUE(pngBytes.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(pngBytes, SampleImages::bytes(QStringLiteral("qiruvo"), SampleImages::Picture{4, 2, false, true}));
    png->deleteLater();
    const Fetched jpeg = fetch(QStringLiteral("/img/qiruvo/4-1.jpg"));
    EXPECT_TRUE(jpeg.body.startsWith("\xff\xd8\xff"));
    EXPECT_NE(jpeg.body, fetch(QStringLiteral("/img/qiruvo/5-1.jpg")).body);
}
