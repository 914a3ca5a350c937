#include "epub/bookreader.h"
#include "support/chromium.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Opens one content document and reports its text and pictures as base64 JSON.
const char ProbeScript[] = R"(<!DOCTYPE html><meta charset=utf-8><body><pre id=out></pre><script>
const w = window.open(DOCUMENT, '_blank');
let reported = false;
function report(r) {
  if (reported) return;
  reported = true;
  const bytes = new TextEncoder().encode(JSON.stringify(r));
  let binary = '';
  for (const b of bytes) binary += String.fromCharCode(b);
  document.getElementById('out').textContent = 'REPORT:' + btoa(binary) + ':END';
}
w.addEventListener('load', () => report({
  text: w.document.body.innerText,
  images: [...w.document.images].map(i => ({ complete: i.complete, width: i.naturalWidth })),
  resources: w.performance.getEntriesByType('resource').map(e => e.name) }));
setTimeout(() => report({ error: 'no load' }), 10000);
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

// The book's files unpacked into a folder, as a reading system lays them out.
void unpack(const EpubTest::Book &book, const QString &folder)
{
    for (auto it = book.files.cbegin(); it != book.files.cend(); ++it) {
        const QString path = folder + u'/' + it.key();
        QDir().mkpath(QFileInfo(path).path());
        writeAll(path, it.value());
    }
}

} // namespace

// `archive --images --epub` by the real programs: the book passes epubcheck, holds every saved
// picture as saved, and Chromium shows a content document with its Chinese text and picture and
// nothing fetched from outside the book.
TEST(EpubFromTheCommandLine, BookOfAnArchiveWithPicturesIsCleanAndShowsInChromium)
{
    TempFolder folder;
    QProcess host;
    const QString base = startHost(host);
    ASSERT_TRUE(base.startsWith(QStringLiteral("http://127.0.0.1:")));
    QProcess cli;
    cli.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"),
              {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, QStringLiteral("--images"),
               QStringLiteral("--epub"), QStringLiteral("--quiet"), QStringLiteral("archive"),
               QStringLiteral("qiruvo")});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    host.terminate();
    ASSERT_TRUE(host.waitForFinished(5000));
    ASSERT_TRUE(QFileInfo(folder.file(QStringLiteral("qiruvo.chm"))).size() > 0);

    const QString path = folder.file(QStringLiteral("qiruvo.epub"));
    const EpubTest::Book book = EpubTest::readBook(path);
    ASSERT_TRUE(book.opened);
    const QString images = folder.file(QStringLiteral("qiruvo/images"));
    const QStringList saved = QDir(images).entryList(QDir::Files);
    ASSERT_FALSE(saved.isEmpty());
    for (const QString &name : saved)
        EXPECT_EQ(book.files.value(QStringLiteral("images/") + name), readAll(images + u'/' + name))
            << name.toStdString();

    const EpubTest::Verdict verdict = EpubTest::epubcheck(path);
    if (verdict.ran) {
        EXPECT_TRUE(verdict.clean) << verdict.output.toStdString();
    }

    if (!QFile::exists(TestChromium::program()))
        GTEST_SKIP() << "no Chromium";
    QString document;
    for (const QString &name : book.names) {
        if (name.startsWith(QLatin1String("text/")) && book.files.value(name).contains("<img "))
            document = name;
    }
    ASSERT_FALSE(document.isEmpty());
    const QString unpacked = folder.file(QStringLiteral("book"));
    unpack(book, unpacked);
    QString probe = QString::fromUtf8(ProbeScript);
    probe.replace(QStringLiteral("DOCUMENT"),
                  u'"' + QUrl::fromLocalFile(unpacked + u'/' + document).toString(QUrl::FullyEncoded) + u'"');
    writeAll(folder.file(QStringLiteral("probe.html")), probe.toUtf8());
    QProcess chromium;
    chromium.start(TestChromium::program(),
                   TestChromium::headlessArguments(folder.file(QStringLiteral("profile"))) +
                       QStringList{QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
                                   QStringLiteral("--allow-file-access-from-files"),
                                   QStringLiteral("--disable-popup-blocking"),
                                   QStringLiteral("--virtual-time-budget=15000"), QStringLiteral("--dump-dom"),
                                   QUrl::fromLocalFile(folder.file(QStringLiteral("probe.html"))).toString()});
    ASSERT_TRUE(chromium.waitForFinished(90000));
    const QByteArray dump = chromium.readAllStandardOutput();
    const qsizetype begin = dump.indexOf("REPORT:");
    const qsizetype end = dump.indexOf(":END");
    ASSERT_GE(begin, 0) << dump.toStdString();
    const QJsonObject report =
        QJsonDocument::fromJson(QByteArray::fromBase64(dump.mid(begin + 7, end - begin - 7))).object();
    ASSERT_FALSE(report.contains(QStringLiteral("error"))) << dump.toStdString();
    const QString text = report.value(QStringLiteral("text")).toString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("\\p{Han}{4}")))) << text.toStdString();
    const QVariantList shown = report.value(QStringLiteral("images")).toVariant().toList();
    ASSERT_FALSE(shown.isEmpty());
    for (const QVariant &image : shown) {
        EXPECT_TRUE(image.toMap().value(QStringLiteral("complete")).toBool());
        EXPECT_GT(image.toMap().value(QStringLiteral("width")).toInt(), 0);
    }
    for (const QVariant &resource : report.value(QStringLiteral("resources")).toVariant().toList())
        EXPECT_TRUE(resource.toString().startsWith(QStringLiteral("file:"))) << resource.toString().toStdString();
}
