#pragma once

#include "archive/imagestore.h"
#include "common/retrytiming.h"
#include "common/settings.h"
#include "fetch/slotpool.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <optional>

namespace Archive {

struct ImageOptions
{
    int requestTimeoutMs = 30000;
    qint64 maxImageBytes = 20 * 1024 * 1024;
    int maxAttempts = 5;
    RetryTiming retry;

    // The time-out, attempts and waits of article requests; the picture cap of its own.
    static ImageOptions fromSettings(const Settings &settings);
};

struct ImageFailure
{
    QString address;
    QString reason;
};

struct ImageReport
{
    int pictures = 0;   // distinct remote addresses found in the articles
    int saved = 0;      // of those, on disk now (fetched this run or before)
    int fetched = 0;    // of those, fetched this run
    int keptRemote = 0; // references left pointing at a remote address
    QList<ImageFailure> givenUp;
    QStringList errors; // article files that could not be read or rewritten
    bool aborted = false;
};

// The pictures of the saved articles, kept in the archive. Every article file is scanned for
// remote picture addresses; each distinct address is fetched once over five slots with bounded
// attempts, waiting between them as article requests do, unless it is already in images/; then each article's
// references to saved pictures are rewritten to "../images/…", byte for byte otherwise, and the file replaced
// atomically. Pictures that could not be saved keep their remote address. A second run finds nothing left to do.
class ImagePass final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImagePass)
public:
    static constexpr int SlotCount = Fetch::SlotPool::SlotCount;

    ImagePass(ImageOptions options, QObject *parent = nullptr);
    ~ImagePass() override;

    // Scans the article files (paths one folder below the archive folder) and starts fetching;
    // finished() follows, also when there is nothing to fetch.
    void start(const QString &archiveFolder, const QStringList &articleFiles);
    void abort();
    bool running() const { return m_running; }

signals:
    // pictures settled (saved or given up), all pictures
    void progress(int done, int total);
    // A picture's next attempt waits this many seconds.
    void retryWaiting(int seconds);
    void finished(const Archive::ImageReport &report);

private:
    struct Picture
    {
        QByteArray address;
        QString fileName; // set once saved
        int attempts = 0;
        qint64 notBefore = 0; // after a failed attempt, on m_clock
    };

    void next(int slot);
    void onFetched(int slot, const Fetch::Result &result);
    void settle(int picture);
    void finishIfDone();
    void rewriteArticles();

    ImageOptions m_options;
    std::optional<ImageStore> m_store;
    Fetch::SlotPool m_pool;
    Fetch::Policy m_policy;
    std::array<int, SlotCount> m_slotPicture; // the picture each slot fetches, or -1
    QElapsedTimer m_clock;
    QList<Picture> m_pictures;
    QHash<QByteArray, int> m_byAddress;
    QStringList m_articles; // files holding at least one remote picture
    std::deque<int> m_queue;
    int m_settled = 0;
    ImageReport m_report;
    bool m_running = false;
};

} // namespace Archive
