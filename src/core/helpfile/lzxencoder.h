#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// LZX compression as the MSCompressed section of a compiled help file uses it: a 64 KiB window,
// 32 KiB frames whose bits start on a 16-bit boundary, and a full reset every two frames.
namespace HelpFile::Lzx {

constexpr int FrameSize = 0x8000;
constexpr int FramesPerReset = 2;
constexpr int ResetInterval = FrameSize * FramesPerReset;
constexpr int WindowSize = 0x10000;

struct Stream
{
    QByteArray bytes;
    std::vector<quint64> frameOffsets; // where the bits of each frame begin in bytes; the first is 0
};

// Compresses the data, zero-padded to whole frames (nothing at all for empty data). Reset intervals
// are independent, so they are compressed on up to `threads` threads (0: one per core).
Stream compress(QByteArrayView data, int threads = 0);

} // namespace HelpFile::Lzx
