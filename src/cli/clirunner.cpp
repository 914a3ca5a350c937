#include "cli/clirunner.h"

#include "archive/downloadjob.h"
#include "archive/helpoptions.h"
#include "archive/layout.h"
#include "blog/addresses.h"
#include "blog/articlediscovery.h"
#include "common/blogname.h"
#include "epub/epubbook.h"
#include "frontend/statustext.h"
#include "pipeline/helpfilejob.h"
#include "pipeline/taskjob.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace Cli {

namespace {

// Without a terminal, running counts are printed at most this often.
constexpr qint64 PlainProgressIntervalMs = 1000;
// On a terminal the line is redrawn at most this often within a phase.
constexpr qint64 TerminalRedrawIntervalMs = 100;

QString usage()
{
    return QStringLiteral(
        "Usage: pelmora-cli [--dir DIR] [--host URL] [--per-page N] [--timeout S] [--images] [--titles] [--epub] "
        "[--quiet] COMMAND NAME\n"
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

struct CliRunner::Options
{
    QCommandLineOption dir{QStringLiteral("dir"), QStringLiteral("Program folder for all output."),
                           QStringLiteral("DIR")};
    QCommandLineOption host{QStringLiteral("host"), QStringLiteral("Blog host base address."), QStringLiteral("URL")};
    QCommandLineOption perPage{QStringLiteral("per-page"),
                               QStringLiteral("Articles per index page, 1 to 255 (default 20)."), QStringLiteral("N")};
    QCommandLineOption timeout{QStringLiteral("timeout"), QStringLiteral("Request time-out in seconds."),
                               QStringLiteral("S")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("Print errors only.")};
    QCommandLineOption images{
        QStringLiteral("images"),
        QStringLiteral("Download the articles' pictures into the archive and link them from there.")};
    QCommandLineOption titles{
        QStringLiteral("titles"),
        QStringLiteral("Give the help file a contents tree by category and title and an index by title.")};
    QCommandLineOption epub{QStringLiteral("epub"),
                            QStringLiteral("With archive: also write the EPUB book after the help file.")};
};

void CliRunner::start(const QStringList &arguments, Settings defaults)
{
    m_settings = std::move(defaults);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Archives a blog into a compiled help file."));
    const Options options;
    const QCommandLineOption helpOption = parser.addHelpOption();
    parser.addOptions({options.dir, options.host, options.perPage, options.timeout, options.quiet, options.images,
                       options.titles, options.epub});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("find, download, chm or archive"));
    parser.addPositionalArgument(QStringLiteral("name"), QStringLiteral("The blog name."));
    const QCommandLineOption versionOption = parser.addVersionOption();

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption))
        return printAndFinish(parser.helpText() + QLatin1Char('\n') + usage());
    if (parser.isSet(versionOption))
        return printAndFinish(QCoreApplication::applicationName() + QLatin1Char(' ') +
                              QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    if (const Result<void> applied = applyOptions(parser, options); !applied)
        return usageError(applied.error());
    if (const Result<void> command = readCommand(parser.positionalArguments()); !command)
        return usageError(command.error());
    if (!QDir().mkpath(m_settings.programFolder))
        return fail(Failure, QStringLiteral("cannot create the folder ") + m_settings.programFolder);

    QTimer::singleShot(0, this, &CliRunner::runNext);
}

Result<void> CliRunner::applyOptions(const QCommandLineParser &parser, const Options &options)
{
    if (parser.isSet(options.dir))
        m_settings.programFolder = QDir(parser.value(options.dir)).absolutePath();
    if (parser.isSet(options.host))
        m_settings.hostBase = Settings::normalizedHost(parser.value(options.host));
    if (parser.isSet(options.perPage))
        m_perPage = parser.value(options.perPage);
    if (parser.isSet(options.timeout)) {
        bool ok = false;
        const double seconds = parser.value(options.timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return Result<void>::failure(QStringLiteral("--timeout takes a number of seconds above 0, at most 3600"));
        m_settings.requestTimeoutMs = static_cast<int>(seconds * 1000);
    }
    m_quiet = parser.isSet(options.quiet);
    m_images = parser.isSet(options.images);
    m_titles = parser.isSet(options.titles);
    m_epub = parser.isSet(options.epub);
    if (auto perPage = Archive::parsePerPage(m_perPage); !perPage)
        return Result<void>::failure(perPage.error());
    return {};
}

Result<void> CliRunner::readCommand(const QStringList &positional)
{
    if (positional.size() != 2)
        return Result<void>::failure(QStringLiteral("expected a command and a blog name"));
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
        return Result<void>::failure(QStringLiteral("unknown command: ") + command);
    if (m_epub && command == QLatin1String("archive"))
        m_steps.append(Step::Epub);
    m_blogName = positional[1];
    return checkBlogName(m_blogName);
}

void CliRunner::usageError(const QString &message)
{
    m_err << message << QLatin1Char('\n') << usage();
    m_err.flush();
    m_done = true;
    QTimer::singleShot(0, this, [this] { emit finished(UsageError); });
}

void CliRunner::printAndFinish(const QString &text)
{
    m_out << text;
    m_out.flush();
    m_done = true;
    QTimer::singleShot(0, this, [this] { emit finished(Success); });
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
    m_discovery =
        std::make_unique<Blog::ArticleDiscovery>(m_table, m_settings.requestTimeoutMs, m_settings.maxBodyBytes);
    m_discovery->setMaxAttempts(m_settings.maxAttempts);
    m_discovery->setRetryTiming(m_settings.retry);
    connect(m_discovery.get(), &Blog::ArticleDiscovery::retryWaiting, this,
            [this](int seconds) { status(Presentation::retryWaiting(seconds)); });
    connect(m_discovery.get(), &Blog::ArticleDiscovery::progressed, this, [this](const Progress &progress) {
        // On a terminal the page count is shown by the progress line.
        if (!m_interactive || progress.stage != Progress::Stage::Running)
            status(Presentation::statusText(progress));
    });
    connect(m_discovery.get(), &Blog::ArticleDiscovery::pageSelected, this, [this](int index) {
        const QString articles = QStringLiteral("%1 articles").arg(m_table.articleCount());
        progressLine(QStringLiteral("pages"), index + 1, static_cast<int>(m_discovery->queue().size()), articles,
                     articles);
    });
    connect(m_discovery.get(), &Blog::ArticleDiscovery::finished, this, &CliRunner::onFound);
    m_discovery->start(m_settings.hostBase, m_blogName, Blog::Address::blog(m_settings.hostBase, m_blogName));
}

void CliRunner::onFound()
{
    endLine();
    // A Find that stopped at a page leaves any task file from an earlier one as it is.
    if (m_discovery->failure())
        return fail(Failure, Presentation::statusText(*m_discovery->failure()));
    const Pipeline::ExportReport exported = Pipeline::exportTask(layout(), m_blogName, m_table, showStatus());
    for (const QString &problem : exported.unstorable)
        m_err << QStringLiteral("warning: the task file cannot carry an empty value or line break: ") << problem
              << QLatin1Char('\n');
    m_err.flush();
    if (!exported.error.isEmpty())
        return fail(Failure, exported.error);
    endLine();
    if (!m_quiet) {
        m_out << QStringLiteral("%1 articles; task file: %2\n")
                     .arg(m_table.articleCount())
                     .arg(QDir::toNativeSeparators(layout().taskFile()));
        m_out.flush();
    }
    runNext();
}

bool CliRunner::importTask()
{
    const Result<Task::TaskData> task = Pipeline::readTask(layout().taskFile(), m_blogName);
    if (!task) {
        fail(Failure, task.error());
        return false;
    }
    // The rows load quietly; the command line shows no import count.
    Pipeline::loadTask(*task, m_table, [](const Progress &) {});
    return true;
}

void CliRunner::runDownload()
{
    if (!m_discovery && !importTask())
        return;
    m_download =
        std::make_unique<Archive::DownloadJob>(m_table, Archive::DownloadDriver::Options::fromSettings(m_settings));
    m_download->setClock(m_settings.now, QLocale::system());
    connect(m_download.get(), &Archive::DownloadJob::progressed, this, [this](const Progress &progress) {
        // The running counts are shown by the progress line; the index pages' only on a terminal.
        if (progress.stage != Progress::Stage::Running)
            status(Presentation::statusText(progress));
        else if (m_interactive && progress.phase == Progress::Phase::IndexPages)
            progressLine(QStringLiteral("index pages"), progress.done, progress.total, QString(), QString());
    });
    if (m_images) {
        m_download->setImages(Archive::ImageOptions::fromSettings(m_settings));
        connect(m_download.get(), &Archive::DownloadJob::imageProgress, this, [this](int done, int total) {
            progressLine(QStringLiteral("pictures"), done, total, QString(), QString(), Presentation::picturesLabel());
        });
    }
    connect(m_download.get(), &Archive::DownloadJob::progress, this, [this](int saved, int total, int givenUp) {
        const QString givenUpNote = givenUp > 0 ? QStringLiteral("%1 given up").arg(givenUp) : QString();
        // Without a terminal the rate is the average since the start.
        const double seconds = std::max<qint64>(1, m_clock.elapsed()) / 1000.0;
        QString extra = QStringLiteral("%1/s").arg(saved / seconds, 0, 'f', 1);
        if (givenUp > 0)
            extra += QStringLiteral(", ") + givenUpNote;
        progressLine(QStringLiteral("articles"), saved + givenUp, total, givenUpNote, extra);
    });
    connect(m_download.get(), &Archive::DownloadJob::finished, this, &CliRunner::onDownloaded);
    connect(m_download.get(), &Archive::DownloadJob::retryWaiting, this,
            [this](int seconds) { status(Presentation::retryWaiting(seconds)); });
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
                     .arg(QDir::toNativeSeparators(layout().archiveFolder()));
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
    const Result<Pipeline::HelpFileReport> built = Pipeline::buildHelpFile(
        layout(), m_blogName, m_table, m_titles, &Pipeline::compileHelpProject, [this](const Progress &progress) {
            // The files compressed are counted on a terminal only.
            if (progress.stage == Progress::Stage::Running) {
                if (m_interactive)
                    progressLine(QStringLiteral("files"), progress.done, progress.total, QString(), QString());
            } else if (progress.stage != Progress::Stage::Failed) {
                status(Presentation::statusText(progress));
            }
        });
    if (!built)
        return fail(Failure, Presentation::packFailed(built.error()));
    endLine();
    if (!m_quiet) {
        m_out << QStringLiteral("help file: %1\n").arg(QDir::toNativeSeparators(built->helpFile))
              << QStringLiteral("search index: %1 pages, %2 words\n").arg(built->indexedPages).arg(built->indexedWords);
        if (built->pagesWithActiveContent > 0)
            m_out << QStringLiteral("scripts and controls left out of %1 pages\n").arg(built->pagesWithActiveContent);
        m_out.flush();
    }
    const QStringList &missing = built->missingArticles;
    if (!missing.isEmpty()) {
        for (const QString &article : missing)
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
    const auto book = Epub::writeBook(request, [this](int done, int total) {
        progressLine(QStringLiteral("EPUB"), done, total, QString(), QString(), QStringLiteral("EPUB: "));
    });
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
    if (m_quiet || text.isEmpty() || text == m_lastStatus)
        return;
    m_lastStatus = text;
    endLine();
    m_out << text << QLatin1Char('\n');
    m_out.flush();
}

void CliRunner::progressLine(const QString &phase, int done, int total, const QString &note, const QString &extra,
                             const QString &label)
{
    if (m_quiet)
        return;
    if (m_interactive) {
        const qint64 now = m_clock.elapsed();
        const bool samePhase = m_lineOpen && phase == m_progressLine.phase();
        // A fast phase (the index pages) would redraw the line for every step.
        if (samePhase && done < total && now - m_lastPrint < TerminalRedrawIntervalMs)
            return;
        // Each phase keeps its last line on the screen.
        if (m_lineOpen && !samePhase)
            endLine();
        m_lastPrint = now;
        m_out << m_progressLine.render(now, phase, done, total, note);
        m_out.flush();
        m_lineOpen = true;
        return;
    }
    const QString counts = label + QStringLiteral("%1/%2").arg(done).arg(total);
    const QString suffix = extra.isEmpty() ? QString() : QStringLiteral(" (") + extra + QLatin1Char(')');
    const qint64 now = m_clock.elapsed();
    if (done < total && m_lastPrint >= 0 && now - m_lastPrint < PlainProgressIntervalMs)
        return;
    m_lastPrint = now;
    m_out << counts << suffix << QLatin1Char('\n');
    m_out.flush();
}

void CliRunner::endLine()
{
    if (m_lineOpen) {
        m_out << QLatin1Char('\n');
        m_out.flush();
        m_lineOpen = false;
    }
    m_lastPrint = -1;
    m_progressLine.reset();
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

Archive::Layout CliRunner::layout() const
{
    return Archive::Layout(m_settings.programFolder, m_blogName);
}

Pipeline::ProgressSink CliRunner::showStatus()
{
    return [this](const Progress &progress) { status(Presentation::statusText(progress)); };
}

} // namespace Cli
