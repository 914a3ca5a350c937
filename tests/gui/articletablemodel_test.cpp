#include "blog/articletable.h"
#include "gui/articletablemodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class ArticleTableModelTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheTableRowsBelowTheHeader()
    {
        Blog::ArticleTable table;
        ArticleTableModel model(table);
        QCOMPARE(model.rowCount(), 1);
        table.appendArticle(u"T1"_s, u"A"_s, u"l1"_s, u"d1"_s);
        table.appendArticle(u"T2"_s, u"B"_s, u"l2"_s, u"d2"_s);
        table.appendArticle(u"T3"_s, u"A"_s, u"l3"_s, u"d3"_s);
        model.sync();
        QCOMPARE(model.rowCount(), table.articleCount() + 1);
        const QStringList header = {QString(), u"标题"_s, u"分类"_s, u"链接"_s, u"日期"_s, u"页数"_s, QString()};
        for (int column = 0; column < Blog::ArticleTable::ColumnCount; ++column) {
            QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), header[column]);
            for (int row = 1; row <= table.articleCount(); ++row)
                QCOMPARE(model.index(row - 1, column).data().toString(), table.cell(row, column));
        }
        QCOMPARE(model.index(2, 5).data().toString(), u"2"_s);
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), u"1"_s);
        QCOMPARE(model.headerData(3, Qt::Vertical).toString(), QString()); // the empty row
        QCOMPARE(model.index(3, 1).data().toString(), QString());
    }

    void appendedRowsArriveInOneBatchBeforeTheEmptyRow()
    {
        Blog::ArticleTable table;
        ArticleTableModel model(table);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const QPersistentModelIndex emptyRow = model.index(0, 1);
        for (int i = 0; i < 1000; ++i)
            table.appendArticle(u"t"_s, u"c"_s, u"l"_s, u"d"_s);
        QCOMPARE(model.rowCount(), 1);
        QTRY_COMPARE(model.rowCount(), 1001);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 999);
        QCOMPARE(emptyRow.row(), 1000);
    }

    void marksRepaintTheirCell()
    {
        Blog::ArticleTable table;
        ArticleTableModel model(table);
        for (int i = 0; i < 3; ++i)
            table.appendArticle(u"t"_s, u"c"_s, u"l"_s, u"d"_s);
        model.sync();
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        table.setMark(2, Blog::Mark::saved());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), model.index(1, 6));
        QCOMPARE(model.index(1, 6).data().toString(), u"●"_s);
        table.clearMarks();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().at(0).toModelIndex(), model.index(0, 6));
        QCOMPARE(changed.last().at(1).toModelIndex(), model.index(3, 6));
        QCOMPARE(model.index(1, 6).data().toString(), QString());
    }

    void clearingResetsToTheEmptyRowEvenWithRowsPending()
    {
        Blog::ArticleTable table;
        ArticleTableModel model(table);
        table.appendArticle(u"t"_s, u"c"_s, u"l"_s, u"d"_s);
        model.sync();
        table.appendArticle(u"u"_s, u"c"_s, u"l"_s, u"d"_s);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        table.clear();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 1);
        table.appendArticle(u"v"_s, u"c"_s, u"l"_s, u"d"_s);
        model.sync();
        QCOMPARE(model.index(0, 1).data().toString(), u"v"_s);
    }
};

QTEST_MAIN(ArticleTableModelTest)
#include "articletablemodel_test.moc"
