#include "helpfile/hitlistcoding.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using HelpFile::BitWriter;
using HelpFile::ValueHistogram;

// Reads codes back as a reader of the index does: a run of ones, a zero, then root + (run - 1) bits,
// with a leading one in front of them when the run is not empty.
class BitReader
{
public:
    explicit BitReader(const QByteArray &bytes)
        : m_bytes(bytes)
    {}
    quint64 scaleRoot(int root)
    {
        int run = 0;
        while (bit())
            ++run;
        quint64 value = run == 0 ? 0 : 1;
        for (int i = 0; i < root + std::max(run - 1, 0); ++i)
            value = value << 1 | bit();
        return value;
    }
    void skipToByte() { m_at = (m_at + 7) / 8 * 8; }
    qsizetype at() const { return m_at; }

private:
    int bit()
    {
        const int b = (static_cast<unsigned char>(m_bytes.at(m_at / 8)) >> (7 - m_at % 8)) & 1;
        ++m_at;
        return b;
    }
    const QByteArray &m_bytes;
    qsizetype m_at = 0;
};

TEST(HitListCoding, EveryValueComesBackWithEveryRootInTheBitsCounted)
{
    for (int root : {1, 2, 4, 7, 13, 24}) {
        const std::vector<quint32> values{0,    1,        2,         3, (1u << root) - 1, 1u << root, (1u << root) + 1,
                                          1000, 1u << 20, 0xFFFFFFFF};
        QByteArray bytes;
        BitWriter writer(bytes);
        ValueHistogram histogram;
        for (quint32 v : values) {
            writer.putScaleRoot(v, root);
            histogram.add(v);
        }
        writer.padToByte();
        writer.putScaleRoot(5, root); // a second topic, from the next byte on
        writer.padToByte();

        BitReader reader(bytes);
        for (quint32 v : values)
            EXPECT_EQ(reader.scaleRoot(root), v) << "root " << root;
        EXPECT_EQ(static_cast<quint64>(reader.at()), histogram.bitsWithRoot(root)) << "root " << root;
        reader.skipToByte();
        EXPECT_EQ(reader.scaleRoot(root), 5u) << "root " << root;
        reader.skipToByte();
        EXPECT_EQ(reader.at(), bytes.size() * 8) << "root " << root;
    }
}

TEST(HitListCoding, TheRootChosenCodesTheValuesInTheFewestBits)
{
    const struct
    {
        std::vector<quint32> values;
        int root;
    } cases[] = {
        {{1, 1, 1, 1}, 1},       // differences between neighbouring topics
        {{64, 100, 127, 80}, 6}, // one bit width: exactly its bits after the leading one
        {{3, 3, 3, 3, 5000}, 2}, // one outlier does not widen every code
        {{0, 0, 0}, 1},          // the smallest root allowed
    };
    for (const auto &c : cases) {
        ValueHistogram histogram;
        for (quint32 v : c.values)
            histogram.add(v);
        EXPECT_EQ(histogram.bestRoot(), c.root) << c.values.back();
        for (int root = 1; root <= 24; ++root)
            EXPECT_LE(histogram.bitsWithRoot(c.root), histogram.bitsWithRoot(root)) << root;
    }
}

} // namespace
