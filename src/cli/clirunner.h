#pragma once

#include "archive/layout.h"
#include "blog/articletable.h"
#include "cli/progressline.h"
#include "common/result.h"
#include "common/settings.h"
#include "pipeline/taskjob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <memory>

class QCommandLineParser;
class QTimer;

namespace Archive {
class DownloadJob;
struct DownloadJobReport;
struct ImageReport;
} // namespace Archive

namespace Blog {
class ArticleDiscovery;
}

namespace Cli {

// Exit codes of pelmora-cli.
enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };

// The headless front end: runs the same core operations as the window's buttons, one command each
// (find, download, chm, archive), and reports on the streams it is given.
class CliRunner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CliRunner)
public:
    CliRunner(QTextStream &out, QTextStream &err, QObject *parent = nullptr);
    ~CliRunner() override;

    // Parses the arguments (program name first) and starts the command; finished() follows, also
    // for usage errors. Settings start from the given defaults, options override them.
    void start(const QStringList &arguments, Settings defaults);
    // Stops the running command (Ctrl+C): requests are aborted, nothing saved is lost.
    void interrupt();

    // Status lines update in place with a progress bar, as on a terminal.
    void setInteractive(bool interactive) { m_interactive = interactive; }

signals:
    void finished(int exitCode);

private:
    enum class Step { Find, Download, Chm, Epub };
    struct Options;

    Result<void> applyOptions(const QCommandLineParser &parser, const Options &options);
    Result<void> readCommand(const QStringList &positional);
    void usageError(const QString &message);
    void printAndFinish(const QString &text);

    void runNext();
    void runFind();
    void runDownload();
    void runChm();
    void runEpub();
    bool importTask();
    void onFound();
    void onDownloaded(const Archive::DownloadJobReport &report);
    void status(const QString &text);
    // On a terminal, the phase's line with `note`; otherwise the counts after `label` with `extra`,
    // at most once a second.
    void progressLine(const QString &phase, int done, int total, const QString &note, const QString &extra,
                      const QString &label = QString());
    void reportImages(const Archive::ImageReport &report);
    void endLine();
    void fail(int code, const QString &message);
    void succeed();
    Archive::Layout layout() const;
    // Shows each event's status text.
    Pipeline::ProgressSink showStatus();

    QTextStream &m_out;
    QTextStream &m_err;
    Settings m_settings;
    QString m_perPage = QStringLiteral("20");
    QString m_blogName;
    QList<Step> m_steps;
    bool m_quiet = false;
    bool m_images = false; // keep the pictures of the articles
    bool m_titles = false; // contents and index by title in the help file
    bool m_epub = false;   // write the EPUB book after the help file
    bool m_interactive = false;
    bool m_lineOpen = false;
    bool m_done = false;
    QString m_lastStatus;
    QString m_incomplete; // why a run that went on to the help file must still fail
    QElapsedTimer m_clock;
    qint64 m_lastPrint = -1;
    ProgressLine m_progressLine;
    Blog::ArticleTable m_table;
    std::unique_ptr<Blog::ArticleDiscovery> m_discovery;
    std::unique_ptr<Archive::DownloadJob> m_download;
    std::unique_ptr<QTimer> m_ticker;
};

} // namespace Cli
