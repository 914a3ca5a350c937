// The image pass against the sample host with a fixed latency per picture. Five slots can fetch at
// most 5 / latency pictures a second; the run reports how close the pass comes, scan and rewrite of
// the article files included (the host runs in its own process).
#include "archive/imagepass.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int articles = 1000;
    const int picturesPerArticle = 3;
    const int latencyMs = 20;

    QProcess host;
    host.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"),
               {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--images"),
                QStringLiteral("--latency-ms"), QString::number(latencyMs)});
    if (!host.waitForReadyRead(10000)) {
        std::fprintf(stderr, "image_bench: the sample host did not start\n");
        return 1;
    }
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    const QString base = line.mid(line.indexOf(QStringLiteral("http://")));

    // Article files as a download leaves them, each with three pictures of its own.
    QTemporaryDir folder;
    const QString archive = folder.filePath(QStringLiteral("bench"));
    QDir().mkpath(archive + QStringLiteral("/c"));
    QStringList files;
    for (int row = 1; row <= articles; ++row) {
        QByteArray body = "<div>article</div>\r\n";
        for (int n = 1; n <= picturesPerArticle; ++n) {
            body += "<p><img src=\"" + base.toLatin1() + "img/bench/" + QByteArray::number(row) + '-' +
                    QByteArray::number(n) + ".png\" alt=\"\"></p>\r\n";
        }
        const QString path = archive + QStringLiteral("/c/%1.html").arg(row);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size()) {
            std::fprintf(stderr, "image_bench: cannot write %s\n", qPrintable(path));
            return 1;
        }
        files.append(path);
    }

    Archive::ImagePass pass(Archive::ImageOptions{});
    QElapsedTimer wall;
    QObject::connect(&pass, &Archive::ImagePass::finished, &app, [&](const Archive::ImageReport &report) {
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const double rate = report.fetched / seconds;
        const double bound = 5.0 * 1000.0 / latencyMs;
        std::printf("images: %d articles, %d pictures, %d saved in %.2f s: %.1f pictures/s, %.2f of the five-slot "
                    "bound (%.0f/s at %d ms latency; target >= 0.90)\n",
                    articles, report.pictures, report.saved, seconds, rate, rate / bound, bound, latencyMs);
        QCoreApplication::exit(report.saved == articles * picturesPerArticle ? 0 : 1);
    });
    wall.start();
    pass.start(archive, files);
    const int code = app.exec();
    host.terminate();
    host.waitForFinished(5000);
    return code;
}
