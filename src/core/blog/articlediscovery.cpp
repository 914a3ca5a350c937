#include "blog/articlediscovery.h"

#include "blog/addresses.h"
#include "blog/articletable.h"

#include <algorithm>

namespace Blog {

ArticleDiscovery::ArticleDiscovery(QNetworkAccessManager &network, ArticleTable &table, int timeoutMs,
                                   qint64 maxBodyBytes, QObject *parent)
    : QObject(parent)
    , m_table(table)
{
    for (Slot &slot : m_slots) {
        slot.fetcher = std::make_unique<PageFetcher>(network, timeoutMs, maxBodyBytes);
        connect(slot.fetcher.get(), &PageFetcher::finished, this,
                [this, &slot](const FetchResult &result) { onFetched(slot, result); });
    }
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
    request(m_slots[0], BlogPage);
}

void ArticleDiscovery::abort()
{
    stopRequests();
    m_running = false;
}

void ArticleDiscovery::stopRequests()
{
    for (Slot &slot : m_slots) {
        slot.fetcher->abort();
        slot.page = NoPage;
    }
    m_arrived.clear();
}

void ArticleDiscovery::request(Slot &slot, int page)
{
    slot.page = page;
    ++m_attempts[page];
    slot.fetcher->fetch(page == BlogPage ? m_blogAddress : m_queue[page]);
}

void ArticleDiscovery::onFetched(Slot &slot, const FetchResult &result)
{
    if (!m_running)
        return;
    const int page = std::exchange(slot.page, NoPage);
    if (!result.complete()) {
        if (m_attempts.value(page) < m_maxAttempts) {
            request(slot, page);
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
    const int highest = ListParser::highestPageNumber(Bytes2bStr(body));
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
    for (const Slot &slot : m_slots)
        busy += slot.page != NoPage ? 1 : 0;
    for (Slot &slot : m_slots) {
        if (busy >= m_concurrency || m_nextRequest >= end || !m_failedPages.isEmpty())
            break;
        if (slot.page != NoPage)
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
        const QString page = Bytes2bStr(*arrived);
        m_arrived.erase(arrived);
        const QList<ListParser::Entry> entries = ListParser::parseListPage(page, m_carry);
        for (const ListParser::Entry &e : entries)
            m_table.LoadWZ(e.title, e.category, e.link, e.date);
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
