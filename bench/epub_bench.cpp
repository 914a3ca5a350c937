// Writes the EPUB book and compiles the help file of the same archive of 5,000 GBK articles in 30
// Chinese-named categories, side by side in one run: the book may take at most twice the compile's
// time and 300 MB of peak memory.

#include "archive/projectwriter.h"
#include "benchmarkarchive.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "epub/epubbook.h"
#include "helpfile/hha.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace BenchArchive;

constexpr double MaxRatio = 2.0;
constexpr long MaxPeakKiB = 300 * 1024;
const QString blog = QStringLiteral("benchblog");

// The benchmark archive's article files as the saver leaves them, the table as Find fills it.
qint64 writeArchive(const QString &archive, Blog::ArticleTable &table)
{
    const std::vector<QByteArray> words = vocabulary();
    std::mt19937 rng(2026);
    qint64 bytes = 0;
    int index = 0;
    for (const Article &a : makeArticles()) {
        const QString category = categoryNames[a.category];
        QByteArray page = Gbk::encode(QStringLiteral("<div class=\"tit\"><span>查看文章</span></div></td>\r\n"));
        appendParagraphs(page, a.size, words, rng);
        put(archive + QLatin1Char('/') + category + QLatin1Char('/') + a.link, page);
        bytes += page.size();
        table.appendArticle(QStringLiteral("第%1篇文章").arg(index++), category, a.link,
                            QStringLiteral("2011-06-01 12:00"));
    }
    put(archive + QStringLiteral("/index.html"), "<html><body>index</body></html>\r\n");
    put(archive + QStringLiteral("/all.htm"), "<html><body>all</body></html>\r\n");
    (void)Archive::writeProject(archive, blog, table);
    return bytes;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        out << "cannot create a temporary folder\n";
        return 1;
    }
    Blog::ArticleTable table;
    const qint64 content = writeArchive(temp.filePath(blog), table);
    out << "archive: " << Articles << " articles in " << Categories << " categories, "
        << QString::number(content / 1e6, 'f', 1) << " MB of pages\n";
    out.flush();

    // The book first, so that the peak memory measured after it is the book's and the archive's.
    QElapsedTimer timer;
    timer.start();
    const Result<Epub::BookReport> book = Epub::writeBook(
        {temp.path(), blog, QStringLiteral("http://127.0.0.1:8642/"), QDateTime::currentDateTime(), table});
    const qint64 bookMs = timer.elapsed();
    const long bookPeak = peakKiB();
    if (!book || !book->complete()) {
        out << "book failed: " << (book ? book->problems.join(u'\n') : book.error()) << '\n';
        return 1;
    }
    timer.restart();
    const Result<HelpFile::CompileReport> chm =
        HelpFile::compileProject(temp.filePath(blog + QStringLiteral("/nolv.hhp")));
    const qint64 chmMs = timer.elapsed();
    if (!chm) {
        out << "compile failed: " << chm.error() << '\n';
        return 1;
    }
    const double ratio = static_cast<double>(bookMs) / static_cast<double>(std::max<qint64>(chmMs, 1));
    out << "epub: " << bookMs << " ms, " << QFileInfo(book->outputPath).size() / 1000 << " KB, peak " << bookPeak / 1024
        << " MB\n"
        << "chm:  " << chmMs << " ms, " << chm->outputBytes / 1000 << " KB\n"
        << "epub/chm time: " << QString::number(ratio, 'f', 2) << " (at most " << MaxRatio << ")\n";
    const bool ok = ratio <= MaxRatio && bookPeak <= MaxPeakKiB;
    out << (ok ? "PASS\n" : "FAIL\n");
    return ok ? 0 : 1;
}
