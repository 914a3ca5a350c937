#include "archive/rep.h"
#include "blog/articletable.h"
#include "common/linewriter.h"
#include "frontend/statustext.h"
#include "pipeline/helpfilejob.h"
#include "samplehost.h"
#include "windowharness.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int Patience = 60000;
}

class DownloadTest : public QObject
{
    Q_OBJECT

private:
    static void find(WindowHarness &h)
    {
        h.button(1)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);
    }

    static QStringList indicators(const WindowHarness &h)
    {
        QStringList symbols;
        for (int i = 0; i < 5; ++i)
            symbols.append(h.child<QLabel>(QByteArray("slotIndicator" + QByteArray::number(i)).constData())->text());
        return symbols;
    }

private slots:
    void cleanup() { LineWriter::setFullDiskHook({}); }

    void downloadsThenPacksAndOpensTheHelpFile()
    {
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        QVERIFY(h.window->table().articleCount() >= 5);

        h.button(2)->click();
        QCOMPARE(h.buttons(), pattern(ButtonState::Downloading));
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        QCOMPARE(h.status(), Presentation::downloadDone());
        QCOMPARE(indicators(h), QStringList(5, u"●"_s));
        const Blog::ArticleTable &table = h.window->table();
        for (int row = 1; row <= table.articleCount(); ++row)
            QCOMPARE(table.mark(row), Blog::Mark::saved());
        QVERIFY(QFileInfo::exists(h.programFile(u"qiruvo/index.html"_s)));

        // A failed compile says why and leaves Build CHM available.
        h.compileResult = Result<QStringList>::failure(u"no compiler"_s);
        h.button(3)->click();
        QCOMPARE(h.status(), Presentation::packFailed(u"no compiler"_s));
        QCOMPARE(h.compiledProjects, QStringList{h.programFile(u"qiruvo/nolv.hhp"_s)});
        QCOMPARE(h.buttons(), pattern(ButtonState::Downloaded));
        QVERIFY(h.opened.isEmpty());

        h.context.compile = &Pipeline::compileHelpProject;
        h.button(3)->click();
        QCOMPARE(h.status(), Presentation::packed());
        QCOMPARE(h.buttons(), pattern(ButtonState::Packed));
        const QString compiled = h.programFile(u"qiruvo.chm"_s);
        QVERIFY(QFileInfo(compiled).size() > 0);
        QCOMPARE(h.opened, QList<QUrl>{QUrl::fromLocalFile(compiled)});
    }

    void fullDiskDuringTheIndexShowsTheReasonAndAllowsAnotherDownload()
    {
        SampleHostConfig config;
        config.articles = 12;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        LineWriter::setFullDiskHook([](const QString &path) { return path.endsWith(u".htm"_s); });
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);
        LineWriter::setFullDiskHook({});
        QVERIFY2(h.status().contains(u"No space left on device"_s), qPrintable(h.status()));
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        QVERIFY(QFileInfo(h.programFile(u"qiruvo/all.htm"_s)).size() > 0);
    }

    void keepsPicturesWhenTheBoxIsTickedAndRemembersIt()
    {
        SampleHostConfig config;
        config.images = true;
        config.faults = {Fault{6, FaultMode::ImageMissing}};
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        QVERIFY(!h.child<QCheckBox>("keepPicturesCheck")->isChecked());
        h.context.settingsFile = h.programFile(u"settings.ini"_s);
        h.child<QCheckBox>("keepPicturesCheck")->setChecked(true);
        h.window = std::make_unique<MainWindow>(h.context);
        QVERIFY(h.child<QCheckBox>("keepPicturesCheck")->isChecked());

        find(h);
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        QVERIFY(!QDir(h.programFile(u"qiruvo/images"_s)).isEmpty());
        // The list box gives the pictures' account, each one given up with its reason.
        const QListWidget *list = h.child<QListWidget>("messageList");
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines.append(list->item(i)->text());
        QVERIFY2(lines.join(u'\n').contains(u"放弃图片："_s), qPrintable(lines.join(u'\n')));
        QVERIFY(lines.join(u'\n').contains(u"HTTP 404"_s));
        QVERIFY(lines.join(u'\n').contains(u"图片：保存 "_s));

        // Unticked, the next download leaves the pictures of the articles it saves again remote.
        h.child<QCheckBox>("keepPicturesCheck")->setChecked(false);
        host.clearRequestLog();
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        for (const QString &path : host.requestLog())
            QVERIFY2(!path.startsWith(u"/img/"_s), qPrintable(path));
        h.window = std::make_unique<MainWindow>(h.context);
        QVERIFY(!h.child<QCheckBox>("keepPicturesCheck")->isChecked());
    }

    void packsWhatWasSavedAndNamesTheMissingArticles()
    {
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        const Blog::Article lost = h.window->table().article(3);
        const QString entry = Archive::Rep(lost.category) + u'\\' + lost.link;
        QVERIFY(QFile::remove(h.programFile(u"qiruvo/"_s + entry).replace(u'\\', u'/')));

        h.context.compile = &Pipeline::compileHelpProject;
        h.button(3)->click();
        QCOMPARE(h.status(), Presentation::packedWithout(1));
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().icon, QMessageBox::Warning);
        QVERIFY2(h.messages.first().text.contains(lost.title + u" ("_s + entry + u')'),
                 qPrintable(h.messages.first().text));
        QCOMPARE(h.buttons(), pattern(ButtonState::Packed));
        const QString compiled = h.programFile(u"qiruvo.chm"_s);
        QVERIFY(QFileInfo(compiled).size() > 0);
        QCOMPARE(h.opened, QList<QUrl>{QUrl::fromLocalFile(compiled)});
    }

    void refusesFewerThanFiveArticles()
    {
        SampleHostConfig config;
        config.articles = 4;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        QCOMPARE(h.window->table().articleCount(), 4);
        host.clearRequestLog();

        h.button(2)->click();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().text,
                 QStringLiteral("很遗憾没有找到文章(或者文章少于5篇)，请重新输入用户名后再按“寻找”"));
        QCOMPARE(h.buttons(), pattern(ButtonState::Found));
        QCOMPARE(h.status(), Presentation::findDone());
        QTest::qWait(50);
        QVERIFY(host.requestLog().isEmpty());
    }

    void refusesAPerPageCountThatIsNoNumber()
    {
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        host.clearRequestLog();
        h.child<QLineEdit>("perPageEdit")->setText(u"2O"_s);
        h.button(2)->click();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.buttons(), pattern(ButtonState::Found));
        QTest::qWait(50);
        QVERIFY(host.requestLog().isEmpty());
    }

    void closingDuringADownloadStopsIt()
    {
        SampleHostConfig config;
        config.latencyMs = 200;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        find(h);
        h.window->show();
        h.button(2)->click();
        QVERIFY(h.window->running());
        QTRY_VERIFY_WITH_TIMEOUT(host.requestLog().size() > 0, Patience);

        QVERIFY(h.window->close());
        QVERIFY(!h.window->running());
        // Replies still on their way find nobody waiting for them.
        QTest::qWait(400);
        h.window.reset();
        QTest::qWait(50);
    }

    void closingDuringFindStopsIt()
    {
        SampleHostConfig config;
        config.latencyMs = 200;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        h.window->show();
        h.button(1)->click();
        QVERIFY(h.window->running());
        h.window.reset();
        QTest::qWait(400);
    }
};

QTEST_MAIN(DownloadTest)
#include "download_test.moc"
