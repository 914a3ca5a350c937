#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
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

// How much of the data, from its start, is compressed so far; it only rises.
using PrefixProgress = std::function<void(qsizetype compressedBytes)>;

// Compresses the data, zero-padded to whole frames (nothing at all for empty data). Reset intervals
// are independent, so they are compressed on up to `threads` threads (0: one per core). `progress`,
// when given, is called on the calling thread only, as intervals finish; it is not called for the
// end of the data, which the caller knows once this returns.
Stream compress(QByteArrayView data, int threads = 0, const PrefixProgress &progress = {});

} // namespace HelpFile::Lzx
