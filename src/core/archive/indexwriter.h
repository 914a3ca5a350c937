#pragma once

#include "archive/layout.h"
#include "common/result.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

namespace Blog {
class ArticleTable;
}

namespace Archive {

// An article file's size for the index pages: bytes / 1000 to one decimal, halves to the even
// neighbour, no trailing zero, the locale's decimal separator ("12.3", "4", "1").
QString formatSize(qint64 bytes, const QLocale &locale);

// The per-page count typed into the box: a whole number from 1 to 255, blanks around it allowed.
Result<int> parsePerPage(const QString &text);

// The start page's update stamp: the locale's short date, then the time of day with seconds in
// square brackets ("2026/12/6[09:04:48]").
QString stampText(const QDateTime &stamp, const QLocale &locale);

struct IndexOptions
{
    int perPage = 20;    // 1..255
    QString blogAddress; // the address the start page's heading links to
    QString blogName;    // the heading's text
    QDateTime stamp;     // when the archive was made
    QLocale locale;      // date, time and decimal separator
};

// Writes the archive's index pages over the article table: for every category its paged pages
// (safeFileName(category) + page + ".htm") and its category page (safeFileName(category) + ".htm"), then the full
// list "all.htm" and the start page "index.html". Every page is built in memory and written whole,
// so a second run over the same folder replaces the first; numbered pages of a category beyond this
// run's page count are removed. Article files are only measured, never touched.
class IndexWriter
{
public:
    using Progress = std::function<void(int row, int total)>;

    IndexWriter(const Layout &layout, const Blog::ArticleTable &table, IndexOptions options);

    // Called for every row of the pass, 1..R; the caller shows it and yields now and then.
    void onProgress(Progress progress) { m_progress = std::move(progress); }
    // Called once the full list is written, right before the start page.
    void onStartPage(std::function<void()> callback) { m_startPage = std::move(callback); }

    // Writes every page. Fails naming the first file that could not be written (the others are
    // still written), or when the table changes during the pass.
    Result<void> write();

private:
    const Layout &m_layout;
    const Blog::ArticleTable &m_table;
    IndexOptions m_options;
    Progress m_progress;
    std::function<void()> m_startPage;
};

} // namespace Archive
