// Writes the index pages over 100,000 articles in 300 categories, all article files present.

#include "archive/indexwriter.h"
#include "archive/layout.h"
#include "blog/articletable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    constexpr int Rows = 100000;
    constexpr int Categories = 300;
    QTextStream out(stdout);

    QTemporaryDir temp;
    if (!temp.isValid()) {
        out << "cannot create a temporary folder\n";
        return 1;
    }
    const Archive::Layout layout(temp.path(), QStringLiteral("qiruvo"));
    QDir().mkpath(layout.archiveFolder());

    Blog::ArticleTable table;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rows; ++i) {
        const QString category = QStringLiteral("分类 %1").arg((i * 7919) % Categories);
        const QString link = QStringLiteral("%1.html").arg(i, 24, 16, QLatin1Char('0'));
        table.appendArticle(QStringLiteral("第%1篇文章的标题").arg(i), category, link,
                            QStringLiteral("2026-12-06 09:04"));
        if (table.article(i + 1).ordinal == 1)
            QDir().mkpath(layout.categoryFolder(category));
        QFile file(layout.articleFile(category, link));
        if (!file.open(QIODevice::WriteOnly)) {
            out << "cannot create " << file.fileName() << '\n';
            return 1;
        }
        file.write(QByteArray(1000 + (i * 37) % 2000, 'x'));
    }
    out << "set-up: " << Rows << " articles, " << table.categories().size() << " categories in " << timer.elapsed()
        << " ms\n";

    for (const char *run : {"first run", "second run"}) {
        Archive::IndexWriter writer(layout, table,
                                    {20, QStringLiteral("http://127.0.0.1:8642/qiruvo/blog"), QStringLiteral("qiruvo"),
                                     QDateTime::currentDateTime(), QLocale(QLocale::Chinese, QLocale::China)});
        int reported = 0;
        writer.onProgress([&reported](int row, int) { reported = row; });
        timer.restart();
        const Result<void> result = writer.write();
        const qint64 ms = qMax<qint64>(timer.elapsed(), 1);
        if (!result) {
            out << "index failed: " << result.error() << '\n';
            return 1;
        }
        out << "index " << run << ": " << reported << " rows in " << ms << " ms, " << (reported * 1000LL / ms)
            << " rows/s\n";
    }
    return 0;
}
