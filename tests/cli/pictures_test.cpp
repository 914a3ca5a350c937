#include "support/tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QUrl>
#include <gtest/gtest.h>

// An archive made with --images by the real programs, viewed in headless Chromium once the sample
// host is gone and every host name resolves to nothing: each picture must come from the folder.
namespace {

const QString Chromium = QStringLiteral("/usr/bin/chromium");

// Opens each article in a window of its own and reports its pictures and every resource the
// browser fetched for it, as base64 JSON (the DOM dump would escape it otherwise).
const char ProbeScript[] = R"(<!DOCTYPE html><meta charset=utf-8><body><pre id=out></pre><script>
const articles = ARTICLES;
function openAndWait(url) {
  return new Promise((resolve, reject) => {
    const w = window.open(url, '_blank');
    if (!w) { reject('window blocked: ' + url); return; }
    w.addEventListener('load', () => resolve(w));
    setTimeout(() => reject('no load: ' + url), 5000);
  });
}
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
  const bytes = new TextEncoder().encode(JSON.stringify(report));
  let binary = '';
  for (const b of bytes) binary += String.fromCharCode(b);
  document.getElementById('out').textContent = 'REPORT:' + btoa(binary) + ':END';
})();
</script>
)";

QString startHost(QProcess &host)
{
    host.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"),
               {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--images"), QStringLiteral("--articles"),
                QStringLiteral("30")});
    if (!host.waitForReadyRead(10000))
        return {};
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    return line.mid(line.indexOf(QStringLiteral("http://")));
}

} // namespace

TEST(PicturesInChromium, EveryPictureComesFromTheFolderWithTheHostGone)
{
    if (!QFile::exists(Chromium))
        GTEST_SKIP() << "no " << Chromium.toStdString();
    TempFolder folder;
    QProcess host;
    const QString base = startHost(host);
    ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:")));

    QProcess cli;
    cli.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"),
              {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, QStringLiteral("--images"),
               QStringLiteral("--quiet"), QStringLiteral("archive"), QStringLiteral("qiruvo")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    host.terminate();
    ASSERT_TRUE(host.waitForFinished(5000));

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
    writeAll(folder.file(QStringLiteral("probe.html")), probe.toUtf8());
    QProcess chromium;
    chromium.start(Chromium,
                   {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                    QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                    QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                    QStringLiteral("--disable-sync"), QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
                    QStringLiteral("--user-data-dir=") + folder.file(QStringLiteral("profile")),
                    QStringLiteral("--allow-file-access-from-files"), QStringLiteral("--disable-popup-blocking"),
                    QStringLiteral("--virtual-time-budget=30000"), QStringLiteral("--dump-dom"),
                    QUrl::fromLocalFile(folder.file(QStringLiteral("probe.html"))).toString()});
    ASSERT_TRUE(chromium.waitForFinished(90000));
    const QByteArray dump = chromium.readAllStandardOutput();
    const qsizetype begin = dump.indexOf("REPORT:");
    const qsizetype end = dump.indexOf(":END");
    ASSERT_GE(begin, 0) << dump.toStdString();
    const QJsonObject report =
        QJsonDocument::fromJson(QByteArray::fromBase64(dump.mid(begin + 7, end - begin - 7))).object();
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
}
