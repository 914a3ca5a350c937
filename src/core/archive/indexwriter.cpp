#include "archive/indexwriter.h"

#include "archive/rep.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <vector>

namespace Archive {

namespace {

constexpr int MaxPerPage = 255;

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// The long time format without its time zone: the start page shows the time of day with seconds.
QString timeFormatWithSeconds(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    result.remove(QStringLiteral("()"));
    result.remove(QStringLiteral("[]"));
    const auto isFiller = [](QChar c) { return c.isSpace() || c == QLatin1Char(','); };
    while (!result.isEmpty() && isFiller(result.back()))
        result.chop(1);
    while (!result.isEmpty() && isFiller(result.front()))
        result.remove(0, 1);
    return result;
}

// One page file, built whole in memory. Names are compared exactly, so two categories whose Rep
// agree share their pages, as they share them on disk.
struct PageFile
{
    QString name;
    QByteArray bytes;
};

// What the pass remembers about one category slot.
struct CategoryState
{
    bool seen = false;
    QByteArray rep; // GBK bytes of Rep(category)
    QString repText;
    int categoryPage = -1;
    std::vector<int> pages; // page g at g - 1, -1 until known
};

class PageSet
{
public:
    // The page file of that name; a new one starts with the three head lines naming title + g.
    int page(const QString &name, const QByteArray &rep, int g)
    {
        auto it = m_index.constFind(name);
        if (it != m_index.constEnd())
            return *it;
        QByteArray head;
        head += "<center><table border=1 width=90% bordercolordark=#F0fFFF cellspacing=0 bordercolor=#800000>\r\n"
                "<tr><td bgcolor=80F0FF align=center colspan=5 ><font size=5>";
        head += rep;
        head += QByteArray::number(g);
        head += "</font></td></tr>\r\n"
                "<style type= Text/css><!--.style4 {margin-top : 2px; padding-bottom : 2px; margin-bottom : 1px; "
                "margin-left : 15px; margin-right : 10px; font-size : 14px; font-family : Tahoma,Verdana,Arial; "
                "color: #000000;}--></style>\r\n";
        m_files.push_back(PageFile{name, head});
        const int index = static_cast<int>(m_files.size()) - 1;
        m_index.insert(name, index);
        return index;
    }

    QByteArray &bytes(int index) { return m_files[static_cast<size_t>(index)].bytes; }
    const std::vector<PageFile> &files() const { return m_files; }
    bool contains(const QString &name) const { return m_index.contains(name); }

private:
    std::vector<PageFile> m_files;
    QHash<QString, int> m_index;
};

// Collects write failures: every file is still attempted, the first failure is reported.
class Failures
{
public:
    void add(const QString &message)
    {
        if (m_count++ == 0)
            m_first = message;
    }
    void add(const Result<void> &result)
    {
        if (!result)
            add(result.error());
    }
    Result<void> result() const
    {
        if (m_count == 0)
            return {};
        if (m_count == 1)
            return Result<void>::failure(m_first);
        return Result<void>::failure(m_first + QStringLiteral(" (and %1 more)").arg(m_count - 1));
    }

private:
    int m_count = 0;
    QString m_first;
};

// Removes numbered pages of this run's categories that this run did not write: pages beyond a
// category's current page count, left by an earlier run with more articles.
void removeStalePages(const QString &folder, const QSet<QString> &reps, const PageSet &pages, Failures &failures)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    const QString suffix = QStringLiteral(".htm");
    for (const QString &name : names) {
        if (!name.endsWith(suffix) || pages.contains(name))
            continue;
        const QString base = name.chopped(suffix.size());
        int digits = base.size();
        while (digits > 0 && base.at(digits - 1).isDigit() && base.at(digits - 1).unicode() < 128)
            --digits;
        // The category's Rep may itself end in digits, so every split of the digit run is tried.
        bool stale = false;
        for (int split = digits; split < base.size() && !stale; ++split)
            stale = base.at(split) != QLatin1Char('0') && reps.contains(base.left(split));
        if (stale && !QFile::remove(dir.filePath(name)))
            failures.add(QStringLiteral("cannot remove the old page %1").arg(dir.filePath(name)));
    }
}

} // namespace

QString formatSize(qint64 bytes, const QLocale &locale)
{
    if (bytes < 0)
        bytes = 0;
    qint64 tenths = bytes / 100;
    const qint64 rest = bytes % 100;
    if (rest > 50 || (rest == 50 && tenths % 2 == 1))
        ++tenths;
    const QString whole = QString::number(tenths / 10);
    if (tenths % 10 == 0)
        return whole;
    return whole + locale.decimalPoint() + QString::number(tenths % 10);
}

Result<int> parsePerPage(const QString &text)
{
    const QString trimmed = text.trimmed();
    int value = 0;
    bool digitsOnly = !trimmed.isEmpty();
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            digitsOnly = false;
            break;
        }
        value = qMin(value * 10 + (c.unicode() - u'0'), MaxPerPage + 1);
    }
    if (!digitsOnly || value < 1 || value > MaxPerPage) {
        return Result<int>::failure(
            QStringLiteral("每页篇数必须是1到255之间的整数，而不是“%1”。"
                           " The number of articles per page must be a whole number from 1 to 255, not \"%1\".")
                .arg(text));
    }
    return value;
}

QString stampText(const QDateTime &stamp, const QLocale &locale)
{
    return locale.toString(stamp.date(), QLocale::ShortFormat) + QLatin1Char('[') +
           locale.toString(stamp.time(), timeFormatWithSeconds(locale)) + QLatin1Char(']');
}

IndexWriter::IndexWriter(const Layout &layout, Blog::ArticleTable &table, IndexOptions options)
    : m_layout(layout)
    , m_table(table)
    , m_options(std::move(options))
{}

Result<void> IndexWriter::write()
{
    const int perPage = m_options.perPage;
    if (perPage < 1 || perPage > MaxPerPage)
        return Result<void>::failure(QStringLiteral("per-page count %1 is not in 1..255").arg(perPage));

    const int total = m_table.articleCount();
    const QLocale &locale = m_options.locale;
    const QByteArray backslash = QByteArrayLiteral("\\");

    PageSet pages;
    std::vector<CategoryState> categories(static_cast<size_t>(m_table.categories().size()));

    QByteArray all;
    all += "<center><table border=1 width=90% bordercolordark=#F0fFFF cellspacing=0 bordercolor=#808000>\r\n"
           "<tr><td bgcolor=80F0FF align=center colspan=5 ><font size=5>";
    all += Gbk::encode(u"全部清单");
    all += "</font></td></tr>\r\n"
           "<style type= Text/css><!--.style4 {margin-top : 1px; padding-bottom : 1px; margin-bottom : 1px; "
           "margin-left : 10px; margin-right : 5px; font-size : 14px; font-family : Tahoma,Verdana,Arial; "
           "color: #000000;}--></style>\r\n";

    const QByteArray previousText = Gbk::encode(u".htm> </table>←上一页</a>&nbsp;&nbsp;<A href=");
    const QByteArray nextText = Gbk::encode(u".htm>下一页→</a>");

    QByteArray tail;
    for (int row = 1; row <= total; ++row) {
        if (m_progress)
            m_progress(row, total);
        // The progress callback may yield; the rows must stay as they were.
        if (m_table.articleCount() != total || m_table.categories().size() != static_cast<int>(categories.size()))
            return Result<void>::failure(QStringLiteral("the article table changed while the index was written"));

        const Blog::Article &article = m_table.article(row);
        const int slot = m_table.categories().find(article.category);
        if (slot < 0)
            return Result<void>::failure(QStringLiteral("row %1 has a category the table does not know").arg(row));
        CategoryState &category = categories[static_cast<size_t>(slot)];
        if (!category.seen) {
            category.seen = true;
            category.repText = Rep(article.category);
            category.rep = Gbk::encode(category.repText);
        }

        const int n = article.ordinal;
        const int g = n > perPage ? (n - 1) / perPage + 1 : 1;
        const int k = n - (g - 1) * perPage;

        if (category.pages.size() < static_cast<size_t>(g))
            category.pages.resize(static_cast<size_t>(g), -1);
        int &pageIndex = category.pages[static_cast<size_t>(g - 1)];
        if (pageIndex < 0)
            pageIndex = pages.page(category.repText + QString::number(g) + QStringLiteral(".htm"), category.rep, g);
        if (category.categoryPage < 0)
            category.categoryPage = pages.page(category.repText + QStringLiteral(".htm"), category.rep, g);

        // A row without its file shows no size rather than another row's.
        QByteArray size;
        if (Layout::checkArticle(article.category, article.link)) {
            const QFileInfo info(m_layout.articleFile(article.category, article.link));
            if (info.isFile())
                size = Gbk::encode(formatSize(info.size(), locale));
        }

        const QByteArray link = Gbk::encode(linkFileName(article.link));
        const QByteArray title = Gbk::encode(article.title);
        const QByteArray date = Gbk::encode(article.date);

        tail.clear();
        tail += "</td><td ><p class= style4><A href=";
        tail += category.rep;
        tail += backslash;
        tail += link;
        tail += '>';
        tail += title;
        tail += "</a></td><td width=15%>";
        tail += date;
        tail += " </td><td width=6%>";
        tail += size;
        tail += "KB</td><tr>\r\n";

        QByteArray &page = pages.bytes(pageIndex);
        page += "<tr><td width=3%>";
        page += QByteArray::number(k);
        page += tail;
        if (k == perPage) {
            page += "<center> <A href=";
            page += category.rep;
            page += QByteArray::number(g - 1);
            page += previousText;
            page += category.rep;
            page += QByteArray::number(g + 1);
            page += nextText;
            page += CrLf;
        }

        QByteArray &categoryPage = pages.bytes(category.categoryPage);
        categoryPage += "<tr><td width=3%>";
        categoryPage += QByteArray::number(n);
        categoryPage += tail;

        all += "<tr><td width=5%>";
        all += QByteArray::number(row);
        all += "</td><td ><p class= style4><A target=_blank href=";
        all += category.rep;
        all += backslash;
        all += link;
        all += '>';
        all += title;
        all += "</a></td><td width=25%>";
        all += category.rep;
        all += " </td><td width=15%>";
        all += date;
        all += "</td><td width=6%>";
        all += size;
        all += "KB</td><tr>\r\n";
    }

    Failures failures;
    for (const PageFile &file : pages.files())
        failures.add(LineWriter::writeBytes(m_layout.file(file.name), file.bytes, LineWriter::Mode::Atomic));

    QSet<QString> reps;
    for (const CategoryState &category : categories) {
        if (category.seen)
            reps.insert(category.repText);
    }
    removeStalePages(m_layout.archiveFolder(), reps, pages, failures);

    // Written after the pages: a category page that happens to be named "all.htm" gives way to the
    // full list.
    failures.add(LineWriter::writeBytes(m_layout.file(QStringLiteral("all.htm")), all, LineWriter::Mode::Atomic));

    if (m_startPage)
        m_startPage();

    QString start;
    start += QStringLiteral("<center><table  width=90% border=1 bordercolordark=#dddddd cellspacing=0 "
                            "bordercolor=#90aaaa>\r\n"
                            "<tr><td bgcolor=#80F0FF align=center colspan=5><font size=5><a target=_blank  href=") +
             m_options.blogAddress + QLatin1Char('>') + m_options.blogName +
             QStringLiteral("</a></font></td></tr>\r\n"
                            "<style type= Text/css><!--.style4 {margin-top : 5px; padding-bottom : 5px; "
                            "margin-bottom : 0px; margin-left : 5px; margin-right : 5px; font-size : 14px; "
                            "font-family : Tahoma,Verdana,Arial; color: #000000;}--></style>\r\n"
                            "<tr><td width=5%><center>所有</center></td><td width=28% ><p class= style4>"
                            "<A title=点此查看所有文章 target=_blank href=all.htm><b>全部清单</a></b></td>"
                            "<td><---点击左边查看所有文章按日期排序。  更新日期：") +
             stampText(m_options.stamp, locale) + QStringLiteral("</td>\r\n");

    Blog::CategoryTable &table = m_table.categories();
    for (int i = 0; i < table.size(); ++i) {
        const int count = table.at(i).articleCount;
        const int pageCount = count > 0 ? (count - 1) / perPage + 1 : 0;
        table.setPageCount(i, pageCount);

        const QString &name = table.at(i).name;
        const QString rep = Rep(name);
        start += QStringLiteral("<tr><td width=5%><center>") + QString::number(i + 1) +
                 QStringLiteral("</center></td><td width=28% ><p class= style4><A title=") + name +
                 QStringLiteral(" target=_blank href=") + rep + QStringLiteral(".htm><b>") + name.left(30) +
                 QStringLiteral("</a></b>(") + QString::number(count) + QStringLiteral(")</td><td>\r\n");
        for (int p = 1; p <= pageCount; ++p) {
            const QString number = QString::number(p);
            start += QStringLiteral("<A href=") + rep + number + QStringLiteral(".htm><b>") + number +
                     QStringLiteral("</b></a>\r\n");
        }
        start += QStringLiteral("</td></tr>\r\n");
    }
    failures.add(LineWriter::writeBytes(m_layout.file(QStringLiteral("index.html")), Gbk::encode(start),
                                        LineWriter::Mode::Atomic));

    return failures.result();
}

} // namespace Archive
