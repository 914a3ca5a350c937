#include "blog/articlediscovery.h"

#include "blog/addresses.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"

#include <algorithm>

namespace Blog {

ArticleDiscovery::ArticleDiscovery(ArticleTable &table, int timeoutMs, qint64 maxBodyBytes, QObject *parent)
    : QObject(parent)
    , m_table(table)
{
    m_policy.timeoutMs = timeoutMs;
    m_policy.maxBytes = maxBodyBytes;
    m_slotPage.fill(NoPage);
    connect(&m_pool, &Fetch::SlotPool::finished, this, &ArticleDiscovery::onFetched);
    connect(&m_pool, &Fetch::SlotPool::retryWaiting, this, &ArticleDiscovery::retryWaiting);
}

ArticleDiscovery::~ArticleDiscovery()
{
    stopRequests();
}

void ArticleDiscovery::setConcurrency(int requests)
{
    m_concurrency = std::clamp(requests, 1, MaxRequests);
}

void ArticleDiscovery::setMaxAttempts(int attempts)
{
    m_maxAttempts = std::max(1, attempts);
}

void ArticleDiscovery::start(const QString &hostBase, const QString &blogName, const QString &blogAddress)
{
    stopRequests();
    m_table.clear();
    m_queue.clear();
    m_carry = {};
    m_arrived.clear();
    m_attempts.clear();
    m_failedPages.clear();
    m_cursor = 0;
    m_nextRequest = 0;
    m_failure.reset();
    m_running = true;
    m_hostBase = hostBase;
    m_blogName = blogName;
    m_blogAddress = blogAddress;
    emit queueChanged(m_queue);
    emit progressed(event(Progress::Stage::Started));
    request(0, BlogPage);
}

void ArticleDiscovery::abort()
{
    stopRequests();
    m_running = false;
}

void ArticleDiscovery::stopRequests()
{
    m_pool.abortAll();
    m_slotPage.fill(NoPage);
    m_arrived.clear();
}

void ArticleDiscovery::request(int slot, int page, int delayMs)
{
    m_slotPage[slot] = page;
    ++m_attempts[page];
    // Tolerant parsing only escapes what cannot stand in an address (spaces, non-ASCII); the pool
    // refuses what a host would read as another page.
    const QString address = page == BlogPage ? m_blogAddress : m_queue[page];
    m_pool.fetch(slot, QUrl(address, QUrl::TolerantMode), m_policy, delayMs);
}

void ArticleDiscovery::onFetched(int slot, const Fetch::Result &result)
{
    if (!m_running)
        return;
    const int page = std::exchange(m_slotPage[slot], NoPage);
    if (!result.complete()) {
        const int attempts = m_attempts.value(page);
        if (attempts < m_maxAttempts) {
            request(slot, page, m_retryTiming.delayMs(attempts, result.retryAfterMs));
            return;
        }
        // Pages before this one may still come in and are kept; this one ends the Find once
        // the pages before it are parsed.
        m_failedPages.insert(page, result.error);
        if (page == BlogPage)
            return fail(BlogPage, result.error);
    } else if (page == BlogPage) {
        return readPager(result.body);
    } else {
        m_arrived.insert(page, result.body);
    }
    parseArrived();
    if (m_running)
        fillSlots();
}

void ArticleDiscovery::readPager(const QByteArray &body)
{
    const int highest = ListParser::highestPageNumber(Gbk::decode(body));
    m_queue.reserve(highest + 1);
    for (int p = 0; p <= highest; ++p)
        m_queue.append(Address::listPage(m_hostBase, m_blogName, p));
    emit queueChanged(m_queue);
    emit progressed(event(Progress::Stage::Planned));
    selectCursor();
    fillSlots();
}

void ArticleDiscovery::fillSlots()
{
    // Pages are requested in order and no further ahead of the parser than the number of
    // requests, so that pages waiting for an earlier one hold a bounded amount of memory.
    const int end = static_cast<int>(std::min<qsizetype>(m_queue.size(), qsizetype(m_cursor) + m_concurrency));
    int busy = 0;
    for (const int page : m_slotPage)
        busy += page != NoPage ? 1 : 0;
    for (int slot = 0; slot < MaxRequests; ++slot) {
        if (busy >= m_concurrency || m_nextRequest >= end || !m_failedPages.isEmpty())
            break;
        if (m_slotPage[slot] != NoPage)
            continue;
        request(slot, m_nextRequest++);
        ++busy;
    }
}

void ArticleDiscovery::parseArrived()
{
    while (m_running && m_cursor < m_queue.size()) {
        if (m_failedPages.contains(m_cursor))
            return fail(m_cursor, m_failedPages.value(m_cursor));
        const auto arrived = m_arrived.constFind(m_cursor);
        if (arrived == m_arrived.constEnd())
            return;
        const QString page = Gbk::decode(*arrived);
        m_arrived.erase(arrived);
        const QList<ListParser::Entry> entries = ListParser::parseListPage(page, m_carry);
        for (const ListParser::Entry &e : entries)
            m_table.appendArticle(e.title, e.category, e.link, e.date);
        ++m_cursor;
        if (m_cursor < m_queue.size())
            selectCursor();
    }
    if (m_running && m_cursor >= m_queue.size())
        finish();
}

void ArticleDiscovery::selectCursor()
{
    Progress running = event(Progress::Stage::Running);
    running.done = m_cursor + 1;
    running.total = static_cast<int>(m_queue.size());
    emit progressed(running);
    emit pageSelected(m_cursor);
}

void ArticleDiscovery::fail(int page, const QString &why)
{
    stopRequests();
    m_running = false;
    Progress failure = event(Progress::Stage::Failed);
    failure.subject = page == BlogPage ? m_blogAddress : m_queue.value(page);
    failure.reason = why;
    failure.attempts = m_attempts.value(page);
    m_failure = failure;
    emit progressed(failure);
    emit finished();
}

Progress ArticleDiscovery::event(Progress::Stage stage)
{
    Progress progress;
    progress.phase = Progress::Phase::Find;
    progress.stage = stage;
    return progress;
}

void ArticleDiscovery::finish()
{
    stopRequests();
    m_running = false;
    emit progressed(event(Progress::Stage::Done));
    emit finished();
}

} // namespace Blog
