#include "archive/imagescanner.h"

#include "common/htmltags.h"

namespace Archive {

namespace {

bool equalsNoCase(QByteArrayView text, QByteArrayView lowerWord)
{
    if (text.size() != lowerWord.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerWord[i])
            return false;
    }
    return true;
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView lowerPrefix)
{
    return text.size() >= lowerPrefix.size() && equalsNoCase(text.first(lowerPrefix.size()), lowerPrefix);
}

} // namespace

bool isRemoteImageAddress(QByteArrayView address)
{
    return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://");
}

QList<ImageReference> findImageReferences(QByteArrayView html)
{
    QList<ImageReference> found;
    HtmlTags::forEachTag(html, [&](const HtmlTags::Tag &tag) {
        for (const HtmlTags::Attribute &a : tag.attributes) {
            if (!((tag.name == "img" && a.name == "src") || a.name == "background"))
                continue;
            // An unclosed quote runs to the end of the file; nothing there is rewritten.
            if (a.valueStart < 0 || a.unclosedQuote)
                continue;
            const auto [begin, end] = HtmlTags::trimmedValueSpan(html, a);
            const QByteArrayView raw = html.sliced(begin, end - begin);
            if (!isRemoteImageAddress(raw))
                continue;
            found.append(ImageReference{begin, end, HtmlTags::decodeAmpersands(raw.toByteArray())});
        }
    });
    return found;
}

} // namespace Archive
