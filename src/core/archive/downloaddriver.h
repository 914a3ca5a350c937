#pragma once

#include "archive/articlesaver.h"
#include "archive/layout.h"
#include "blog/pagefetcher.h"
#include "common/progress.h"
#include "common/result.h"
#include "common/settings.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <array>
#include <memory>
#include <set>
#include <vector>

class QNetworkAccessManager;

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
// silent for five ticks releases its row to the others. Event-driven: a reply's completion does the
// work; tick() is called once a second by the owner's timer (tests call it directly).
class DownloadDriver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadDriver)
public:
    static constexpr int SlotCount = 5;
    static constexpr int ReleaseTicks = 5;

    struct Options
    {
        QString programFolder;
        QString hostBase;
        int requestTimeoutMs = 30000;
        qint64 maxBodyBytes = 16 * 1024 * 1024;
        int maxAttempts = 5;

        static Options fromSettings(const Settings &settings);
    };

    DownloadDriver(QNetworkAccessManager &network, Blog::ArticleTable &table, Options options,
                   QObject *parent = nullptr);
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
    int GetMSHNo();

    const DownloadReport &report() const { return m_report; }

signals:
    void progressed(const Progress &progress);
    // A slot's progress indicator: "●" at rest, "★" / "◆" / "■" while it works.
    void indicatorChanged(int slot, const QString &symbol);
    // saved articles, all articles, given-up articles
    void progress(int saved, int total, int givenUp);
    void rowGivenUp(int row, const QString &reason);
    void finished(const Archive::DownloadReport &report);

private:
    struct Slot
    {
        std::unique_ptr<Blog::PageFetcher> fetcher;
        int row = 0;
        bool finished = false;
        int ticks = 0;
        int spinner = 0;
    };

    void DispLab5(int slot);
    void request(int slot, int row, bool followUp);
    void onCompleted(int slot, const Blog::FetchResult &result);
    // Writes or removes the row's file and settles its mark; false when the row is not saved.
    bool store(int row, const PreparedArticle &prepared, bool alreadySaved, const QString &fetchError);
    void giveUp(int row, const QString &reason);
    void retire(int slot);
    void pass();
    void setMark(int row, const QString &mark);
    bool fileExists(int row);
    void rememberFile(int row, bool exists);
    void finishIfDone();

    QNetworkAccessManager &m_network;
    Blog::ArticleTable &m_table;
    Options m_options;
    std::unique_ptr<Layout> m_layout;
    QString m_blogName;
    QString m_blogAddress;
    std::array<Slot, SlotCount> m_slots;
    std::vector<int> m_attempts;
    std::set<int> m_unmarked;
    // File names present per category folder, read once per Download instead of a disk test per row.
    QHash<QString, QSet<QString>> m_folderFiles;
    QString m_lastRow; // the row number the status line shows; empty before the first completion
    DownloadReport m_report;
    bool m_running = false;
};

} // namespace Archive
