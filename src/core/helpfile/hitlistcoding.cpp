#include "helpfile/hitlistcoding.h"

#include <bit>

namespace HelpFile {

namespace {

constexpr int SmallestRoot = 1;
constexpr int LargestRoot = 24;

// The bits of one value of the given bit width (0 for the value 0) with the given root.
quint64 codeLength(int width, int root)
{
    const int highestBit = width - 1;
    if (highestBit < root)
        return static_cast<quint64>(1 + root);
    return static_cast<quint64>((highestBit - root + 1) + 1 + highestBit);
}

} // namespace

void ValueHistogram::add(quint32 value)
{
    ++m_counts[static_cast<size_t>(std::bit_width(value))];
}

quint64 ValueHistogram::bitsWithRoot(int root) const
{
    quint64 bits = 0;
    for (size_t width = 0; width < m_counts.size(); ++width)
        bits += m_counts[width] * codeLength(static_cast<int>(width), root);
    return bits;
}

int ValueHistogram::bestRoot() const
{
    int best = SmallestRoot;
    quint64 bestBits = bitsWithRoot(best);
    for (int root = SmallestRoot + 1; root <= LargestRoot; ++root) {
        const quint64 bits = bitsWithRoot(root);
        if (bits < bestBits) {
            best = root;
            bestBits = bits;
        }
    }
    return best;
}

void BitWriter::put(quint32 bits, int count)
{
    m_pending = (m_pending << count) | bits;
    m_used += count;
    while (m_used >= 8) {
        m_used -= 8;
        m_out.append(static_cast<char>(m_pending >> m_used));
    }
    m_pending &= (quint64(1) << m_used) - 1;
}

void BitWriter::putScaleRoot(quint32 value, int root)
{
    if (value < (quint64(1) << root)) {
        put(value, root + 1);
        return;
    }
    const int highestBit = std::bit_width(value) - 1;
    for (int ones = highestBit - root + 1; ones > 0; ones -= 16) {
        const int run = ones < 16 ? ones : 16;
        put((1u << run) - 1, run);
    }
    put(0, 1);
    put(value & ((1u << highestBit) - 1), highestBit);
}

void BitWriter::padToByte()
{
    if (m_used > 0)
        m_out.append(static_cast<char>(m_pending << (8 - m_used)));
    m_pending = 0;
    m_used = 0;
}

} // namespace HelpFile
