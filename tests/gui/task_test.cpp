#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "frontend/statustext.h"
#include "task/taskfile.h"
#include "windowharness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TaskTest : public QObject
{
    Q_OBJECT

private:
    static QString writeTask(const WindowHarness &h, const QString &file, const QString &blogName, int articles)
    {
        Blog::ArticleTable table;
        for (int i = 1; i <= articles; ++i)
            table.appendArticle(u"标题%1"_s.arg(i), i % 3 ? u"随笔"_s : u"生活 点滴"_s, u"%1.html"_s.arg(i),
                                u"2024-02-%1"_s.arg(i));
        const QString path = h.programFile(file);
        writeAll(path, Task::exportBytes(blogName, table));
        return path;
    }

    static void writeAll(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    struct Snapshot
    {
        QString text1, text3, status, blogName;
        QList<bool> buttons;
        QStringList titles;
        bool operator==(const Snapshot &) const = default;
    };

    static Snapshot snapshot(const WindowHarness &h)
    {
        Snapshot s{h.child<QLineEdit>("blogNameEdit")->text(),
                   h.child<QLineEdit>("blogAddressEdit")->text(),
                   h.status(),
                   h.window->blogName(),
                   h.buttons(),
                   {}};
        for (int row = 1; row <= h.window->table().articleCount(); ++row)
            s.titles.append(h.window->table().article(row).title);
        return s;
    }

private slots:
    void buildHelpFileWithoutStartPageCompilesNothing()
    {
        WindowHarness h;
        h.chosenFile = writeTask(h, u"abc.ini"_s, u"abc"_s, 6);
        h.button(6)->click();
        // A download stopped before the index pages leaves the archive folder without its start page.
        QVERIFY(QDir().mkpath(h.programFile(u"abc"_s)));
        h.window->buildHelpFile();
        QVERIFY2(h.status().startsWith(Presentation::packFailed(QString())), qPrintable(h.status()));
        QVERIFY(h.compiledProjects.isEmpty());
        QVERIFY(!QFileInfo::exists(h.programFile(u"abc/nolv.hhp"_s)));
        QCOMPARE(h.buttons(), pattern(ButtonState::Imported));
    }

    void importLoadsTheTask()
    {
        WindowHarness h(u"http://blog.test/"_s);
        h.chosenFile = writeTask(h, u"other.ini"_s, u"abc"_s, 250);
        h.button(6)->click();

        QCOMPARE(h.chooserFolder, h.folder.path());
        QCOMPARE(h.chooserFilter, u"INI File (*.ini)"_s);
        QCOMPARE(h.status(), Presentation::imported());
        QCOMPARE(h.buttons(), pattern(ButtonState::Imported));
        QCOMPARE(h.child<QLineEdit>("blogNameEdit")->text(), u"abc"_s);
        QCOMPARE(h.child<QLineEdit>("blogAddressEdit")->text(), u"http://blog.test/abc/blog"_s);
        QCOMPARE(h.window->blogName(), u"abc"_s);
        const Blog::ArticleTable &table = h.window->table();
        QCOMPARE(table.articleCount(), 250);
        QCOMPARE(table.article(250).title, u"标题250"_s);
        QCOMPARE(table.article(250).ordinal, 167);
        QCOMPARE(table.article(249).category, u"生活 点滴"_s);
        QCOMPARE(table.article(249).ordinal, 83);
    }

    void exportWritesWhatImportReads()
    {
        WindowHarness h;
        h.chosenFile = writeTask(h, u"source.ini"_s, u"abc"_s, 7);
        h.button(6)->click();
        // Export is off after an import; Find or Download turn it on. The handler itself needs no state.
        h.window->exportTask();
        QCOMPARE(h.status(), Presentation::exported(u"abc"_s));
        QCOMPARE(h.status(), u"abc.ini 导出成功! 放在程序目录"_s);
        QCOMPARE(readAll(h.programFile(u"abc.ini"_s)), readAll(h.chosenFile));
        QCOMPARE(h.buttons(), pattern(ButtonState::Imported));
        QVERIFY(h.messages.isEmpty());
    }

    // Empty values are loaded as placeholders, so the file carries every row without a warning.
    void exportOfEmptyValuesNeedsNoWarning()
    {
        WindowHarness h;
        h.chosenFile = writeTask(h, u"source.ini"_s, u"abc"_s, 5);
        h.button(6)->click();
        h.window->table().appendArticle(QString(), QString(), QString(), QString());
        h.window->exportTask();
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.status(), Presentation::exported(u"abc"_s));
        const auto task = Task::importTask(h.programFile(u"abc.ini"_s));
        QVERIFY(task);
        QCOMPARE(task->records.size(), 6);
    }

    void cancelledImportChangesNothing()
    {
        WindowHarness h;
        h.chosenFile = writeTask(h, u"source.ini"_s, u"abc"_s, 6);
        h.button(6)->click();
        const Snapshot before = snapshot(h);
        h.chosenFile.clear();
        h.button(6)->click();
        QVERIFY(snapshot(h) == before);
        QVERIFY(h.messages.isEmpty());
    }

    void badTaskFileLeavesTheTableAsItWas_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::newRow("record cut short") << QByteArray("\r\nabc\r\n\r\n\r\n1\r\nT\r\nC\r\n\r\n\r\n") << true;
        QTest::newRow("empty value inside a record")
            << QByteArray("\r\nabc\r\n\r\n\r\n1\r\nT\r\n\r\nL\r\nD\r\n1\r\n\r\n\r\n") << true;
        QTest::newRow("name that is no folder name") << QByteArray("\r\na/b\r\n\r\n\r\n") << true;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("missing file") << QByteArray() << false;
    }

    void badTaskFileLeavesTheTableAsItWas()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        WindowHarness h;
        h.chosenFile = writeTask(h, u"good.ini"_s, u"good"_s, 6);
        h.button(6)->click();
        const Snapshot before = snapshot(h);

        h.chosenFile = h.programFile(u"bad.ini"_s);
        if (exists)
            writeAll(h.chosenFile, bytes);
        h.button(6)->click();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().icon, QMessageBox::Warning);
        QVERIFY(snapshot(h) == before);
    }

    void importOfAnEmptyTaskGivesAnEmptyTable()
    {
        WindowHarness h;
        h.chosenFile = h.programFile(u"empty.ini"_s);
        writeAll(h.chosenFile, "\r\nabc\r\n\r\n\r\n");
        h.button(6)->click();
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.window->table().articleCount(), 0);
        QCOMPARE(h.window->blogName(), u"abc"_s);
        QCOMPARE(h.status(), Presentation::imported());
    }
};

QTEST_MAIN(TaskTest)
#include "task_test.moc"
