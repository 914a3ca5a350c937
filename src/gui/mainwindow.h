#pragma once

#include "archive/downloadjob.h"
#include "blog/articlediscovery.h"
#include "blog/articletable.h"
#include "gui/buttonstate.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

struct AppContext;
class ArticleTableModel;
class ProgressPresenter;
class QCheckBox;
class QUrl;
class QWheelEvent;

namespace Ui {
class MainWindow;
}

// The one window: the command buttons, the status line, the list-page queue and the article grid.
// It reads the controls, calls core and shows what core reports.
class MainWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Enables exactly the buttons whose flag is set; the others are disabled.
    void enableButtons(bool find, bool download, bool chm, bool folder, bool exportTask, bool importTask);
    void setButtonState(ButtonState state);

    // Lays out for an outer window size in twips (see growingLayout): the list box and the grid take
    // the room, the indicators and the progress bar go along, the top rows never move, and a window
    // 3200 twips high or less changes nothing.
    void fitToWindowSize(int outerWidth, int outerHeight);

    // The one-second tick: the download's time-outs first, then the about link's caption.
    void tick();

    // The command buttons, left to right as the user reads them: Find, Download, Import, Export,
    // Build CHM, Folder.
    void startFind();
    void startDownload();
    void importTask();
    void exportTask();
    void buildHelpFile();
    void openProgramFolder();
    // Writes the archive as an EPUB book beside the help file and opens it.
    void writeEpub();
    void openArticle();
    // The about link: the about box, or the maker's page while the link shows its second caption.
    void openAbout();

    // The grid's first visible scrolling row (smallest 1) and its row count with header and empty row.
    int gridTopRow() const;
    void setTopRow(int row);

    // The new first row for one wheel event over the focused grid, or nothing to scroll: one notch
    // toward the user moves three rows down while rows remain, one notch away three rows up.
    static std::optional<int> wheelTopRow(int topRow, int rows, QPoint angleDelta, Qt::KeyboardModifiers modifiers,
                                          Qt::MouseButtons buttons);

    // The about box's six lines, joined by CR.
    static QString aboutText();
    // The maker's page that the about link opens in its second caption.
    static QUrl makerPage();

    const Blog::ArticleTable &table() const { return m_table; }
    Blog::ArticleTable &table() { return m_table; }
    const QString &blogName() const { return m_blogName; }
    int blinkCounter() const { return m_blinkCounter; }
    bool running() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Restores a check box from the settings file and writes every change back.
    void rememberCheckBox(QCheckBox *box, const QString &key);
    void showInitialState();
    void onGridFocusIn();
    void onGridFocusOut();
    bool scrollGridByWheel(const QWheelEvent &event);
    void setStatus(const QString &text);
    void showProgress(const Progress &progress);
    bool takeBlogName();
    void onFindFinished();
    void onDownloadFinished(const Archive::DownloadJobReport &report);
    // Moves the grid's first row there once the event loop comes round, the last request winning.
    void scrollGridTo(int row);
    void applyTopRow();
    void abortRunning();
    void rememberSize() const;

    AppContext &m_context;
    std::unique_ptr<Ui::MainWindow> m_ui;
    // The table outlives the operations that hold on to it.
    Blog::ArticleTable m_table;
    ArticleTableModel *m_model = nullptr;
    ProgressPresenter *m_progress = nullptr;
    Blog::ArticleDiscovery m_discovery;
    Archive::DownloadJob m_download;
    std::array<int, 5> m_slotSteps{}; // where each slot's activity indicator is
    QTimer m_ticker;
    QString m_blogName;
    quint8 m_blinkCounter = 0;
    int m_wantedTopRow = 1;
    bool m_topRowQueued = false;
};
