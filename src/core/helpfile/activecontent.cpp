#include "helpfile/activecontent.h"

#include "common/asciitext.h"
#include "common/htmltags.h"

#include <algorithm>
#include <vector>

namespace HelpFile {

namespace {

using HtmlTags::Attribute;
using HtmlTags::Tag;

bool isElementWithoutRights(QByteArrayView name)
{
    static constexpr const char *names[] = {"object", "embed", "applet", "iframe", "frame", "form", "param"};
    return std::any_of(std::begin(names), std::end(names), [&](const char *n) { return name == n; });
}

// The start of an attribute value as a browser reads the address in it: numeric entities and
// "&colon;" decoded, blanks and control characters dropped, lower case.
QByteArray addressStart(QByteArrayView value)
{
    QByteArray out;
    for (qsizetype i = 0; i < value.size() && out.size() < 16; ++i) {
        char c = value[i];
        if (c == '&') {
            const qsizetype semicolon = value.indexOf(';', i);
            const QByteArrayView entity = semicolon < 0 ? QByteArrayView() : value.sliced(i + 1, semicolon - i - 1);
            if (entity.startsWith('#')) {
                const bool hex = entity.size() > 1 && AsciiText::lower(entity[1]) == 'x';
                bool ok = false;
                const uint code = entity.sliced(hex ? 2 : 1).toByteArray().toUInt(&ok, hex ? 16 : 10);
                c = ok && code < 0x80 ? static_cast<char>(code) : '?';
                i = semicolon;
            } else if (entity.compare("colon", Qt::CaseInsensitive) == 0) {
                c = ':';
                i = semicolon;
            }
        }
        if (static_cast<unsigned char>(c) > 0x20)
            out.append(AsciiText::lower(c));
    }
    return out;
}

bool isActiveAttribute(const Attribute &a)
{
    if (a.name.size() > 2 && a.name.startsWith("on"))
        return true;
    const QByteArray address = addressStart(a.value);
    return address.startsWith("javascript:") || address.startsWith("vbscript:");
}

// The tag written again without its active attributes, each other attribute as it was.
QByteArray tagWithout(QByteArrayView page, const Tag &tag)
{
    QByteArray out("<");
    out.append(page.sliced(tag.start + 1, tag.name.size()));
    for (const Attribute &a : tag.attributes) {
        if (isActiveAttribute(a))
            continue;
        out += ' ';
        out += a.name;
        if (a.valueStart < 0)
            continue;
        const char before = page[a.valueStart - 1];
        const char quote = before == '"' || before == '\'' ? before : '\0';
        out += '=';
        if (quote)
            out += quote;
        out += page.sliced(a.valueStart, a.valueEnd - a.valueStart);
        if (quote && !a.unclosedQuote)
            out += quote;
    }
    if (tag.end >= 2 && page[tag.end - 1] == '>' && page[tag.end - 2] == '/')
        out += '/';
    if (tag.end > 0 && page[tag.end - 1] == '>')
        out += '>';
    return out;
}

// Where "</script" starts, in any case, at or after `from`; -1 when it never comes.
qsizetype scriptEnd(QByteArrayView page, qsizetype from)
{
    for (qsizetype at = page.indexOf(QByteArrayView("</"), from); at >= 0;
         at = page.indexOf(QByteArrayView("</"), at + 2)) {
        const QByteArrayView name = page.sliced(at + 2, std::min<qsizetype>(6, page.size() - at - 2));
        if (name.compare("script", Qt::CaseInsensitive) == 0)
            return at;
    }
    return -1;
}

struct Edit
{
    qsizetype start;
    qsizetype end;
    QByteArray replacement;
};

} // namespace

QByteArray withoutActiveContent(QByteArrayView page, bool *removedAny)
{
    std::vector<Edit> edits;
    qsizetype skipUntil = 0;
    HtmlTags::forEachTag(page, [&](const Tag &tag) {
        if (tag.start < skipUntil)
            return;
        const QByteArrayView name = QByteArrayView(tag.name).sliced(tag.name.startsWith('/') ? 1 : 0);
        if (tag.name == "script") {
            const qsizetype close = scriptEnd(page, tag.end);
            const qsizetype closeEnd = close < 0 ? -1 : page.indexOf('>', close);
            skipUntil = close < 0 || closeEnd < 0 ? page.size() : closeEnd + 1;
            edits.push_back({tag.start, skipUntil, {}});
        } else if (name == "script" || isElementWithoutRights(name)) {
            edits.push_back({tag.start, tag.end, {}});
        } else if (std::any_of(tag.attributes.cbegin(), tag.attributes.cend(), isActiveAttribute)) {
            edits.push_back({tag.start, tag.end, tagWithout(page, tag)});
        }
    });
    if (removedAny)
        *removedAny = !edits.empty();
    if (edits.empty())
        return page.toByteArray();
    QByteArray out;
    out.reserve(page.size());
    qsizetype at = 0;
    for (const Edit &e : edits) {
        out.append(page.sliced(at, e.start - at));
        out.append(e.replacement);
        at = e.end;
    }
    out.append(page.sliced(at));
    return out;
}

} // namespace HelpFile
