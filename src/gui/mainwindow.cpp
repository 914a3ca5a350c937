#include "gui/mainwindow.h"

#include "archive/layout.h"
#include "blog/addresses.h"
#include "common/blogname.h"
#include "epub/epubbook.h"
#include "frontend/statustext.h"
#include "gui/appcontext.h"
#include "gui/articlegridview.h"
#include "gui/articletablemodel.h"
#include "gui/growinglayout.h"
#include "gui/mainwindowform.h"
#include "gui/progresspresenter.h"
#include "gui/runnotice.h"
#include "gui/twips.h"
#include "pipeline/helpfilejob.h"
#include "pipeline/taskjob.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QWheelEvent>

namespace {

// Column widths of the grid in twips, by ArticleTableModel::Column.
constexpr int ColumnWidths[ArticleTableModel::ColumnCount] = {700, 4800, 2800, 3200, 2000, 600, 300};

// The design places show everything at this client size, the status line included.
constexpr int InitialWidth = 13200;
constexpr int InitialHeight = 6480;

const QString KeepImagesKey = QStringLiteral("download/keepImages");
const QString TitledContentsKey = QStringLiteral("helpfile/titledContents");
const QString WindowSizeKey = QStringLiteral("window/size");

constexpr int WheelNotch = 120;
constexpr int WheelStep = 3;

} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_ui(std::make_unique<Ui::MainWindow>())
    , m_discovery(m_table, context.settings.requestTimeoutMs, context.settings.maxBodyBytes)
    , m_download(m_table, Archive::DownloadDriver::Options::fromSettings(context.settings))
    , m_ticker(this)
{
    m_discovery.setMaxAttempts(context.settings.maxAttempts);
    m_discovery.setRetryTiming(context.settings.retry);
    m_ui->setupUi(this);
    m_progress = new ProgressPresenter(*this, *m_ui->progressBar, QGuiApplication::desktopFileName(), this);
    m_ui->blogAddressEdit->setText(Blog::Address::blog(m_context.settings.hostBase, m_ui->blogNameEdit->text()));
    m_download.setClock(m_context.settings.now, QLocale::system());

    m_model = new ArticleTableModel(m_table, this);
    m_ui->articleGrid->setModel(m_model);

    connect(m_ui->findButton, &QPushButton::clicked, this, &MainWindow::startFind);
    connect(m_ui->downloadButton, &QPushButton::clicked, this, &MainWindow::startDownload);
    connect(m_ui->buildHelpButton, &QPushButton::clicked, this, &MainWindow::buildHelpFile);
    connect(m_ui->openFolderButton, &QPushButton::clicked, this, &MainWindow::openProgramFolder);
    connect(m_ui->exportButton, &QPushButton::clicked, this, &MainWindow::exportTask);
    connect(m_ui->importButton, &QPushButton::clicked, this, &MainWindow::importTask);
    connect(m_ui->articleGrid, &QAbstractItemView::doubleClicked, this, &MainWindow::openArticle);
    connect(m_ui->epubButton, &QPushButton::clicked, this, &MainWindow::writeEpub);
    rememberCheckBox(m_ui->keepPicturesCheck, KeepImagesKey);
    rememberCheckBox(m_ui->titledContentsCheck, TitledContentsKey);
    m_ui->articleGrid->installEventFilter(this);
    m_ui->aboutLink->installEventFilter(this);

    connect(&m_discovery, &Blog::ArticleDiscovery::progressed, this, &MainWindow::showProgress);
    connect(&m_discovery, &Blog::ArticleDiscovery::queueChanged, this, [this](const QStringList &queue) {
        m_ui->messageList->clear();
        m_ui->messageList->addItems(queue);
    });
    connect(&m_discovery, &Blog::ArticleDiscovery::pageSelected, this,
            [this](int line) { m_ui->messageList->setCurrentRow(line); });
    connect(&m_discovery, &Blog::ArticleDiscovery::finished, this, &MainWindow::onFindFinished);
    connect(&m_discovery, &Blog::ArticleDiscovery::retryWaiting, this,
            [this](int seconds) { setStatus(Presentation::retryWaiting(seconds)); });

    connect(&m_download, &Archive::DownloadJob::progressed, this, &MainWindow::showProgress);
    connect(&m_download, &Archive::DownloadJob::slotStateChanged, this,
            [this](int slot, Archive::DownloadDriver::SlotState state) {
                // "●" at rest; each request a slot sends moves it on through "★", "◆", "■".
                static const QString spinner[] = {QStringLiteral("★"), QStringLiteral("◆"), QStringLiteral("■")};
                if (slot < 0 || slot >= static_cast<int>(m_ui->slotIndicators.size()))
                    return;
                int &step = m_slotSteps[static_cast<size_t>(slot)];
                if (state == Archive::DownloadDriver::SlotState::Fetching)
                    step = (step + 1) % 3;
                m_ui->slotIndicators[static_cast<size_t>(slot)]->setText(
                    state == Archive::DownloadDriver::SlotState::Resting ? QStringLiteral("●") : spinner[step]);
            });
    // The grid follows the download, five rows above the row it is at.
    connect(&m_download, &Archive::DownloadJob::currentRowChanged, this, [this](int row) {
        if (row > 5)
            scrollGridTo(row - 5);
    });
    connect(&m_download, &Archive::DownloadJob::retryWaiting, this,
            [this](int seconds) { setStatus(Presentation::retryWaiting(seconds)); });
    connect(&m_download, &Archive::DownloadJob::finished, this, &MainWindow::onDownloadFinished);

    // The grid keeps the newest rows in view while articles arrive, and starts at the top again.
    connect(&m_table, &Blog::ArticleTable::rowsAppended, this, [this] {
        const int gridRows = m_table.articleCount() + 2; // with the header and the empty row
        if (gridRows > 5)
            scrollGridTo(gridRows - 5);
    });
    connect(&m_table, &Blog::ArticleTable::cleared, this, [this] { scrollGridTo(1); });

    showInitialState();
    QSize size(Twips::toPixels(InitialWidth), Twips::toPixels(InitialHeight));
    if (!m_context.settingsFile.isEmpty()) {
        const QSize remembered = QSettings(m_context.settingsFile, QSettings::IniFormat).value(WindowSizeKey).toSize();
        if (remembered.isValid())
            size = remembered;
    }
    resize(size);

    m_ticker.setObjectName(QStringLiteral("ticker"));
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &MainWindow::tick);
    m_ticker.start();
}

MainWindow::~MainWindow()
{
    // The operations report into this window; they end before it does.
    m_discovery.disconnect(this);
    m_download.disconnect(this);
    abortRunning();
    // The grid and its model are children and go with the widget, after the table they read.
    m_ui->articleGrid->setModel(nullptr);
    delete m_model;
}

void MainWindow::showInitialState()
{
    m_table.clear();
    m_model->sync();
    QHeaderView *header = m_ui->articleGrid->horizontalHeader();
    for (int column = 0; column < ArticleTableModel::ColumnCount; ++column)
        header->resizeSection(column, Twips::toPixels(ColumnWidths[column]));
    // The row number shows as the vertical header, which stays put when the grid scrolls sideways.
    m_ui->articleGrid->setColumnHidden(ArticleTableModel::RowNumberColumn, true);
    m_ui->articleGrid->verticalHeader()->setFixedWidth(
        Twips::toPixels(ColumnWidths[ArticleTableModel::RowNumberColumn]));

    setButtonState(ButtonState::Ready);
    setStatus(Presentation::initial());

    const QString hostBase = m_context.settings.hostBase;
    m_ui->messageList->addItems({
        QStringLiteral("第一步：先输入博客名。例如网址") + hostBase + QStringLiteral("qiruvo/blog 就输入“qiruvo”"),
        QStringLiteral("第二步：按下“寻找”会开始寻找文章，寻找完以后就按“下载”开始下载"),
        QStringLiteral("第三步：下载完成后按“生成CHM”生成CHM"),
        QStringLiteral("说明：生成CHM不需要其他文件，CHM文件放在程序目录") +
            QDir::toNativeSeparators(m_context.settings.programFolder),
    });
}

void MainWindow::enableButtons(bool find, bool download, bool chm, bool folder, bool exportTask, bool importTask)
{
    QPushButton *const buttons[] = {m_ui->findButton,       m_ui->downloadButton, m_ui->buildHelpButton,
                                    m_ui->openFolderButton, m_ui->exportButton,   m_ui->importButton};
    for (QPushButton *b : buttons)
        b->setEnabled(false);
    const bool flags[] = {find, download, chm, folder, exportTask, importTask};
    for (size_t i = 0; i < std::size(buttons); ++i) {
        if (flags[i])
            buttons[i]->setEnabled(true);
    }
    // The book is made from what Build CHM packs, so it is offered exactly when Build CHM is.
    m_ui->epubButton->setEnabled(chm);
}

void MainWindow::setButtonState(ButtonState state)
{
    const ButtonPattern p = buttonPattern(state);
    enableButtons(p.find, p.download, p.chm, p.folder, p.exportTask, p.importTask);
}

void MainWindow::fitToWindowSize(int outerWidth, int outerHeight)
{
    if (outerHeight <= 3200)
        return;
    const GrowingLayout layout = growingLayout(outerWidth, outerHeight, Twips::fromPixels(height()));
    const auto place = [](QWidget *widget, const QRect &twips) {
        widget->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    };
    place(m_ui->messageList, layout.list);
    for (QLabel *indicator : m_ui->slotIndicators)
        indicator->move(indicator->x(), Twips::toPixels(layout.indicatorTop));
    place(m_ui->articleGrid, layout.grid);
    place(m_ui->progressBar, layout.progressBar);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The frame is known only once the window manager has one; until then it is the client size.
    const QRect outer = frameGeometry();
    fitToWindowSize(Twips::fromPixels(outer.width()), Twips::fromPixels(outer.height()));
}

void MainWindow::tick()
{
    m_download.tick();

    ++m_blinkCounter;
    if (m_blinkCounter < 3) {
        m_ui->aboutLink->setText(QStringLiteral("关于本程序"));
    } else if (m_blinkCounter < 5) {
        m_ui->aboutLink->setText(QStringLiteral("点击查看新版本"));
    } else {
        m_blinkCounter = 0;
        m_ui->aboutLink->setText(QStringLiteral("关于本程序"));
    }
}

void MainWindow::setStatus(const QString &text)
{
    m_ui->statusLine->setText(text);
}

void MainWindow::showProgress(const Progress &progress)
{
    if (const QString text = Presentation::statusText(progress); !text.isEmpty())
        setStatus(text);
    m_progress->present(progress);
    // The index pages are written without a return to the event loop; keep the count moving.
    if (progress.phase == Progress::Phase::IndexPages && progress.stage == Progress::Stage::Running &&
        progress.done % 100 == 0)
        m_ui->statusLine->repaint();
    // So is the compile; the bar is repainted at each whole percent of the files.
    if (progress.phase == Progress::Phase::HelpFile && progress.stage == Progress::Stage::Running &&
        progress.total > 0 && progress.done * 100 / progress.total != (progress.done - 1) * 100 / progress.total)
        m_ui->progressBar->repaint();
}

bool MainWindow::takeBlogName()
{
    const QString name = m_ui->blogNameEdit->text();
    if (const Result<void> checked = checkBlogName(name); !checked) {
        m_context.showMessage(this, QMessageBox::Warning, checked.error());
        return false;
    }
    m_ui->blogAddressEdit->setText(Blog::Address::blog(m_context.settings.hostBase, name));
    m_blogName = name;
    return true;
}

void MainWindow::startFind()
{
    if (!takeBlogName())
        return;
    m_ui->messageList->clear();
    setStatus(Presentation::findStarting());
    setButtonState(ButtonState::Finding);
    m_progress->runStarted();
    m_discovery.start(m_context.settings.hostBase, m_blogName, m_ui->blogAddressEdit->text());
}

void MainWindow::onFindFinished()
{
    // A Find that stopped at a page keeps its rows in the grid and its reason in the status line,
    // but offers neither Download nor Export of an incomplete list.
    setButtonState(!m_discovery.failure() ? ButtonState::Found : ButtonState::Ready);
    const QString failure = m_discovery.failure() ? Presentation::statusText(*m_discovery.failure()) : QString();
    m_progress->runEnded(RunNotices::find(m_blogName, m_table.articleCount(), failure));
}

void MainWindow::startDownload()
{
    if (m_download.running() || !takeBlogName())
        return;
    m_download.setImages(m_ui->keepPicturesCheck->isChecked()
                             ? std::optional(Archive::ImageOptions::fromSettings(m_context.settings))
                             : std::nullopt);
    scrollGridTo(1);
    const Result<void> started = m_download.start(m_blogName, m_ui->blogAddressEdit->text(), m_ui->perPageEdit->text());
    if (!started) {
        // A refusal changes neither the buttons nor the status line.
        m_context.showMessage(this, QMessageBox::NoIcon, started.error());
        return;
    }
    setButtonState(ButtonState::Downloading);
    m_progress->runStarted();
}

void MainWindow::onDownloadFinished(const Archive::DownloadJobReport &report)
{
    // A download stopped on purpose ends without a notice.
    m_progress->runEnded(report.download.aborted ? RunNotice() : RunNotices::download(m_blogName, report));
    // The pictures' account goes below the list lines; the status line keeps its own texts.
    if (report.images && !report.images->aborted) {
        const Archive::ImageReport &images = *report.images;
        m_ui->messageList->addItem(QStringLiteral("图片：保存 %1 张，保留远程地址 %2 处，放弃 %3 张")
                                       .arg(images.saved)
                                       .arg(images.keptRemote)
                                       .arg(images.givenUp.size()));
        for (const Archive::ImageFailure &failure : images.givenUp)
            m_ui->messageList->addItem(QStringLiteral("放弃图片：%1（%2）").arg(failure.address, failure.reason));
        for (const QString &error : images.errors)
            m_ui->messageList->addItem(QStringLiteral("图片链接未改写：") + error);
        m_ui->messageList->scrollToBottom();
    }
    if (report.indexed) {
        setButtonState(ButtonState::Downloaded);
        return;
    }
    // Back to found, so that the download can be started again; the files saved so far count.
    if (!report.error.isEmpty())
        setStatus(report.error);
    setButtonState(ButtonState::Found);
}

void MainWindow::rememberCheckBox(QCheckBox *box, const QString &key)
{
    if (!m_context.settingsFile.isEmpty())
        box->setChecked(QSettings(m_context.settingsFile, QSettings::IniFormat).value(key, false).toBool());
    connect(box, &QCheckBox::toggled, this, [this, key](bool checked) {
        if (!m_context.settingsFile.isEmpty())
            QSettings(m_context.settingsFile, QSettings::IniFormat).setValue(key, checked);
    });
}

void MainWindow::buildHelpFile()
{
    const Archive::Layout layout(m_context.settings.programFolder, m_blogName);
    m_progress->runStarted();
    const Result<Pipeline::HelpFileReport> built =
        Pipeline::buildHelpFile(layout, m_blogName, m_table, m_ui->titledContentsCheck->isChecked(), m_context.compile,
                                [this](const Progress &progress) {
                                    showProgress(progress);
                                    // The compile blocks the window; show the status and the bar before it starts.
                                    if (progress.stage == Progress::Stage::Started) {
                                        m_ui->statusLine->repaint();
                                        m_ui->progressBar->repaint();
                                    }
                                });
    m_progress->runEnded(RunNotices::pack(m_blogName, built.ok(), m_ui->statusLine->text()));
    if (!built)
        return;
    // The index's account goes below the list lines; the status line keeps its own texts.
    m_ui->messageList->addItem(
        QStringLiteral("全文索引：%1 页，%2 个词").arg(built->indexedPages).arg(built->indexedWords));
    if (built->pagesWithActiveContent > 0)
        m_ui->messageList->addItem(QStringLiteral("已去掉脚本和控件：%1 页").arg(built->pagesWithActiveContent));
    m_ui->messageList->scrollToBottom();
    if (!built->missingArticles.isEmpty()) {
        // The help file holds what was saved; the user learns which articles it lacks.
        constexpr int Shown = 10;
        const QStringList &missing = built->missingArticles;
        QString text =
            QStringLiteral("以下%1篇文章没有下载成功，生成的CHM中没有它们，请重新下载：\n").arg(missing.size()) +
            missing.mid(0, Shown).join(QLatin1Char('\n'));
        if (missing.size() > Shown)
            text += QStringLiteral("\n……共%1篇").arg(missing.size());
        m_context.showMessage(this, QMessageBox::Warning, text);
    }
    setButtonState(ButtonState::Packed);
    m_context.open(QUrl::fromLocalFile(built->helpFile));
}

void MainWindow::writeEpub()
{
    setStatus(Presentation::epubWriting());
    m_ui->statusLine->repaint();
    const Epub::BookRequest request{m_context.settings.programFolder, m_blogName, m_context.settings.hostBase,
                                    m_context.settings.now(), m_table};
    const Result<Epub::BookReport> book = Epub::writeBook(request);
    if (!book) {
        setStatus(Presentation::epubFailed(book.error()));
        return;
    }
    const QStringList left = book->missingArticles + book->problems;
    if (left.isEmpty()) {
        setStatus(Presentation::epubWritten());
    } else {
        setStatus(Presentation::epubWrittenWithout(static_cast<int>(left.size())));
        for (const QString &line : left)
            m_ui->messageList->addItem(QStringLiteral("EPUB：") + line);
        m_ui->messageList->scrollToBottom();
    }
    m_context.open(QUrl::fromLocalFile(book->outputPath));
}

void MainWindow::openProgramFolder()
{
    m_context.open(QUrl::fromLocalFile(m_context.settings.programFolder));
}

void MainWindow::exportTask()
{
    const Archive::Layout layout(m_context.settings.programFolder, m_blogName);
    const Pipeline::ExportReport exported =
        Pipeline::exportTask(layout, m_blogName, m_table, [this](const Progress &p) { showProgress(p); });
    if (!exported.unstorable.isEmpty()) {
        constexpr int Shown = 10;
        QString text = QStringLiteral("以下内容为空或含有换行，任务文件无法正确保存，导入时会出错：\n") +
                       exported.unstorable.mid(0, Shown).join(QLatin1Char('\n'));
        if (exported.unstorable.size() > Shown)
            text += QStringLiteral("\n……共%1处").arg(exported.unstorable.size());
        m_context.showMessage(this, QMessageBox::Warning, text);
    }
    if (!exported.error.isEmpty())
        m_context.showMessage(this, QMessageBox::Warning, exported.error);
}

void MainWindow::importTask()
{
    const QString path =
        m_context.chooseFile(this, m_context.settings.programFolder, QStringLiteral("INI File (*.ini)"));
    if (path.isEmpty())
        return;
    // The file is read whole before anything changes, so a bad file leaves the table as it was.
    const Result<Task::TaskData> task = Pipeline::readTask(path);
    if (!task) {
        m_context.showMessage(this, QMessageBox::Warning, task.error());
        return;
    }
    m_discovery.abort();
    m_ui->blogNameEdit->setText(task->blogName);
    m_ui->blogAddressEdit->setText(Blog::Address::blog(m_context.settings.hostBase, task->blogName));
    m_blogName = task->blogName;
    Pipeline::loadTask(*task, m_table, [this](const Progress &progress) {
        showProgress(progress);
        // The rows load without returning to the event loop; keep the count moving.
        if (progress.stage == Progress::Stage::Running && (progress.done - 1) % 100 == 0)
            m_ui->statusLine->repaint();
    });
    setButtonState(ButtonState::Imported);
}

void MainWindow::openArticle()
{
    const int row = m_ui->articleGrid->currentIndex().row() + 1;
    if (row < 1 || row > m_table.articleCount() + 1)
        return;
    // The cells as the grid shows them: the always-empty last row has an empty link too.
    const QString category = m_table.cell(row, ArticleTableModel::CategoryColumn);
    const QString link = m_table.cell(row, ArticleTableModel::LinkColumn);
    QUrl target;
    if (m_table.cell(row, ArticleTableModel::MarkColumn) == Blog::Mark::saved()) {
        const Archive::Layout layout(m_context.settings.programFolder, m_blogName);
        target = QUrl::fromLocalFile(layout.articleFile(category, link));
    } else {
        target = QUrl(Blog::Address::article(m_ui->blogAddressEdit->text(), link));
    }
    m_context.open(target);
}

int MainWindow::gridTopRow() const
{
    return m_ui->articleGrid->topRow();
}

void MainWindow::setTopRow(int row)
{
    m_model->sync();
    m_ui->articleGrid->setTopRow(row);
}

void MainWindow::scrollGridTo(int row)
{
    // Appends and the download move the first row many times in a burst; the view follows once.
    row = qMax(row, 1);
    if (row == m_wantedTopRow)
        return;
    m_wantedTopRow = row;
    if (m_topRowQueued)
        return;
    m_topRowQueued = true;
    QMetaObject::invokeMethod(this, &MainWindow::applyTopRow, Qt::QueuedConnection);
}

void MainWindow::applyTopRow()
{
    m_topRowQueued = false;
    setTopRow(m_wantedTopRow);
}

std::optional<int> MainWindow::wheelTopRow(int topRow, int rows, QPoint angleDelta, Qt::KeyboardModifiers modifiers,
                                           Qt::MouseButtons buttons)
{
    if (modifiers != Qt::NoModifier || buttons != Qt::NoButton || angleDelta.x() != 0)
        return std::nullopt;
    if (angleDelta.y() == -WheelNotch) {
        if (topRow + WheelStep < rows)
            return topRow + WheelStep;
        return std::nullopt;
    }
    if (angleDelta.y() == WheelNotch)
        return topRow > WheelStep ? topRow - WheelStep : 1;
    return std::nullopt;
}

void MainWindow::onGridFocusIn()
{
    m_ui->articleGrid->viewport()->installEventFilter(this);
}

void MainWindow::onGridFocusOut()
{
    m_ui->articleGrid->viewport()->removeEventFilter(this);
}

bool MainWindow::scrollGridByWheel(const QWheelEvent &event)
{
    const std::optional<int> top =
        wheelTopRow(gridTopRow(), m_table.articleCount() + 2, event.angleDelta(), event.modifiers(), event.buttons());
    if (top) {
        m_wantedTopRow = *top;
        setTopRow(*top);
    }
    // The grid's own wheel scrolling stays off while it has the focus.
    return true;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->articleGrid) {
        if (event->type() == QEvent::FocusIn)
            onGridFocusIn();
        else if (event->type() == QEvent::FocusOut)
            onGridFocusOut();
    } else if (watched == m_ui->articleGrid->viewport()) {
        if (event->type() == QEvent::Wheel)
            return scrollGridByWheel(*static_cast<QWheelEvent *>(event));
    } else if (watched == m_ui->aboutLink) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && m_ui->aboutLink->rect().contains(mouse->position().toPoint()))
                openAbout();
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString MainWindow::aboutText()
{
    return QStringList{
        QStringLiteral("Pelmora"),
        QStringLiteral("制作：mirqo"),
        QStringLiteral("联系：pelmora@example.invalid"),
        QStringLiteral("网站：https://example.invalid/pelmora"),
        QStringLiteral("如发现下载不了的博客"),
        QStringLiteral("或者使用中有任何问题请反馈，谢谢！"),
    }
        .join(QLatin1Char('\r'));
}

QUrl MainWindow::makerPage()
{
    return QUrl(QStringLiteral("https://example.invalid/pelmora"));
}

void MainWindow::openAbout()
{
    if (m_blinkCounter >= 3) {
        m_context.open(makerPage());
        return;
    }
    m_context.showAbout(this, aboutText(), QCoreApplication::applicationVersion());
}

bool MainWindow::running() const
{
    return m_discovery.running() || m_download.running();
}

void MainWindow::abortRunning()
{
    m_discovery.abort();
    if (m_download.running())
        m_download.abort();
}

void MainWindow::rememberSize() const
{
    if (m_context.settingsFile.isEmpty())
        return;
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    QSettings(m_context.settingsFile, QSettings::IniFormat).setValue(WindowSizeKey, size);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    rememberSize();
    abortRunning();
    QWidget::closeEvent(event);
}
