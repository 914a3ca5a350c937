#include "archive/imagepass.h"

#include "archive/imagescanner.h"
#include "common/bytesplice.h"
#include "common/linewriter.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QUrl>

namespace Archive {

namespace {

Result<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// The address as the page wrote it; bytes outside ASCII (a GBK page may hold some) are sent
// percent-encoded as they are.
QUrl urlOf(const QByteArray &address)
{
    return QUrl::fromEncoded(address.toPercentEncoding(QByteArrayLiteral("!#$&'()*+,/:;=?@[]~%")), QUrl::StrictMode);
}

} // namespace

ImageOptions ImageOptions::fromSettings(const Settings &settings)
{
    ImageOptions options;
    options.requestTimeoutMs = settings.requestTimeoutMs;
    options.maxAttempts = settings.maxAttempts;
    options.retry = settings.retry;
    return options;
}

ImagePass::ImagePass(ImageOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    // A picture may live on any host and be redirected to another, for a few hops; it must come
    // as an image/* type.
    m_policy.redirects = Fetch::Redirects::AnyHttp;
    m_policy.acceptedType = "image/";
    m_policy.acceptedKind = QStringLiteral("an image");
    m_policy.subject = QStringLiteral("picture");
    m_policy.maxBytes = m_options.maxImageBytes;
    m_policy.timeoutMs = m_options.requestTimeoutMs;
    m_slotPicture.fill(-1);
    connect(&m_pool, &Fetch::SlotPool::finished, this, &ImagePass::onFetched);
    connect(&m_pool, &Fetch::SlotPool::retryWaiting, this, &ImagePass::retryWaiting);
}

ImagePass::~ImagePass()
{
    // The owner may be half destroyed by now; a pass torn down mid-way reports to no one.
    blockSignals(true);
    abort();
}

void ImagePass::start(const QString &archiveFolder, const QStringList &articleFiles)
{
    abort();
    m_store.emplace(QDir(archiveFolder).filePath(QString::fromLatin1(ImageStore::FolderName)));
    m_store->load();
    m_pictures.clear();
    m_byAddress.clear();
    m_articles.clear();
    m_queue.clear();
    m_settled = 0;
    m_report = ImageReport{};
    m_running = true;
    m_clock.start();

    for (const QString &path : articleFiles) {
        const Result<QByteArray> bytes = readFile(path);
        if (!bytes) {
            m_report.errors.append(bytes.error());
            continue;
        }
        const QList<ImageReference> references = findImageReferences(*bytes);
        if (references.isEmpty())
            continue;
        m_articles.append(path);
        for (const ImageReference &reference : references) {
            if (m_byAddress.contains(reference.address))
                continue;
            m_byAddress.insert(reference.address, static_cast<int>(m_pictures.size()));
            m_pictures.append(Picture{reference.address, m_store->find(reference.address)});
        }
    }
    m_report.pictures = static_cast<int>(m_pictures.size());
    for (int i = 0; i < m_pictures.size(); ++i) {
        if (m_pictures[i].fileName.isEmpty())
            m_queue.push_back(i);
        else
            settle(i);
    }
    emit progress(m_settled, m_report.pictures);
    for (int s = 0; s < SlotCount; ++s)
        next(s);
    // With nothing to fetch the pass still ends through the event loop, like any other.
    QTimer::singleShot(0, this, &ImagePass::finishIfDone);
}

void ImagePass::abort()
{
    if (!m_running)
        return;
    m_running = false;
    m_pool.abortAll();
    m_slotPicture.fill(-1);
    m_report.aborted = true;
    emit finished(m_report);
}

void ImagePass::next(int s)
{
    m_slotPicture[s] = -1;
    if (m_queue.empty())
        return;
    m_slotPicture[s] = m_queue.front();
    m_queue.pop_front();
    Picture &picture = m_pictures[m_slotPicture[s]];
    ++picture.attempts;
    m_pool.fetch(s, urlOf(picture.address), m_policy,
                 static_cast<int>(std::max<qint64>(0, picture.notBefore - m_clock.elapsed())));
}

void ImagePass::onFetched(int s, const Fetch::Result &result)
{
    if (!m_running)
        return;
    const int index = m_slotPicture[s];
    if (index < 0)
        return;
    // The slot's next request goes out before this picture is written, which keeps the disk off
    // the request's path.
    next(s);

    Picture &picture = m_pictures[index];
    QString error = result.error;
    bool retry = result.worthRetrying();
    if (result.complete() && result.body.isEmpty()) {
        error = QStringLiteral("empty picture");
        retry = false;
    } else if (result.complete()) {
        const Result<QString> saved =
            m_store->save(picture.address, ImageStore::extensionFor(result.contentType), result.body);
        if (saved) {
            picture.fileName = *saved;
            ++m_report.fetched;
        } else {
            error = saved.error();
            retry = false;
        }
    }
    if (picture.fileName.isEmpty() && retry && picture.attempts < m_options.maxAttempts) {
        picture.notBefore = m_clock.elapsed() + m_options.retry.delayMs(picture.attempts, result.retryAfterMs);
        m_queue.push_back(index);
        // Slots that ran out of work take the retry up.
        for (int other = 0; other < SlotCount && !m_queue.empty(); ++other) {
            if (m_slotPicture[other] < 0)
                next(other);
        }
    } else {
        if (picture.fileName.isEmpty())
            m_report.givenUp.append(ImageFailure{QString::fromUtf8(picture.address), error});
        settle(index);
        emit progress(m_settled, m_report.pictures);
    }
    finishIfDone();
}

void ImagePass::settle(int index)
{
    ++m_settled;
    if (!m_pictures[index].fileName.isEmpty())
        ++m_report.saved;
}

void ImagePass::finishIfDone()
{
    if (!m_running || m_settled < m_pictures.size())
        return;
    rewriteArticles();
    m_running = false;
    emit finished(m_report);
}

void ImagePass::rewriteArticles()
{
    for (const QString &path : std::as_const(m_articles)) {
        const Result<QByteArray> read = readFile(path);
        if (!read) {
            m_report.errors.append(read.error());
            continue;
        }
        std::vector<ByteSplice::Edit> edits;
        for (const ImageReference &reference : findImageReferences(*read)) {
            const auto found = m_byAddress.constFind(reference.address);
            const QString fileName = found == m_byAddress.constEnd() ? QString() : m_pictures[*found].fileName;
            if (fileName.isEmpty()) {
                ++m_report.keptRemote;
                continue;
            }
            edits.push_back({reference.begin, reference.end, ImageStore::linkTo(fileName)});
        }
        if (edits.empty())
            continue;
        const QByteArray rewritten = ByteSplice::apply(*read, std::move(edits));
        if (auto written = LineWriter::writeBytes(path, rewritten, LineWriter::Mode::Atomic); !written)
            m_report.errors.append(written.error());
    }
}

} // namespace Archive
