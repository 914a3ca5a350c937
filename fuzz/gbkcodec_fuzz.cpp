#include "common/gbkcodec.h"
#include "fuzzcheck.h"

#include <QString>
#include <array>

namespace {

// What a GBK file makes of a text: each code point GBK cannot hold, a surrogate pair included,
// becomes one "?". U+FFFD, which stands for a byte that is not GBK, may come back as itself.
QString asStored(QStringView text)
{
    static const QString brokenByte = Gbk::decode(Gbk::encode(u"\uFFFD"));
    check(brokenByte == QStringLiteral("?") || brokenByte == QStringLiteral("\uFFFD"),
          "U+FFFD comes back as one character");
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(QLatin1Char('?'));
            ++i;
        } else if (c == QChar(0xFFFD)) {
            out.append(brokenByte);
        } else {
            out.append(Gbk::canEncode(QStringView(&c, 1)) ? c : QLatin1Char('?'));
        }
    }
    return out;
}

} // namespace

// The input is read both ways: as GBK bytes a page or file holds, and as UTF-16 text to be written.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzzBytes(data, size);
    const QString text = Gbk::decode(bytes);
    check(text.size() <= bytes.size(), "a character takes at least one byte");
    // Markup, quotes and line ends are below every trail byte: decoding keeps each of them.
    std::array<qsizetype, 0x40> inBytes{};
    std::array<qsizetype, 0x40> inText{};
    for (const char b : bytes) {
        if (static_cast<unsigned char>(b) < 0x40)
            ++inBytes[static_cast<unsigned char>(b)];
    }
    for (const QChar c : text) {
        check(!c.isSurrogate(), "GBK decodes to the Basic Multilingual Plane only");
        if (c.unicode() < 0x40)
            ++inText[c.unicode()];
    }
    check(inBytes == inText, "every byte below 0x40 comes through as its character");
    const QByteArray encoded = Gbk::encode(text);
    check(Gbk::decode(encoded) == asStored(text), "decoded text comes back from its bytes");
    check(Gbk::canEncode(text) == !text.contains(QChar(0xFFFD)), "only a broken byte makes text GBK cannot hold");

    QString utf16(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < utf16.size(); ++i)
        utf16[i] = QChar(static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8));
    const QByteArray written = Gbk::encode(utf16);
    check(Gbk::decode(written) == asStored(utf16), "text comes back from its bytes, \"?\" for what GBK lacks");
    const bool whole = !utf16.contains(QChar(0xFFFD)) && asStored(utf16) == utf16;
    check(Gbk::canEncode(utf16) == whole, "canEncode says whether GBK holds the text");
    return 0;
}
