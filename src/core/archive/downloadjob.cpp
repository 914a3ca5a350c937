#include "archive/downloadjob.h"

#include "blog/articletable.h"

namespace Archive {

DownloadJob::DownloadJob(Blog::ArticleTable &table, DownloadDriver::Options options, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_options(options)
    , m_driver(table, std::move(options))
    , m_now([] { return QDateTime::currentDateTime(); })
    , m_locale(QLocale::system())
{
    connect(&m_driver, &DownloadDriver::progressed, this, &DownloadJob::progressed);
    connect(&m_driver, &DownloadDriver::slotStateChanged, this, &DownloadJob::slotStateChanged);
    connect(&m_driver, &DownloadDriver::currentRowChanged, this, &DownloadJob::currentRowChanged);
    connect(&m_driver, &DownloadDriver::retryWaiting, this, &DownloadJob::retryWaiting);
    connect(&m_driver, &DownloadDriver::progress, this, &DownloadJob::progress);
    connect(&m_driver, &DownloadDriver::finished, this, &DownloadJob::onDownloaded);
}

void DownloadJob::setImages(std::optional<ImageOptions> options)
{
    m_imageOptions = options;
}

void DownloadJob::setClock(std::function<QDateTime()> now, QLocale locale)
{
    m_now = std::move(now);
    m_locale = std::move(locale);
}

Result<void> DownloadJob::start(const QString &blogName, const QString &blogAddress, const QString &perPageText)
{
    const Result<int> perPage = parsePerPage(perPageText);
    if (!perPage)
        return Result<void>::failure(perPage.error());
    m_perPage = *perPage;
    m_blogName = blogName;
    m_blogAddress = blogAddress;
    m_aborted = false;
    m_running = true;
    if (auto started = m_driver.start(blogName, blogAddress); !started) {
        m_running = false;
        return started;
    }
    return {};
}

void DownloadJob::abort()
{
    m_aborted = true;
    m_driver.abort();
    if (m_images)
        m_images->abort();
}

void DownloadJob::onDownloaded(const DownloadReport &report)
{
    if (!m_running)
        return;
    m_report = DownloadJobReport{};
    m_report.download = report;
    if (report.aborted || m_aborted) {
        m_running = false;
        m_report.download.aborted = true;
        emit finished(m_report);
        return;
    }
    if (!m_imageOptions)
        return writeIndex();

    // The pictures of every saved article, before the index pages.
    const Layout layout(m_options.programFolder, m_blogName);
    QStringList articleFiles;
    for (int row = 1; row <= m_table.articleCount(); ++row) {
        if (m_table.mark(row) != Blog::Mark::saved())
            continue;
        const Blog::Article &article = m_table.article(row);
        articleFiles.append(layout.articleFile(article.category, article.link));
    }
    m_images = std::make_unique<ImagePass>(*m_imageOptions);
    connect(m_images.get(), &ImagePass::progress, this, [this](int done, int total) {
        emit imageProgress(done, total);
        emit progressed(event(Progress::Phase::Pictures, Progress::Stage::Running, done, total));
    });
    connect(m_images.get(), &ImagePass::finished, this, &DownloadJob::onImagesDone);
    connect(m_images.get(), &ImagePass::retryWaiting, this, &DownloadJob::retryWaiting);
    m_images->start(layout.archiveFolder(), articleFiles);
}

void DownloadJob::onImagesDone(const ImageReport &report)
{
    if (!m_running)
        return;
    m_report.images = report;
    if (report.aborted || m_aborted) {
        m_running = false;
        m_report.download.aborted = true;
        emit finished(m_report);
        return;
    }
    writeIndex();
}

Progress DownloadJob::event(Progress::Phase phase, Progress::Stage stage, int done, int total)
{
    Progress progress;
    progress.phase = phase;
    progress.stage = stage;
    progress.done = done;
    progress.total = total;
    return progress;
}

void DownloadJob::writeIndex()
{
    m_running = false;
    const Layout layout(m_options.programFolder, m_blogName);
    IndexWriter writer(layout, m_table, IndexOptions{m_perPage, m_blogAddress, m_blogName, m_now(), m_locale});
    writer.onProgress([this](int row, int total) {
        emit progressed(event(Progress::Phase::IndexPages, Progress::Stage::Running, row, total));
    });
    writer.onStartPage([this] { emit progressed(event(Progress::Phase::StartPage, Progress::Stage::Started)); });
    const Result<void> written = writer.write();
    if (!written) {
        m_report.error = written.error();
        emit finished(m_report);
        return;
    }
    m_report.indexed = true;
    emit progressed(
        event(Progress::Phase::Download, Progress::Stage::Done, m_report.download.saved, m_report.download.articles));
    emit finished(m_report);
}

} // namespace Archive
