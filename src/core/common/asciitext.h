#pragma once

#include <QByteArrayView>
#include <QString>

// ASCII-only character tests and case folding, for names and markup whose other bytes or characters
// (GBK, any Unicode) must stay exactly as they are.
namespace AsciiText {

// The white space of HTML: blank, tab, CR, LF and form feed.
inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// True when `text` begins with `lowerPrefix`, ASCII letters of `text` compared without regard to case.
inline bool startsWithNoCase(QByteArrayView text, QByteArrayView lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (qsizetype i = 0; i < lowerPrefix.size(); ++i) {
        if (lower(text[i]) != lowerPrefix[i])
            return false;
    }
    return true;
}

// The text with A to Z as a to z, every other character kept: how readers compare stored names.
inline QString folded(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return text;
}

} // namespace AsciiText
