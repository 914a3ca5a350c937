#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

// A forgiving scan of the tags of an HTML or sitemap page in an ASCII-compatible code page such as
// GBK. Markup characters never occur inside a GBK character, so tags are found byte by byte; values
// come back as raw bytes, to be decoded by the caller.
namespace HelpFile::Html {

struct Attribute
{
    QByteArray name; // lower case
    QByteArray value;
};

// Calls `visit` for each tag with its lower-case name ("a", "/object") and attributes. Comments are
// skipped; values may be quoted with either quote or unquoted (ending at white space or ">").
void forEachTag(QByteArrayView html,
                const std::function<void(QByteArrayView tag, const std::vector<Attribute> &attributes)> &visit);

// The values of every href, src and background attribute, "&amp;" decoded, in page order.
std::vector<QByteArray> linkValues(QByteArrayView html);

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
