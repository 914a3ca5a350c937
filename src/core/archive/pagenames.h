#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace Archive {

// The index pages one category gets: a category page, stem + ".htm", and its paged pages,
// stem + page number + ".htm".
struct CategoryPages
{
    QString stem;       // safeFileName(category)
    QList<int> numbers; // the paged pages, ascending, each once
};

// The file names of every index page of one run, fixed before any page is written so that no two
// pages, and no page and a category folder or a reservedNames() entry, share a name (ASCII case
// ignored). A page whose name collides with nothing keeps stem [+ page number] + ".htm". Of pages
// whose names collide, the one of the first category in table order keeps it; the others, and a
// page named like a folder or a reserved name, get stem [+ page number] + "~" + n + ".htm" with the
// smallest n from 1 that is no page's name, no folder's and no reserved one.
class PageNames
{
public:
    // `categories` in table order; `folders` the category folders the archive holds.
    PageNames(const QList<CategoryPages> &categories, const QStringList &folders);

    const QString &categoryPage(int category) const { return m_names[category].categoryPage; }
    // The name of paged page `number`; a page that is not written keeps the name it would have, as
    // a link to it is written all the same.
    QString page(int category, int number) const;

private:
    struct Names
    {
        QString stem;
        QString categoryPage;
        QHash<int, QString> pages;
    };

    QList<Names> m_names;
};

} // namespace Archive
