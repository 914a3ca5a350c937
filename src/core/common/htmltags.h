#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <utility>
#include <vector>

// A forgiving walk over the tags of an HTML page in an ASCII-compatible code page such as GBK. Markup
// characters never occur inside a GBK character (trail bytes start at 0x40), so tags are found byte by
// byte; names and values come back as raw bytes with their positions, to be decoded or rewritten by the
// caller.
namespace HtmlTags {

struct Attribute
{
    QByteArray name; // lower case
    QByteArray value;
    qsizetype valueStart = -1; // where the raw value lies in the page, quotes excluded; -1 without one
    qsizetype valueEnd = -1;
    bool unclosedQuote = false; // the value's quote is never closed, so it runs to the end of the page
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

// Where the value of `attribute` lies in `html` without the white space around it, as [first, second).
std::pair<qsizetype, qsizetype> trimmedValueSpan(QByteArrayView html, const Attribute &attribute);

// An attribute value with each "&amp;" read as "&", the one reference that addresses carry; other
// references stay as they are.
QByteArray decodeAmpersands(QByteArray value);

} // namespace HtmlTags
