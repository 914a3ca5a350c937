#include "gui/mainwindowform.h"

#include "gui/articlegridview.h"
#include "gui/twips.h"

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>

namespace {

// 宋体 and 黑体, with a CJK face that is present on systems without them.
QFont songti(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont heiti(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

const QColor Purple(192, 0, 192);
const QColor Blue(0, 0, 255);

template <typename W>
W *place(QWidget *form, const char *name, int left, int top, int width, int height, const QFont &font)
{
    auto *widget = new W(form);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(Twips::rect(left, top, width, height));
    widget->setFont(font);
    return widget;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QPushButton *button(QWidget *form, const char *name, const QString &caption, int left, int width)
{
    auto *b = place<QPushButton>(form, name, left, 120, width, 375, songti(10.5, true));
    b->setText(caption);
    return b;
}

} // namespace

namespace Ui {

void MainWindow::setupUi(QWidget *form)
{
    form->setObjectName(QStringLiteral("mainWindow"));
    form->setWindowTitle(QStringLiteral("mirqo"));

    perPageLabel = place<QLabel>(form, "perPageLabel", 240, 165, 615, 255, songti(12, true));
    perPageLabel->setText(QStringLiteral("每页"));
    perPageEdit = place<QLineEdit>(form, "perPageEdit", 825, 135, 495, 330, songti(12, false));
    perPageEdit->setText(QStringLiteral("20"));
    blogNameEdit = place<QLineEdit>(form, "blogNameEdit", 1440, 120, 3855, 375, songti(12, true));
    blogNameEdit->setText(QStringLiteral("qiruvo"));

    findButton = button(form, "findButton", QStringLiteral("寻找"), 5400, 735);
    downloadButton = button(form, "downloadButton", QStringLiteral("下载"), 6240, 735);
    importButton = button(form, "importButton", QStringLiteral("导入"), 7080, 735);
    exportButton = button(form, "exportButton", QStringLiteral("导出"), 7920, 735);
    buildHelpButton = button(form, "buildHelpButton", QStringLiteral("生成CHM"), 8760, 975);
    openFolderButton = button(form, "openFolderButton", QStringLiteral("目录"), 9840, 615);
    // Right of the last button, in space no other control uses.
    keepPicturesCheck = place<QCheckBox>(form, "keepPicturesCheck", 10560, 120, 1440, 375, songti(10.5, true));
    keepPicturesCheck->setText(QStringLiteral("保存图片"));
    // Under 保存图片, right of the status line's row, where nothing else stands.
    titledContentsCheck = place<QCheckBox>(form, "titledContentsCheck", 10560, 840, 1440, 375, songti(10.5, true));
    titledContentsCheck->setText(QStringLiteral("标题目录"));
    // Right of the picture box, still inside the window's first width.
    epubButton = button(form, "epubButton", QStringLiteral("生成EPUB"), 12060, 1035);

    // The blog address is kept for the operations, not for reading: a sliver of a box at the edge
    // would only show its last letters.
    blogAddressEdit = place<QLineEdit>(form, "blogAddressEdit", 0, 120, 255, 375, songti(12, true));
    blogAddressEdit->setVisible(false);

    aboutLink = place<QLabel>(form, "aboutLink", 270, 555, 2055, 255, heiti(12, true));
    aboutLink->setText(QStringLiteral("关于本程序"));
    aboutLink->setCursor(Qt::PointingHandCursor);
    setTextColor(aboutLink, Purple);

    statusLine = place<QLabel>(form, "statusLine", 2880, 555, 10080, 255, heiti(12, true));
    setTextColor(statusLine, Blue);

    messageList = place<QListWidget>(form, "messageList", 240, 840, 8415, 1500, songti(12, false));

    const int lefts[] = {3240, 3585, 3945, 4305, 4665};
    for (size_t i = 0; i < slotIndicators.size(); ++i) {
        const QByteArray name = "slotIndicator" + QByteArray::number(static_cast<int>(i));
        slotIndicators[i] = place<QLabel>(form, name.constData(), lefts[i], 2340, 255, 255, songti(10.5, false));
        slotIndicators[i]->setText(QStringLiteral("●"));
        slotIndicators[i]->setAlignment(Qt::AlignCenter);
        setTextColor(slotIndicators[i], Purple);
    }

    articleGrid = place<ArticleGridView>(form, "articleGrid", 240, 2520, 8415, 3735, songti(10.5, false));
    articleGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    articleGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    articleGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    articleGrid->setWordWrap(false);
    articleGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    articleGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(articleGrid->font()).height() + 6);
    articleGrid->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    articleGrid->horizontalHeader()->setHighlightSections(false);
    articleGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The window's layout moves it to just under the grid, whose height follows the window.
    progressBar = place<QProgressBar>(form, "progressBar", 240, 6255, 8415, 225, songti(9, false));
    progressBar->setVisible(false);
}

} // namespace Ui
