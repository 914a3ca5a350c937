#include "archive/imagescanner.h"

namespace Archive {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

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
    const qsizetype n = html.size();
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
        while (i < n && !isSpace(html[i]) && html[i] != '>' && html[i] != '<' && html[i] != '/')
            ++i;
        const bool img = equalsNoCase(html.sliced(nameStart, i - nameStart), "img");
        // Attributes up to the end of the tag.
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
            i = std::min(i, n);
            const QByteArrayView name = html.sliced(attrStart, i - attrStart);
            qsizetype j = i;
            while (j < n && isSpace(html[j]))
                ++j;
            if (j >= n || html[j] != '=')
                continue;
            ++j;
            while (j < n && isSpace(html[j]))
                ++j;
            qsizetype begin = j;
            qsizetype end = j;
            if (j < n && (html[j] == '"' || html[j] == '\'')) {
                const qsizetype close = html.indexOf(html[j], j + 1);
                if (close < 0) {
                    // An unclosed quote runs to the end of the file; nothing there is rewritten.
                    i = n;
                    break;
                }
                begin = j + 1;
                end = close;
                i = close + 1;
            } else {
                while (end < n && !isSpace(html[end]) && html[end] != '>')
                    ++end;
                i = end;
            }
            if (!((img && equalsNoCase(name, "src")) || equalsNoCase(name, "background")))
                continue;
            while (begin < end && isSpace(html[begin]))
                ++begin;
            while (end > begin && isSpace(html[end - 1]))
                --end;
            QByteArray address = html.sliced(begin, end - begin).toByteArray();
            if (!isRemoteImageAddress(address))
                continue;
            address.replace("&amp;", "&");
            found.append(ImageReference{begin, end, std::move(address)});
        }
        if (i < n && html[i] == '>')
            ++i;
    }
    return found;
}

} // namespace Archive
