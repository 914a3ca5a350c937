#pragma once

#include <QByteArray>
#include <array>

// The codes of a full-text index's hit lists: "scale and root" integers with scale 2. A value below
// 2^root is a 0 and `root` bits; a larger one is a run of ones, a 0 and all but the leading bit of
// the value, the run as long as the value has bits beyond `root`. Readers take the root of each
// kind of value from the index header, so the index picks the roots that suit its own numbers.
namespace HelpFile {

// How many values of each bit length one kind of value has, and the root that codes them best.
class ValueHistogram
{
public:
    void add(quint32 value);
    // The total bits the values take with the given root.
    quint64 bitsWithRoot(int root) const;
    // The root, from 1 to 24, that codes the values in the fewest bits (the smallest on a tie).
    int bestRoot() const;

private:
    std::array<quint64, 33> m_counts{}; // by bit width: 0 for the value 0, 1 for 1, 2 for 2 and 3, ...
};

// Appends codes to a byte array, the most significant bit of each byte first.
class BitWriter
{
public:
    explicit BitWriter(QByteArray &out)
        : m_out(out)
    {}
    void putScaleRoot(quint32 value, int root);
    // Fills the last byte with zeros, so that what follows starts on a byte of its own.
    void padToByte();

private:
    void put(quint32 bits, int count); // at most 32 bits

    QByteArray &m_out;
    quint64 m_pending = 0; // bits not yet written, in the lowest `m_used` bits
    int m_used = 0;
};

} // namespace HelpFile
