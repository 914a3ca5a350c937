#include "hostilebodies.h"

#include <QString>
#include <zlib.h>

namespace HostileBodies {

const QByteArray &endlessChunk()
{
    static const QByteArray chunk = []() -> QByteArray {
        QByteArray data;
        const QByteArray line = "<p>" + QByteArray(60, 'x') + "</p>\n";
        while (data.size() + line.size() <= EndlessChunkBytes)
            data += line;
        return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
    }();
    return chunk;
}

const QByteArray &gzipBomb()
{
    // One deflate segment of 16 MiB, flushed so that it depends on nothing before it, repeated 64
    // times.
    static const QByteArray bomb = [] {
        constexpr uInt SegmentBytes = 16 * 1024 * 1024;
        constexpr int Segments = 64;
        const QByteArray zeros(SegmentBytes, '\0');
        z_stream stream = {};
        deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        QByteArray segment(static_cast<qsizetype>(deflateBound(&stream, SegmentBytes)), '\0');
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
        stream.avail_in = SegmentBytes;
        stream.next_out = reinterpret_cast<Bytef *>(segment.data());
        stream.avail_out = static_cast<uInt>(segment.size());
        deflate(&stream, Z_FULL_FLUSH);
        segment.resize(segment.size() - stream.avail_out);
        QByteArray last(64, '\0');
        stream.next_out = reinterpret_cast<Bytef *>(last.data());
        stream.avail_out = static_cast<uInt>(last.size());
        deflate(&stream, Z_FINISH);
        last.resize(last.size() - stream.avail_out);
        deflateEnd(&stream);

        const uLong segmentCrc = crc32(0, reinterpret_cast<const Bytef *>(zeros.data()), SegmentBytes);
        uLong crc = segmentCrc;
        for (int i = 1; i < Segments; ++i)
            crc = crc32_combine(crc, segmentCrc, SegmentBytes);
        const quint32 size = static_cast<quint32>(quint64(SegmentBytes) * Segments);
        QByteArray data("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
        for (int i = 0; i < Segments; ++i)
            data += segment;
        data += last;
        for (const quint32 value : {static_cast<quint32>(crc), size}) {
            for (int shift = 0; shift < 32; shift += 8)
                data += static_cast<char>((value >> shift) & 0xFF);
        }
        return data;
    }();
    return bomb;
}

} // namespace HostileBodies
