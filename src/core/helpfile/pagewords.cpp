#include "helpfile/pagewords.h"

#include "common/asciitext.h"
#include "common/gbkcodec.h"

namespace HelpFile {

namespace {

using AsciiText::isLetter;
using AsciiText::isSpace;
using AsciiText::lower;

constexpr qsizetype LongestWord = 99;

bool isWordByte(char c)
{
    return isLetter(c) || (c >= '0' && c <= '9');
}

// Cuts text into words and gives each its location; what separates two words decides whether the
// second follows the first directly or one location later.
class WordSplitter
{
public:
    explicit WordSplitter(const WordSink &sink)
        : m_sink(sink)
    {}
    void text(QByteArrayView bytes);
    void space()
    {
        endAsciiWord();
        if (m_between == Between::Nothing)
            m_between = Between::Space;
    }
    void other()
    {
        endAsciiWord();
        m_between = Between::Other;
    }
    void finish() { endAsciiWord(); }

private:
    enum class Between { Nothing, Space, Other };
    enum class Kind { None, Ascii, Cjk };
    void emitWord(QByteArrayView word, Kind kind);
    void endAsciiWord();

    const WordSink &m_sink;
    QByteArray m_ascii;                   // the ASCII word being read, lower case
    Kind m_last = Kind::None;             // the kind of the previous word
    Between m_between = Between::Nothing; // what stands between the previous word and the next
    quint32 m_next = 0;                   // the location of a word that follows the previous directly
};

void WordSplitter::emitWord(QByteArrayView word, Kind kind)
{
    quint32 location = m_next;
    const bool spaceBetweenAsciiWords = m_between == Between::Space && m_last == Kind::Ascii && kind == Kind::Ascii;
    if (m_last != Kind::None && m_between != Between::Nothing && !spaceBetweenAsciiWords)
        ++location;
    m_sink(word, location);
    m_next = location + 1;
    m_last = kind;
    m_between = Between::Nothing;
}

void WordSplitter::endAsciiWord()
{
    if (m_ascii.isEmpty())
        return;
    if (m_ascii.size() <= LongestWord)
        emitWord(m_ascii, Kind::Ascii);
    else
        m_between = Between::Other;
    m_ascii.clear();
}

void WordSplitter::text(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const char c = bytes[i];
        if (isWordByte(c)) {
            m_ascii.append(lower(c));
            ++i;
            continue;
        }
        const auto lead = static_cast<unsigned char>(c);
        const auto trail = i + 1 < n ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (isSpace(c)) {
            space();
            ++i;
        } else if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
            if (isCjkCharacter(lead, trail)) {
                endAsciiWord();
                emitWord(bytes.sliced(i, 2), Kind::Cjk);
            } else {
                other();
            }
            i += 2;
        } else {
            other();
            ++i;
        }
    }
}

// The character an entity at `at` ("&amp;", "&#20013;", "&#x4e2d;") stands for, fed to `words`;
// returns where the text goes on. An "&" that starts no entity is text.
qsizetype decodeEntity(QByteArrayView html, qsizetype at, WordSplitter &words)
{
    const qsizetype n = html.size();
    qsizetype i = at + 1;
    if (i < n && html[i] == '#') {
        const bool hex = i + 1 < n && (html[i + 1] == 'x' || html[i + 1] == 'X');
        i += hex ? 2 : 1;
        char32_t code = 0;
        const qsizetype digitsStart = i;
        for (; i < n && i - digitsStart < 8; ++i) {
            const char c = lower(html[i]);
            const int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                break;
            code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        }
        if (i == digitsStart) {
            words.other();
            return at + 1;
        }
        if (i < n && html[i] == ';')
            ++i;
        if (code == 0xA0) {
            words.space();
        } else if (code > 0 && code < 0x80) {
            const char c = static_cast<char>(code);
            words.text(QByteArrayView(&c, 1));
        } else if (code >= 0x80 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            words.text(Gbk::encode(QString::fromUcs4(&code, 1)));
        } else {
            words.other();
        }
        return i;
    }
    const qsizetype nameStart = i;
    while (i < n && i - nameStart < 10 && isWordByte(html[i]))
        ++i;
    if (i == nameStart || i >= n || html[i] != ';') {
        words.other();
        return at + 1;
    }
    const QByteArrayView name = html.sliced(nameStart, i - nameStart);
    if (name == "nbsp")
        words.space();
    else
        words.other(); // &amp; &lt; &quot; and the rest all stand for characters that are no word
    return i + 1;
}

// Where the tag whose name starts at `i` ends: past its ">", or at a "<" that cuts it short.
qsizetype endOfTag(QByteArrayView html, qsizetype i)
{
    const qsizetype n = html.size();
    while (i < n) {
        const char c = html[i];
        if (c == '>')
            return i + 1;
        if (c == '<')
            return i;
        if (c == '=') {
            qsizetype j = i + 1;
            while (j < n && isSpace(html[j]))
                ++j;
            if (j < n && (html[j] == '"' || html[j] == '\'')) {
                const qsizetype close = html.indexOf(html[j], j + 1);
                if (close < 0)
                    return n;
                i = close + 1;
                continue;
            }
        }
        ++i;
    }
    return n;
}

// Where "</name" starts, in any case, at or after `from`; -1 when it never comes.
qsizetype indexOfClosingTag(QByteArrayView html, QByteArrayView name, qsizetype from)
{
    for (qsizetype at = html.indexOf(QByteArrayView("</"), from); at >= 0;
         at = html.indexOf(QByteArrayView("</"), at + 2)) {
        if (at + 2 + name.size() > html.size())
            return -1;
        bool same = true;
        for (qsizetype k = 0; k < name.size() && same; ++k)
            same = lower(html[at + 2 + k]) == name[k];
        if (same)
            return at;
    }
    return -1;
}

// Skips the comment, tag or script at `at`; returns where the text goes on.
qsizetype skipMarkup(QByteArrayView html, qsizetype at, WordSplitter &words)
{
    const qsizetype n = html.size();
    if (html.sliced(at).startsWith("<!--")) {
        words.space();
        const qsizetype close = html.indexOf(QByteArrayView("-->"), at + 4);
        return close < 0 ? n : close + 3;
    }
    const char next = at + 1 < n ? html[at + 1] : '\0';
    if (!isLetter(next) && next != '/' && next != '!' && next != '?') {
        words.other();
        return at + 1;
    }
    words.space();
    qsizetype nameEnd = at + 1;
    while (nameEnd < n && isWordByte(html[nameEnd]))
        ++nameEnd;
    const QByteArray name = html.sliced(at + 1, nameEnd - at - 1).toByteArray().toLower();
    const qsizetype end = endOfTag(html, at + 1);
    if (name != "script" && name != "style")
        return end;
    const qsizetype close = indexOfClosingTag(html, name, end);
    return close < 0 ? n : endOfTag(html, close + 2);
}

void walk(QByteArrayView html, const WordSink &sink, bool markup)
{
    WordSplitter words(sink);
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i;
        while (j < n && html[j] != '<' && html[j] != '&')
            ++j;
        words.text(html.sliced(i, j - i));
        if (j >= n)
            break;
        if (html[j] == '&') {
            i = decodeEntity(html, j, words);
        } else if (markup) {
            i = skipMarkup(html, j, words);
        } else {
            words.other();
            i = j + 1;
        }
    }
    words.finish();
}

} // namespace

void forEachPageWord(QByteArrayView html, const WordSink &sink)
{
    walk(html, sink, true);
}

void forEachTextWord(QByteArrayView text, const WordSink &sink)
{
    walk(text, sink, false);
}

bool isCjkCharacter(unsigned char lead, unsigned char trail)
{
    if (trail == 0x7F)
        return false;
    if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE)
        return true; // GB2312's ideographs
    if (lead >= 0x81 && lead <= 0xA0 && trail >= 0x40 && trail <= 0xFE)
        return true;                                                       // GBK's first extension
    return lead >= 0xAA && lead <= 0xFE && trail >= 0x40 && trail <= 0xA0; // and its second
}

} // namespace HelpFile
