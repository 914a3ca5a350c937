#include "cli/clirunner.h"

#include "archive/downloadjob.h"
#include "archive/layout.h"
#include "archive/projectwriter.h"
#include "blog/addresses.h"
#include "blog/articlediscovery.h"
#include "common/blogname.h"
#include "common/paths.h"
#include "common/statustext.h"
#include "epub/epubbook.h"
#include "helpfile/hha.h"
#include "task/taskfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QTimer>

namespace Cli {

namespace {

constexpr int BarWidth = 24;
// Without a terminal, running counts are printed at most this often.
constexpr qint64 PlainProgressIntervalMs = 1000;

QString usage()
{
    return QStringLiteral(
        "Usage: pelmora-cli [--dir DIR] [--host URL] [--per-page N] [--images] [--epub] [--quiet] COMMAND NAME\n"
        "Commands:\n"
        "  find NAME      find the blog's articles and save them as DIR/NAME.ini\n"
        "  download NAME  download the articles of DIR/NAME.ini and write the index pages\n"
        "  chm NAME       pack the archive folder DIR/NAME into DIR/NAME.chm\n"
        "  epub NAME      write the archive folder DIR/NAME as the book DIR/NAME.epub\n"
        "  archive NAME   find, download and chm in turn (and epub with --epub)\n");
}

} // namespace

CliRunner::CliRunner(QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent)
    , m_out(out)
    , m_err(err)
{
    m_clock.start();
}

CliRunner::~CliRunner() = default;

void CliRunner::start(const QStringList &arguments, Settings defaults)
{
    m_settings = std::move(defaults);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Archives a blog into a compiled help file."));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Program folder for all output."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption hostOption(QStringLiteral("host"), QStringLiteral("Blog host base address."),
                                        QStringLiteral("URL"));
    const QCommandLineOption perPageOption(QStringLiteral("per-page"),
                                           QStringLiteral("Articles per index page, 1 to 255 (default 20)."),
                                           QStringLiteral("N"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"), QStringLiteral("Request time-out in seconds."),
                                           QStringLiteral("S"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Print errors only."));
    const QCommandLineOption imagesOption(
        QStringLiteral("images"),
        QStringLiteral("Download the articles' pictures into the archive and link them from there."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption epubOption(QStringLiteral("epub"),
                                        QStringLiteral("With archive: also write the EPUB book after the help file."));
    parser.addOptions({dirOption, hostOption, perPageOption, timeoutOption, quietOption, imagesOption, epubOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("find, download, chm or archive"));
    parser.addPositionalArgument(QStringLiteral("name"), QStringLiteral("The blog name."));
    const QCommandLineOption versionOption = parser.addVersionOption();

    auto usageError = [this](const QString &message) {
        m_err << message << QLatin1Char('\n') << usage();
        m_err.flush();
        m_done = true;
        QTimer::singleShot(0, this, [this] { emit finished(UsageError); });
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        m_out << parser.helpText() << QLatin1Char('\n') << usage();
        m_out.flush();
        m_done = true;
        QTimer::singleShot(0, this, [this] { emit finished(Success); });
        return;
    }
    if (parser.isSet(versionOption)) {
        m_out << QCoreApplication::applicationName() << QLatin1Char(' ') << QCoreApplication::applicationVersion()
              << QLatin1Char('\n');
        m_out.flush();
        m_done = true;
        QTimer::singleShot(0, this, [this] { emit finished(Success); });
        return;
    }
    if (parser.isSet(dirOption))
        m_settings.programFolder = QDir(parser.value(dirOption)).absolutePath();
    if (parser.isSet(hostOption))
        m_settings.hostBase = Settings::normalizedHost(parser.value(hostOption));
    if (parser.isSet(perPageOption))
        m_perPage = parser.value(perPageOption);
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const double seconds = parser.value(timeoutOption).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return usageError(QStringLiteral("--timeout takes a number of seconds from 0 to 3600"));
        m_settings.requestTimeoutMs = static_cast<int>(seconds * 1000);
    }
    m_quiet = parser.isSet(quietOption);
    m_images = parser.isSet(imagesOption);
    m_epub = parser.isSet(epubOption);
    if (auto perPage = Archive::parsePerPage(m_perPage); !perPage)
        return usageError(perPage.error());

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(QStringLiteral("expected a command and a blog name"));
    const QString command = positional[0];
    if (command == QLatin1String("find"))
        m_steps = {Step::Find};
    else if (command == QLatin1String("download"))
        m_steps = {Step::Download};
    else if (command == QLatin1String("chm"))
        m_steps = {Step::Chm};
    else if (command == QLatin1String("epub"))
        m_steps = {Step::Epub};
    else if (command == QLatin1String("archive"))
        m_steps = {Step::Find, Step::Download, Step::Chm};
    else
        return usageError(QStringLiteral("unknown command: ") + command);
    if (m_epub && command == QLatin1String("archive"))
        m_steps.append(Step::Epub);
    m_blogName = positional[1];
    if (auto check = checkBlogName(m_blogName); !check)
        return usageError(check.error());
    if (!QDir().mkpath(m_settings.programFolder)) {
        fail(Failure, QStringLiteral("cannot create the folder ") + m_settings.programFolder);
        return;
    }

    m_network = std::make_unique<QNetworkAccessManager>();
    QTimer::singleShot(0, this, &CliRunner::runNext);
}

void CliRunner::interrupt()
{
    if (m_done)
        return;
    if (m_discovery)
        m_discovery->abort();
    if (m_download)
        m_download->abort();
    fail(Interrupted, QStringLiteral("interrupted; what was saved stays on disk"));
}

void CliRunner::runNext()
{
    if (m_done)
        return;
    if (m_steps.isEmpty())
        return succeed();
    const Step step = m_steps.takeFirst();
    switch (step) {
    case Step::Find:
        return runFind();
    case Step::Download:
        return runDownload();
    case Step::Chm:
        return runChm();
    case Step::Epub:
        return runEpub();
    }
}

void CliRunner::runFind()
{
    m_discovery = std::make_unique<Blog::ArticleDiscovery>(*m_network, m_table, m_settings.requestTimeoutMs,
                                                           m_settings.maxBodyBytes);
    m_discovery->setMaxAttempts(m_settings.maxAttempts);
    connect(m_discovery.get(), &Blog::ArticleDiscovery::statusChanged, this, &CliRunner::status);
    connect(m_discovery.get(), &Blog::ArticleDiscovery::pageSelected, this, [this](int index) {
        progressLine(index + 1, static_cast<int>(m_discovery->queue().size()),
                     QStringLiteral("%1 articles").arg(m_table.articleCount()));
    });
    connect(m_discovery.get(), &Blog::ArticleDiscovery::finished, this, &CliRunner::onFound);
    m_discovery->start(m_settings.hostBase, m_blogName, Blog::Address::blog(m_settings.hostBase, m_blogName));
}

void CliRunner::onFound()
{
    endLine();
    // A Find that stopped at a page leaves any task file from an earlier one as it is.
    if (!m_discovery->failure().isEmpty())
        return fail(Failure, m_discovery->failure());
    const QStringList unstorable = Task::unstorableValues(m_table);
    for (const QString &problem : unstorable)
        m_err << QStringLiteral("warning: the task file cannot carry an empty value or line break: ") << problem
              << QLatin1Char('\n');
    m_err.flush();
    if (auto exported = Task::exportTask(taskPath(), m_blogName, m_table); !exported)
        return fail(Failure, exported.error());
    status(StatusText::exported(m_blogName));
    endLine();
    if (!m_quiet) {
        m_out << QStringLiteral("%1 articles; task file: %2\n")
                     .arg(m_table.articleCount())
                     .arg(QDir::toNativeSeparators(taskPath()));
        m_out.flush();
    }
    runNext();
}

bool CliRunner::importTask()
{
    const auto task = Task::importTask(taskPath());
    if (!task) {
        fail(Failure, task.error());
        return false;
    }
    if (task->blogName != m_blogName) {
        fail(Failure, QStringLiteral("%1 belongs to the blog \"%2\"").arg(taskPath(), task->blogName));
        return false;
    }
    m_table.clear();
    for (const Task::Record &r : task->records)
        m_table.LoadWZ(r.title, r.category, r.link, r.date);
    return true;
}

void CliRunner::runDownload()
{
    if (!m_discovery && !importTask())
        return;
    m_download = std::make_unique<Archive::DownloadJob>(*m_network, m_table,
                                                        Archive::DownloadDriver::Options::fromSettings(m_settings));
    m_download->setClock(m_settings.now, QLocale::system());
    connect(m_download.get(), &Archive::DownloadJob::statusChanged, this, [this](const QString &text) {
        // The running counts are shown by the progress line.
        if (!text.startsWith(QStringLiteral("下载文章：")) && !text.startsWith(QStringLiteral("生成文章索引：")) &&
            !text.startsWith(QStringLiteral("图片：")))
            status(text);
    });
    if (m_images) {
        m_download->setImages(Archive::ImageOptions::fromSettings(m_settings));
        connect(m_download.get(), &Archive::DownloadJob::imageProgress, this,
                [this](int done, int total) { progressLine(done, total, QString(), QStringLiteral("图片：")); });
    }
    connect(m_download.get(), &Archive::DownloadJob::progress, this, [this](int saved, int total, int givenUp) {
        const double seconds = std::max<qint64>(1, m_clock.elapsed()) / 1000.0;
        QString extra = QStringLiteral("%1/s").arg(saved / seconds, 0, 'f', 1);
        if (givenUp > 0)
            extra += QStringLiteral(", %1 given up").arg(givenUp);
        progressLine(saved + givenUp, total, extra);
    });
    connect(m_download.get(), &Archive::DownloadJob::finished, this, &CliRunner::onDownloaded);
    connect(&m_download->driver(), &Archive::DownloadDriver::rowGivenUp, this, [this](int row, const QString &why) {
        endLine();
        m_err << QStringLiteral("given up: row %1 (%2): %3\n").arg(row).arg(m_table.article(row).link, why);
        m_err.flush();
    });
    m_ticker = std::make_unique<QTimer>();
    connect(m_ticker.get(), &QTimer::timeout, m_download.get(), &Archive::DownloadJob::tick);
    m_ticker->start(1000);
    m_clock.restart();
    if (auto started = m_download->start(m_blogName, Blog::Address::blog(m_settings.hostBase, m_blogName), m_perPage);
        !started)
        fail(Failure, started.error());
}

void CliRunner::onDownloaded(const Archive::DownloadJobReport &report)
{
    m_ticker->stop();
    endLine();
    if (report.download.aborted)
        return;
    if (report.images)
        reportImages(*report.images);
    if (!report.indexed)
        return fail(Failure, report.error);
    if (!m_quiet) {
        m_out << QStringLiteral("%1 of %2 articles saved in %3\n")
                     .arg(report.download.saved)
                     .arg(report.download.articles)
                     .arg(QDir::toNativeSeparators(
                         Archive::Layout(m_settings.programFolder, m_blogName).archiveFolder()));
        m_out.flush();
    }
    QString incomplete;
    if (report.download.givenUp > 0)
        incomplete = QStringLiteral("%1 articles were given up").arg(report.download.givenUp);
    else if (report.download.saved < report.download.articles)
        incomplete = QStringLiteral("%1 articles were not saved").arg(report.download.articles - report.download.saved);
    if (incomplete.isEmpty())
        return runNext();
    // What was saved still becomes a help file; the run fails once that is written.
    if (m_steps.contains(Step::Chm)) {
        m_incomplete = incomplete;
        return runNext();
    }
    fail(Failure, incomplete);
}

void CliRunner::reportImages(const Archive::ImageReport &report)
{
    // Pictures that could not be kept are listed but do not fail the run: every article is saved
    // and each such picture still shows from its remote address.
    for (const Archive::ImageFailure &failure : report.givenUp)
        m_err << QStringLiteral("picture given up: %1: %2\n").arg(failure.address, failure.reason);
    for (const QString &error : report.errors)
        m_err << QStringLiteral("picture links not rewritten: %1\n").arg(error);
    m_err.flush();
    if (m_quiet)
        return;
    m_out << QStringLiteral("pictures: %1 of %2 saved (%3 fetched now), %4 references kept remote, %5 given up\n")
                 .arg(report.saved)
                 .arg(report.pictures)
                 .arg(report.fetched)
                 .arg(report.keptRemote)
                 .arg(report.givenUp.size());
    m_out.flush();
}

void CliRunner::runChm()
{
    if (!m_discovery && !m_download && !importTask())
        return;
    const Archive::Layout layout(m_settings.programFolder, m_blogName);
    if (!QFileInfo::exists(layout.file(QStringLiteral("index.html"))))
        return fail(Failure, QStringLiteral("%1 has no start page; run download first")
                                 .arg(QDir::toNativeSeparators(layout.archiveFolder())));
    if (auto written = Archive::writeProject(layout.archiveFolder(), m_blogName, m_table); !written)
        return fail(Failure, written.error());
    status(StatusText::packing());
    const auto compiled = HelpFile::compileProject(layout.file(Archive::projectFileName()));
    if (!compiled)
        return fail(Failure, StatusText::packFailed(compiled.error()));
    const QStringList missing = compiled->missingFiles;
    status(missing.isEmpty() ? StatusText::packed() : StatusText::packedWithout(static_cast<int>(missing.size())));
    endLine();
    if (!m_quiet) {
        m_out << QStringLiteral("help file: %1\n")
                     .arg(QDir::toNativeSeparators(
                         Paths::join(m_settings.programFolder, m_blogName + QStringLiteral(".chm"))));
        m_out.flush();
    }
    if (!missing.isEmpty()) {
        for (const QString &article : Archive::describeEntries(m_table, missing))
            m_err << QStringLiteral("missing: ") << article << QLatin1Char('\n');
        // The book is still written; the run fails once it is.
        if (m_steps.contains(Step::Epub)) {
            if (m_incomplete.isEmpty())
                m_incomplete = QStringLiteral("%1 articles are not in the help file").arg(missing.size());
            return runNext();
        }
        return fail(
            Failure,
            QStringLiteral("%1 articles are not in the help file; download again to add them").arg(missing.size()));
    }
    runNext();
}

void CliRunner::runEpub()
{
    if (!m_discovery && !m_download && !importTask())
        return;
    const Epub::BookRequest request{m_settings.programFolder, m_blogName, m_settings.hostBase, m_settings.now(),
                                    m_table};
    const auto book = Epub::writeBook(
        request, [this](int done, int total) { progressLine(done, total, QString(), QStringLiteral("EPUB：")); });
    endLine();
    if (!book)
        return fail(Failure, book.error());
    if (!m_quiet) {
        m_out << QStringLiteral("book: %1 (%2 articles, %3 pictures)\n")
                     .arg(QDir::toNativeSeparators(book->outputPath))
                     .arg(book->articleCount)
                     .arg(book->pictureCount);
        m_out.flush();
    }
    for (const QString &article : book->missingArticles)
        m_err << QStringLiteral("missing: ") << article << QLatin1Char('\n');
    for (const QString &problem : book->problems)
        m_err << QStringLiteral("book: ") << problem << QLatin1Char('\n');
    m_err.flush();
    if (!book->missingArticles.isEmpty())
        return fail(Failure, QStringLiteral("%1 articles are not in the book; download again to add them")
                                 .arg(book->missingArticles.size()));
    if (!book->problems.isEmpty())
        return fail(Failure, QStringLiteral("the book lacks what %1 lines above name").arg(book->problems.size()));
    runNext();
}

void CliRunner::status(const QString &text)
{
    if (m_quiet || text == m_lastStatus)
        return;
    m_lastStatus = text;
    endLine();
    m_out << text << QLatin1Char('\n');
    m_out.flush();
}

void CliRunner::progressLine(int done, int total, const QString &extra, const QString &label)
{
    if (m_quiet)
        return;
    const QString counts = label + QStringLiteral("%1/%2").arg(done).arg(total);
    const QString suffix = extra.isEmpty() ? QString() : QStringLiteral(" (") + extra + QLatin1Char(')');
    if (!m_interactive) {
        const qint64 now = m_clock.elapsed();
        if (done < total && m_lastPrint >= 0 && now - m_lastPrint < PlainProgressIntervalMs)
            return;
        m_lastPrint = now;
        m_out << counts << suffix << QLatin1Char('\n');
        m_out.flush();
        return;
    }
    const int filled = total > 0 ? static_cast<int>(static_cast<qint64>(BarWidth) * done / total) : 0;
    m_out << QStringLiteral("\r[") << QString(filled, QLatin1Char('#')) << QString(BarWidth - filled, QLatin1Char('-'))
          << QStringLiteral("] ") << counts << suffix << QStringLiteral("\x1b[K");
    m_out.flush();
    m_lineOpen = true;
}

void CliRunner::endLine()
{
    if (m_lineOpen) {
        m_out << QLatin1Char('\n');
        m_out.flush();
        m_lineOpen = false;
    }
    m_lastPrint = -1;
}

void CliRunner::fail(int code, const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    endLine();
    m_err << QStringLiteral("pelmora-cli: ") << message << QLatin1Char('\n');
    m_err.flush();
    QTimer::singleShot(0, this, [this, code] { emit finished(code); });
}

void CliRunner::succeed()
{
    if (!m_incomplete.isEmpty())
        return fail(Failure, m_incomplete);
    m_done = true;
    endLine();
    QTimer::singleShot(0, this, [this] { emit finished(Success); });
}

QString CliRunner::taskPath() const
{
    return Paths::join(m_settings.programFolder, m_blogName + QStringLiteral(".ini"));
}

} // namespace Cli
