#include "archive/downloaddriver.h"

#include "archive/articlesaver.h"
#include "archive/safefilename.h"
#include "blog/addresses.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"

#include <QDir>
#include <QFileInfo>

namespace Archive {

using Blog::Mark::givenUp;
using Blog::Mark::requested;
using Blog::Mark::saved;

namespace {

// The refusal the user reads when Download is pressed with fewer than five articles.
QString tooFewArticles()
{
    return QStringLiteral("很遗憾没有找到文章(或者文章少于5篇)，请重新输入用户名后再按“寻找”");
}

} // namespace

DownloadDriver::Options DownloadDriver::Options::fromSettings(const Settings &settings)
{
    Options options;
    options.programFolder = settings.programFolder;
    options.hostBase = settings.hostBase;
    options.requestTimeoutMs = settings.requestTimeoutMs;
    options.maxBodyBytes = settings.maxBodyBytes;
    options.maxAttempts = settings.maxAttempts;
    options.retry = settings.retry;
    return options;
}

DownloadDriver::DownloadDriver(Blog::ArticleTable &table, Options options, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_options(std::move(options))
{
    m_policy.timeoutMs = m_options.requestTimeoutMs;
    m_policy.maxBytes = m_options.maxBodyBytes;
    connect(&m_pool, &Fetch::SlotPool::finished, this, &DownloadDriver::onCompleted);
    connect(&m_pool, &Fetch::SlotPool::retryWaiting, this, &DownloadDriver::retryWaiting);
}

DownloadDriver::~DownloadDriver()
{
    abort();
}

Result<void> DownloadDriver::start(const QString &blogName, const QString &blogAddress)
{
    abort();
    m_blogName = blogName;
    m_blogAddress = blogAddress;
    for (Slot &slot : m_slots)
        slot.ticks = 0;
    m_table.clearMarks();

    const int articles = m_table.articleCount();
    if (articles < SlotCount)
        return Result<void>::failure(tooFewArticles());

    m_layout = std::make_unique<Layout>(m_options.programFolder, blogName);
    const QString folder = m_layout->archiveFolder();
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
        return Result<void>::failure(QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder)));

    m_report = DownloadReport{};
    m_report.articles = articles;
    m_attempts.assign(static_cast<size_t>(articles) + 1, 0);
    m_notBefore.assign(static_cast<size_t>(articles) + 1, 0);
    m_clock.start();
    m_unmarked.clear();
    for (int row = 1; row <= articles; ++row)
        m_unmarked.insert(m_unmarked.end(), row);
    m_folderFiles.clear();
    m_lastRow.clear();
    m_running = true;

    Progress started;
    started.phase = Progress::Phase::Download;
    started.stage = Progress::Stage::Started;
    emit progressed(started);
    for (int s = 0; s < SlotCount; ++s) {
        Slot &slot = m_slots[s];
        slot.finished = false;
        slot.ticks = 0;
        slot.row = s + 1;
        if (auto check = m_layout->checkArticle(m_table.article(s + 1).category, m_table.article(s + 1).link); !check) {
            giveUp(s + 1, check.error());
            const int next = nextUnfetchedRow();
            if (next == 0) {
                retire(s);
                continue;
            }
            slot.row = next;
        }
        request(s, slot.row, false);
    }
    emit progress(m_report.saved, articles, m_report.givenUp);
    pass();
    finishIfDone();
    return {};
}

void DownloadDriver::abort()
{
    if (!m_running)
        return;
    m_running = false;
    m_pool.abortAll();
    for (int s = 0; s < SlotCount; ++s) {
        m_slots[s].finished = true;
        emit slotStateChanged(s, SlotState::Resting);
    }
    m_report.aborted = true;
    emit finished(m_report);
}

void DownloadDriver::tick()
{
    // A slot waiting out a retry's delay has no reply to wait for.
    for (int s = 0; s < SlotCount; ++s) {
        if (!m_pool.waiting(s))
            ++m_slots[s].ticks;
    }
    if (m_running)
        pass();
}

void DownloadDriver::request(int slot, int row, bool followUp)
{
    m_slots[slot].row = row;
    ++m_attempts[static_cast<size_t>(row)];
    setMark(row, requested());
    // The first five requests leave the slots at rest; each follow-up is a step of the slot's activity.
    if (followUp)
        emit slotStateChanged(slot, SlotState::Fetching);
    const qint64 wait = m_notBefore[static_cast<size_t>(row)] - m_clock.elapsed();
    m_pool.fetch(slot, QUrl(Blog::Address::article(m_blogAddress, m_table.article(row).link), QUrl::TolerantMode),
                 m_policy, static_cast<int>(std::max<qint64>(0, wait)));
}

void DownloadDriver::onCompleted(int s, const Fetch::Result &result)
{
    if (!m_running)
        return;
    Slot &slot = m_slots[s];
    const int row = slot.row;
    slot.ticks = 0;

    // Another slot may already have saved this row after a time-out release; a late broken reply
    // then must not throw that file away.
    const bool alreadySaved = m_table.mark(row) == saved();
    const bool wasGivenUp = m_table.mark(row) == givenUp();
    emit slotStateChanged(s, SlotState::Resting);

    // The page is judged first and a broken one handed back at once, so that the search below
    // gives it out again before later rows; a good one is written after the slot's next request
    // has gone out, which keeps the file system off the request's path.
    PreparedArticle prepared;
    if (!wasGivenUp) {
        setMark(row, saved());
        prepared = prepareArticle(Gbk::decode(result.body), m_options.hostBase, m_blogName, m_table.article(row).link);
        if (prepared.outcome == SaveOutcome::Broken)
            store(row, prepared, alreadySaved, result);
    }

    const int next = nextUnfetchedRow();
    if (next == 0)
        retire(s);
    else
        request(s, next, true);

    if (!wasGivenUp && prepared.outcome != SaveOutcome::Broken && !store(row, prepared, alreadySaved, result) &&
        slot.finished && m_table.mark(row).isEmpty()) {
        // The write failed after this slot ran out of work: take the row back up rather than end
        // the download with it missing.
        slot.finished = false;
        request(s, row, true);
    }
    pass();
    finishIfDone();
}

bool DownloadDriver::store(int row, const PreparedArticle &prepared, bool alreadySaved, const Fetch::Result &fetched)
{
    const Blog::Article &article = m_table.article(row);
    const SaveResult outcome = storeArticle(prepared, *m_layout, article.category, article.link, alreadySaved);
    if (outcome.outcome == SaveOutcome::Saved || outcome.outcome == SaveOutcome::Withdrawn) {
        rememberFile(row, true);
        return true;
    }
    if (alreadySaved)
        return true;
    rememberFile(row, false);
    const int attempts = m_attempts[static_cast<size_t>(row)];
    if (attempts >= m_options.maxAttempts) {
        QString reason = outcome.error;
        if (reason.isEmpty())
            reason = fetched.error.isEmpty() ? QStringLiteral("no article body in the page") : fetched.error;
        giveUp(row, reason);
    } else {
        m_notBefore[static_cast<size_t>(row)] =
            m_clock.elapsed() + m_options.retry.delayMs(attempts, fetched.retryAfterMs);
        setMark(row, QString());
    }
    return false;
}

void DownloadDriver::giveUp(int row, const QString &reason)
{
    setMark(row, givenUp());
    emit rowGivenUp(row, reason);
}

void DownloadDriver::retire(int s)
{
    m_slots[s].finished = true;
    m_pool.abort(s);
    m_lastRow = QStringLiteral("0");
    emit slotStateChanged(s, SlotState::Resting);
}

void DownloadDriver::pass()
{
    // A slot silent for five ticks hands its row back, so the next slot that asks for work fetches
    // it again; retired slots count too, which only re-marks a row whose file exists.
    for (const Slot &slot : m_slots) {
        if (slot.ticks >= ReleaseTicks && slot.row > 0 && slot.row <= m_table.articleCount() &&
            m_table.mark(slot.row) != givenUp())
            setMark(slot.row, QString());
    }
    const int last = m_lastRow.toInt();
    if (!m_lastRow.isEmpty())
        emit currentRowChanged(last);
    Progress running;
    running.phase = Progress::Phase::Download;
    running.row = m_lastRow.isEmpty() ? -1 : last;
    running.done = m_report.saved + m_report.givenUp;
    running.total = m_table.articleCount();
    running.givenUp = m_report.givenUp;
    emit progressed(running);
}

int DownloadDriver::nextUnfetchedRow()
{
    int found = 0;
    for (auto it = m_unmarked.begin(); it != m_unmarked.end();) {
        const int row = *it++;
        const Blog::Article &article = m_table.article(row);
        // A row whose link or category would leave the archive folder is never followed.
        if (auto check = m_layout->checkArticle(article.category, article.link); !check) {
            giveUp(row, check.error());
            continue;
        }
        if (!fileExists(row)) {
            found = row;
            break;
        }
        setMark(row, saved());
    }
    m_lastRow = QString::number(found);
    return found;
}

void DownloadDriver::setMark(int row, const QString &mark)
{
    const QString &old = m_table.mark(row);
    if (old == mark)
        return;
    if (old == saved())
        --m_report.saved;
    else if (old == givenUp())
        --m_report.givenUp;
    if (mark == saved())
        ++m_report.saved;
    else if (mark == givenUp())
        ++m_report.givenUp;
    if (mark.isEmpty())
        m_unmarked.insert(row);
    else if (old.isEmpty())
        m_unmarked.erase(row);
    m_table.setMark(row, mark);
    if (mark == saved() || old == saved() || mark == givenUp() || old == givenUp())
        emit progress(m_report.saved, m_report.articles, m_report.givenUp);
}

bool DownloadDriver::fileExists(int row)
{
    const Blog::Article &article = m_table.article(row);
    const QString &folder = m_layout->folderName(article.category);
    auto it = m_folderFiles.find(folder);
    if (it == m_folderFiles.end()) {
        const QStringList names =
            QDir(m_layout->categoryFolder(article.category)).entryList(QDir::Files | QDir::Hidden);
        it = m_folderFiles.insert(folder, QSet<QString>(names.begin(), names.end()));
    }
    if (it->contains(linkFileName(article.link)))
        return true;
    if (!m_layout->adoptEarlierArticleFile(article.category, article.link))
        return false;
    it->insert(linkFileName(article.link));
    return true;
}

void DownloadDriver::rememberFile(int row, bool exists)
{
    const Blog::Article &article = m_table.article(row);
    auto it = m_folderFiles.find(m_layout->folderName(article.category));
    if (it == m_folderFiles.end())
        return; // read from disk when first asked
    if (exists)
        it->insert(linkFileName(article.link));
    else
        it->remove(linkFileName(article.link));
}

void DownloadDriver::finishIfDone()
{
    if (!m_running)
        return;
    for (const Slot &slot : m_slots) {
        if (!slot.finished)
            return;
    }
    // Retired slots keep releasing the last row they fetched; those rows have their files, so one
    // last pass of the search marks them saved again before the report is made.
    for (auto it = m_unmarked.begin(); it != m_unmarked.end();) {
        const int row = *it++;
        if (fileExists(row))
            setMark(row, saved());
    }
    m_running = false;
    emit finished(m_report);
}

} // namespace Archive
