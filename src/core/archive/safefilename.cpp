#include "archive/safefilename.h"

#include "common/gbkcodec.h"

#include <QCryptographicHash>

namespace Archive {

namespace {

// A temporary file is the final name plus ".part"; page names add up to ten digits and ".htm".
constexpr qsizetype PartSuffixBytes = 5;
constexpr qsizetype PageSuffixBytes = 10 + 4;
constexpr qsizetype MaxCategoryBytes = NameMaxBytes - PartSuffixBytes - PageSuffixBytes;
constexpr qsizetype MaxLinkBytes = NameMaxBytes - PartSuffixBytes;
// An extension longer than this is not kept when a link is shortened.
constexpr qsizetype MaxKeptExtension = 10;

qsizetype utf8Bytes(char16_t c)
{
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    return 3;
}

qsizetype utf8Size(QStringView text)
{
    qsizetype size = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            size += 4;
            ++i;
        } else {
            size += utf8Bytes(c);
        }
    }
    return size;
}

// Replaces every character GBK cannot hold (a surrogate pair counts as one) and, with
// `controls`, every control character by "_".
QString replaceUnwritable(const QString &text, bool controls)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            result += QLatin1Char('_');
            ++i;
        } else if ((controls && (c.unicode() < 0x20 || c.unicode() == 0x7F)) || !Gbk::canEncode(QStringView(&c, 1))) {
            result += QLatin1Char('_');
        } else {
            result += c;
        }
    }
    return result;
}

// `name` when it fits in `maxBytes`; otherwise its longest whole-character prefix, "~" and eight
// hex digits of a hash of `original`, then `suffix`, together at most `maxBytes`.
QString fitted(const QString &name, const QString &original, qsizetype maxBytes, const QString &suffix = {})
{
    if (utf8Size(name) <= maxBytes)
        return name;
    const QByteArray hash = QCryptographicHash::hash(original.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    const QString tail = QLatin1Char('~') + QString::fromLatin1(hash) + suffix;
    const qsizetype budget = maxBytes - utf8Size(tail);
    const QStringView stem = QStringView(name).chopped(suffix.size());
    qsizetype used = 0;
    qsizetype end = 0;
    while (end < stem.size()) {
        const char16_t c = stem[end].unicode();
        const bool pair =
            QChar::isHighSurrogate(c) && end + 1 < stem.size() && QChar::isLowSurrogate(stem[end + 1].unicode());
        const qsizetype bytes = pair ? 4 : utf8Bytes(c);
        if (used + bytes > budget)
            break;
        used += bytes;
        end += pair ? 2 : 1;
    }
    return stem.left(end).toString() + tail;
}

} // namespace

QString safeFileName(const QString &text)
{
    QString result = replaceUnwritable(text, true);
    for (QChar &c : result) {
        switch (c.unicode()) {
        case u'?':
        case u'/':
        case u'\\':
        case u':':
        case u'&':
        case u'+':
        case u'#':
        case u';':
        case u' ':
            c = QLatin1Char('_');
            break;
        default:
            break;
        }
    }
    return fitted(result, text, MaxCategoryBytes);
}

QString linkFileName(const QString &link)
{
    const QString name = replaceUnwritable(link, false);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 && name.size() - dot <= MaxKeptExtension ? name.mid(dot) : QString();
    return fitted(name, link, MaxLinkBytes, extension);
}

} // namespace Archive
