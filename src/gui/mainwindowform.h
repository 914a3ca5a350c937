#pragma once

#include <array>

class ArticleGridView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace Ui {

// The window's controls at their design places. Names are the controls' own.
class MainWindow
{
public:
    void setupUi(QWidget *form);

    QLabel *Label1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QCheckBox *Check1 = nullptr;       // 保存图片: keep the pictures with the articles
    QPushButton *epubButton = nullptr; // 生成EPUB: the archive as an EPUB book
    QLineEdit *Text3 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *List1 = nullptr;
    std::array<QLabel *, 5> Label5{};
    ArticleGridView *MSH = nullptr;
};

} // namespace Ui
