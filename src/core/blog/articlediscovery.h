#pragma once

#include "blog/listparser.h"
#include "common/progress.h"
#include "common/retrytiming.h"
#include "fetch/slotpool.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <array>
#include <optional>

namespace Blog {

class ArticleTable;

// Find: reads the pager of the blog address page, queues the list pages, then fetches them with up
// to five requests in flight and parses them strictly in page order, appending every entry to the
// article table; rows, carried values and status texts are those of a one-at-a-time walk. A page
// that does not come complete (error status, time-out, too large, refused, no connection) is
// fetched again up to the attempt limit, after a wait that grows with each attempt or that a busy
// host asks for; if it still fails, Find ends without the pages from it on
// and failure() says which page and why. Never blocks. start() while a Find runs abandons it and
// starts again from the beginning.
class ArticleDiscovery final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArticleDiscovery)
public:
    // Never more requests than this to the host at once, as for downloads.
    static constexpr int MaxRequests = Fetch::SlotPool::SlotCount;

    ArticleDiscovery(ArticleTable &table, int timeoutMs, qint64 maxBodyBytes, QObject *parent = nullptr);
    ~ArticleDiscovery() override;

    // Requests in flight at most, 1 to MaxRequests (1 is the one-at-a-time walk); the next start() uses it.
    void setConcurrency(int requests);
    // Fetches of one page before Find fails, at least 1.
    void setMaxAttempts(int attempts);
    // The waits between the attempts of one page.
    void setRetryTiming(RetryTiming timing) { m_retryTiming = std::move(timing); }

    // Empties the table and reads the blog whose address page is `blogAddress`; list pages are
    // built from `hostBase` and `blogName`.
    void start(const QString &hostBase, const QString &blogName, const QString &blogAddress);
    // Stops a running Find and every request of it, without finished().
    void abort();
    bool running() const { return m_running; }

    // The list-page queue, one address per page.
    const QStringList &queue() const { return m_queue; }
    // After finished(): empty when every page was read; otherwise the failed event, naming the page,
    // why and the attempts made. The table then holds the entries of the pages before it.
    const std::optional<Progress> &failure() const { return m_failure; }

signals:
    void progressed(const Progress &progress);
    void queueChanged(const QStringList &queue);
    // The queue line of the page read next.
    void pageSelected(int index);
    void finished();
    // A page failed and its next attempt waits this many seconds.
    void retryWaiting(int seconds);

private:
    // The page a slot fetches: BlogPage or an index into the queue.
    static constexpr int BlogPage = -1;
    static constexpr int NoPage = -2;

    void request(int slot, int page, int delayMs = 0);
    void onFetched(int slot, const Fetch::Result &result);
    void readPager(const QByteArray &body);
    void fillSlots();
    void parseArrived();
    void selectCursor();
    void fail(int page, const QString &why);
    void finish();
    static Progress event(Progress::Stage stage);
    void stopRequests();

    ArticleTable &m_table;
    Fetch::SlotPool m_pool;
    Fetch::Policy m_policy;
    RetryTiming m_retryTiming;
    std::array<int, MaxRequests> m_slotPage; // the page each slot fetches, or NoPage
    int m_concurrency = MaxRequests;
    int m_maxAttempts = 5;
    QStringList m_queue;
    QString m_hostBase;
    QString m_blogName;
    QString m_blogAddress;
    ListParser::Entry m_carry;
    QHash<int, QByteArray> m_arrived;  // pages fetched but not yet parsed
    QHash<int, int> m_attempts;        // by page, BlogPage included
    QHash<int, QString> m_failedPages; // pages that used up their attempts, with the reason
    int m_cursor = 0;                  // the page parsed next
    int m_nextRequest = 0;             // the page requested next
    std::optional<Progress> m_failure;
    bool m_running = false;
};

} // namespace Blog
