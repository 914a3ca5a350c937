#include "samplehost.h"
#include "windowharness.h"

#include <QFile>
#include <QListWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int Patience = 60000;
}

class EpubTest : public QObject
{
    Q_OBJECT

private slots:
    // The book button follows Build CHM, writes the book of the downloaded archive and opens it.
    void buildsAndOpensTheBookAfterADownload()
    {
        SampleHost host;
        QVERIFY(host.listen());
        WindowHarness h(host.baseUrl());
        QPushButton *epub = h.child<QPushButton>("epubButton");
        QVERIFY(epub);
        QVERIFY(!epub->isEnabled());
        h.button(1)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Found), Patience);
        QVERIFY(!epub->isEnabled());
        h.button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(h.buttons(), pattern(ButtonState::Downloaded), Patience);
        QVERIFY(epub->isEnabled());

        // It sits where no other control is, inside the window's first size.
        for (QWidget *other : h.window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != epub && other->isVisible())
                QVERIFY2(!other->geometry().intersects(epub->geometry()), qPrintable(other->objectName()));
        }
        QVERIFY(h.window->rect().contains(epub->geometry()));

        epub->click();
        QCOMPARE(h.status(), u"EPUB已生成"_s);
        const QString book = h.programFile(u"qiruvo.epub"_s);
        QCOMPARE(h.opened, QList<QUrl>{QUrl::fromLocalFile(book)});
        QFile file(book);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(58).mid(30), QByteArray("mimetypeapplication/epub+zip"));
        QVERIFY(h.button(3)->isEnabled());
    }
};

QTEST_MAIN(EpubTest)
#include "epub_test.moc"
