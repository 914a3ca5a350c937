// Find throughput against the sample host with a fixed latency per page: 300 list pages, fetched
// one at a time and with five requests in flight, in the same run. Five requests can read at most
// 5 / latency pages a second; the run reports how close each walk comes. It also times the parse of
// one 16 MB list page of entry-marker lines, the page on which every entry's search runs to the end.
#include "blog/articlediscovery.h"
#include "blog/articletable.h"
#include "blog/listparser.h"
#include "sampleblog.h"
#include "samplehostconfig.h"
#include "samplepages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <cstdio>

namespace {

constexpr int ListPages = 300;
constexpr int ListSize = 10;
constexpr int LatencyMs = 20;

// Seconds for one Find of the blog with `requests` in flight, or a negative number when it failed.
double timeFind(const QString &base, int requests, int &rows)
{
    Blog::ArticleTable table;
    Blog::ArticleDiscovery discovery(table, 30000, 16 * 1024 * 1024);
    discovery.setConcurrency(requests);
    QEventLoop loop;
    QObject::connect(&discovery, &Blog::ArticleDiscovery::finished, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    discovery.start(base, QStringLiteral("bench"), base + QStringLiteral("bench/blog"));
    loop.exec();
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    rows = table.articleCount();
    return discovery.failure() ? -1 : seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QProcess host;
    host.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"),
               {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--articles"),
                QString::number(ListPages * ListSize), QStringLiteral("--list-size"), QString::number(ListSize),
                QStringLiteral("--latency-ms"), QString::number(LatencyMs)});
    if (!host.waitForReadyRead(10000)) {
        std::fprintf(stderr, "find_bench: the sample host did not start\n");
        return 1;
    }
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    const QString base = line.mid(line.indexOf(QStringLiteral("http://")));

    int status = 0;
    const double bound = Blog::ArticleDiscovery::MaxRequests * 1000.0 / LatencyMs;
    for (const int requests : {1, Blog::ArticleDiscovery::MaxRequests}) {
        int rows = 0;
        const double seconds = timeFind(base, requests, rows);
        if (seconds < 0 || rows != ListPages * ListSize) {
            std::fprintf(stderr, "find_bench: the Find with %d requests failed (%d rows)\n", requests, rows);
            status = 1;
            continue;
        }
        const double rate = ListPages / seconds;
        std::printf("find, %d request%s in flight: %d list pages in %.2f s: %.1f pages/s, %.2f of the five-request "
                    "bound (%.0f/s at %d ms latency%s)\n",
                    requests, requests == 1 ? "" : "s", ListPages, seconds, rate, rate / bound, bound, LatencyMs,
                    requests == 1 ? "" : "; target >= 0.85");
    }
    host.terminate();
    host.waitForFinished(5000);

    // 72 bytes a line: just under the 16 MiB page cap.
    SampleHostConfig config;
    config.articles = 1;
    const QString page =
        SamplePages::floodListPage(generateBlog(QStringLiteral("bench"), config, SampleBodies::Omit), 220000);
    QElapsedTimer parse;
    parse.start();
    Blog::ListParser::Entry carry;
    const qsizetype entries = Blog::ListParser::parseListPage(page, carry).size();
    const double parseSeconds = static_cast<double>(parse.nsecsElapsed()) / 1e9;
    std::printf("list parse: %.1f MiB page of 220,000 entry-marker lines in %.3f s, %lld entries (target < 1 s)\n",
                static_cast<double>(page.size()) / (1024.0 * 1024.0), parseSeconds, static_cast<long long>(entries));
    return status;
}
