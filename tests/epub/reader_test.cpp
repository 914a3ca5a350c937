#include "blog/articletable.h"
#include "epub/epubbook.h"
#include "helpfile/samplearchive.h"
#include "support/tempfolder.h"
#include "support/xvfbreader.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

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
    ChmTest::loadTable(table, articles);
    const Result<Epub::BookReport> book = Epub::writeBook(
        {program.path(), blog, QStringLiteral("http://127.0.0.1:8642/"), QDateTime::currentDateTime(), table});
    ASSERT_TRUE(book.ok()) << book.error().toStdString();

    const XvfbReader::Run run = XvfbReader::open(reader, xvfb, book->outputPath, program.path(), 8000);
    ASSERT_TRUE(run.problem.isEmpty()) << run.problem.toStdString();
    const QByteArray &output = run.output;
    EXPECT_FALSE(run.exited) << "okular exited with " << run.exitCode << ":\n" << output.right(2000).toStdString();
    // On a book it cannot read okular stays open, empty; its EPUB backend says why.
    EXPECT_FALSE(output.contains("libepub (EE)")) << output.right(2000).toStdString();
}
