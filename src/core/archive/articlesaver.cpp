#include "archive/articlesaver.h"

#include "common/linewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace Archive {

namespace {

const QString BodyStart = QStringLiteral("查看文章</span></div></td>");
const QString BodyEnd = QStringLiteral("网友评论：</div>");

// A body shorter than this is no body: a start line alone is already longer.
constexpr qsizetype MinimumArticleBytes = 5;

} // namespace

QByteArray articleBody(const QString &page)
{
    QByteArray bytes;
    if (page.isEmpty())
        return bytes;
    bool copying = false;
    for (const QStringView line : QStringView(page).split(QLatin1Char('\n'))) {
        // The start test comes first: a line holding both markers starts the body and is kept.
        if (line.contains(BodyStart))
            copying = true;
        else if (line.contains(BodyEnd))
            break;
        if (copying)
            LineWriter::appendLine(bytes, line);
    }
    return bytes;
}

bool isHostPage(const QString &page)
{
    return page.contains(QStringLiteral(">版权所有</a></p>")) || page.contains(QStringLiteral("免责声明</FONT>")) ||
           page.contains(QStringLiteral("myblog/htmlsource/blog_notopen"));
}

QString withdrawnNotice(const QString &hostBase, const QString &blogName, const QString &link)
{
    return QStringLiteral("博文已经删除或访问受限...<br><A target=_blank href=") + hostBase + blogName +
           QStringLiteral("/blog/item/") + link + QStringLiteral(">点击这里打开源地址") +
           QStringLiteral("</a> <br>  —mirqoPelmora。");
}

PreparedArticle prepareArticle(const QString &page, const QString &hostBase, const QString &blogName,
                               const QString &link)
{
    PreparedArticle article{SaveOutcome::Saved, articleBody(page)};
    if (article.bytes.size() >= MinimumArticleBytes)
        return article;
    article.bytes.clear();
    if (!isHostPage(page)) {
        article.outcome = SaveOutcome::Broken;
        return article;
    }
    article.outcome = SaveOutcome::Withdrawn;
    LineWriter::appendLine(article.bytes, withdrawnNotice(hostBase, blogName, link));
    return article;
}

SaveResult storeArticle(const PreparedArticle &article, const Layout &layout, const QString &category,
                        const QString &link, bool keepExisting)
{
    if (auto check = layout.checkArticle(category, link); !check)
        return {SaveOutcome::Failed, check.error()};
    const QString path = layout.articleFile(category, link);
    if (article.outcome == SaveOutcome::Broken) {
        if (!keepExisting)
            QFile::remove(path);
        return {SaveOutcome::Broken, {}};
    }
    const QString folder = layout.categoryFolder(category);
    if (!QFileInfo::exists(folder) && ::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST) {
        return {
            SaveOutcome::Failed,
            QStringLiteral("cannot create folder %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)))};
    }
    if (auto written = LineWriter::writeBytes(path, article.bytes, LineWriter::Mode::Atomic); !written)
        return {SaveOutcome::Failed, written.error()};
    return {article.outcome, {}};
}

SaveResult saveArticle(const QString &page, const Layout &layout, const QString &category, const QString &link,
                       const QString &hostBase, const QString &blogName, bool keepExisting)
{
    return storeArticle(prepareArticle(page, hostBase, blogName, link), layout, category, link, keepExisting);
}

} // namespace Archive
