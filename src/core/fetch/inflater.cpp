#include "fetch/inflater.h"

#include <zlib.h>

namespace Fetch {

namespace {

constexpr qsizetype StepBytes = 64 * 1024;

} // namespace

struct Inflater::Stream
{
    z_stream z{};
    bool ready = false;
};

Inflater::Inflater()
    : m_stream(std::make_unique<Stream>())
{
    // 15 window bits plus 32: the gzip or zlib wrapper is recognised from the first bytes.
    m_stream->ready = inflateInit2(&m_stream->z, 15 + 32) == Z_OK;
}

Inflater::~Inflater()
{
    if (m_stream->ready)
        inflateEnd(&m_stream->z);
}

Inflater::Outcome Inflater::inflate(QByteArrayView input, QByteArray &body, qint64 cap)
{
    if (!m_stream->ready)
        return Outcome::Broken;
    z_stream &z = m_stream->z;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    while (!m_finished && (z.avail_in > 0 || z.avail_out == 0)) {
        const qsizetype before = body.size();
        body.resize(before + StepBytes);
        z.next_out = reinterpret_cast<Bytef *>(body.data() + before);
        z.avail_out = static_cast<uInt>(StepBytes);
        const int status = ::inflate(&z, Z_NO_FLUSH);
        body.resize(before + StepBytes - static_cast<qsizetype>(z.avail_out));
        if (status == Z_STREAM_END)
            m_finished = true;
        else if (status != Z_OK && status != Z_BUF_ERROR)
            return Outcome::Broken;
        if (body.size() > cap)
            return Outcome::OverCap;
        if (status == Z_BUF_ERROR)
            break;
    }
    return Outcome::More;
}

} // namespace Fetch
