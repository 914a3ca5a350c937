#pragma once

#include "blog/listparser.h"
#include "blog/pagefetcher.h"

#include <QObject>
#include <QStringList>

class QNetworkAccessManager;

namespace Blog {

class ArticleTable;

// Find: reads the pager of the blog address page, queues the list pages, then reads them one after
// another and appends every entry to the article table. One request at a time; never blocks.
// start() while a Find runs abandons it and starts again from the beginning.
class ArticleDiscovery final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArticleDiscovery)
public:
    ArticleDiscovery(QNetworkAccessManager &network, ArticleTable &table, int timeoutMs, qint64 maxBodyBytes,
                     QObject *parent = nullptr);

    // Empties the table and reads the blog whose address page is `blogAddress`; list pages are
    // built from `hostBase` and `blogName`.
    void start(const QString &hostBase, const QString &blogName, const QString &blogAddress);
    // Stops a running Find without finished().
    void abort();
    bool running() const { return m_running; }

    // The list-page queue, one address per page.
    const QStringList &queue() const { return m_queue; }
    // Pages that could not be read (time-out, connection failure); they added no rows.
    int failedPages() const { return m_failedPages; }

signals:
    void statusChanged(const QString &text);
    void queueChanged(const QStringList &queue);
    // The queue line of the page being read.
    void pageSelected(int index);
    void finished();

private:
    void onFetched(const Blog::FetchResult &result);
    void fetchListPage();

    ArticleTable &m_table;
    PageFetcher m_fetcher;
    QStringList m_queue;
    QString m_hostBase;
    QString m_blogName;
    ListParser::Entry m_carry;
    int m_next = 0;
    int m_failedPages = 0;
    bool m_running = false;
    bool m_readingPager = false;
};

} // namespace Blog
