#include "helpfile/htmlscan.h"

namespace HelpFile::Html {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isLeadByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x81 && u <= 0xFE;
}

bool isTrailByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x40 && u <= 0xFE && u != 0x7F;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(QByteArrayView text, qsizetype at, QByteArrayView prefix)
{
    if (at + prefix.size() > text.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (lower(text[at + i]) != prefix[i])
            return false;
    }
    return true;
}

qsizetype findNoCase(QByteArrayView text, qsizetype from, QByteArrayView needle)
{
    for (qsizetype i = from; i + needle.size() <= text.size(); ++i) {
        if (startsWithNoCase(text, i, needle))
            return i;
    }
    return -1;
}

QByteArray decodeEntities(QByteArray value)
{
    if (value.contains('&'))
        value.replace("&amp;", "&");
    return value;
}

} // namespace

void forEachTag(QByteArrayView html, const std::function<void(const Tag &tag)> &visit,
                const std::function<void(qsizetype at)> &stray)
{
    const qsizetype n = html.size();
    Tag tag;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype open = html.indexOf('<', i);
        if (open < 0)
            break;
        if (html.sliced(open).startsWith("<!--")) {
            const qsizetype close = html.indexOf(QByteArrayView("-->"), open + 4);
            i = close < 0 ? n : close + 3;
            continue;
        }
        i = open + 1;
        const char next = i < n ? html[i] : '\0';
        const bool opensTag = isLetter(next) || next == '/' || next == '!' || next == '?';
        if (!opensTag) {
            if (stray)
                stray(open);
            continue;
        }
        const qsizetype nameStart = i;
        if (html[i] == '/')
            ++i;
        while (i < n && !isSpace(html[i]) && html[i] != '>' && html[i] != '<' && !(html[i] == '/' && i > nameStart))
            ++i;
        tag.name = html.sliced(nameStart, i - nameStart).toByteArray().toLower();
        tag.attributes.clear();
        tag.start = open;
        while (i < n) {
            while (i < n && (isSpace(html[i]) || html[i] == '/'))
                ++i;
            if (i >= n || html[i] == '>' || html[i] == '<')
                break;
            const qsizetype attrStart = i;
            while (i < n && !isSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '<') {
                // A double-byte character stays whole, so its trail byte is never read as markup; a
                // lead byte without a trail byte is one byte of its own.
                i += isLeadByte(html[i]) && i + 1 < n && isTrailByte(html[i + 1]) ? 2 : 1;
            }
            Attribute attribute{html.sliced(attrStart, i - attrStart).toByteArray().toLower(), {}};
            qsizetype j = i;
            while (j < n && isSpace(html[j]))
                ++j;
            if (j < n && html[j] == '=') {
                ++j;
                while (j < n && isSpace(html[j]))
                    ++j;
                if (j < n && (html[j] == '"' || html[j] == '\'')) {
                    const char quote = html[j];
                    const qsizetype end = html.indexOf(quote, j + 1);
                    attribute.valueStart = j + 1;
                    attribute.valueEnd = end < 0 ? n : end;
                    i = end < 0 ? n : end + 1;
                } else {
                    qsizetype end = j;
                    while (end < n && !isSpace(html[end]) && html[end] != '>')
                        ++end;
                    attribute.valueStart = j;
                    attribute.valueEnd = end;
                    i = end;
                }
                attribute.value =
                    html.sliced(attribute.valueStart, attribute.valueEnd - attribute.valueStart).toByteArray();
            }
            if (!attribute.name.isEmpty())
                tag.attributes.push_back(std::move(attribute));
        }
        if (i < n && html[i] == '>')
            ++i;
        tag.end = i;
        visit(tag);
    }
}

bool isLinkAttribute(QByteArrayView name)
{
    return name == "href" || name == "src" || name == "background";
}

QByteArray linkTarget(QByteArrayView raw)
{
    return decodeEntities(raw.toByteArray().trimmed());
}

std::vector<QByteArray> linkValues(QByteArrayView html)
{
    std::vector<QByteArray> links;
    forEachTag(html, [&](const Tag &tag) {
        for (const Attribute &a : tag.attributes) {
            if (isLinkAttribute(a.name))
                links.push_back(linkTarget(a.value));
        }
    });
    return links;
}

QByteArray title(QByteArrayView html)
{
    const qsizetype open = findNoCase(html, 0, "<title");
    if (open < 0)
        return {};
    const qsizetype start = html.indexOf('>', open);
    if (start < 0)
        return {};
    const qsizetype end = findNoCase(html, start + 1, "</title");
    if (end < 0)
        return {};
    return html.sliced(start + 1, end - start - 1).toByteArray().simplified();
}

std::vector<SitemapEntry> sitemapEntries(QByteArrayView sitemap)
{
    std::vector<SitemapEntry> entries;
    QByteArray name;
    forEachTag(sitemap, [&](const Tag &tag) {
        if (tag.name == "object") {
            name.clear();
            return;
        }
        if (tag.name != "param")
            return;
        QByteArray key;
        QByteArray value;
        for (const Attribute &a : tag.attributes) {
            if (a.name == "name")
                key = a.value.toLower();
            else if (a.name == "value")
                value = decodeEntities(a.value);
        }
        if (key == "name")
            name = value;
        else if (key == "local")
            entries.push_back({name, value.trimmed()});
    });
    return entries;
}

} // namespace HelpFile::Html
