#include "blog/addresses.h"
#include "blog/articletable.h"
#include "frontend/statustext.h"
#include "samplehost.h"
#include "windowharness.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int Patience = 30000;
}

class FindTest : public QObject
{
    Q_OBJECT

private slots:
    void findsEveryArticleOfTheBlog()
    {
        SampleHost host;
        QVERIFY2(host.listen(), qPrintable(host.errorString()));
        WindowHarness h(host.baseUrl());
        const SampleBlog blog = generateBlog(u"qiruvo"_s, host.config(), SampleBodies::Omit);
        QVERIFY(blog.lastPage() > 0);

        h.button(1)->click();
        QCOMPARE(h.buttons(), pattern(ButtonState::Finding));
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);

        QCOMPARE(h.status(), Presentation::findDone());
        QCOMPARE(h.window->blogName(), u"qiruvo"_s);
        QCOMPARE(h.child<QLineEdit>("blogAddressEdit")->text(), host.baseUrl() + u"qiruvo/blog"_s);
        const Blog::ArticleTable &table = h.window->table();
        QCOMPARE(table.articleCount(), blog.articles.size());
        for (int row = 1; row <= table.articleCount(); ++row) {
            const SampleArticle &a = blog.articles[row - 1];
            QCOMPARE(table.article(row).title, a.title);
            QCOMPARE(table.article(row).category, a.category);
            QCOMPARE(table.article(row).link, a.link);
            QCOMPARE(table.article(row).date, a.date);
        }

        QListWidget *queue = h.child<QListWidget>("messageList");
        QCOMPARE(queue->count(), blog.lastPage() + 1);
        for (int p = 0; p < queue->count(); ++p)
            QCOMPARE(queue->item(p)->text(), Blog::Address::listPage(host.baseUrl(), u"qiruvo"_s, p));
        QCOMPARE(queue->currentRow(), queue->count() - 1);
    }

    void refusesANameThatIsNoFolderName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("slash") << u"a/b"_s;
        QTest::newRow("backslash") << u"a\\b"_s;
        QTest::newRow("parent") << u".."_s;
    }

    void refusesANameThatIsNoFolderName()
    {
        QFETCH(QString, name);
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        h.child<QLineEdit>("blogNameEdit")->setText(name);
        h.button(1)->click();

        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().icon, QMessageBox::Warning);
        QCOMPARE(h.buttons(), pattern(ButtonState::Ready));
        QCOMPARE(h.status(), Presentation::initial());
        QCOMPARE(h.child<QListWidget>("messageList")->count(), 4);
        QCOMPARE(h.window->blogName(), QString());
        QTest::qWait(50);
        QVERIFY(host.requestLog().isEmpty());
    }

    void secondPressStartsOver()
    {
        SampleHostConfig config;
        config.latencyMs = 20;
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        const SampleBlog blog = generateBlog(u"qiruvo"_s, host.config(), SampleBodies::Omit);

        h.button(1)->click();
        // Press again once some list pages have been read.
        QTRY_VERIFY_WITH_TIMEOUT(h.window->table().articleCount() > 0, Patience);
        QVERIFY(h.button(1)->isEnabled());
        h.button(1)->click();
        QCOMPARE(h.window->table().articleCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);
        QCOMPARE(h.window->table().articleCount(), blog.articles.size());
        QCOMPARE(h.window->table().article(1).link, blog.articles.first().link);
    }

    void failedPageStopsFindWithItsReasonAndKeepsTheRows()
    {
        SampleHostConfig config;
        config.faults = {Fault(2, FaultMode::Http500, 0, FaultTarget::ListPage)};
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        h.button(1)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Ready), Patience);
        const QString page = Blog::Address::listPage(host.baseUrl(), u"qiruvo"_s, 2);
        QCOMPARE(h.status(), Presentation::findFailed(page, u"HTTP 500 Internal Server Error"_s, 5));
        QCOMPARE(h.window->table().articleCount(), 2 * config.listSize);
        QCOMPARE(h.child<QListWidget>("messageList")->currentRow(), 2);
    }

    void closingTheWindowAbortsEveryRequest()
    {
        SampleHostConfig config;
        config.faults = {Fault(AnyListPage, FaultMode::Slow, 60000, FaultTarget::ListPage)};
        SampleHost host(config);
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        h.button(1)->click();
        QTRY_COMPARE_WITH_TIMEOUT(host.maxInFlight(), 5, Patience);
        h.window->close();
        // Well within the request time-out, which would end them too.
        QTRY_COMPARE_WITH_TIMEOUT(host.openConnections(), 0, 5000);
    }
};

QTEST_MAIN(FindTest)
#include "find_test.moc"
