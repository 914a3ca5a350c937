#include "samplepages.h"

#include <algorithm>
#include <array>

namespace SamplePages {
namespace {

// Real pagers show about ten numbered links and a last-page link.
constexpr int NumberedLinks = 9;
// The blog address page names no more categories than a sidebar would.
constexpr int SidebarCategories = 50;

const QString &footerLine()
{
    static const QString line =
        QStringLiteral("<div id=\"ft\"><p>&copy;2011 Pelmora <a href=\"/\">版权所有</a></p></div>");
    return line;
}

QStringList headLines(const QString &title)
{
    return {QStringLiteral("<html>"),
            QStringLiteral("<head>"),
            QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"),
            u"<title>" + title + u"</title>",
            QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/blog.css\">"),
            QStringLiteral("</head>"),
            QStringLiteral("<body>")};
}

QString blogTitle(const SampleBlog &blog)
{
    return blog.name + u"的博客";
}

QString itemAddress(const SampleBlog &blog, const SampleArticle &article)
{
    return u'/' + blog.name + u"/blog/item/" + article.link;
}

// A few comments below an article, chosen by its link so that a page always looks the same.
QStringList commentLines(const SampleArticle &article)
{
    static constexpr std::array<const char16_t *, 6> Names{u"路人甲", u"小雨", u"老K", u"Tom", u"阿紫", u"匿名网友"};
    static constexpr std::array<const char16_t *, 6> Texts{
        u"写得真好！",   u"沙发～",    u"想起了我自己的大学時光。", u"mark 一下，回头细看。",
        u"同感，顶一个", u"楼主加油:)"};
    const int count = QStringView(article.link).left(1).toInt(nullptr, 16) % 4;
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        const int pick = QStringView(article.link).mid(i + 1, 1).toInt(nullptr, 16);
        lines.append(u"<div class=\"comment\"><span class=\"user\">" +
                     QStringView(Names[static_cast<std::size_t>(pick % 6)]) + u"</span> " + article.date + u"<br>" +
                     QStringView(Texts[static_cast<std::size_t>((pick / 6 + i) % 6)]) + u"</div>");
    }
    return lines;
}

} // namespace

QString pagerLine(const QString &name, int lastPage)
{
    if (lastPage < 1)
        return {};
    const QString index = u'/' + name + u"/blog/index/";
    QString line = u"<div class=\"pager\"><a href=" + index + u"0>[首页]</a>";
    for (int page = 1; page <= std::min(lastPage, NumberedLinks); ++page)
        line += u" <a href=\"" + index + QString::number(page) + u"\">[" + QString::number(page + 1) + u"]</a>";
    line += u" <a href=\"" + index + QString::number(lastPage) + u"\">[尾页]</a></div>";
    return line;
}

QString blogPage(const SampleBlog &blog)
{
    QStringList lines = headLines(blogTitle(blog));
    lines.append(u"<div id=\"hd\"><h1>" + blogTitle(blog) + u"</h1><p>记录生活的点点滴滴</p></div>");
    lines.append(QStringLiteral("<div id=\"m_blog\" class=\"modbox\">"));
    const QString pager = pagerLine(blog.name, blog.lastPage());
    if (!pager.isEmpty())
        lines.append(pager);
    for (auto it = blog.pageBegin(0); it != blog.pageEnd(0); ++it) {
        lines.append(u"<div class=\"item\"><a href=\"" + itemAddress(blog, *it) + u"\">" + it->title +
                     u"</a> <span class=\"date\">" + it->date + u"</span></div>");
    }
    if (!pager.isEmpty())
        lines.append(pager);
    lines.append(QStringLiteral("</div>"));

    std::vector<int> counts(static_cast<std::size_t>(blog.categories.size()));
    for (const SampleArticle &article : blog.articles)
        ++counts[static_cast<std::size_t>(article.categoryIndex)];
    lines.append(QStringLiteral("<div id=\"m_cat\"><div class=\"hd\">文章分类</div>"));
    const qsizetype shown = std::min<qsizetype>(blog.categories.size(), SidebarCategories);
    for (qsizetype k = 0; k < shown; ++k) {
        lines.append(u"<a href=\"/" + blog.name + u"/blog/category/" + QString::number(k) + u"\">" +
                     blog.categories[k] + u"</a>(" + QString::number(counts[static_cast<std::size_t>(k)]) + u")<br>");
    }
    lines.append(QStringLiteral("</div>"));
    lines.append(footerLine());
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return lines.join(u'\n');
}

QString listPage(const SampleBlog &blog, int page)
{
    QStringList lines = headLines(blogTitle(blog) + u" - 文章列表");
    // A script whose lines are joined by LF alone: on a list page such an LF stays inside its line.
    lines.insert(lines.size() - 2, u"<script type=\"text/javascript\">\nvar page = " + QString::number(page) +
                                       u";\nvar last = " + QString::number(blog.lastPage()) + u";\n</script>");
    lines.append(QStringLiteral("<div id=\"m_blog\" class=\"modbox\">"));
    lines.append(QStringLiteral("<div class=\"hd\">文章列表</div>"));
    const QString pager = pagerLine(blog.name, blog.lastPage());
    if (!pager.isEmpty())
        lines.append(pager);
    for (auto it = blog.pageBegin(page); it != blog.pageEnd(page); ++it) {
        lines.append(u"<div class=\"tit\"><a href=\"" + itemAddress(blog, *it) + u"\" target=\"_blank\">");
        lines.append(it->title + u"</a></div>");
        lines.append(u"<div class=\"date\">" + it->date + u"</div>");
        lines.append(u"<span class=\"opt\"><a href=\"/" + blog.name + u"/blog/category/" +
                     QString::number(it->categoryIndex) + u"\">类别：" + it->category + u"</a> |");
    }
    if (!pager.isEmpty())
        lines.append(pager);
    lines.append(QStringLiteral("</div>"));
    lines.append(footerLine());
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return lines.join(QStringLiteral("\n\t"));
}

QStringList articleLines(const SampleBlog &blog, int index, const QStringList &body)
{
    const SampleArticle &article = blog.articles[index];
    QStringList lines = headLines(article.title + u" - " + blogTitle(blog));
    lines.append(u"<div id=\"hd\"><a href=\"/" + blog.name + u"/blog\">" + blogTitle(blog) + u"</a></div>");
    lines.append(QStringLiteral("<div id=\"m_blog\" class=\"modbox\">"));
    lines.append(QStringLiteral("<table width=\"100%\"><tr><td>"));
    lines.append(bodyStartLine());
    lines.append(body);
    lines.append(QStringLiteral("<div class=\"hd\">网友评论：</div>"));
    lines.append(commentLines(article));
    lines.append(QStringLiteral("</td></tr></table></div>"));
    lines.append(footerLine());
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return lines;
}

QString truncatedArticlePage(const QStringList &lines)
{
    const qsizetype start = lines.indexOf(bodyStartLine());
    const QString head = lines.mid(0, start < 0 ? lines.size() : start).join(u'\n');
    return head.left(head.size() * 2 / 3);
}

QString brokenPage(const SampleBlog &blog)
{
    QStringList lines = headLines(blogTitle(blog));
    lines.append(QStringLiteral("<p>系统繁忙，请稍后再试。</p>"));
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return lines.join(u'\n');
}

QString withdrawnPage(const SampleBlog &blog, FaultMode mode)
{
    QStringList lines = headLines(blogTitle(blog));
    switch (mode) {
    case FaultMode::WithdrawnDisclaimer:
        lines.append(QStringLiteral("<p>您访问的文章不存在或已被作者删除。</p>"));
        lines.append(QStringLiteral("<p><FONT color=#999999>免责声明</FONT>：本页内容由网友发布，与本站无关。</p>"));
        break;
    case FaultMode::WithdrawnNotOpen:
        lines.append(QStringLiteral("<script type=\"text/javascript\">"));
        lines.append(QStringLiteral("location.href = \"/myblog/htmlsource/blog_notopen.htm\";"));
        lines.append(QStringLiteral("</script>"));
        break;
    default:
        lines.append(QStringLiteral("<div class=\"error\">抱歉，该文章已被删除或设置了访问权限。</div>"));
        lines.append(footerLine());
        break;
    }
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return lines.join(u'\n');
}

QString floodListPage(const SampleBlog &blog, int count)
{
    QStringList lines{QStringLiteral("<html>")};
    lines.reserve(count + 2);
    const QString line = u"<div class=\"tit\"><a href=\"/" + blog.name + u"/blog/item/0123456789abcdef01234567.html\">";
    for (int i = 0; i < count; ++i)
        lines.append(line);
    lines.append(QStringLiteral("</html>"));
    return lines.join(QStringLiteral("\n\t"));
}

QString errorPage(int status, const QString &reason)
{
    const QString heading = QString::number(status) + u' ' + reason;
    return u"<html><head><title>" + heading + u"</title></head><body><h1>" + heading + u"</h1></body></html>\n";
}

} // namespace SamplePages
