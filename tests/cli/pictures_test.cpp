#include "archive/imagescanner.h"
#include "helpfile/strictreader.h"
#include "samplehost.h"
#include "support/chromium.h"
#include "support/chromiumprobe.h"
#include "support/samplehostprocess.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString Chromium = TestChromium::program();

// Opens each article in a window of its own and reports its pictures and every resource the
// browser fetched for it.
const char ProbeScript[] = R"(const articles = ARTICLES;
(async () => {
  const report = { pages: [] };
  try {
    for (const article of articles) {
      const w = await openAndWait(article);
      report.pages.push({
        url: w.location.href,
        images: [...w.document.images].map(i => ({ src: i.src, complete: i.complete, width: i.naturalWidth })),
        resources: w.performance.getEntriesByType('resource').map(e => e.name),
      });
      w.close();
    }
  } catch (e) {
    report.error = String(e);
  }
  finish(report);
})();
)";

} // namespace

// An archive made with --images by the real programs, viewed in headless Chromium once the sample
// host is gone and every host name resolves to nothing: each picture must come from the folder.
TEST(PicturesInChromium, EveryPictureComesFromTheFolderWithTheHostGone)
{
    if (!QFile::exists(Chromium))
        GTEST_SKIP() << "no " << Chromium.toStdString();
    TempFolder folder;
    SampleHostProcess host;
    const QString base = host.start({QStringLiteral("--images"), QStringLiteral("--articles"), QStringLiteral("30")});
    ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:")));

    QProcess cli;
    cli.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"),
              {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, QStringLiteral("--images"),
               QStringLiteral("--quiet"), QStringLiteral("archive"), QStringLiteral("qiruvo")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    ASSERT_TRUE(host.stop());

    const QString archive = folder.file(QStringLiteral("qiruvo"));
    QJsonArray articles;
    QDirIterator it(archive, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (readAll(path).contains("images/"))
            articles.append(QUrl::fromLocalFile(path).toString());
    }
    ASSERT_FALSE(articles.isEmpty());
    const QStringList saved = QDir(archive + QStringLiteral("/images")).entryList(QDir::Files);
    ASSERT_FALSE(saved.isEmpty());

    QString probe = QString::fromUtf8(ProbeScript);
    probe.replace(QStringLiteral("ARTICLES"),
                  QString::fromUtf8(QJsonDocument(articles).toJson(QJsonDocument::Compact)));
    const TestChromium::ProbeRun run = TestChromium::runProbe(folder.path(), probe,
                                                              {QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
                                                               QStringLiteral("--allow-file-access-from-files"),
                                                               QStringLiteral("--disable-popup-blocking")},
                                                              30000);
    ASSERT_TRUE(run.report) << run.dump.toStdString();
    const QJsonObject &report = *run.report;
    ASSERT_FALSE(report.contains(QStringLiteral("error")))
        << report.value(QStringLiteral("error")).toString().toStdString();

    QSet<QString> shown;
    const QJsonArray pages = report.value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(pages.size(), articles.size());
    for (const QJsonValue &page : pages) {
        const QString url = page[QStringLiteral("url")].toString();
        for (const QJsonValue &resource : page[QStringLiteral("resources")].toArray())
            EXPECT_TRUE(resource.toString().startsWith(QStringLiteral("file:"))) << resource.toString().toStdString();
        for (const QJsonValue &image : page[QStringLiteral("images")].toArray()) {
            const QString src = image[QStringLiteral("src")].toString();
            EXPECT_TRUE(src.startsWith(QStringLiteral("file:"))) << url.toStdString() << " " << src.toStdString();
            EXPECT_TRUE(image[QStringLiteral("complete")].toBool());
            EXPECT_GT(image[QStringLiteral("width")].toInt(), 0) << src.toStdString();
            shown.insert(QFileInfo(QUrl(src).toLocalFile()).fileName());
        }
    }
    EXPECT_EQ(shown, QSet<QString>(saved.begin(), saved.end()));

    // Inside the help file, read as the strict readers do, every picture link resolves and every
    // picture is stored as saved.
    const ChmTest::StrictReport chm = ChmTest::strictRead(folder.file(QStringLiteral("qiruvo.chm")));
    ASSERT_TRUE(chm.opened);
    for (const QString &problem : chm.problems)
        EXPECT_FALSE(problem.contains(QLatin1String("images/"))) << problem.toStdString();
    for (const QString &name : saved) {
        EXPECT_EQ(chm.files.value("/images/" + name.toLatin1()), readAll(archive + QStringLiteral("/images/") + name))
            << name.toStdString();
    }
}

// The real pelmora-cli killed in the middle of the image pass leaves no partial picture under a
// final name, and the next run completes the pictures.
TEST(PicturesKilled, ResumeCompletesThePicturesAndNothingIsPartial)
{
    TempFolder folder;
    SampleHostConfig config;
    config.articles = 30;
    config.images = true;
    // Row 9's pictures keep the pass waiting while the others are saved.
    config.faults = {Fault{9, FaultMode::ImageSlow, 600000}};
    SampleHost host(config);
    ASSERT_TRUE(host.listen());
    const QStringList common{QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), host.baseUrl(),
                             QStringLiteral("--quiet")};
    const auto cli = [&](QProcess &process, const QStringList &arguments) {
        process.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"), common + arguments);
        return process.waitForStarted(10000);
    };
    const auto finish = [](QProcess &process) {
        // The host runs on this thread: keep its event loop turning while the process works.
        QSignalSpy done(&process, &QProcess::finished);
        return done.wait(60000);
    };
    QProcess find;
    ASSERT_TRUE(cli(find, {QStringLiteral("find"), QStringLiteral("qiruvo")}));
    ASSERT_TRUE(finish(find));
    ASSERT_EQ(find.exitCode(), 0);

    QProcess first;
    QSignalSpy slowAsked(&host, &SampleHost::requestReceived);
    ASSERT_TRUE(cli(first, {QStringLiteral("--images"), QStringLiteral("download"), QStringLiteral("qiruvo")}));
    // Killed once the slow pictures are asked for and some others are saved.
    const QString images = folder.file(QStringLiteral("qiruvo/images"));
    const auto saved = [&] { return QDir(images).entryList({QStringLiteral("*.png"), QStringLiteral("*.jpg")}); };
    bool slowSeen = false;
    for (int i = 0; i < 600 && !(slowSeen && !saved().isEmpty()); ++i) {
        slowAsked.wait(100);
        for (const QList<QVariant> &request : std::as_const(slowAsked))
            slowSeen = slowSeen || request.first().toString().startsWith(QStringLiteral("/img/qiruvo/9-"));
    }
    ASSERT_TRUE(slowSeen);
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));

    // Killed mid-way: some pictures are saved, the slow ones are not, no index page is written.
    EXPECT_FALSE(saved().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("qiruvo/index.html"))));
    for (const QString &name : QDir(images).entryList(QDir::Files)) {
        if (name.endsWith(QStringLiteral(".part")))
            continue;
        const QByteArray bytes = readAll(images + u'/' + name);
        EXPECT_TRUE(bytes.startsWith("\x89PNG") || bytes.startsWith("\xff\xd8")) << name.toStdString();
    }

    host.setFaults({});
    QProcess second;
    ASSERT_TRUE(cli(second, {QStringLiteral("--images"), QStringLiteral("download"), QStringLiteral("qiruvo")}));
    ASSERT_TRUE(finish(second));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    QDirIterator it(folder.file(QStringLiteral("qiruvo")), {QStringLiteral("*.html")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int rewritten = 0;
    while (it.hasNext()) {
        const QByteArray article = readAll(it.next());
        EXPECT_TRUE(Archive::findImageReferences(article).isEmpty()) << it.filePath().toStdString();
        rewritten += article.contains("../images/");
    }
    EXPECT_GT(rewritten, 0);
    EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("qiruvo/index.html"))));
}
