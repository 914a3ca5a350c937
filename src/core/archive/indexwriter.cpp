#include "archive/indexwriter.h"

#include "archive/pagenames.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/gbkcodec.h"
#include "common/linewriter.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>
#include <vector>

namespace Archive {

namespace {

constexpr int MaxPerPage = 255;

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

// One page file, built whole in memory.
struct PageFile
{
    QString name;
    QByteArray bytes;
};

// The pages of one run by name, in the order they were begun.
class PageSet
{
public:
    // The page file of that name; a new one starts with the three head lines naming heading + g.
    int page(const QString &name, const QByteArray &heading, int g)
    {
        auto it = m_index.constFind(name);
        if (it != m_index.constEnd())
            return *it;
        QByteArray head;
        head += "<center><table border=1 width=90% bordercolordark=#F0fFFF cellspacing=0 bordercolor=#800000>\r\n"
                "<tr><td bgcolor=80F0FF align=center colspan=5 ><font size=5>";
        head += heading;
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
void removeStalePages(const QString &folder, const QSet<QString> &stems, const PageSet &pages, Failures &failures)
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
        // A category's stem may itself end in digits, so every split of the digit run is tried.
        bool stale = false;
        for (int split = digits; split < base.size() && !stale; ++split)
            stale = base.at(split) != QLatin1Char('0') && stems.contains(base.left(split));
        if (stale && !QFile::remove(dir.filePath(name)))
            failures.add(QStringLiteral("cannot remove the old page %1").arg(dir.filePath(name)));
    }
}

// Page number g of an article with category ordinal n, and its place k on that page.
struct PagePlace
{
    int g;
    int k;
};

PagePlace placeOf(int n, int perPage)
{
    const int g = n > perPage ? (n - 1) / perPage + 1 : 1;
    return {g, n - (g - 1) * perPage};
}

// One run of the index pages: names planned for the whole set first, then every page built in
// memory, then written.
class IndexPass
{
public:
    IndexPass(const Layout &layout, const Blog::ArticleTable &table, const IndexOptions &options)
        : m_layout(layout)
        , m_table(table)
        , m_options(options)
    {}

    Result<void> planNames();
    Result<void> buildPages(const IndexWriter::Progress &progress);
    void writePages(Failures &failures) const;
    QByteArray startPage() const;

private:
    // What the pass remembers about one category slot.
    struct Category
    {
        QString stem;          // safeFileName(category): headings and the full list's column
        QByteArray heading;    // stem in GBK
        QByteArray folder;     // the category folder's name in GBK
        int categoryPage = -1; // in m_pages once begun
        QHash<int, int> pages; // page number -> in m_pages
    };

    void appendRow(int row, int slot);
    QByteArray sizeOf(const Blog::Article &article) const;
    QByteArray navigationLine(int slot, int g) const;
    void appendToFullList(int row, const Category &category, const QByteArray &link, const QByteArray &title,
                          const QByteArray &date, const QByteArray &size);

    const Layout &m_layout;
    const Blog::ArticleTable &m_table;
    const IndexOptions &m_options;
    std::vector<Category> m_categories;
    std::optional<PageNames> m_names;
    PageSet m_pages;
    QByteArray m_fullList;
};

Result<void> IndexPass::planNames()
{
    const Blog::CategoryTable &categories = m_table.categories();
    std::vector<QSet<int>> numbers(static_cast<size_t>(categories.size()));
    for (int row = 1; row <= m_table.articleCount(); ++row) {
        const int slot = categories.find(m_table.article(row).category);
        if (slot < 0)
            return Result<void>::failure(QStringLiteral("row %1 has a category the table does not know").arg(row));
        numbers[static_cast<size_t>(slot)].insert(placeOf(m_table.article(row).ordinal, m_options.perPage).g);
    }
    QList<CategoryPages> pages;
    QStringList folders;
    for (int slot = 0; slot < categories.size(); ++slot) {
        const QString &name = categories.at(slot).name;
        Category category;
        category.stem = safeFileName(name);
        category.heading = Gbk::encode(category.stem);
        category.folder = Gbk::encode(m_layout.folderName(name));
        QList<int> sorted(numbers[static_cast<size_t>(slot)].cbegin(), numbers[static_cast<size_t>(slot)].cend());
        std::sort(sorted.begin(), sorted.end());
        pages.append(CategoryPages{category.stem, sorted});
        folders.append(m_layout.folderName(name));
        m_categories.push_back(std::move(category));
    }
    m_names.emplace(pages, folders);
    return {};
}

Result<void> IndexPass::buildPages(const IndexWriter::Progress &progress)
{
    m_fullList += "<center><table border=1 width=90% bordercolordark=#F0fFFF cellspacing=0 bordercolor=#808000>\r\n"
                  "<tr><td bgcolor=80F0FF align=center colspan=5 ><font size=5>";
    m_fullList += Gbk::encode(u"全部清单");
    m_fullList += "</font></td></tr>\r\n"
                  "<style type= Text/css><!--.style4 {margin-top : 1px; padding-bottom : 1px; margin-bottom : 1px; "
                  "margin-left : 10px; margin-right : 5px; font-size : 14px; font-family : Tahoma,Verdana,Arial; "
                  "color: #000000;}--></style>\r\n";

    const int total = m_table.articleCount();
    for (int row = 1; row <= total; ++row) {
        if (progress)
            progress(row, total);
        // The progress callback may yield; the rows must stay as they were.
        if (m_table.articleCount() != total || m_table.categories().size() != static_cast<int>(m_categories.size()))
            return Result<void>::failure(QStringLiteral("the article table changed while the index was written"));
        const int slot = m_table.categories().find(m_table.article(row).category);
        if (slot < 0)
            return Result<void>::failure(QStringLiteral("row %1 has a category the table does not know").arg(row));
        appendRow(row, slot);
    }
    return {};
}

void IndexPass::appendRow(int row, int slot)
{
    const Blog::Article &article = m_table.article(row);
    Category &category = m_categories[static_cast<size_t>(slot)];
    const int n = article.ordinal;
    const PagePlace place = placeOf(n, m_options.perPage);

    auto page = category.pages.constFind(place.g);
    if (page == category.pages.constEnd())
        page = category.pages.insert(place.g, m_pages.page(m_names->page(slot, place.g), category.heading, place.g));
    if (category.categoryPage < 0)
        category.categoryPage = m_pages.page(m_names->categoryPage(slot), category.heading, place.g);

    const QByteArray size = sizeOf(article);
    const QByteArray link = Gbk::encode(linkFileName(article.link));
    const QByteArray title = Gbk::encode(article.title);
    const QByteArray date = Gbk::encode(article.date);

    QByteArray tail;
    tail += "</td><td ><p class= style4><A href=";
    tail += category.folder;
    tail += '\\';
    tail += link;
    tail += '>';
    tail += title;
    tail += "</a></td><td width=15%>";
    tail += date;
    tail += " </td><td width=6%>";
    tail += size;
    tail += "KB</td><tr>\r\n";

    QByteArray &paged = m_pages.bytes(*page);
    paged += "<tr><td width=3%>";
    paged += QByteArray::number(place.k);
    paged += tail;
    if (place.k == m_options.perPage)
        paged += navigationLine(slot, place.g);

    QByteArray &categoryPage = m_pages.bytes(category.categoryPage);
    categoryPage += "<tr><td width=3%>";
    categoryPage += QByteArray::number(n);
    categoryPage += tail;

    appendToFullList(row, category, link, title, date, size);
}

// A row without its file shows no size rather than another row's.
QByteArray IndexPass::sizeOf(const Blog::Article &article) const
{
    if (!m_layout.checkArticle(article.category, article.link))
        return {};
    const QFileInfo info(m_layout.articleFile(article.category, article.link));
    return info.isFile() ? Gbk::encode(formatSize(info.size(), m_options.locale)) : QByteArray();
}

// The links name pages g - 1 and g + 1 whether they are written or not.
QByteArray IndexPass::navigationLine(int slot, int g) const
{
    return Gbk::encode(QString(QStringLiteral("<center> <A href=") + m_names->page(slot, g - 1) +
                               QStringLiteral("> </table>←上一页</a>&nbsp;&nbsp;<A href=") +
                               m_names->page(slot, g + 1) + QStringLiteral(">下一页→</a>\r\n")));
}

void IndexPass::appendToFullList(int row, const Category &category, const QByteArray &link, const QByteArray &title,
                                 const QByteArray &date, const QByteArray &size)
{
    m_fullList += "<tr><td width=5%>";
    m_fullList += QByteArray::number(row);
    m_fullList += "</td><td ><p class= style4><A target=_blank href=";
    m_fullList += category.folder;
    m_fullList += '\\';
    m_fullList += link;
    m_fullList += '>';
    m_fullList += title;
    m_fullList += "</a></td><td width=25%>";
    m_fullList += category.heading;
    m_fullList += " </td><td width=15%>";
    m_fullList += date;
    m_fullList += "</td><td width=6%>";
    m_fullList += size;
    m_fullList += "KB</td><tr>\r\n";
}

void IndexPass::writePages(Failures &failures) const
{
    for (const PageFile &file : m_pages.files())
        failures.add(LineWriter::writeBytes(m_layout.file(file.name), file.bytes, LineWriter::Mode::Atomic));
    QSet<QString> stems;
    for (const Category &category : m_categories)
        stems.insert(category.stem);
    removeStalePages(m_layout.archiveFolder(), stems, m_pages, failures);
    failures.add(
        LineWriter::writeBytes(m_layout.file(QStringLiteral("all.htm")), m_fullList, LineWriter::Mode::Atomic));
}

QByteArray IndexPass::startPage() const
{
    QString start = QStringLiteral("<center><table  width=90% border=1 bordercolordark=#dddddd cellspacing=0 "
                                   "bordercolor=#90aaaa>\r\n"
                                   "<tr><td bgcolor=#80F0FF align=center colspan=5><font size=5><a target=_blank  "
                                   "href=") +
                    m_options.blogAddress + QLatin1Char('>') + m_options.blogName +
                    QStringLiteral("</a></font></td></tr>\r\n"
                                   "<style type= Text/css><!--.style4 {margin-top : 5px; padding-bottom : 5px; "
                                   "margin-bottom : 0px; margin-left : 5px; margin-right : 5px; font-size : 14px; "
                                   "font-family : Tahoma,Verdana,Arial; color: #000000;}--></style>\r\n"
                                   "<tr><td width=5%><center>所有</center></td><td width=28% ><p class= style4>"
                                   "<A title=点此查看所有文章 target=_blank href=all.htm><b>全部清单</a></b></td>"
                                   "<td><---点击左边查看所有文章按日期排序。  更新日期：") +
                    stampText(m_options.stamp, m_options.locale) + QStringLiteral("</td>\r\n");

    const Blog::CategoryTable &table = m_table.categories();
    for (int i = 0; i < table.size(); ++i) {
        const int count = table.at(i).articleCount;
        const int pageCount = count > 0 ? (count - 1) / m_options.perPage + 1 : 0;
        const QString &name = table.at(i).name;
        start += QStringLiteral("<tr><td width=5%><center>") + QString::number(i + 1) +
                 QStringLiteral("</center></td><td width=28% ><p class= style4><A title=") + name +
                 QStringLiteral(" target=_blank href=") + m_names->categoryPage(i) + QStringLiteral("><b>") +
                 name.left(30) + QStringLiteral("</a></b>(") + QString::number(count) +
                 QStringLiteral(")</td><td>\r\n");
        for (int p = 1; p <= pageCount; ++p) {
            start += QStringLiteral("<A href=") + m_names->page(i, p) + QStringLiteral("><b>") + QString::number(p) +
                     QStringLiteral("</b></a>\r\n");
        }
        start += QStringLiteral("</td></tr>\r\n");
    }
    return Gbk::encode(start);
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

IndexWriter::IndexWriter(const Layout &layout, const Blog::ArticleTable &table, IndexOptions options)
    : m_layout(layout)
    , m_table(table)
    , m_options(std::move(options))
{}

Result<void> IndexWriter::write()
{
    if (m_options.perPage < 1 || m_options.perPage > MaxPerPage)
        return Result<void>::failure(QStringLiteral("per-page count %1 is not in 1..255").arg(m_options.perPage));

    IndexPass pass(m_layout, m_table, m_options);
    if (auto planned = pass.planNames(); !planned)
        return planned;
    if (auto built = pass.buildPages(m_progress); !built)
        return built;

    Failures failures;
    pass.writePages(failures);
    if (m_startPage)
        m_startPage();
    failures.add(LineWriter::writeBytes(m_layout.file(QStringLiteral("index.html")), pass.startPage(),
                                        LineWriter::Mode::Atomic));
    return failures.result();
}

} // namespace Archive
