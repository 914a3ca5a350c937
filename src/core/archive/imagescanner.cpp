#include "archive/imagescanner.h"

#include "common/asciitext.h"
#include "common/htmltags.h"

namespace Archive {

bool isRemoteImageAddress(QByteArrayView address)
{
    return AsciiText::startsWithNoCase(address, "http://") || AsciiText::startsWithNoCase(address, "https://");
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
