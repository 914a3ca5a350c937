#pragma once

#include "archive/articlesaver.h"
#include "archive/layout.h"
#include "common/progress.h"
#include "common/result.h"
#include "common/retrytiming.h"
#include "common/settings.h"
#include "fetch/slotpool.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <array>
#include <memory>
#include <set>
#include <vector>

namespace Blog {
class ArticleTable;
}

namespace Archive {

struct DownloadReport
{
    int articles = 0;
    int saved = 0;   // saved or withdrawn
    int givenUp = 0; // attempts ran out, or the row names no safe file
    bool aborted = false;
};

// The download phase of Download: five request slots fetch the article rows, each completion is
// saved and the slot takes the next row without a mark and without a file. Rows already on disk are
// marked saved without a request (resumption), except rows 1 to 5, which are always fetched. A slot
// silent for five ticks releases its row to the others. A row that failed is not fetched again
// before its wait is over (growing with each attempt, or what a busy host asked for); a slot
// waiting for it counts no ticks. Event-driven: a reply's completion does the
// work; tick() is called once a second by the owner's timer (tests call it directly).
class DownloadDriver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadDriver)
public:
    static constexpr int SlotCount = Fetch::SlotPool::SlotCount;
    static constexpr int ReleaseTicks = 5;

    enum class SlotState { Resting, Fetching };
    Q_ENUM(SlotState)

    struct Options
    {
        QString programFolder;
        QString hostBase;
        int requestTimeoutMs = 30000;
        qint64 maxBodyBytes = 16 * 1024 * 1024;
        int maxAttempts = 5;
        RetryTiming retry;

        static Options fromSettings(const Settings &settings);
    };

    DownloadDriver(Blog::ArticleTable &table, Options options, QObject *parent = nullptr);
    ~DownloadDriver() override;

    // Clears every mark and starts the five slots on rows 1 to 5. Refused (nothing requested) when
    // the table holds fewer than five articles or the archive folder cannot be created.
    Result<void> start(const QString &blogName, const QString &blogAddress);
    // Stops every request; files already saved stay, nothing half-written is left.
    void abort();
    bool running() const { return m_running; }

    // One second passed: advances every slot's tick counter and releases rows of silent slots.
    void tick();

    // The next row to fetch (1 or more), or 0 when none is left; marks rows found on disk saved.
    int nextUnfetchedRow();

    const DownloadReport &report() const { return m_report; }

signals:
    void progressed(const Progress &progress);
    // A slot came to rest, or sent a follow-up request (each one a step of its activity).
    void slotStateChanged(int slot, Archive::DownloadDriver::SlotState state);
    // The row the status line counts: the one last given out, 0 when none is left.
    void currentRowChanged(int row);
    // A failed row's next attempt waits this many seconds.
    void retryWaiting(int seconds);
    // saved articles, all articles, given-up articles
    void progress(int saved, int total, int givenUp);
    void rowGivenUp(int row, const QString &reason);
    void finished(const Archive::DownloadReport &report);

private:
    struct Slot
    {
        int row = 0;
        bool finished = false;
        int ticks = 0;
    };

    void request(int slot, int row, bool followUp);
    void onCompleted(int slot, const Fetch::Result &result);
    // Writes or removes the row's file and settles its mark; false when the row is not saved, which
    // then waits before it is given out again.
    bool store(int row, const PreparedArticle &prepared, bool alreadySaved, const Fetch::Result &fetched);
    void giveUp(int row, const QString &reason);
    void retire(int slot);
    void pass();
    void setMark(int row, const QString &mark);
    bool fileExists(int row);
    void rememberFile(int row, bool exists);
    void finishIfDone();

    Blog::ArticleTable &m_table;
    Options m_options;
    std::unique_ptr<Layout> m_layout;
    QString m_blogName;
    QString m_blogAddress;
    Fetch::SlotPool m_pool;
    Fetch::Policy m_policy;
    std::array<Slot, SlotCount> m_slots;
    std::vector<int> m_attempts;
    std::vector<qint64> m_notBefore; // by row: when a failed row may be fetched again, on m_clock
    QElapsedTimer m_clock;
    std::set<int> m_unmarked;
    // File names present per category folder, read once per Download instead of a disk test per row.
    QHash<QString, QSet<QString>> m_folderFiles;
    QString m_lastRow; // the row number the status line shows; empty before the first completion
    DownloadReport m_report;
    bool m_running = false;
};

} // namespace Archive
