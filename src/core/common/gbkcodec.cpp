#include "common/gbkcodec.h"

#include <array>
#include <iconv.h>
#include <memory>

namespace {

constexpr char16_t Invalid = 0xFFFD;

struct Tables
{
    // Double-byte decode: index (lead - 0x81) * 256 + trail, 0 where the pair is not a character.
    std::array<char16_t, 126 * 256> decode{};
    // Encode for the Basic Multilingual Plane: GBK bytes as lead << 8 | trail, or a single byte
    // below 0x100, 0 where GBK has no such character.
    std::array<quint16, 65536> encode{};
};

Tables *buildTables()
{
    auto *tables = new Tables;
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return tables;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8] = {};
            char *inPtr = in;
            char *outPtr = out;
            size_t inLeft = 2;
            size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || outLeft != 6)
                continue;
            const auto unit =
                static_cast<char16_t>(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
            tables->decode[static_cast<size_t>((lead - 0x81) * 256 + trail)] = unit;
            if (tables->encode[unit] == 0)
                tables->encode[unit] = static_cast<quint16>(lead << 8 | trail);
        }
    }
    iconv_close(cd);
    for (int c = 1; c < 0x80; ++c)
        tables->encode[static_cast<size_t>(c)] = static_cast<quint16>(c);
    // CP936 maps the single byte 0x80 to the euro sign.
    tables->encode[0x20AC] = 0x80;
    return tables;
}

const Tables &tables()
{
    static const std::unique_ptr<Tables> instance(buildTables());
    return *instance;
}

} // namespace

namespace Gbk {

QString decode(QByteArrayView bytes)
{
    const Tables &t = tables();
    QString text;
    text.resize(bytes.size());
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    qsizetype n = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out[n++] = b;
        } else if (b == 0x80) {
            out[n++] = 0x20AC;
        } else if (b == 0xFF || i + 1 >= size) {
            out[n++] = Invalid;
        } else {
            const char16_t c = t.decode[static_cast<size_t>((b - 0x81) * 256 + p[i + 1])];
            if (c == 0) {
                // Keep an ASCII trail byte: a broken pair must not swallow a line break or a marker.
                out[n++] = Invalid;
            } else {
                out[n++] = c;
                ++i;
            }
        }
    }
    text.truncate(n);
    return text;
}

QByteArray encode(QStringView text)
{
    const Tables &t = tables();
    QByteArray bytes;
    bytes.resize(text.size() * 2);
    char *out = bytes.data();
    qsizetype n = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            out[n++] = '?';
            continue;
        }
        const quint16 code = t.encode[c];
        if (c == Invalid) {
            // Back to a byte that decodes to it again, so that a text read from the blog host keeps
            // its replacement characters through every file we write and read back.
            out[n++] = '\xFF';
        } else if (code == 0) {
            out[n++] = '?';
        } else if (code < 0x100) {
            out[n++] = static_cast<char>(code);
        } else {
            out[n++] = static_cast<char>(code >> 8);
            out[n++] = static_cast<char>(code & 0xFF);
        }
    }
    bytes.truncate(n);
    return bytes;
}

bool canEncode(QStringView text)
{
    const Tables &t = tables();
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80)
            continue;
        if (t.encode[c] == 0)
            return false;
    }
    return true;
}

} // namespace Gbk
