#pragma once

#include "common/result.h"
#include "epub/bookplan.h"

namespace Blog {
class ArticleTable;
}

namespace Epub {

// Collects what goes into the book from the archive folder programFolder/blogName: every article
// of the table whose file exists, grouped by category. Articles without a file are listed in
// missingArticles; titles and categories that hold characters XML cannot hold get a problem line
// and lose those characters. Fails when the folder has no start page, i.e. Download never ended.
Result<BookPlan> collectBook(const QString &programFolder, const QString &blogName, const Blog::ArticleTable &table);

} // namespace Epub
