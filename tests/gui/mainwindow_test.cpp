#include "blog/articletable.h"
#include "gui/articlegridview.h"
#include "gui/twips.h"
#include "task/taskfile.h"
#include "windowharness.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QProgressBar>
#include <QTest>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    // Imports a task of `count` articles, so that the window has a blog name and rows.
    static void importArticles(WindowHarness &h, const QString &blogName, const QList<Task::Record> &records)
    {
        Blog::ArticleTable table;
        for (const Task::Record &r : records)
            table.appendArticle(r.title, r.category, r.link, r.date);
        h.chosenFile = h.programFile(blogName + u".ini");
        QVERIFY(Task::exportTask(h.chosenFile, blogName, table).ok());
        h.window->importTask();
        QCOMPARE(h.window->table().articleCount(), records.size());
    }

    static QList<Task::Record> numberedRecords(int count)
    {
        QList<Task::Record> records;
        for (int i = 1; i <= count; ++i)
            records.append({u"title %1"_s.arg(i), u"cat"_s, u"%1.html"_s.arg(i), u"2024-01-01"_s});
        return records;
    }

    static void sendWheel(QWidget *target, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF at(10, 10);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

private slots:
    void startsReady()
    {
        WindowHarness h(u"http://blog.test/"_s);
        MainWindow &w = *h.window;
        QCOMPARE(w.windowTitle(), u"mirqo"_s);
        QCOMPARE(h.buttons(), pattern(ButtonState::Ready));
        QCOMPARE(h.buttons(), (QList<bool>{true, false, false, true, false, true}));
        QCOMPARE(h.status(), u"请按\"寻找\"或者导入任务"_s);
        QCOMPARE(h.child<QLineEdit>("blogNameEdit")->text(), u"qiruvo"_s);
        QCOMPARE(h.child<QLineEdit>("perPageEdit")->text(), u"20"_s);
        QCOMPARE(h.child<QLineEdit>("blogAddressEdit")->text(), u"http://blog.test/qiruvo/blog"_s);
        QCOMPARE(h.child<QLabel>("aboutLink")->text(), u"关于本程序"_s);
        QCOMPARE(h.child<QLabel>("aboutLink")->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(h.child<QLabel>("statusLine")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (int i = 0; i < 5; ++i) {
            QLabel *indicator = h.child<QLabel>(QByteArray("slotIndicator" + QByteArray::number(i)).constData());
            QVERIFY(indicator);
            QCOMPARE(indicator->text(), u"●"_s);
        }

        const QStringList usage = {
            u"第一步：先输入博客名。例如网址http://blog.test/qiruvo/blog 就输入“qiruvo”"_s,
            u"第二步：按下“寻找”会开始寻找文章，寻找完以后就按“下载”开始下载"_s,
            u"第三步：下载完成后按“生成CHM”生成CHM"_s,
            u"说明：生成CHM不需要其他文件，CHM文件放在程序目录"_s + QDir::toNativeSeparators(h.folder.path()),
        };
        QListWidget *list = h.child<QListWidget>("messageList");
        QCOMPARE(list->count(), usage.size());
        for (int i = 0; i < usage.size(); ++i)
            QCOMPARE(list->item(i)->text(), usage[i]);

        auto *grid = h.child<ArticleGridView>("articleGrid");
        QAbstractItemModel *model = grid->model();
        QCOMPARE(model->columnCount(), 7);
        QCOMPARE(model->rowCount(), 1); // the empty row below the header
        const QStringList headers = {u""_s, u"标题"_s, u"分类"_s, u"链接"_s, u"日期"_s, u"页数"_s, u""_s};
        const int widths[] = {700, 4800, 2800, 3200, 2000, 600, 300};
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
            QCOMPARE(model->index(0, c).data().toString(), QString());
            if (c > 0)
                QCOMPARE(grid->columnWidth(c), Twips::toPixels(widths[c]));
        }
        QCOMPARE(grid->verticalHeader()->width(), Twips::toPixels(700));

        auto *timer = w.findChild<QTimer *>(u"ticker"_s);
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
    }

    void everyControlFitsTheInitialWindow()
    {
        WindowHarness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        const QRect client = h.window->rect();
        const QList<QWidget *> controls = h.window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), 23); // with the book button
        for (QWidget *control : controls)
            QVERIFY2(client.contains(control->geometry()), qPrintable(control->objectName()));
        // The pictures box sits in space of its own, off by default.
        const QCheckBox *check = h.child<QCheckBox>("keepPicturesCheck");
        QCOMPARE(check->text(), u"保存图片"_s);
        QVERIFY(!check->isChecked());
        QVERIFY(check->geometry().left() >= h.button(4)->geometry().right());
        for (QWidget *control : controls) {
            if (control != check && control->isVisible())
                QVERIFY2(!control->geometry().intersects(check->geometry()), qPrintable(control->objectName()));
        }
    }

    void setDispEnablesExactlyTheFlaggedButtons()
    {
        WindowHarness h;
        h.window->enableButtons(false, false, false, false, false, false);
        QCOMPARE(h.buttons(), QList<bool>(6, false));
        h.window->enableButtons(true, false, true, false, true, false);
        QCOMPARE(h.buttons(), (QList<bool>{true, false, true, false, true, false}));
        h.window->enableButtons(false, true, false, true, false, true);
        QCOMPARE(h.buttons(), (QList<bool>{false, true, false, true, false, true}));
    }

    void resizeFollowsTheWindowOnlyAbove3200Twips()
    {
        WindowHarness h;
        MainWindow &w = *h.window;
        QWidget *list = h.child<QWidget>("messageList");
        QWidget *grid = h.child<QWidget>("articleGrid");
        QList<QRect> fixed;
        for (int n = 1; n <= 6; ++n)
            fixed.append(h.button(n)->geometry());
        fixed.append(h.child<QWidget>("statusLine")->geometry());
        fixed.append(h.child<QWidget>("blogNameEdit")->geometry());

        const QRect designList = list->geometry();
        const QRect designGrid = grid->geometry();
        w.fitToWindowSize(12000, 3200);
        QCOMPARE(list->geometry(), designList);
        QCOMPARE(grid->geometry(), designGrid);

        w.fitToWindowSize(10000, 7000);
        QCOMPARE(list->geometry(), QRect(designList.topLeft(), QSize(Twips::toPixels(9500), designList.height())));
        QCOMPARE(grid->geometry(), QRect(designGrid.topLeft(), QSize(Twips::toPixels(9500), Twips::toPixels(3700))));

        const int listWidth = list->width();
        w.fitToWindowSize(11000, 7000);
        // 1000 twips are 66.7 pixels.
        QVERIFY(qAbs(Twips::fromPixels(list->width() - listWidth) - 1000) < Twips::PerPixel);
        QCOMPARE(grid->width(), list->width());
        QCOMPARE(grid->height(), Twips::toPixels(3700));

        const QRect wide = list->geometry();
        const QRect wideGrid = grid->geometry();
        w.fitToWindowSize(4000, 3000);
        QCOMPARE(list->geometry(), wide);
        QCOMPARE(grid->geometry(), wideGrid);

        QList<QRect> after;
        for (int n = 1; n <= 6; ++n)
            after.append(h.button(n)->geometry());
        after.append(h.child<QWidget>("statusLine")->geometry());
        after.append(h.child<QWidget>("blogNameEdit")->geometry());
        QCOMPARE(after, fixed);
    }

    void resizingTheWindowResizesListAndGrid()
    {
        WindowHarness h;
        MainWindow &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(1000, 600);
        QTRY_COMPARE(w.width(), 1000);
        const QRect outer = w.frameGeometry();
        QCOMPARE(h.child<QWidget>("messageList")->width(), Twips::toPixels(Twips::fromPixels(outer.width()) - 500));
        // Above the design height the list box takes a share of what the grid would have alone.
        const int shared = h.child<QWidget>("messageList")->height() + h.child<QWidget>("articleGrid")->height();
        QVERIFY(qAbs(shared - Twips::toPixels(Twips::fromPixels(outer.height()) - 1800)) <= 1);
    }

    void enlargedWindowGivesListAndGridTheSpaceAndIsRemembered()
    {
        WindowHarness h;
        h.context.settingsFile = h.programFile(u"settings.ini"_s);
        h.window = std::make_unique<MainWindow>(h.context);
        MainWindow &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize initial = w.size();
        QList<QRect> top;
        for (int n = 1; n <= 6; ++n)
            top.append(h.button(n)->geometry());
        top.append(h.child<QWidget>("statusLine")->geometry());
        const QRect list = h.child<QWidget>("messageList")->geometry();
        const QRect grid = h.child<QWidget>("articleGrid")->geometry();

        w.resize(initial + QSize(300, 450));
        QTRY_COMPARE(w.height(), initial.height() + 450);
        QList<QRect> topAfter;
        for (int n = 1; n <= 6; ++n)
            topAfter.append(h.button(n)->geometry());
        topAfter.append(h.child<QWidget>("statusLine")->geometry());
        QCOMPARE(topAfter, top);
        const QRect bigList = h.child<QWidget>("messageList")->geometry();
        const QRect bigGrid = h.child<QWidget>("articleGrid")->geometry();
        const QRect bar = h.child<QWidget>("progressBar")->geometry();
        const QRect indicator = h.child<QWidget>("slotIndicator0")->geometry();
        QCOMPARE(bigList.topLeft(), list.topLeft());
        QCOMPARE(bigList.width(), list.width() + 300);
        QVERIFY(bigList.height() > list.height());
        QVERIFY(bigGrid.height() > grid.height());
        // Top to bottom: list, indicators, grid, progress bar, inside the window.
        QVERIFY(indicator.top() > bigList.bottom());
        QVERIFY(bigGrid.top() > indicator.top());
        QVERIFY(bar.top() > bigGrid.bottom());
        QVERIFY(w.rect().contains(bar));
        // All the new height goes to them, give or take a pixel of rounding.
        QVERIFY(qAbs(bigList.height() + bigGrid.height() - (list.height() + grid.height() + 450)) <= 1);

        w.close();
        MainWindow again(h.context);
        QCOMPARE(again.size(), initial + QSize(300, 450));
    }

    void wheelRule_data()
    {
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected"); // 0: nothing scrolls

        QTest::newRow("toward user, room left") << 10 << 14 << -120 << 0 << 13;
        QTest::newRow("toward user, no room") << 10 << 13 << -120 << 0 << 0;
        QTest::newRow("away from user") << 5 << 100 << 120 << 0 << 2;
        QTest::newRow("away from user at 4") << 4 << 100 << 120 << 0 << 1;
        QTest::newRow("away from user at 3") << 3 << 100 << 120 << 0 << 1;
        QTest::newRow("away from user at 1") << 1 << 100 << 120 << 0 << 1;
        QTest::newRow("ctrl held") << 10 << 100 << -120 << int(Qt::ControlModifier) << 0;
        QTest::newRow("shift held") << 10 << 100 << 120 << int(Qt::ShiftModifier) << 0;
        QTest::newRow("two notches") << 10 << 100 << -240 << 0 << 0;
        QTest::newRow("fine wheel") << 10 << 100 << 60 << 0 << 0;
    }

    void wheelRule()
    {
        QFETCH(int, topRow);
        QFETCH(int, rows);
        QFETCH(int, delta);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        const std::optional<int> top =
            MainWindow::wheelTopRow(topRow, rows, QPoint(0, delta), Qt::KeyboardModifiers(modifiers), Qt::NoButton);
        QCOMPARE(top.value_or(0), expected);
        QVERIFY(
            !MainWindow::wheelTopRow(topRow, rows, QPoint(0, delta), Qt::KeyboardModifiers(modifiers), Qt::LeftButton));
    }

    void wheelScrollsThreeRowsOnlyWhileTheGridHasFocus()
    {
        WindowHarness h;
        importArticles(h, u"wheel"_s, numberedRecords(100));
        MainWindow &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *grid = h.child<ArticleGridView>("articleGrid");
        QWidget *viewport = grid->viewport();

        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        QCoreApplication::processEvents();
        w.setTopRow(10);
        QCOMPARE(w.gridTopRow(), 10);
        sendWheel(viewport, -120);
        QCOMPARE(w.gridTopRow(), 13);
        sendWheel(viewport, 120);
        sendWheel(viewport, 120);
        QCOMPARE(w.gridTopRow(), 7);
        sendWheel(viewport, -120, Qt::ControlModifier);
        sendWheel(viewport, -240);
        QCOMPARE(w.gridTopRow(), 7);

        // Without the focus the grid scrolls as it does by itself.
        h.child<QWidget>("blogNameEdit")->setFocus();
        QTRY_VERIFY(!grid->hasFocus());
        sendWheel(viewport, -240);
        QVERIFY(w.gridTopRow() > 7);
    }

    void gridFollowsALoadToItsNewestRows()
    {
        WindowHarness h;
        MainWindow &w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *grid = h.child<ArticleGridView>("articleGrid");
        importArticles(h, u"follow"_s, numberedRecords(100));
        // The empty row after the hundredth article comes into view.
        QTRY_VERIFY(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(100, 1))));
    }

    void doubleClickOpensSavedCopyOrHostPage_data()
    {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<bool>("local");
        QTest::newRow("saved") << u"●"_s << true;
        QTest::newRow("requested") << u"○"_s << false;
        QTest::newRow("waiting") << QString() << false;
    }

    void doubleClickOpensSavedCopyOrHostPage()
    {
        QFETCH(QString, mark);
        QFETCH(bool, local);
        WindowHarness h(u"http://blog.test/"_s);
        importArticles(h, u"dbl"_s,
                       {{u"one"_s, u"a b"_s, u"1.html"_s, u"d1"_s},
                        {u"two"_s, u"c:d"_s, u"2.html"_s, u"d2"_s},
                        {u"three"_s, u"e"_s, u"3.html"_s, u"d3"_s}});
        MainWindow &w = *h.window;
        w.table().setMark(2, mark);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        auto *grid = h.child<ArticleGridView>("articleGrid");
        w.setTopRow(1);
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        QVERIFY(cell.isValid());
        // A double click as the platform delivers it: a click, then the double-click event.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());

        QCOMPARE(h.opened.size(), 1);
        const QUrl expected = local ? QUrl::fromLocalFile(h.programFile(u"dbl/c_d/2.html"_s))
                                    : QUrl(u"http://blog.test/dbl/blog/item/2.html"_s);
        QCOMPARE(h.opened.first(), expected);
    }

    void aboutLinkBlinksAndItsClickFollowsTheCaption()
    {
        QCoreApplication::setApplicationVersion(u"9.8.7 (g1234567)"_s);
        WindowHarness h;
        MainWindow &w = *h.window;
        QLabel *label = h.child<QLabel>("aboutLink");
        const QString about = u"关于本程序"_s;
        const QString update = u"点击查看新版本"_s;
        // Caption after 0, 1, 2, ... ticks: three seconds of the first, two of the second.
        const QStringList captions = {about, about, about,  update, update, about,
                                      about, about, update, update, about,  about};
        for (int tick = 0; tick < captions.size(); ++tick) {
            if (tick > 0)
                w.tick();
            QCOMPARE(label->text(), captions[tick]);
            h.opened.clear();
            h.messages.clear();
            QTest::mouseClick(label, Qt::LeftButton);
            if (captions[tick] == update) {
                QCOMPARE(h.opened, QList<QUrl>{MainWindow::makerPage()});
                QVERIFY(h.messages.isEmpty());
            } else {
                QVERIFY(h.opened.isEmpty());
                QCOMPARE(h.messages.size(), 1);
                QCOMPARE(h.messages.first().icon, QMessageBox::Information);
                QCOMPARE(h.messages.first().text, MainWindow::aboutText());
                QCOMPARE(h.messages.first().version, u"9.8.7 (g1234567)"_s);
            }
        }
        QVERIFY(w.blinkCounter() >= 0 && w.blinkCounter() < 5);
    }

    void aboutTextIsSixLinesJoinedByCarriageReturn()
    {
        const QString text = MainWindow::aboutText();
        QVERIFY(!text.contains(u'\n'));
        QVERIFY(!text.endsWith(u'\r'));
        const QStringList lines = text.split(u'\r');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], u"Pelmora"_s);
        QCOMPARE(lines[1], u"制作：mirqo"_s);
        QCOMPARE(lines[4], u"如发现下载不了的博客"_s);
        QCOMPARE(lines[5], u"或者使用中有任何问题请反馈，谢谢！"_s);
    }

    void folderOpensTheProgramFolder()
    {
        WindowHarness h;
        importArticles(h, u"someblog"_s, numberedRecords(1));
        h.button(4)->click();
        QCOMPARE(h.opened, QList<QUrl>{QUrl::fromLocalFile(h.folder.path())});
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
