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
    form->setObjectName(QStringLiteral("form1"));
    form->setWindowTitle(QStringLiteral("mirqo"));

    Label1 = place<QLabel>(form, "Label1", 240, 165, 615, 255, songti(12, true));
    Label1->setText(QStringLiteral("每页"));
    Text2 = place<QLineEdit>(form, "Text2", 825, 135, 495, 330, songti(12, false));
    Text2->setText(QStringLiteral("20"));
    Text1 = place<QLineEdit>(form, "Text1", 1440, 120, 3855, 375, songti(12, true));
    Text1->setText(QStringLiteral("qiruvo"));

    Command1 = button(form, "Command1", QStringLiteral("寻找"), 5400, 735);
    Command2 = button(form, "Command2", QStringLiteral("下载"), 6240, 735);
    Command6 = button(form, "Command6", QStringLiteral("导入"), 7080, 735);
    Command5 = button(form, "Command5", QStringLiteral("导出"), 7920, 735);
    Command3 = button(form, "Command3", QStringLiteral("生成CHM"), 8760, 975);
    Command4 = button(form, "Command4", QStringLiteral("目录"), 9840, 615);
    // Right of the last button, in space no other control uses.
    Check1 = place<QCheckBox>(form, "Check1", 10560, 120, 1440, 375, songti(10.5, true));
    Check1->setText(QStringLiteral("保存图片"));
    // Right of the picture box, still inside the window's first width.
    epubButton = button(form, "epubButton", QStringLiteral("生成EPUB"), 12060, 1035);

    // The blog address is kept for the operations, not for reading: a sliver of a box at the edge
    // would only show its last letters.
    Text3 = place<QLineEdit>(form, "Text3", 0, 120, 255, 375, songti(12, true));
    Text3->setVisible(false);

    Label3 = place<QLabel>(form, "Label3", 270, 555, 2055, 255, heiti(12, true));
    Label3->setText(QStringLiteral("关于本程序"));
    Label3->setCursor(Qt::PointingHandCursor);
    setTextColor(Label3, Purple);

    Label2 = place<QLabel>(form, "Label2", 2880, 555, 10080, 255, heiti(12, true));
    setTextColor(Label2, Blue);

    List1 = place<QListWidget>(form, "List1", 240, 840, 8415, 1500, songti(12, false));

    const int lefts[] = {3240, 3585, 3945, 4305, 4665};
    for (size_t i = 0; i < Label5.size(); ++i) {
        const QByteArray name = "Label5_" + QByteArray::number(static_cast<int>(i));
        Label5[i] = place<QLabel>(form, name.constData(), lefts[i], 2340, 255, 255, songti(10.5, false));
        Label5[i]->setText(QStringLiteral("●"));
        Label5[i]->setAlignment(Qt::AlignCenter);
        setTextColor(Label5[i], Purple);
    }

    MSH = place<ArticleGridView>(form, "MSH", 240, 2520, 8415, 3735, songti(10.5, false));
    MSH->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSH->setSelectionMode(QAbstractItemView::SingleSelection);
    MSH->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSH->setWordWrap(false);
    MSH->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MSH->verticalHeader()->setDefaultSectionSize(QFontMetrics(MSH->font()).height() + 6);
    MSH->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    MSH->horizontalHeader()->setHighlightSections(false);
    MSH->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace Ui
