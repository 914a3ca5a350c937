#pragma once

#include <QByteArray>

// Bodies no good client should swallow whole, built once and kept.
namespace HostileBodies {

constexpr qsizetype EndlessChunkBytes = 256 * 1024;

// One chunk of an endless chunked body, size line and CR LF included: filler lines without any
// marker.
const QByteArray &endlessChunk();

// A gzip member of about 1 MB that inflates to 1 GiB of zeros.
const QByteArray &gzipBomb();

} // namespace HostileBodies
