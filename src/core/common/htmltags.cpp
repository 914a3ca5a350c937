#include "common/htmltags.h"

#include "common/asciitext.h"

namespace HtmlTags {

namespace {

using AsciiText::isLetter;
using AsciiText::isSpace;

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
                    attribute.unclosedQuote = end < 0;
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

std::pair<qsizetype, qsizetype> trimmedValueSpan(QByteArrayView html, const Attribute &attribute)
{
    qsizetype start = attribute.valueStart;
    qsizetype end = attribute.valueEnd;
    while (start < end && isSpace(html[start]))
        ++start;
    while (end > start && isSpace(html[end - 1]))
        --end;
    return {start, end};
}

QByteArray decodeAmpersands(QByteArray value)
{
    if (value.contains('&'))
        value.replace("&amp;", "&");
    return value;
}

} // namespace HtmlTags
