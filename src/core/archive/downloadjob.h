#pragma once

#include "archive/downloaddriver.h"
#include "archive/imagepass.h"
#include "archive/indexwriter.h"
#include "common/result.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <memory>
#include <optional>

namespace Archive {

struct DownloadJobReport
{
    DownloadReport download;
    bool indexed = false;              // the index pages, full list and start page were written
    QString error;                     // why the index phase failed, if it did
    std::optional<ImageReport> images; // set when the pictures were asked for and their pass ran
};

// The whole Download command: the download phase, then the index pages, the full list and the
// start page. Used by the window and the command line alike.
class DownloadJob final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadJob)
public:
    DownloadJob(Blog::ArticleTable &table, DownloadDriver::Options options, QObject *parent = nullptr);

    // Checks the per-page count (a whole number 1..255), then starts the download phase. A refusal
    // (bad count, fewer than five articles, no archive folder) returns its message; nothing is
    // fetched or written then.
    Result<void> start(const QString &blogName, const QString &blogAddress, const QString &perPageText);
    void tick() { m_driver.tick(); }
    void abort();
    bool running() const { return m_running; }
    DownloadDriver &driver() { return m_driver; }

    // Pictures are kept (an image pass between the articles and the index pages) when options are
    // given; without them nothing of the pass runs.
    void setImages(std::optional<ImageOptions> options);

    // Date, time and locale of the start page's update line; the system's by default.
    void setClock(std::function<QDateTime()> now, QLocale locale);

signals:
    // Every phase of the command, the download's own included; writing the index pages reports
    // row by row without returning to the event loop, so a window repaints what it shows itself.
    void progressed(const Progress &progress);
    void slotStateChanged(int slot, Archive::DownloadDriver::SlotState state);
    void currentRowChanged(int row);
    void retryWaiting(int seconds);
    void progress(int saved, int total, int givenUp);
    // pictures settled, all pictures (the image pass only)
    void imageProgress(int done, int total);
    void finished(const Archive::DownloadJobReport &report);

private:
    void onDownloaded(const Archive::DownloadReport &report);
    void onImagesDone(const Archive::ImageReport &report);
    void writeIndex();
    static Progress event(Progress::Phase phase, Progress::Stage stage, int done = 0, int total = 0);

    Blog::ArticleTable &m_table;
    DownloadDriver::Options m_options;
    DownloadDriver m_driver;
    std::optional<ImageOptions> m_imageOptions;
    std::unique_ptr<ImagePass> m_images;
    DownloadJobReport m_report;
    QString m_blogName;
    QString m_blogAddress;
    int m_perPage = 20;
    std::function<QDateTime()> m_now;
    QLocale m_locale;
    bool m_running = false;
    bool m_aborted = false;
};

} // namespace Archive
