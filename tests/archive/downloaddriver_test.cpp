#include "archive/downloaddriver.h"
#include "archive/safefilename.h"
#include "blog/addresses.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "frontend/statustext.h"
#include "samplehost.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using Archive::DownloadDriver;
using Archive::DownloadReport;

namespace {

const QString Name = QStringLiteral("qiruvo");

} // namespace

class Download : public ::testing::Test
{
protected:
    void startHost(int articles, QList<Fault> faults = {})
    {
        config.articles = articles;
        config.categories = 4;
        config.faults = std::move(faults);
        host = std::make_unique<SampleHost>(config);
        ASSERT_TRUE(host->listen()) << host->errorString().toStdString();
        blog = generateBlog(Name, config);
        for (const SampleArticle &a : blog.articles)
            table.appendArticle(a.title, a.category, a.link, a.date);
    }

    std::unique_ptr<DownloadDriver> makeDriver(int timeoutMs = 5000)
    {
        DownloadDriver::Options options;
        options.programFolder = folder.path();
        options.hostBase = host->baseUrl();
        options.requestTimeoutMs = timeoutMs;
        options.retry = RetryTiming::none();
        return std::make_unique<DownloadDriver>(table, options);
    }

    // Runs a download to its end, ticking every `tickMs` as the window's timer would every second.
    DownloadReport run(DownloadDriver &driver, int tickMs = 1000)
    {
        QSignalSpy done(&driver, &DownloadDriver::finished);
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &driver, &DownloadDriver::tick);
        ticker.start(tickMs);
        EXPECT_TRUE(driver.start(Name, Blog::Address::blog(host->baseUrl(), Name)));
        EXPECT_TRUE(done.count() > 0 || done.wait(30000));
        return driver.report();
    }

    QString articleFile(int row) const
    {
        const Blog::Article &a = table.article(row);
        return folder.path() + QLatin1Char('/') + Name + QLatin1Char('/') + Archive::safeFileName(a.category) +
               QLatin1Char('/') + a.link;
    }
    QString path(int row) const
    {
        return QStringLiteral("/") + Name + QStringLiteral("/blog/item/") + table.article(row).link;
    }
    int requests(int row) const { return host->requestCount(path(row)); }
    QByteArray saved(int row) const { return readAll(articleFile(row)); }

    TempFolder folder;
    SampleHostConfig config;
    std::unique_ptr<SampleHost> host;
    SampleBlog blog;
    Blog::ArticleTable table;
};

TEST_F(Download, FiveArticlesOnePerSlot)
{
    startHost(5);
    auto driver = makeDriver();
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 5);
    EXPECT_EQ(report.givenUp, 0);
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(requests(row), 1);
        EXPECT_EQ(table.mark(row), Blog::Mark::saved());
        const QByteArray expected = Gbk::encode(QString(bodyStartLine() + QStringLiteral("\r\n") +
                                                        blog.articles[row - 1].bodyLines.join(QStringLiteral("\r\n")) +
                                                        QStringLiteral("\r\n")));
        EXPECT_EQ(saved(row), expected) << row;
    }
}

TEST_F(Download, FourArticlesAreRefusedWithoutARequest)
{
    startHost(4);
    auto driver = makeDriver();
    const auto started = driver->start(Name, Blog::Address::blog(host->baseUrl(), Name));
    ASSERT_FALSE(started);
    EXPECT_TRUE(started.error().contains(QStringLiteral("少于5篇")));
    QTest::qWait(50);
    EXPECT_TRUE(host->requestLog().isEmpty());
    EXPECT_FALSE(QDir(folder.file(Name)).exists());
}

TEST_F(Download, ResumesFromFilesOnDiskButAlwaysFetchesTheFirstFive)
{
    startHost(20);
    for (int row = 1; row <= 12; ++row)
        writeAll(articleFile(row), "old content");
    auto driver = makeDriver();
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 20);
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(requests(row), 1) << row;
        EXPECT_NE(saved(row), QByteArray("old content"));
    }
    for (int row = 6; row <= 12; ++row) {
        EXPECT_EQ(requests(row), 0) << row;
        EXPECT_EQ(saved(row), QByteArray("old content"));
        EXPECT_EQ(table.mark(row), Blog::Mark::saved());
    }
    for (int row = 13; row <= 20; ++row)
        EXPECT_EQ(requests(row), 1) << row;
}

TEST_F(Download, SlowRowIsReleasedAndFetchedAgain)
{
    config.latencyMs = 20;
    startHost(60, {Fault{3, FaultMode::Slow, 1500}});
    auto driver = makeDriver();
    const DownloadReport report = run(*driver, 10);
    EXPECT_EQ(report.saved, 60);
    EXPECT_GE(requests(3), 2);
    EXPECT_EQ(table.mark(3), Blog::Mark::saved());
    EXPECT_FALSE(saved(3).isEmpty());
}

TEST_F(Download, SilentSlotReleasesItsRowOnTheFifthTickNotBefore)
{
    QList<Fault> never;
    for (int row = 1; row <= 5; ++row)
        never.append(Fault{row, FaultMode::Never});
    startHost(5, never);
    auto driver = makeDriver(60000);
    ASSERT_TRUE(driver->start(Name, Blog::Address::blog(host->baseUrl(), Name)));
    for (int tick = 1; tick <= 4; ++tick) {
        driver->tick();
        for (int row = 1; row <= 5; ++row)
            ASSERT_EQ(table.mark(row), Blog::Mark::requested()) << "tick " << tick << ", row " << row;
    }
    driver->tick();
    for (int row = 1; row <= 5; ++row)
        EXPECT_TRUE(table.mark(row).isEmpty()) << row;
    driver->abort();
}

TEST_F(Download, BrokenOncePageIsFetchedAgainBeforeLaterRows)
{
    startHost(40, {Fault{8, FaultMode::BrokenOnce}});
    auto driver = makeDriver();
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 40);
    EXPECT_EQ(requests(8), 2);
    const QStringList log = host->requestLog();
    const qsizetype second = log.lastIndexOf(path(8));
    EXPECT_LT(second, log.indexOf(path(30)));
    EXPECT_FALSE(saved(8).isEmpty());
}

TEST_F(Download, AlwaysBrokenPageIsGivenUpAndTheDownloadStillEnds)
{
    startHost(12, {Fault{6, FaultMode::AlwaysBroken}, Fault{9, FaultMode::EmptyBody}});
    auto driver = makeDriver();
    QSignalSpy givenUp(driver.get(), &DownloadDriver::rowGivenUp);
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 10);
    EXPECT_EQ(report.givenUp, 2);
    EXPECT_EQ(requests(6), 5);
    EXPECT_EQ(requests(9), 5);
    EXPECT_EQ(table.mark(6), Blog::Mark::givenUp());
    EXPECT_FALSE(QFile::exists(articleFile(6)));
    EXPECT_EQ(givenUp.count(), 2);
}

TEST_F(Download, HostFaultsEndAsNoticeOrRetry)
{
    startHost(12, {Fault{6, FaultMode::WithdrawnFooter}, Fault{7, FaultMode::WithdrawnDisclaimer},
                   Fault{8, FaultMode::WithdrawnNotOpen}, Fault{9, FaultMode::Http500}, Fault{10, FaultMode::CrLf},
                   Fault{11, FaultMode::Reset}, Fault{12, FaultMode::Truncated}});
    auto driver = makeDriver();
    const DownloadReport report = run(*driver);
    for (int row = 6; row <= 8; ++row) {
        const QString notice = QStringLiteral("博文已经删除或访问受限...<br><A target=_blank href=") + host->baseUrl() +
                               Name + QStringLiteral("/blog/item/") + table.article(row).link +
                               QStringLiteral(">点击这里打开源地址</a> <br>  —mirqoPelmora。\r\n");
        EXPECT_EQ(saved(row), Gbk::encode(notice)) << row;
        EXPECT_EQ(requests(row), 1);
    }
    for (int row : {9, 11, 12}) {
        EXPECT_EQ(table.mark(row), Blog::Mark::givenUp()) << row;
        // A reset connection is retried once by the network layer itself.
        EXPECT_GE(requests(row), 5) << row;
    }
    EXPECT_TRUE(saved(10).contains("\r\r\n"));
    EXPECT_EQ(report.saved, 9);
}

TEST_F(Download, RequestThatNeverCompletesTimesOut)
{
    startHost(8, {Fault{7, FaultMode::Never}});
    auto driver = makeDriver(200);
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 7);
    EXPECT_EQ(report.givenUp, 1);
    EXPECT_EQ(table.mark(7), Blog::Mark::givenUp());
}

TEST_F(Download, HostileLinksNeverEscapeTheArchiveFolder)
{
    startHost(6);
    table.clear();
    table.appendArticle(QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("../../escaped.html"),
                        QStringLiteral("d"));
    table.appendArticle(QStringLiteral("b"), QStringLiteral(".."), QStringLiteral("x.html"), QStringLiteral("d"));
    for (int i = 0; i < 4; ++i)
        table.appendArticle(blog.articles[i].title, blog.articles[i].category, blog.articles[i].link,
                            blog.articles[i].date);
    table.appendArticle(QStringLiteral("e"), QStringLiteral("c"), QStringLiteral(".."), QStringLiteral("d"));
    auto driver = makeDriver();
    const DownloadReport report = run(*driver);
    EXPECT_EQ(report.saved, 4);
    EXPECT_EQ(report.givenUp, 3);
    QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        EXPECT_TRUE(file.startsWith(folder.file(Name) + QLatin1Char('/'))) << file.toStdString();
    }
}

TEST_F(Download, AbortKeepsWhatWasSavedAndLeavesNoPartialFile)
{
    startHost(30);
    config.latencyMs = 30;
    host = std::make_unique<SampleHost>(config);
    ASSERT_TRUE(host->listen());
    auto driver = makeDriver();
    QSignalSpy progress(driver.get(), &DownloadDriver::progress);
    QSignalSpy done(driver.get(), &DownloadDriver::finished);
    ASSERT_TRUE(driver->start(Name, Blog::Address::blog(host->baseUrl(), Name)));
    while (driver->report().saved < 8)
        ASSERT_TRUE(progress.wait(5000));
    driver->abort();
    ASSERT_EQ(done.count(), 1);
    EXPECT_TRUE(driver->report().aborted);
    int files = 0;
    QDirIterator it(folder.file(Name), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        ++files;
        EXPECT_FALSE(QFile(file).size() == 0) << file.toStdString();
    }
    EXPECT_GE(files, 8);
    EXPECT_LT(files, 30);
}

TEST_F(Download, NextRowSearchOnALargeResumedTableIsCheap)
{
    startHost(5);
    table.clear();
    for (int i = 0; i < 5000; ++i)
        table.appendArticle(QStringLiteral("t"), QStringLiteral("c%1").arg(i % 50),
                            QStringLiteral("%1").arg(i, 24, 10, QLatin1Char('0')) + QStringLiteral(".html"),
                            QStringLiteral("d"));
    for (int row = 1; row <= 5000; ++row) {
        if (row != 4999)
            writeAll(articleFile(row), "saved");
    }
    auto driver = makeDriver();
    ASSERT_TRUE(driver->start(Name, Blog::Address::blog(host->baseUrl(), Name)));
    // One scan marks every saved row and finds the one that is missing; later calls start past them.
    EXPECT_EQ(driver->nextUnfetchedRow(), 4999);
    EXPECT_EQ(table.mark(4998), Blog::Mark::saved());
    EXPECT_EQ(driver->nextUnfetchedRow(), 4999);
    driver->abort();
}

TEST_F(Download, SlotsStepOnFollowUpsAndRestBetween)
{
    startHost(15);
    auto driver = makeDriver();
    using State = DownloadDriver::SlotState;
    QList<State> slot0;
    QObject::connect(driver.get(), &DownloadDriver::slotStateChanged, [&](int slot, State state) {
        if (slot == 0)
            slot0 << state;
    });
    run(*driver);
    ASSERT_GE(slot0.size(), 4);
    // The first request leaves the slot at rest; each completion rests it, each follow-up steps it.
    EXPECT_EQ(slot0[0], State::Resting);
    EXPECT_EQ(slot0[1], State::Fetching);
    EXPECT_EQ(slot0[2], State::Resting);
    EXPECT_EQ(slot0.last(), State::Resting);
}

TEST_F(Download, StatusLineCountsRowsAndShowsZeroAfterRetiring)
{
    startHost(6);
    auto driver = makeDriver();
    QStringList statuses;
    QObject::connect(driver.get(), &DownloadDriver::progressed,
                     [&](const Progress &p) { statuses << Presentation::statusText(p); });
    QList<int> rows;
    QObject::connect(driver.get(), &DownloadDriver::currentRowChanged, [&](int row) { rows << row; });
    run(*driver);
    ASSERT_GE(statuses.size(), 3);
    EXPECT_EQ(statuses[0], QStringLiteral("正在下载文章.."));
    EXPECT_EQ(statuses[1], QStringLiteral("下载文章：/6"));
    EXPECT_TRUE(statuses.contains(QStringLiteral("下载文章：6/6")));
    EXPECT_EQ(statuses.last(), QStringLiteral("下载文章：0/6"));
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows.contains(6));
    EXPECT_EQ(rows.last(), 0);
}

TEST_F(Download, RowsReleasedByRetiredSlotsEndSaved)
{
    // The last row is slow, so the retired slots tick on and release the rows they fetched last.
    startHost(10, {Fault{10, FaultMode::Slow, 300}});
    auto driver = makeDriver();
    const DownloadReport report = run(*driver, 10);
    EXPECT_EQ(report.saved, 10);
    for (int row = 1; row <= 10; ++row)
        EXPECT_EQ(table.mark(row), Blog::Mark::saved()) << row;
}
