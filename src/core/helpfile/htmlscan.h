#pragma once

#include "common/htmltags.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// The links, title and sitemap entries of the pages of a help project, as raw bytes for the caller to
// decode. Tags are walked the same way as for the pictures of saved articles.
namespace HelpFile::Html {

using HtmlTags::Attribute;
using HtmlTags::forEachTag;
using HtmlTags::Tag;

// True for the attributes whose value names another file: href, src and background.
bool isLinkAttribute(QByteArrayView name);

// The values of every href, src and background attribute, "&amp;" decoded, in page order.
std::vector<QByteArray> linkValues(QByteArrayView html);

// A raw attribute value with "&amp;" decoded and the white space around it removed.
QByteArray linkTarget(QByteArrayView raw);

// The text of the first <title> element, trimmed; empty when there is none.
QByteArray title(QByteArrayView html);

struct SitemapEntry
{
    QByteArray name;  // the "Name" parameter in effect for this target
    QByteArray local; // the "Local" parameter, as written (may use backslashes)
};

// The targets of a contents (.hhc) or index (.hhk) file: one entry per "Local" parameter of each
// <OBJECT type="text/sitemap">.
std::vector<SitemapEntry> sitemapEntries(QByteArrayView sitemap);

} // namespace HelpFile::Html
