#include "gui/mainwindow.h"

#include "archive/layout.h"
#include "archive/projectwriter.h"
#include "blog/addresses.h"
#include "common/blogname.h"
#include "common/paths.h"
#include "common/statustext.h"
#include "epub/epubbook.h"
#include "gui/appcontext.h"
#include "gui/articlegridview.h"
#include "gui/articletablemodel.h"
#include "gui/mainwindowform.h"
#include "gui/twips.h"
#include "task/taskfile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QWheelEvent>

namespace {

// Column widths of the grid in twips; column 0 is the grey row-number column.
constexpr int ColumnWidths[Blog::ArticleTable::ColumnCount] = {700, 4800, 2800, 3200, 2000, 600, 300};

// The design places show everything at this client size, the status line included.
constexpr int InitialWidth = 13200;
constexpr int InitialHeight = 6480;

const QString KeepImagesKey = QStringLiteral("download/keepImages");

constexpr int WheelNotch = 120;
constexpr int WheelStep = 3;

} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_ui(std::make_unique<Ui::MainWindow>())
    , m_discovery(context.network, m_table, context.settings.requestTimeoutMs, context.settings.maxBodyBytes)
    , m_download(context.network, m_table, Archive::DownloadDriver::Options::fromSettings(context.settings))
    , Timer1(this)
{
    m_discovery.setMaxAttempts(context.settings.maxAttempts);
    m_ui->setupUi(this);
    m_ui->Text3->setText(Blog::Address::blog(m_context.settings.hostBase, m_ui->Text1->text()));
    m_download.setClock(m_context.settings.now, QLocale::system());

    m_model = new ArticleTableModel(m_table, this);
    m_ui->MSH->setModel(m_model);

    connect(m_ui->Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    connect(m_ui->Command3, &QPushButton::clicked, this, &MainWindow::Command3_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &MainWindow::Command4_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &MainWindow::Command5_Click);
    connect(m_ui->Command6, &QPushButton::clicked, this, &MainWindow::Command6_Click);
    connect(m_ui->epubButton, &QPushButton::clicked, this, &MainWindow::writeEpub);
    connect(m_ui->MSH, &QAbstractItemView::doubleClicked, this, &MainWindow::MSH_DblClick);
    if (!m_context.settingsFile.isEmpty()) {
        m_ui->Check1->setChecked(
            QSettings(m_context.settingsFile, QSettings::IniFormat).value(KeepImagesKey, false).toBool());
    }
    connect(m_ui->Check1, &QCheckBox::toggled, this, [this](bool checked) {
        if (!m_context.settingsFile.isEmpty())
            QSettings(m_context.settingsFile, QSettings::IniFormat).setValue(KeepImagesKey, checked);
    });
    m_ui->MSH->installEventFilter(this);
    m_ui->Label3->installEventFilter(this);

    connect(&m_discovery, &Blog::ArticleDiscovery::statusChanged, this, &MainWindow::setStatus);
    connect(&m_discovery, &Blog::ArticleDiscovery::queueChanged, this, [this](const QStringList &queue) {
        m_ui->List1->clear();
        m_ui->List1->addItems(queue);
    });
    connect(&m_discovery, &Blog::ArticleDiscovery::pageSelected, this,
            [this](int line) { m_ui->List1->setCurrentRow(line); });
    connect(&m_discovery, &Blog::ArticleDiscovery::finished, this, &MainWindow::onFindFinished);

    connect(&m_download, &Archive::DownloadJob::statusChanged, this, &MainWindow::setStatus);
    connect(&m_download, &Archive::DownloadJob::indicatorChanged, this, [this](int slot, const QString &symbol) {
        if (slot >= 0 && slot < static_cast<int>(m_ui->Label5.size()))
            m_ui->Label5[static_cast<size_t>(slot)]->setText(symbol);
    });
    connect(&m_download, &Archive::DownloadJob::finished, this, &MainWindow::onDownloadFinished);

    // LoadWZ and the download move the first row many times in a burst; the view follows once.
    connect(&m_table, &Blog::ArticleTable::topRowChanged, this, [this] {
        if (m_topRowQueued)
            return;
        m_topRowQueued = true;
        QMetaObject::invokeMethod(this, &MainWindow::applyTopRow, Qt::QueuedConnection);
    });

    Form_Load();
    resize(Twips::toPixels(InitialWidth), Twips::toPixels(InitialHeight));

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    Timer1.start();
}

MainWindow::~MainWindow()
{
    // The operations report into this window; they end before it does.
    m_discovery.disconnect(this);
    m_download.disconnect(this);
    abortRunning();
    // The grid and its model are children and go with the widget, after the table they read.
    m_ui->MSH->setModel(nullptr);
    delete m_model;
}

void MainWindow::Form_Load()
{
    m_table.clear();
    m_model->sync();
    QHeaderView *header = m_ui->MSH->horizontalHeader();
    for (int column = 0; column < Blog::ArticleTable::ColumnCount; ++column)
        header->resizeSection(column, Twips::toPixels(ColumnWidths[column]));
    // Column 0 shows as the vertical header, which stays put when the grid scrolls sideways.
    m_ui->MSH->setColumnHidden(0, true);
    m_ui->MSH->verticalHeader()->setFixedWidth(Twips::toPixels(ColumnWidths[0]));

    SetDisp(ButtonState::Ready);
    setStatus(StatusText::initial());

    const QString hostBase = m_context.settings.hostBase;
    m_ui->List1->addItems({
        QStringLiteral("第一步：先输入博客名。例如网址") + hostBase + QStringLiteral("qiruvo/blog 就输入“qiruvo”"),
        QStringLiteral("第二步：按下“寻找”会开始寻找文章，寻找完以后就按“下载”开始下载"),
        QStringLiteral("第三步：下载完成后按“生成CHM”生成CHM"),
        QStringLiteral("注意：程序目录下必须有hha.dll文件，否则不能打包CHM"),
    });
}

void MainWindow::SetDisp(bool find, bool download, bool chm, bool folder, bool exportTask, bool importTask)
{
    QPushButton *const buttons[] = {m_ui->Command1, m_ui->Command2, m_ui->Command3,
                                    m_ui->Command4, m_ui->Command5, m_ui->Command6};
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

void MainWindow::SetDisp(ButtonState state)
{
    const ButtonPattern p = buttonPattern(state);
    SetDisp(p.find, p.download, p.chm, p.folder, p.exportTask, p.importTask);
}

void MainWindow::Form_Resize(int outerWidth, int outerHeight)
{
    if (outerHeight <= 3200)
        return;
    const QRect list = m_ui->List1->geometry();
    const int width = qMax(Twips::toPixels(outerWidth - 500), 0);
    m_ui->List1->setGeometry(list.x(), list.y(), width, list.height());
    const QRect grid = m_ui->MSH->geometry();
    m_ui->MSH->setGeometry(grid.x(), grid.y(), width, qMax(Twips::toPixels(outerHeight - 3300), 0));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The frame is known only once the window manager has one; until then it is the client size.
    const QRect outer = frameGeometry();
    Form_Resize(Twips::fromPixels(outer.width()), Twips::fromPixels(outer.height()));
}

void MainWindow::Timer1_Timer()
{
    m_download.tick();

    ++m_blinkCounter;
    if (m_blinkCounter < 3) {
        m_ui->Label3->setText(QStringLiteral("关于本程序"));
    } else if (m_blinkCounter < 5) {
        m_ui->Label3->setText(QStringLiteral("点击查看新版本"));
    } else {
        m_blinkCounter = 0;
        m_ui->Label3->setText(QStringLiteral("关于本程序"));
    }
}

void MainWindow::setStatus(const QString &text)
{
    m_ui->Label2->setText(text);
}

bool MainWindow::takeBlogName()
{
    const QString name = m_ui->Text1->text();
    if (const Result<void> checked = checkBlogName(name); !checked) {
        m_context.showMessage(this, QMessageBox::Warning, checked.error());
        return false;
    }
    m_ui->Text3->setText(Blog::Address::blog(m_context.settings.hostBase, name));
    m_blogName = name;
    return true;
}

void MainWindow::Command1_Click()
{
    if (!takeBlogName())
        return;
    m_ui->List1->clear();
    setStatus(StatusText::findStarting());
    SetDisp(ButtonState::Finding);
    m_discovery.start(m_context.settings.hostBase, m_blogName, m_ui->Text3->text());
}

void MainWindow::onFindFinished()
{
    // A Find that stopped at a page keeps its rows in the grid and its reason in the status line,
    // but offers neither Download nor Export of an incomplete list.
    SetDisp(m_discovery.failure().isEmpty() ? ButtonState::Found : ButtonState::Ready);
}

void MainWindow::Command2_Click()
{
    if (m_download.running() || !takeBlogName())
        return;
    m_download.setImages(m_ui->Check1->isChecked()
                             ? std::optional(Archive::ImageOptions::fromSettings(m_context.settings))
                             : std::nullopt);
    const Result<void> started = m_download.start(m_blogName, m_ui->Text3->text(), m_ui->Text2->text());
    if (!started) {
        // A refusal changes neither the buttons nor the status line.
        m_context.showMessage(this, QMessageBox::NoIcon, started.error());
        return;
    }
    SetDisp(ButtonState::Downloading);
}

void MainWindow::onDownloadFinished(const Archive::DownloadJobReport &report)
{
    // The pictures' account goes below the list lines; the status line keeps its own texts.
    if (report.images && !report.images->aborted) {
        const Archive::ImageReport &images = *report.images;
        m_ui->List1->addItem(QStringLiteral("图片：保存 %1 张，保留远程地址 %2 处，放弃 %3 张")
                                 .arg(images.saved)
                                 .arg(images.keptRemote)
                                 .arg(images.givenUp.size()));
        for (const Archive::ImageFailure &failure : images.givenUp)
            m_ui->List1->addItem(QStringLiteral("放弃图片：%1（%2）").arg(failure.address, failure.reason));
        for (const QString &error : images.errors)
            m_ui->List1->addItem(QStringLiteral("图片链接未改写：") + error);
        m_ui->List1->scrollToBottom();
    }
    if (report.indexed) {
        SetDisp(ButtonState::Downloaded);
        return;
    }
    // Back to found, so that the download can be started again; the files saved so far count.
    if (!report.error.isEmpty())
        setStatus(report.error);
    SetDisp(ButtonState::Found);
}

void MainWindow::Command3_Click()
{
    const Archive::Layout layout(m_context.settings.programFolder, m_blogName);
    if (const Result<void> written = Archive::writeProject(layout.archiveFolder(), m_blogName, m_table); !written) {
        setStatus(StatusText::packFailed(written.error()));
        return;
    }
    setStatus(StatusText::packing());
    // The compile blocks the window; show the status before it starts.
    m_ui->Label2->repaint();
    const Result<QStringList> compiled = m_context.compile(layout.file(Archive::projectFileName()));
    if (!compiled) {
        setStatus(StatusText::packFailed(compiled.error()));
        return;
    }
    if (compiled->isEmpty()) {
        setStatus(StatusText::packed());
    } else {
        // The help file holds what was saved; the user learns which articles it lacks.
        setStatus(StatusText::packedWithout(static_cast<int>(compiled->size())));
        constexpr int Shown = 10;
        const QStringList missing = Archive::describeEntries(m_table, *compiled);
        QString text =
            QStringLiteral("以下%1篇文章没有下载成功，生成的CHM中没有它们，请重新下载：\n").arg(missing.size()) +
            missing.mid(0, Shown).join(QLatin1Char('\n'));
        if (missing.size() > Shown)
            text += QStringLiteral("\n……共%1篇").arg(missing.size());
        m_context.showMessage(this, QMessageBox::Warning, text);
    }
    SetDisp(ButtonState::Packed);
    m_context.open(QUrl::fromLocalFile(Paths::join(m_context.settings.programFolder, m_blogName + u".chm")));
}

void MainWindow::writeEpub()
{
    setStatus(QStringLiteral("正在生成EPUB"));
    m_ui->Label2->repaint();
    const Epub::BookRequest request{m_context.settings.programFolder, m_blogName, m_context.settings.hostBase,
                                    m_context.settings.now(), m_table};
    const Result<Epub::BookReport> book = Epub::writeBook(request);
    if (!book) {
        setStatus(QStringLiteral("生成EPUB失败：") + book.error());
        return;
    }
    const QStringList left = book->missingArticles + book->problems;
    if (left.isEmpty()) {
        setStatus(QStringLiteral("EPUB已生成"));
    } else {
        setStatus(QStringLiteral("EPUB已生成，有%1处内容未能收入").arg(left.size()));
        for (const QString &line : left)
            m_ui->List1->addItem(QStringLiteral("EPUB：") + line);
        m_ui->List1->scrollToBottom();
    }
    m_context.open(QUrl::fromLocalFile(book->outputPath));
}

void MainWindow::Command4_Click()
{
    m_context.open(QUrl::fromLocalFile(m_context.settings.programFolder));
}

void MainWindow::Command5_Click()
{
    const QStringList unstorable = Task::unstorableValues(m_table);
    if (!unstorable.isEmpty()) {
        constexpr int Shown = 10;
        QString text = QStringLiteral("以下内容为空或含有换行，任务文件无法正确保存，导入时会出错：\n") +
                       unstorable.mid(0, Shown).join(QLatin1Char('\n'));
        if (unstorable.size() > Shown)
            text += QStringLiteral("\n……共%1处").arg(unstorable.size());
        m_context.showMessage(this, QMessageBox::Warning, text);
    }
    const QString path = Paths::join(m_context.settings.programFolder, m_blogName + u".ini");
    if (const Result<void> written = Task::exportTask(path, m_blogName, m_table); !written) {
        m_context.showMessage(this, QMessageBox::Warning, written.error());
        return;
    }
    setStatus(StatusText::exported(m_blogName));
}

void MainWindow::Command6_Click()
{
    const QString path =
        m_context.chooseFile(this, m_context.settings.programFolder, QStringLiteral("INI File (*.ini)"));
    if (path.isEmpty())
        return;
    // The file is read whole before anything changes, so a bad file leaves the table as it was.
    const Result<Task::TaskData> task = Task::importTask(path);
    if (!task) {
        m_context.showMessage(this, QMessageBox::Warning, task.error());
        return;
    }
    m_discovery.abort();
    m_table.clear();
    m_ui->Text1->setText(task->blogName);
    m_ui->Text3->setText(Blog::Address::blog(m_context.settings.hostBase, task->blogName));
    m_blogName = task->blogName;

    const int total = static_cast<int>(task->records.size()) + 1;
    for (int i = 0; i < task->records.size(); ++i) {
        setStatus(StatusText::importProgress(i + 2, total));
        // The rows load without returning to the event loop; keep the count moving.
        if ((i + 1) % 100 == 0)
            m_ui->Label2->repaint();
        const Task::Record &r = task->records[i];
        m_table.LoadWZ(r.title, r.category, r.link, r.date);
    }
    setStatus(StatusText::imported());
    SetDisp(ButtonState::Imported);
}

void MainWindow::MSH_DblClick()
{
    const int row = m_ui->MSH->currentIndex().row() + 1;
    if (row < 1 || row >= m_table.rowCount())
        return;
    const QString category = m_table.cell(row, 2);
    const QString link = m_table.cell(row, 3);
    QUrl target;
    if (m_table.cell(row, 6) == Blog::Mark::saved()) {
        const Archive::Layout layout(m_context.settings.programFolder, m_blogName);
        target = QUrl::fromLocalFile(layout.articleFile(category, link));
    } else {
        target = QUrl(Blog::Address::article(m_ui->Text3->text(), link));
    }
    m_context.open(target);
}

int MainWindow::TopRow() const
{
    return m_ui->MSH->topRow();
}

void MainWindow::setTopRow(int row)
{
    m_model->sync();
    m_ui->MSH->setTopRow(row);
}

void MainWindow::applyTopRow()
{
    m_topRowQueued = false;
    setTopRow(m_table.topRow());
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

void MainWindow::MSH_GotFocus()
{
    m_ui->MSH->viewport()->installEventFilter(this);
}

void MainWindow::MSH_LostFocus()
{
    m_ui->MSH->viewport()->removeEventFilter(this);
}

bool MainWindow::WheelProc(const QWheelEvent &event)
{
    const std::optional<int> top =
        wheelTopRow(TopRow(), m_table.rowCount(), event.angleDelta(), event.modifiers(), event.buttons());
    if (top) {
        m_table.setTopRow(*top);
        setTopRow(*top);
    }
    // The grid's own wheel scrolling stays off while it has the focus.
    return true;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->MSH) {
        if (event->type() == QEvent::FocusIn)
            MSH_GotFocus();
        else if (event->type() == QEvent::FocusOut)
            MSH_LostFocus();
    } else if (watched == m_ui->MSH->viewport()) {
        if (event->type() == QEvent::Wheel)
            return WheelProc(*static_cast<QWheelEvent *>(event));
    } else if (watched == m_ui->Label3) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && m_ui->Label3->rect().contains(mouse->position().toPoint()))
                Label3_Click();
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

void MainWindow::Label3_Click()
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    abortRunning();
    QWidget::closeEvent(event);
}
