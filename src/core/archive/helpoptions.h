#pragma once

#include "helpfile/hha.h"

namespace Blog {
class ArticleTable;
}

namespace Archive {

// How an archive folder's help file is compiled: every article and category page under its title
// (for search results), and with `titledContents` a contents tree by category and title and a
// keyword index by title in the compiled copy: the start page and the full list first, then one
// book per category in the order of the start page, its articles by title with their date in table
// order. The project files on disk are the same either way.
HelpFile::CompileOptions helpCompileOptions(const Blog::ArticleTable &table, bool titledContents);

} // namespace Archive
