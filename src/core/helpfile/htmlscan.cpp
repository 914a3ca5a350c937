#include "helpfile/htmlscan.h"

namespace HelpFile::Html {

namespace {

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
