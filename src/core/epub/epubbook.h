#pragma once

#include "common/result.h"
#include "epub/book.h"

namespace Epub {

// Writes the EPUB 3 book of one archive folder to programFolder/blogName.epub: a title page, a
// contents page and one XHTML document per saved article, category by category, with the
// article's local pictures, a nav document and an NCX. The file is written beside its final name
// and renamed over it, so a failed run leaves an earlier book as it was. Input that cannot be kept
// whole (an article without a file, a missing picture, a title with characters XML cannot hold)
// does not stop the book: it is named in the report. Fails with the reason when the archive has no
// start page or the book cannot be written. `progress` follows the articles.
Result<BookReport> writeBook(const BookRequest &request, const Progress &progress = {});

} // namespace Epub
