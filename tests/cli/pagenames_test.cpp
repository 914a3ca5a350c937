#include "common/gbkcodec.h"
#include "helpfile/strictreader.h"
#include "sampleblog.h"
#include "samplehostconfig.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// Categories whose pages would share names: "all" with the full list, "x1" with page 1 of "x",
// "随笔1" with page 1 of "随笔" and its page 1 with page 11 of "随笔" (one article a page).
const QList<std::pair<QString, int>> Categories{
    {QStringLiteral("随笔"), 11}, {QStringLiteral("随笔1"), 2}, {QStringLiteral("x"), 2},
    {QStringLiteral("x1"), 2},    {QStringLiteral("all"), 2},
};

QStringList entryFaults()
{
    QStringList faults;
    int row = 1;
    for (const auto &[name, count] : Categories) {
        for (int i = 0; i < count; ++i)
            faults << QStringLiteral("%1=category:%2").arg(row++).arg(name);
    }
    return faults;
}

QString lines(const QString &path)
{
    return Gbk::decode(readAll(path));
}

// The article links of a page (folder + "\" + file), in page order.
QStringList articleLinks(const QString &page)
{
    QStringList links;
    for (const QString &line : lines(page).split(QStringLiteral("\r\n"))) {
        const QString href = line.section(QStringLiteral("href="), 1).section(QLatin1Char('>'), 0, 0);
        if (href.contains(QLatin1Char('\\')))
            links << href;
    }
    return links;
}

// The start page's pages per category title: the category page first, then its numbered pages.
QMap<QString, QStringList> startPageLinks(const QString &startPage)
{
    QMap<QString, QStringList> pages;
    QString category;
    for (const QString &line : lines(startPage).split(QStringLiteral("\r\n"))) {
        if (line.contains(QStringLiteral(" target=_blank href=")) && line.contains(QStringLiteral("A title="))) {
            category = line.section(QStringLiteral("A title="), 1).section(QStringLiteral(" target=_blank"), 0, 0);
            if (category == QStringLiteral("点此查看所有文章"))
                category.clear();
        }
        if (!category.isEmpty() && line.contains(QStringLiteral("href=")))
            pages[category] << line.section(QStringLiteral("href="), 1).section(QLatin1Char('>'), 0, 0);
    }
    return pages;
}

// Every stored file reached from the stored start page by following links.
QSet<QByteArray> reachedInside(const ChmTest::StrictReport &chm)
{
    QSet<QByteArray> reached{"/index.html"};
    QList<QByteArray> queue{"/index.html"};
    while (!queue.isEmpty()) {
        const QByteArray name = queue.takeFirst();
        for (const ChmTest::Link &link : ChmTest::pageLinks(chm.files.value(name))) {
            if (ChmTest::isRemote(link.value))
                continue;
            const QByteArray target = ChmTest::joinPath(ChmTest::folderOf(name), ChmTest::withoutAnchor(link.value));
            if (chm.files.contains(target) && !reached.contains(target)) {
                reached.insert(target);
                queue << target;
            }
        }
    }
    return reached;
}

} // namespace

// The real sample host lists articles under categories whose pages would collide; the real
// pelmora-cli archives them one article a page. Every page holds its own category's articles only,
// and every article is reachable from the start page on disk and inside the help file.
TEST(PageNames, CollidingCategoriesEachKeepTheirOwnPages)
{
    TempFolder folder;
    QStringList hostArguments{QStringLiteral("--port"),       QStringLiteral("0"),
                              QStringLiteral("--articles"),   QStringLiteral("19"),
                              QStringLiteral("--categories"), QStringLiteral("1")};
    SampleHostConfig config;
    config.articles = 19;
    config.categories = 1;
    for (const QString &fault : entryFaults()) {
        hostArguments << QStringLiteral("--entry-fault") << fault;
        config.entryFaults << parseEntryFault(fault).value();
    }
    QProcess host;
    host.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-sample-host"), hostArguments);
    ASSERT_TRUE(host.waitForReadyRead(10000)) << host.readAllStandardError().toStdString();
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    const QString base = line.mid(line.indexOf(QStringLiteral("http://")));

    QProcess cli;
    cli.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-cli"),
              {QStringLiteral("--dir"), folder.path(), QStringLiteral("--host"), base, QStringLiteral("--per-page"),
               QStringLiteral("1"), QStringLiteral("--quiet"), QStringLiteral("archive"), QStringLiteral("qiruvo")});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    host.terminate();
    host.waitForFinished(5000);

    QMap<QString, QStringList> expected; // category -> its article files, in list order
    QMap<QString, QString> titles;       // article file -> title
    for (const SampleArticle &article : generateBlog(QStringLiteral("qiruvo"), config).articles) {
        expected[article.category] << article.link;
        titles[article.link] = article.title;
    }
    const auto files = [](const QStringList &links) {
        QStringList names;
        for (const QString &link : links)
            names << link.section(QLatin1Char('\\'), 1);
        return names;
    };

    const QString archive = folder.file(QStringLiteral("qiruvo"));
    const QMap<QString, QStringList> start = startPageLinks(archive + QStringLiteral("/index.html"));
    ASSERT_EQ(start.keys(), expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QStringList pages = start.value(it.key());
        ASSERT_EQ(pages.size(), it.value().size() + 1) << it.key().toStdString();
        const QStringList categoryPage = articleLinks(archive + QLatin1Char('/') + pages.first());
        EXPECT_EQ(files(categoryPage), it.value()) << it.key().toStdString();
        QStringList paged;
        for (const QString &page : pages.mid(1))
            paged += articleLinks(archive + QLatin1Char('/') + page);
        EXPECT_EQ(files(paged), it.value()) << it.key().toStdString();
        for (const QString &link : categoryPage)
            EXPECT_TRUE(QFileInfo(archive + QLatin1Char('/') + QString(link).replace(u'\\', u'/')).size() > 0)
                << link.toStdString();
    }
    QStringList all = files(articleLinks(archive + QStringLiteral("/all.htm")));
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), 19);
    EXPECT_EQ(all.size(), 19);

    // Inside the help file every article is reached from the start page. (The navigation lines of
    // first and last pages name pages never written, so not every link resolves.)
    const ChmTest::StrictReport chm = ChmTest::strictRead(folder.file(QStringLiteral("qiruvo.chm")));
    ASSERT_TRUE(chm.opened);
    QSet<QString> reachedTitles;
    for (const QByteArray &name : reachedInside(chm)) {
        if (name.count('/') != 2)
            continue;
        for (auto it = titles.cbegin(); it != titles.cend(); ++it) {
            if (chm.files.value(name).contains(Gbk::encode(QString(QStringLiteral("class=\"title\">") + it.value()))))
                reachedTitles.insert(it.key());
        }
    }
    EXPECT_EQ(reachedTitles.size(), 19);
}
