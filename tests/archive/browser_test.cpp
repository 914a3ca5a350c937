#include "archive/indexwriter.h"
#include "archive/layout.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "support/chromium.h"
#include "support/chromiumprobe.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QUrl>
#include <gtest/gtest.h>
#include <iostream>

// Opens a written archive from disk in headless Chromium: the pages render their Chinese text and
// the links, backslashes included, lead from the start page to the articles.
namespace {

const QString Chromium = TestChromium::program();

// The probe opens each page in a window of its own, so every page picks its character set itself,
// follows links through the browser's own resolution of their href, and reports what it saw.
const char ProbeScript[] = R"(function seen(w) {
  return { charset: w.document.characterSet, text: w.document.body ? w.document.body.innerText : '',
           url: w.location.href };
}
function linkTo(w, href) {
  const a = [...w.document.querySelectorAll('a')].find(a => a.getAttribute('href') === href);
  if (!a) throw 'no link ' + href + ' on ' + w.location.href;
  return a;
}
function firstLinkWith(w, part) {
  const a = [...w.document.querySelectorAll('a')].find(a => a.getAttribute('href').includes(part));
  if (!a) throw 'no link with ' + part + ' on ' + w.location.href;
  return a;
}
(async () => {
  const report = {};
  try {
    const start = await openAndWait('ARCHIVE/index.html');
    report.start = seen(start);
    const category = await openAndWait(linkTo(start, 'CATEGORY.htm').href);
    report.category = seen(category);
    const page = await openAndWait(linkTo(start, 'CATEGORY1.htm').href);
    report.page = seen(page);
    const fromCategory = firstLinkWith(category, '\\');
    report.categoryHref = fromCategory.getAttribute('href');
    report.article = seen(await openAndWait(fromCategory.href));
    const all = await openAndWait(linkTo(start, 'all.htm').href);
    report.all = seen(all);
    const fromAll = firstLinkWith(all, 'OTHER\\');
    report.allHref = fromAll.getAttribute('href');
    report.otherArticle = seen(await openAndWait(fromAll.href));
  } catch (e) {
    report.error = String(e);
  }
  finish(report);
})();
)";

class IndexPagesInChromium : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFile::exists(Chromium))
            GTEST_SKIP() << "no " << Chromium.toStdString();
    }

    void addArticle(const QString &title, const QString &category, const QString &link, const QString &body)
    {
        table.appendArticle(title, category, link, QStringLiteral("2026-12-01 08:00"));
        QDir().mkpath(layout.categoryFolder(category));
        writeAll(layout.articleFile(category, link), Gbk::encode(QString(body + QStringLiteral("\r\n"))));
    }

    TempFolder temp;
    Archive::Layout layout{temp.path(), QStringLiteral("qiruvo")};
    Blog::ArticleTable table;
};

TEST_F(IndexPagesInChromium, PagesRenderChineseAndLinksLeadToTheArticles)
{
    const QString category = QStringLiteral("随笔");
    const QString other = QStringLiteral("Q&A #1");
    const QString firstLink = QStringLiteral("3f2a1b4c5d6e7f8091a2b3c4.html");
    const QString otherLink = QStringLiteral("a1b2c3d4e5f60718293a4b5c.html");
    QDir().mkpath(layout.archiveFolder());
    addArticle(QStringLiteral("春天的第一篇"), category, firstLink, QStringLiteral("<p>这是第一篇文章的正文。</p>"));
    addArticle(QStringLiteral("问答一"), other, otherLink, QStringLiteral("<p>问答文章：中文内容在这里。</p>"));
    addArticle(QStringLiteral("夏天的第二篇"), category, QStringLiteral("00112233445566778899aabb.html"),
               QStringLiteral("<p>第二篇。</p>"));
    addArticle(QStringLiteral("秋天的第三篇"), category, QStringLiteral("0123456789abcdef01234567.html"),
               QStringLiteral("<p>第三篇。</p>"));
    Archive::IndexWriter writer(layout, table,
                                {2, QStringLiteral("http://127.0.0.1:9/qiruvo/blog"), QStringLiteral("qiruvo"),
                                 QDateTime(QDate(2026, 12, 6), QTime(9, 4, 48)),
                                 QLocale(QLocale::Chinese, QLocale::China)});
    ASSERT_TRUE(writer.write().ok());

    QString probe = QString::fromUtf8(ProbeScript);
    probe.replace(QStringLiteral("ARCHIVE"), QStringLiteral("qiruvo"));
    probe.replace(QStringLiteral("CATEGORY"), category);
    probe.replace(QStringLiteral("OTHER"), Archive::safeFileName(other));
    const TestChromium::ProbeRun run = TestChromium::runProbe(
        temp.path(), probe,
        {QStringLiteral("--allow-file-access-from-files"), QStringLiteral("--disable-popup-blocking")}, 20000);
    ASSERT_TRUE(run.report) << run.dump.toStdString();
    const QJsonObject &report = *run.report;
    ASSERT_FALSE(report.contains(QStringLiteral("error")))
        << report.value(QStringLiteral("error")).toString().toStdString();

    const auto text = [&](const char *key) {
        return report.value(QLatin1String(key)).toObject().value(QStringLiteral("text")).toString();
    };
    const auto url = [&](const char *key) {
        return QUrl(report.value(QLatin1String(key)).toObject().value(QStringLiteral("url")).toString()).toLocalFile();
    };
    for (const char *key : {"start", "category", "page", "all", "article", "otherArticle"}) {
        std::cout
            << "[ chromium ] " << key << " decoded as "
            << report.value(QLatin1String(key)).toObject().value(QStringLiteral("charset")).toString().toStdString()
            << '\n';
    }

    EXPECT_TRUE(text("start").contains(QStringLiteral("全部清单")));
    EXPECT_TRUE(text("start").contains(QStringLiteral("点击左边查看所有文章按日期排序")));
    EXPECT_TRUE(text("start").contains(QStringLiteral("更新日期：2026/12/6[09:04:48]")));
    EXPECT_TRUE(text("start").contains(QStringLiteral("随笔(3)")));
    EXPECT_EQ(url("category"), layout.file(QStringLiteral("随笔.htm")));
    EXPECT_TRUE(text("category").contains(QStringLiteral("春天的第一篇")));
    EXPECT_TRUE(text("category").contains(QStringLiteral("秋天的第三篇")));
    EXPECT_EQ(url("page"), layout.file(QStringLiteral("随笔1.htm")));
    EXPECT_TRUE(text("page").contains(QStringLiteral("夏天的第二篇")));
    EXPECT_TRUE(text("page").contains(QStringLiteral("上一页")));
    EXPECT_TRUE(text("all").contains(QStringLiteral("全部清单")));

    // The links carry a backslash; the browser turns it into a path separator.
    EXPECT_EQ(report.value(QStringLiteral("categoryHref")).toString(), category + QLatin1Char('\\') + firstLink);
    EXPECT_EQ(url("article"), layout.articleFile(category, firstLink));
    EXPECT_TRUE(text("article").contains(QStringLiteral("这是第一篇文章的正文。")));
    EXPECT_EQ(report.value(QStringLiteral("allHref")).toString(),
              Archive::safeFileName(other) + QLatin1Char('\\') + otherLink);
    EXPECT_EQ(url("otherArticle"), layout.articleFile(other, otherLink));
    EXPECT_TRUE(text("otherArticle").contains(QStringLiteral("问答文章：中文内容在这里。")));
}

} // namespace
