#pragma once

#include "archive/downloadjob.h"
#include "blog/articlediscovery.h"
#include "blog/articletable.h"
#include "gui/buttonstate.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

struct AppContext;
class ArticleTableModel;
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

    // Enables exactly the buttons whose flag is set, Command1 to Command6 in that order.
    void SetDisp(bool find, bool download, bool chm, bool folder, bool exportTask, bool importTask);
    void SetDisp(ButtonState state);

    // Lays out for an outer window size in twips: the list box and the grid follow the window,
    // nothing else moves, and a window 3200 twips high or less changes nothing.
    void Form_Resize(int outerWidth, int outerHeight);

    // The one-second tick: the download's time-outs first, then the about link's caption.
    void Timer1_Timer();

    void Command1_Click(); // Find
    void Command2_Click(); // Download
    void Command3_Click(); // Build CHM
    void Command4_Click(); // Folder
    void Command5_Click(); // Export
    void Command6_Click(); // Import
    // Writes the archive as an EPUB book beside the help file and opens it.
    void writeEpub();
    void MSH_DblClick();
    void Label3_Click();

    // The grid's first visible scrolling row (smallest 1) and its row count with header and empty row.
    int TopRow() const;
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
    void Form_Load();
    void MSH_GotFocus();
    void MSH_LostFocus();
    bool WheelProc(const QWheelEvent &event);
    void setStatus(const QString &text);
    bool takeBlogName();
    void onFindFinished();
    void onDownloadFinished(const Archive::DownloadJobReport &report);
    void applyTopRow();
    void abortRunning();

    AppContext &m_context;
    std::unique_ptr<Ui::MainWindow> m_ui;
    // The table outlives the operations that hold on to it.
    Blog::ArticleTable m_table;
    ArticleTableModel *m_model = nullptr;
    Blog::ArticleDiscovery m_discovery;
    Archive::DownloadJob m_download;
    QTimer Timer1;
    QString m_blogName;
    quint8 m_blinkCounter = 0;
    bool m_topRowQueued = false;
};
