#include "helpfile/htmlscan.h"

#include "common/asciitext.h"

namespace HelpFile::Html {

namespace {

qsizetype findNoCase(QByteArrayView text, qsizetype from, QByteArrayView lowerNeedle)
{
    for (qsizetype i = from; i + lowerNeedle.size() <= text.size(); ++i) {
        if (AsciiText::startsWithNoCase(text.sliced(i), lowerNeedle))
            return i;
    }
    return -1;
}

} // namespace

bool isLinkAttribute(QByteArrayView name)
{
    return name == "href" || name == "src" || name == "background";
}

QByteArray linkTarget(QByteArrayView raw)
{
    return HtmlTags::decodeAmpersands(raw.toByteArray().trimmed());
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
                value = HtmlTags::decodeAmpersands(a.value);
        }
        if (key == "name")
            name = value;
        else if (key == "local")
            entries.push_back({name, value.trimmed()});
    });
    return entries;
}

} // namespace HelpFile::Html
