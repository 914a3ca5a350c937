// Writes the EPUB book and compiles the help file of the same archive of 5,000 GBK articles in 30
// Chinese-named categories, side by side in one run: the book may take at most twice the compile's
// time and 300 MB of peak memory.

#include "archive/projectwriter.h"
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

constexpr int Articles = 5000;
constexpr int Categories = 30;
constexpr double MaxRatio = 2.0;
constexpr long MaxPeakKiB = 300 * 1024;
const QString blog = QStringLiteral("benchblog");

const QStringList categoryNames{
    QStringLiteral("随笔"), QStringLiteral("技术"),  QStringLiteral("生活"), QStringLiteral("读书"),
    QStringLiteral("旅行"), QStringLiteral("摄影"),  QStringLiteral("音乐"), QStringLiteral("电影"),
    QStringLiteral("美食"), QStringLiteral("历史"),  QStringLiteral("文学"), QStringLiteral("诗歌"),
    QStringLiteral("散文"), QStringLiteral("教育"),  QStringLiteral("健康"), QStringLiteral("运动"),
    QStringLiteral("科学"), QStringLiteral("编程"),  QStringLiteral("网络"), QStringLiteral("工作"),
    QStringLiteral("家庭"), QStringLiteral("朋友"),  QStringLiteral("心情"), QStringLiteral("日记"),
    QStringLiteral("转载"), QStringLiteral("评论"),  QStringLiteral("新闻"), QStringLiteral("艺术"),
    QStringLiteral("设计"), QStringLiteral("未分类")};

bool put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Article files of 2 to 30 KB of GBK prose with links, as the bench of the compiler writes them.
qint64 writeArchive(const QString &archive, Blog::ArticleTable &table)
{
    std::vector<QByteArray> words;
    for (const QString &w : QStringLiteral("我们 今天 一个 没有 什么 时候 因为 所以 但是 已经 生活 工作 城市 早上 "
                                           "晚上 天气 阳光 春天 学习 读书 写作 电脑 程序 网络 文章 博客 ， 。 ！ ？")
                                .split(QLatin1Char(' ')))
        words.push_back(Gbk::encode(w));
    std::mt19937 rng(2026);
    qint64 bytes = 0;
    for (int i = 0; i < Articles; ++i) {
        const QString category = categoryNames[static_cast<int>(rng() % Categories)];
        const QString link = QStringLiteral("%1.html").arg(100000 + i);
        const int size = 2048 + static_cast<int>(rng() % (28 * 1024));
        QByteArray page = Gbk::encode(QStringLiteral("<div class=\"tit\"><span>查看文章</span></div></td>\r\n"));
        while (page.size() < size) {
            page += "<p>";
            for (int w = 20 + static_cast<int>(rng() % 60); w > 0; --w)
                page += words[rng() % words.size()];
            if (rng() % 4 == 0)
                page += "<a href=\"http://blog.example/" + QByteArray::number(static_cast<int>(rng() % 100000)) +
                        ".html\">link</a>";
            page += "</p>\r\n";
        }
        put(archive + QLatin1Char('/') + category + QLatin1Char('/') + link, page);
        bytes += page.size();
        table.appendArticle(QStringLiteral("第%1篇文章").arg(i), category, link, QStringLiteral("2011-06-01 12:00"));
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
