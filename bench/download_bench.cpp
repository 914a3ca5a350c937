// Download throughput against the sample host with a fixed latency per page. Five slots can fetch
// at most 5 / latency articles a second; the run reports how close it comes and how much processor
// time the program itself spends meanwhile (the host runs in its own process).
#include "archive/downloaddriver.h"
#include "blog/addresses.h"
#include "blog/articletable.h"
#include "sampleblog.h"
#include "samplehostconfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int articles = 1000;
    const int latencyMs = 20;

    QProcess host;
    host.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"),
               {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--articles"), QString::number(articles),
                QStringLiteral("--categories"), QStringLiteral("12"), QStringLiteral("--latency-ms"),
                QString::number(latencyMs)});
    if (!host.waitForReadyRead(10000)) {
        std::fprintf(stderr, "download_bench: the sample host did not start\n");
        return 1;
    }
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    const QString base = line.mid(line.indexOf(QStringLiteral("http://")));

    SampleHostConfig config;
    config.articles = articles;
    config.categories = 12;
    const SampleBlog blog = generateBlog(QStringLiteral("bench"), config, SampleBodies::Omit);
    Blog::ArticleTable table;
    for (const SampleArticle &a : blog.articles)
        table.appendArticle(a.title, a.category, a.link, a.date);

    QTemporaryDir folder;
    Archive::DownloadDriver::Options options;
    options.programFolder = folder.path();
    options.hostBase = base;
    Archive::DownloadDriver driver(table, options);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &driver, &Archive::DownloadDriver::tick);
    ticker.start(1000);

    QElapsedTimer wall;
    double cpuStart = 0;
    QObject::connect(&driver, &Archive::DownloadDriver::finished, &app, [&](const Archive::DownloadReport &report) {
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const double cpu = cpuSeconds() - cpuStart;
        const double rate = report.saved / seconds;
        const double bound = 5.0 * 1000.0 / latencyMs;
        std::printf("download: %d articles, %d saved in %.2f s: %.1f articles/s, %.2f of the five-slot bound "
                    "(%.0f/s at %d ms latency; target >= 0.90); CPU %.1f %% of wall time (target < 10 %%)\n",
                    articles, report.saved, seconds, rate, rate / bound, bound, latencyMs, 100.0 * cpu / seconds);
        QCoreApplication::exit(report.saved == articles ? 0 : 1);
    });
    wall.start();
    cpuStart = cpuSeconds();
    if (auto started = driver.start(QStringLiteral("bench"), Blog::Address::blog(base, QStringLiteral("bench")));
        !started) {
        std::fprintf(stderr, "download_bench: %s\n", qPrintable(started.error()));
        return 1;
    }
    const int code = app.exec();
    host.terminate();
    host.waitForFinished(5000);
    return code;
}
