#include "archive/downloaddriver.h"

#include "archive/articlesaver.h"
#include "archive/rep.h"
#include "blog/addresses.h"
#include "blog/articletable.h"

#include <QDir>
#include <QFileInfo>

namespace Archive {

using Blog::Mark::givenUp;
using Blog::Mark::requested;
using Blog::Mark::saved;

namespace {

const QString RestSymbol = QStringLiteral("●");
const QString SpinnerSymbols[] = {QStringLiteral("★"), QStringLiteral("◆"), QStringLiteral("■")};

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
    return options;
}

DownloadDriver::DownloadDriver(QNetworkAccessManager &network, Blog::ArticleTable &table, Options options,
                               QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_table(table)
    , m_options(std::move(options))
{
    for (int s = 0; s < SlotCount; ++s) {
        m_slots[s].fetcher =
            std::make_unique<Blog::PageFetcher>(m_network, m_options.requestTimeoutMs, m_options.maxBodyBytes);
        connect(m_slots[s].fetcher.get(), &Blog::PageFetcher::finished, this,
                [this, s](const Blog::FetchResult &result) { onCompleted(s, result); });
    }
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
    m_table.setTopRow(1);
    for (int s = 0; s < SlotCount; ++s) {
        Slot &slot = m_slots[s];
        slot.finished = false;
        slot.ticks = 0;
        slot.row = s + 1;
        if (auto check = Layout::checkArticle(m_table.article(s + 1).category, m_table.article(s + 1).link); !check) {
            giveUp(s + 1, check.error());
            const int next = GetMSHNo();
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
    for (int s = 0; s < SlotCount; ++s) {
        m_slots[s].fetcher->abort();
        m_slots[s].finished = true;
        emit indicatorChanged(s, RestSymbol);
    }
    m_report.aborted = true;
    emit finished(m_report);
}

void DownloadDriver::tick()
{
    for (Slot &slot : m_slots)
        ++slot.ticks;
    if (m_running)
        pass();
}

void DownloadDriver::DispLab5(int slot)
{
    int &state = m_slots[slot].spinner;
    if (++state >= 3)
        state = 0;
    emit indicatorChanged(slot, SpinnerSymbols[state]);
}

void DownloadDriver::request(int slot, int row, bool followUp)
{
    m_slots[slot].row = row;
    ++m_attempts[static_cast<size_t>(row)];
    setMark(row, requested());
    // The first five requests leave the indicators at rest; each follow-up moves one on.
    if (followUp)
        DispLab5(slot);
    m_slots[slot].fetcher->fetch(Blog::Address::article(m_blogAddress, m_table.article(row).link));
}

void DownloadDriver::onCompleted(int s, const Blog::FetchResult &result)
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
    emit indicatorChanged(s, RestSymbol);

    // The page is judged first and a broken one handed back at once, so that the search below
    // gives it out again before later rows; a good one is written after the slot's next request
    // has gone out, which keeps the file system off the request's path.
    PreparedArticle prepared;
    if (!wasGivenUp) {
        setMark(row, saved());
        prepared =
            prepareArticle(Blog::Bytes2bStr(result.body), m_options.hostBase, m_blogName, m_table.article(row).link);
        if (prepared.outcome == SaveOutcome::Broken)
            store(row, prepared, alreadySaved, result.error);
    }

    const int next = GetMSHNo();
    if (next == 0)
        retire(s);
    else
        request(s, next, true);

    if (!wasGivenUp && prepared.outcome != SaveOutcome::Broken && !store(row, prepared, alreadySaved, result.error) &&
        slot.finished && m_table.mark(row).isEmpty()) {
        // The write failed after this slot ran out of work: take the row back up rather than end
        // the download with it missing.
        slot.finished = false;
        request(s, row, true);
    }
    pass();
    finishIfDone();
}

bool DownloadDriver::store(int row, const PreparedArticle &prepared, bool alreadySaved, const QString &fetchError)
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
    if (m_attempts[static_cast<size_t>(row)] >= m_options.maxAttempts) {
        QString reason = outcome.error;
        if (reason.isEmpty())
            reason = fetchError.isEmpty() ? QStringLiteral("no article body in the page") : fetchError;
        giveUp(row, reason);
    } else {
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
    m_slots[s].fetcher->abort();
    m_lastRow = QStringLiteral("0");
    emit indicatorChanged(s, RestSymbol);
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
    if (last > 5)
        m_table.setTopRow(last - 5);
    Progress running;
    running.phase = Progress::Phase::Download;
    running.row = m_lastRow.isEmpty() ? -1 : last;
    running.done = m_report.saved + m_report.givenUp;
    running.total = m_table.articleCount();
    running.givenUp = m_report.givenUp;
    emit progressed(running);
}

int DownloadDriver::GetMSHNo()
{
    int found = 0;
    for (auto it = m_unmarked.begin(); it != m_unmarked.end();) {
        const int row = *it++;
        const Blog::Article &article = m_table.article(row);
        // A row whose link or category would leave the archive folder is never followed.
        if (auto check = Layout::checkArticle(article.category, article.link); !check) {
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
    const QString folder = Rep(article.category);
    auto it = m_folderFiles.find(folder);
    if (it == m_folderFiles.end()) {
        const QStringList names =
            QDir(m_layout->categoryFolder(article.category)).entryList(QDir::Files | QDir::Hidden);
        it = m_folderFiles.insert(folder, QSet<QString>(names.begin(), names.end()));
    }
    return it->contains(linkFileName(article.link));
}

void DownloadDriver::rememberFile(int row, bool exists)
{
    const Blog::Article &article = m_table.article(row);
    auto it = m_folderFiles.find(Rep(article.category));
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
