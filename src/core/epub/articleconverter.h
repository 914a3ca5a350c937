#pragma once

#include "epub/bookplan.h"

#include <QByteArray>
#include <QStringList>

namespace Epub {

class LinkResolver;
class PictureShelf;

struct ConvertedArticle
{
    QByteArray document;  // the XHTML content document, UTF-8
    QStringList problems; // what could not be kept whole, one line each
};

// Turns one article file (GBK, an HTML fragment as the blog wrote it) into a content document:
// title, date and category at the top, then the article parsed by libxml2's HTML parser and
// written back as XHTML that EPUB readers accept whatever the markup was. Every text of the
// article is kept except that of scripts, styles and forms; attributes are dropped but a link's
// address (resolved into the book, see LinkResolver) and a picture's address and alt text. A
// picture the book cannot hold shows as its alt text. A file the parser cannot read at all is kept
// as plain text, with a problem line.
ConvertedArticle convertArticle(const QByteArray &gbkBytes, const PlannedArticle &article, const LinkResolver &links,
                                PictureShelf &pictures);

} // namespace Epub
