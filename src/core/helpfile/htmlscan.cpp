#include "helpfile/htmlscan.h"

namespace HelpFile::Html {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
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

void forEachTag(QByteArrayView html,
                const std::function<void(QByteArrayView tag, const std::vector<Attribute> &attributes)> &visit)
{
    const qsizetype n = html.size();
    std::vector<Attribute> attributes;
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
        const qsizetype nameStart = i;
        if (i < n && html[i] == '/')
            ++i;
        while (i < n && !isSpace(html[i]) && html[i] != '>' && html[i] != '<' && !(html[i] == '/' && i > nameStart))
            ++i;
        QByteArray tag = html.sliced(nameStart, i - nameStart).toByteArray().toLower();
        if (tag.isEmpty() || tag == "/")
            continue;
        attributes.clear();
        while (i < n) {
            while (i < n && (isSpace(html[i]) || html[i] == '/'))
                ++i;
            if (i >= n || html[i] == '>' || html[i] == '<')
                break;
            const qsizetype attrStart = i;
            while (i < n && !isSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '<') {
                // A double-byte character stays whole, so its trail byte is never read as markup.
                i += static_cast<unsigned char>(html[i]) >= 0x81 && i + 1 < n ? 2 : 1;
            }
            Attribute attribute{html.sliced(attrStart, std::min(i, n) - attrStart).toByteArray().toLower(), {}};
            i = std::min(i, n);
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
                    const qsizetype stop = end < 0 ? n : end;
                    attribute.value = html.sliced(j + 1, stop - j - 1).toByteArray();
                    i = end < 0 ? n : end + 1;
                } else {
                    qsizetype end = j;
                    while (end < n && !isSpace(html[end]) && html[end] != '>')
                        ++end;
                    attribute.value = html.sliced(j, end - j).toByteArray();
                    i = end;
                }
            }
            if (!attribute.name.isEmpty())
                attributes.push_back(std::move(attribute));
        }
        visit(tag, attributes);
        if (i < n && html[i] == '>')
            ++i;
    }
}

std::vector<QByteArray> linkValues(QByteArrayView html)
{
    std::vector<QByteArray> links;
    forEachTag(html, [&](QByteArrayView, const std::vector<Attribute> &attributes) {
        for (const Attribute &a : attributes) {
            if (a.name == "href" || a.name == "src" || a.name == "background")
                links.push_back(decodeEntities(a.value.trimmed()));
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
    forEachTag(sitemap, [&](QByteArrayView tag, const std::vector<Attribute> &attributes) {
        if (tag == "object") {
            name.clear();
            return;
        }
        if (tag != "param")
            return;
        QByteArray key;
        QByteArray value;
        for (const Attribute &a : attributes) {
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
