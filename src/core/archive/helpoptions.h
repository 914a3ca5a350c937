#pragma once

#include "helpfile/hha.h"

#include <QByteArray>
#include <QList>
#include <QPair>

namespace Blog {
class ArticleTable;
}

namespace Archive {

// How an archive folder's help file is compiled: every article and category page under its title
// (for search results), and with `titledContents` a contents tree by category and title and a
// keyword index by title in the compiled copy: the start page and the full list first, then one
// book per category in the order of the start page, its articles by title with their date in table
// order. The project files on disk are the same either way.
// The pages are named as the start page links them (pagesOnStartPage), which is how they were
// written; without them a category page is taken to be safeFileName(category) + ".htm".
struct LinkedPages
{
    QString categoryPage;
    QList<QPair<int, QString>> pagedPages; // page number, file name
};
HelpFile::CompileOptions helpCompileOptions(const Blog::ArticleTable &table, bool titledContents,
                                            const QList<LinkedPages> &linkedPages = {});

// The index pages the start page (GBK, as written by IndexWriter) links to, one entry per category
// in its order.
QList<LinkedPages> pagesOnStartPage(const QByteArray &startPage);

} // namespace Archive
