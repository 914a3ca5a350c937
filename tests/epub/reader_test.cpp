#include "blog/articletable.h"
#include "epub/epubbook.h"
#include "helpfile/samplearchive.h"
#include "support/tempfolder.h"

#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Ends a process and everything it started: it runs in a session of its own.
void endGroup(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    const auto group = static_cast<pid_t>(process.processId());
    ::kill(-group, SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished(5000);
    }
}

} // namespace

// Okular (with its EPUB backend) opens the example blog's book under Xvfb and keeps it open, and
// its EPUB backend reports no error.
TEST(EpubReader, OkularKeepsTheExampleBookOpen)
{
    const QString reader = QStandardPaths::findExecutable(QStringLiteral("okular"));
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (reader.isEmpty() || xvfb.isEmpty())
        GTEST_SKIP() << "okular or Xvfb is not installed";
    TempFolder program;
    const QString blog = QStringLiteral("qiruvo");
    const std::vector<ChmTest::ArchivedArticle> articles = ChmTest::sampleArticles(blog);
    ChmTest::writeArchive(program.path(), blog, articles);
    Blog::ArticleTable table;
    for (const ChmTest::ArchivedArticle &a : articles)
        table.appendArticle(a.title, a.category, a.link, QStringLiteral("2011-06-01 12:00"));
    const Result<Epub::BookReport> book = Epub::writeBook(
        {program.path(), blog, QStringLiteral("http://127.0.0.1:8642/"), QDateTime::currentDateTime(), table});
    ASSERT_TRUE(book.ok()) << book.error().toStdString();

    // The server picks a free display itself and names it, so tests running side by side never meet.
    QProcess server;
    server.setChildProcessModifier([] { ::setsid(); });
    server.start(xvfb,
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted());
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const QString display = QString::fromLatin1(server.readLine()).trimmed();
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start: " << server.readAllStandardError().toStdString();

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    environment.insert(QStringLiteral("HOME"), program.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), program.path());
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(reader, {book->outputPath});
    ASSERT_TRUE(process.waitForStarted());
    const bool exited = process.waitForFinished(8000);
    endGroup(process);
    endGroup(server);
    const QByteArray output = process.readAll();
    EXPECT_FALSE(exited) << "okular exited with " << process.exitCode() << ":\n" << output.right(2000).toStdString();
    // On a book it cannot read okular stays open, empty; its EPUB backend says why.
    EXPECT_FALSE(output.contains("libepub (EE)")) << output.right(2000).toStdString();
}
