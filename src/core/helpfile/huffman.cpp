#include "helpfile/huffman.h"

#include <algorithm>
#include <array>

namespace HelpFile::Huffman {

namespace {

struct Leaf
{
    quint32 key; // frequency, then parent index, then depth
    int symbol;
};

// Moffat and Katajainen's in-place minimum-redundancy code: on return each key holds the code
// length of its leaf. The leaves must be sorted by ascending frequency.
void minimumRedundancy(std::vector<Leaf> &a)
{
    const int n = static_cast<int>(a.size());
    a[0].key += a[1].key;
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root].key < a[leaf].key) {
            a[next].key = a[root].key;
            a[root++].key = static_cast<quint32>(next);
        } else {
            a[next].key = a[leaf++].key;
        }
        if (leaf >= n || (root < next && a[root].key < a[leaf].key)) {
            a[next].key += a[root].key;
            a[root++].key = static_cast<quint32>(next);
        } else {
            a[next].key += a[leaf++].key;
        }
    }
    a[n - 2].key = 0;
    for (int next = n - 3; next >= 0; --next)
        a[next].key = a[a[next].key].key + 1;
    int available = 1;
    int used = 0;
    quint32 depth = 0;
    root = n - 2;
    int next = n - 1;
    while (available > 0) {
        while (root >= 0 && a[root].key == depth) {
            ++used;
            --root;
        }
        while (available > used) {
            a[next--].key = depth;
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

} // namespace

std::vector<quint8> buildLengths(std::span<const quint32> frequencies, int maxLength)
{
    const int symbols = static_cast<int>(frequencies.size());
    std::vector<quint8> lengths(frequencies.size(), 0);
    std::vector<Leaf> leaves;
    for (int s = 0; s < symbols; ++s) {
        if (frequencies[static_cast<size_t>(s)] > 0)
            leaves.push_back({frequencies[static_cast<size_t>(s)], s});
    }
    if (leaves.empty())
        return lengths;
    if (leaves.size() == 1) {
        const int s = leaves.front().symbol;
        lengths[static_cast<size_t>(s)] = 1;
        lengths[static_cast<size_t>(s == 0 ? 1 : s - 1)] = 1;
        return lengths;
    }
    std::stable_sort(leaves.begin(), leaves.end(), [](const Leaf &x, const Leaf &y) { return x.key < y.key; });
    std::vector<int> order(leaves.size());
    for (size_t i = 0; i < leaves.size(); ++i)
        order[i] = leaves[i].symbol;
    minimumRedundancy(leaves);

    // Fold lengths over the limit into it, then split shorter codes until the Kraft sum is exact again.
    std::array<int, 33> count{};
    for (const Leaf &l : leaves)
        ++count[std::min<quint32>(l.key, 32)];
    for (int len = maxLength + 1; len <= 32; ++len) {
        count[static_cast<size_t>(maxLength)] += count[static_cast<size_t>(len)];
        count[static_cast<size_t>(len)] = 0;
    }
    quint64 total = 0;
    for (int len = 1; len <= maxLength; ++len)
        total += static_cast<quint64>(count[static_cast<size_t>(len)]) << (maxLength - len);
    while (total != (quint64(1) << maxLength)) {
        --count[static_cast<size_t>(maxLength)];
        for (int len = maxLength - 1; len > 0; --len) {
            if (count[static_cast<size_t>(len)] > 0) {
                --count[static_cast<size_t>(len)];
                count[static_cast<size_t>(len + 1)] += 2;
                break;
            }
        }
        --total;
    }
    // The rarest symbols take the longest codes.
    size_t next = order.size();
    for (int len = 1; len <= maxLength; ++len) {
        for (int k = count[static_cast<size_t>(len)]; k > 0; --k)
            lengths[static_cast<size_t>(order[--next])] = static_cast<quint8>(len);
    }
    return lengths;
}

std::vector<quint16> assignCodes(std::span<const quint8> lengths)
{
    std::array<int, 18> count{};
    for (quint8 len : lengths)
        ++count[len];
    count[0] = 0;
    std::array<quint32, 18> next{};
    quint32 code = 0;
    for (size_t len = 1; len < next.size(); ++len) {
        code = (code + static_cast<quint32>(count[len - 1])) << 1;
        next[len] = code;
    }
    std::vector<quint16> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] > 0)
            codes[s] = static_cast<quint16>(next[lengths[s]]++);
    }
    return codes;
}

} // namespace HelpFile::Huffman
