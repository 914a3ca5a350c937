#include "blog/articlediscovery.h"

#include "blog/addresses.h"
#include "blog/articletable.h"
#include "common/statustext.h"

namespace Blog {

ArticleDiscovery::ArticleDiscovery(QNetworkAccessManager &network, ArticleTable &table, int timeoutMs,
                                   qint64 maxBodyBytes, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_fetcher(network, timeoutMs, maxBodyBytes)
{
    connect(&m_fetcher, &PageFetcher::finished, this, &ArticleDiscovery::onFetched);
}

void ArticleDiscovery::start(const QString &hostBase, const QString &blogName, const QString &blogAddress)
{
    m_fetcher.abort();
    m_table.clear();
    m_queue.clear();
    m_carry = {};
    m_next = 0;
    m_failedPages = 0;
    m_running = true;
    m_readingPager = true;
    m_hostBase = hostBase;
    m_blogName = blogName;
    emit queueChanged(m_queue);
    emit statusChanged(StatusText::findStarting());
    m_fetcher.fetch(blogAddress);
}

void ArticleDiscovery::abort()
{
    m_fetcher.abort();
    m_running = false;
}

void ArticleDiscovery::onFetched(const FetchResult &result)
{
    if (result.status != FetchResult::Status::Complete)
        ++m_failedPages;
    const QString page = Bytes2bStr(result.body);
    if (m_readingPager) {
        m_readingPager = false;
        const int highest = ListParser::highestPageNumber(page);
        m_queue.reserve(highest + 1);
        for (int p = 0; p <= highest; ++p)
            m_queue.append(Address::listPage(m_hostBase, m_blogName, p));
        emit queueChanged(m_queue);
        emit statusChanged(StatusText::findPagesKnown());
        fetchListPage();
        return;
    }
    const QList<ListParser::Entry> entries = ListParser::parseListPage(page, m_carry);
    for (const ListParser::Entry &e : entries)
        m_table.LoadWZ(e.title, e.category, e.link, e.date);
    ++m_next;
    fetchListPage();
}

void ArticleDiscovery::fetchListPage()
{
    if (m_next >= m_queue.size()) {
        m_running = false;
        emit statusChanged(StatusText::findDone());
        emit finished();
        return;
    }
    emit statusChanged(StatusText::findPage(m_next + 1, static_cast<int>(m_queue.size())));
    emit pageSelected(m_next);
    m_fetcher.fetch(m_queue[m_next]);
}

} // namespace Blog
