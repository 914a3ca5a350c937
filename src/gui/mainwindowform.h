#pragma once

#include <array>

class ArticleGridView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

namespace Ui {

// The window's controls at their design places, named by their role.
class MainWindow
{
public:
    void setupUi(QWidget *form);

    QLabel *perPageLabel = nullptr;
    QLineEdit *perPageEdit = nullptr;
    QLineEdit *blogNameEdit = nullptr;
    QPushButton *findButton = nullptr;
    QPushButton *downloadButton = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *buildHelpButton = nullptr;
    QPushButton *openFolderButton = nullptr;
    QCheckBox *keepPicturesCheck = nullptr;   // 保存图片: keep the pictures with the articles
    QCheckBox *titledContentsCheck = nullptr; // 标题目录: contents and index of the help file by title
    QPushButton *epubButton = nullptr;        // 生成EPUB: the archive as an EPUB book
    QLineEdit *blogAddressEdit = nullptr;
    QLabel *aboutLink = nullptr;
    QLabel *statusLine = nullptr;
    QListWidget *messageList = nullptr;
    std::array<QLabel *, 5> slotIndicators{};
    ArticleGridView *articleGrid = nullptr;
    // How far the running operation is, in the strip under the grid; hidden between runs.
    QProgressBar *progressBar = nullptr;
};

} // namespace Ui
