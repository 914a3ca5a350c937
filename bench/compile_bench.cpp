// Compiles an archive of 5,000 GBK articles in 30 Chinese-named categories with our compiler, without
// and with the full-text index, then a copy with ASCII folder names with Free Pascal's chmcmd (its
// full-text search on) when it is installed, and compares them side by side.

#include "archive/projectwriter.h"
#include "benchmarkarchive.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"
#include "helpfile/hha.h"
#include "helpfile/pagewords.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace BenchArchive;

constexpr int PerPage = 20;
const QString blog = QStringLiteral("benchblog");

// Writes the archive with the given folder names; `forChmcmd` writes the project in its dialect
// (forward slashes, output inside the folder, every page listed) as UTF-8.
qint64 writeArchive(const QString &archive, const QStringList &folders, const std::vector<Article> &articles,
                    bool forChmcmd)
{
    const std::vector<QByteArray> words = vocabulary();
    const QString separator = forChmcmd ? QStringLiteral("/") : QStringLiteral("\\");
    qint64 bytes = 0;
    std::vector<QStringList> byCategory(Categories);
    QByteArray all = "<html><body>\r\n";
    for (size_t i = 0; i < articles.size(); ++i) {
        const Article &a = articles[i];
        const QString entry = folders[a.category] + separator + a.link;
        const QByteArray page = articlePage(a, static_cast<int>(i), words);
        put(archive + QLatin1Char('/') + folders[a.category] + QLatin1Char('/') + a.link, page);
        bytes += page.size();
        byCategory[static_cast<size_t>(a.category)] << entry;
        all += "<a href=\"" + Gbk::encode(entry) + "\">" + Gbk::encode(entry) + "</a><br>\r\n";
    }
    put(archive + QStringLiteral("/all.htm"), all + "</body></html>\r\n");
    put(archive + QStringLiteral("/style.css"), "body { font-size: 14px; }\r\n");
    QStringList pages{QStringLiteral("index.html"), QStringLiteral("all.htm"), QStringLiteral("style.css")};
    QByteArray index = "<html><body><a href=all.htm>all</a>\r\n";
    for (int c = 0; c < Categories; ++c) {
        const QStringList &list = byCategory[static_cast<size_t>(c)];
        for (int p = 0; p * PerPage < list.size(); ++p) {
            const QString name = folders[c] + (p == 0 ? QString() : QString::number(p + 1)) + QStringLiteral(".htm");
            QByteArray html = "<html><body>\r\n";
            for (const QString &entry : list.mid(p * PerPage, PerPage))
                html += "<a href=\"" + Gbk::encode(entry) + "\">x</a><br>\r\n";
            if ((p + 1) * PerPage < list.size())
                html +=
                    "<a href=\"" + Gbk::encode(QString(folders[c] + QString::number(p + 2))) + ".htm\">next</a>\r\n";
            put(archive + QLatin1Char('/') + name, html + "</body></html>\r\n");
            pages << name;
            if (p == 0)
                index += "<a href=\"" + Gbk::encode(name) + "\">" + Gbk::encode(folders[c]) + "</a>\r\n";
        }
    }
    put(archive + QStringLiteral("/index.html"), index + "</body></html>\r\n");

    // The project is the one Pelmora writes; chmcmd's copy differs only in its dialect.
    Blog::ArticleTable table;
    for (const Article &a : articles)
        table.appendArticle(QString(), folders[a.category], a.link, QString());
    if (!forChmcmd) {
        (void)Archive::writeProject(archive, blog, table);
        return bytes;
    }
    auto slashes = [](QStringList lines) {
        for (QString &line : lines)
            line.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return lines;
    };
    QStringList project = slashes(Archive::projectLines(blog, table));
    project[2] = QStringLiteral("Compiled file = ") + blog + QStringLiteral(".chm");
    project.insert(3, QStringLiteral("Full-text search=Yes"));
    project.insert(project.size() - 2, pages.join(QStringLiteral("\r\n")));
    put(archive + QStringLiteral("/nolv.hhp"),
        (project.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    (void)LineWriter::writeLines(archive + QStringLiteral("/nolv.hhk"), slashes(Archive::indexLines(table)));
    (void)LineWriter::writeLines(archive + QStringLiteral("/nolv.hhc"), slashes(Archive::contentsLines(table)));
    return bytes;
}

double log2Choose(double n, double k)
{
    return (std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1)) / std::log(2.0);
}

// The fewest bytes the index's hit lists can take when each list is coded on its own, whatever the
// code: for each word of a page, which of the page's locations hold it, and for each word, which of
// the pages hold it (counts left out, so this is a floor).
double idealHitListBytes(const QString &archive)
{
    QHash<QByteArray, int> pagesWith;
    double bits = 0;
    int pages = 0;
    for (QDirIterator it(archive, {QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QHash<QByteArray, int> hits;
        quint32 locations = 0;
        HelpFile::forEachPageWord(file.readAll(), [&](QByteArrayView word, quint32 location) {
            ++hits[word.toByteArray()];
            locations = std::max(locations, location + 1);
        });
        for (auto h = hits.cbegin(); h != hits.cend(); ++h) {
            bits += log2Choose(locations, h.value());
            ++pagesWith[h.key()];
        }
        ++pages;
    }
    for (const int holding : std::as_const(pagesWith))
        bits += log2Choose(pages, holding);
    return bits / 8;
}

// CPU seconds used so far by this process or by its finished children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    const std::vector<Article> articles = makeArticles();
    const QString ours = temp.filePath(QStringLiteral("ours"));
    const qint64 content = writeArchive(ours + QLatin1Char('/') + blog, categoryNames, articles, false);
    out << "archive: " << Articles << " articles in " << Categories << " categories, "
        << QString::number(content / 1e6, 'f', 1) << " MB of pages\n";
    out.flush();

    struct Run
    {
        double seconds = 0;
        double cpu = 0;
        qint64 size = 0;
    };
    const auto compileOurs = [&](bool fullTextSearch) -> std::optional<Run> {
        HelpFile::CompileOptions options;
        options.fullTextSearch = fullTextSearch;
        QElapsedTimer timer;
        qint64 firstFileMs = -1; // when the progress bar starts counting files
        options.filesCompressed = [&](int done, int) {
            if (done == 1)
                firstFileMs = timer.elapsed();
        };
        timer.start();
        const double cpuStart = cpuSeconds(RUSAGE_SELF);
        const Result<HelpFile::CompileReport> report =
            HelpFile::compileProject(ours + QLatin1Char('/') + blog + QStringLiteral("/nolv.hhp"), {}, options);
        const Run run{static_cast<double>(timer.elapsed()) / 1000.0, cpuSeconds(RUSAGE_SELF) - cpuStart,
                      report ? report->outputBytes : 0};
        if (!report) {
            out << "our compile failed: " << report.error() << '\n';
            return std::nullopt;
        }
        out << (fullTextSearch ? "ours, with search index:    " : "ours, without search index: ")
            << QString::number(run.seconds, 'f', 2) << " s (" << QString::number(run.cpu, 'f', 2) << " s CPU), "
            << run.size << " bytes (" << report->fileCount << " files, "
            << QString::number(100.0 * run.size / report->contentBytes, 'f', 1) << " % of the content";
        if (fullTextSearch)
            out << "; " << report->indexedPages << " pages, " << report->indexedWords << " words indexed";
        out << ")\n  files counted on the progress bar for the last "
            << QString::number(100.0 - 100.0 * static_cast<double>(firstFileMs) / 1000.0 / run.seconds, 'f', 0)
            << " % of the time\n";
        out.flush();
        return run;
    };
    const std::optional<Run> plain = compileOurs(false);
    const std::optional<Run> indexed = compileOurs(true);
    if (!plain || !indexed)
        return 1;
    const double indexTime = indexed->seconds / plain->seconds;
    const double indexSize = static_cast<double>(indexed->size) / static_cast<double>(plain->size);
    out << "ratio with/without index: time " << QString::number(indexTime, 'f', 3) << ", CPU time "
        << QString::number(indexed->cpu / plain->cpu, 'f', 3) << ", size " << QString::number(indexSize, 'f', 3)
        << '\n';
    out << "targets with/without index: time at most 1.3x " << (indexTime <= 1.3 ? "met" : "MISSED")
        << ", size at most 1.2x " << (indexSize <= 1.2 ? "met" : "MISSED") << '\n';
    const double ideal = idealHitListBytes(ours + QLatin1Char('/') + blog);
    out << "hit lists coded ideally, list by list: " << qint64(ideal) << " bytes, so the size ratio is at least "
        << QString::number((static_cast<double>(plain->size) + ideal) / static_cast<double>(plain->size), 'f', 3)
        << " (the index's own share: " << (indexed->size - plain->size) << " bytes)\n";
    out.flush();
    const double ourSeconds = indexed->seconds;
    const double ourCpu = indexed->cpu;
    const qint64 ourSize = indexed->size;

    const QString chmcmd = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
    if (chmcmd.isEmpty()) {
        out << "chmcmd: not installed, no comparison\n";
        return 0;
    }
    QStringList ascii;
    for (int c = 0; c < Categories; ++c)
        ascii << QStringLiteral("cat%1").arg(c + 1, 2, 10, QLatin1Char('0'));
    const QString theirs = temp.filePath(QStringLiteral("chmcmd/") + blog);
    writeArchive(theirs, ascii, articles, true);
    QProcess process;
    process.setWorkingDirectory(theirs);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    const double theirCpuStart = cpuSeconds(RUSAGE_CHILDREN);
    process.start(chmcmd, {QStringLiteral("nolv.hhp")});
    process.waitForFinished(-1);
    const double theirSeconds = static_cast<double>(timer.elapsed()) / 1000.0;
    const double theirCpu = cpuSeconds(RUSAGE_CHILDREN) - theirCpuStart;
    const QFileInfo theirFile(theirs + QLatin1Char('/') + blog + QStringLiteral(".chm"));
    if (process.exitCode() != 0 || !theirFile.exists()) {
        out << "chmcmd failed (exit code " << process.exitCode() << ")\n" << process.readAll().right(2000) << '\n';
        return 0;
    }
    out << "chmcmd: " << QString::number(theirSeconds, 'f', 2) << " s (" << QString::number(theirCpu, 'f', 2)
        << " s CPU), " << theirFile.size() << " bytes\n";
    const double timeRatio = ourSeconds / theirSeconds;
    const double sizeRatio = static_cast<double>(ourSize) / static_cast<double>(theirFile.size());
    out << "ratio ours/chmcmd: time " << QString::number(timeRatio, 'f', 3) << ", CPU time "
        << QString::number(ourCpu / theirCpu, 'f', 3) << ", size " << QString::number(sizeRatio, 'f', 3) << '\n';
    out << "target (at least 5x faster, both with search): " << (timeRatio <= 0.2 ? "met" : "MISSED") << '\n';
    return 0;
}
