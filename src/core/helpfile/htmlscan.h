#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

// A forgiving scan of the tags of an HTML or sitemap page in an ASCII-compatible code page such as
// GBK. Markup characters never occur inside a GBK character (trail bytes start at 0x40), so tags are
// found byte by byte; values come back as raw bytes, to be decoded by the caller.
namespace HelpFile::Html {

struct Attribute
{
    QByteArray name; // lower case
    QByteArray value;
    qsizetype valueStart = -1; // where the raw value lies in the page, quotes excluded; -1 without one
    qsizetype valueEnd = -1;
};

struct Tag
{
    QByteArray name; // lower case: "a", "/object", "!doctype"
    std::vector<Attribute> attributes;
    qsizetype start = 0; // the "<"
    qsizetype end = 0;   // just past the ">", or the end of the page when it has none
};

// Calls `visit` for each tag. A "<" opens a tag (or a comment) only before a letter, "/", "!" or "?",
// as browsers read it; any other "<" is text and goes to `stray` when given. Comments are skipped; values
// may be quoted with either quote or unquoted (ending at white space or ">").
void forEachTag(QByteArrayView html, const std::function<void(const Tag &tag)> &visit,
                const std::function<void(qsizetype at)> &stray = {});

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
