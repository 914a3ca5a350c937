#include "helpfile/lzxencoder.h"

#include "helpfile/huffman.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <thread>

namespace HelpFile::Lzx {

namespace {

constexpr int MaxMatch = 257;
constexpr int MaxDistance = WindowSize - 3;
constexpr int PositionSlots = 32;
constexpr int MainSymbols = 256 + 8 * PositionSlots;
constexpr int LengthSymbols = 249;
constexpr int AlignedSymbols = 8;
constexpr int PretreeSymbols = 20;
// chmlib refuses a frame whose compressed bytes exceed this.
constexpr quint64 MaxFrameBits = (FrameSize + 6144) * 8;

constexpr int HashBits = 15;
constexpr int MaxChain = 128;
constexpr int NiceLength = 128;
constexpr int LazyLength = 40;

// Rough bit costs that steer the parser between literals, repeated offsets and new matches.
constexpr int LiteralCost = 7;
constexpr int RepeatCost = 9;
constexpr int MatchCost = 11;

enum class BlockType { Verbatim = 1, Aligned = 2, Uncompressed = 3 };

struct Slots
{
    std::array<quint32, PositionSlots> base{};
    std::array<quint8, PositionSlots> bits{};
};

constexpr Slots makeSlots()
{
    Slots s;
    for (int i = 1; i < PositionSlots; ++i) {
        s.bits[static_cast<size_t>(i)] = static_cast<quint8>(i < 4 ? 0 : i / 2 - 1);
        s.base[static_cast<size_t>(i)] =
            s.base[static_cast<size_t>(i - 1)] + (quint32(1) << s.bits[static_cast<size_t>(i - 1)]);
    }
    return s;
}

constexpr Slots slotTable = makeSlots();

// Formatted offset: 0-2 reuse R0-R2, anything else is the distance + 2.
int slotOf(quint32 formatted)
{
    if (formatted < 4)
        return static_cast<int>(formatted);
    const int b = std::bit_width(formatted) - 1;
    return 2 * b + static_cast<int>((formatted >> (b - 1)) & 1);
}

int footerBitsOf(int distance)
{
    const auto formatted = static_cast<quint32>(distance + 2);
    return formatted < 4 ? 0 : std::bit_width(formatted) - 2;
}

struct Symbol
{
    quint16 main;
    quint8 length; // length-tree symbol, when the main symbol's length header is 7
    quint8 footerBits;
    quint32 footer;
};

struct Counts
{
    std::array<quint32, MainSymbols> main{};
    std::array<quint32, LengthSymbols> length{};
    std::array<quint32, AlignedSymbols> aligned{}; // low 3 bits of footers of 3 bits or more
    quint64 footerBits = 0;
    quint32 alignedFooters = 0;

    void add(const Symbol &s)
    {
        ++main[s.main];
        if (s.main >= 256 && (s.main & 7) == 7)
            ++length[s.length];
        footerBits += s.footerBits;
        if (s.footerBits >= 3) {
            ++aligned[s.footer & 7];
            ++alignedFooters;
        }
    }
    void add(const Counts &o)
    {
        for (size_t i = 0; i < main.size(); ++i)
            main[i] += o.main[i];
        for (size_t i = 0; i < length.size(); ++i)
            length[i] += o.length[i];
        for (size_t i = 0; i < aligned.size(); ++i)
            aligned[i] += o.aligned[i];
        footerBits += o.footerBits;
        alignedFooters += o.alignedFooters;
    }
};

// Bits go most significant first into 16-bit words stored little-endian.
class BitWriter
{
public:
    BitWriter() { m_out.reserve(ResetInterval + ResetInterval / 8); }
    void put(quint32 value, int bits)
    {
        m_acc = (m_acc << bits) | value;
        m_count += bits;
        while (m_count >= 16) {
            m_count -= 16;
            const auto word = static_cast<quint16>(m_acc >> m_count);
            m_out.push_back(static_cast<char>(word & 0xFF));
            m_out.push_back(static_cast<char>(word >> 8));
        }
        m_acc &= (quint64(1) << m_count) - 1;
    }
    void alignTo16()
    {
        if (m_count != 0)
            put(0, 16 - m_count);
    }
    bool onBoundary() const { return m_count == 0; }
    void putBytes(const uchar *data, int size) { m_out.insert(m_out.end(), data, data + size); }
    void putDword(quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            m_out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    size_t size() const { return m_out.size(); }
    std::vector<char> &bytes() { return m_out; }

private:
    std::vector<char> m_out;
    quint64 m_acc = 0;
    int m_count = 0;
};

struct PreSymbol
{
    quint8 symbol;
    quint8 extraBits;
    quint8 extra;
};

// Sends new code lengths as pretree-coded changes against the previous ones, or only counts the bits
// when no writer is given. Runs of zeros use symbols 17 and 18; runs of 4-5 equal lengths use 19.
quint64 sendLengths(const quint8 *lengths, const quint8 *previous, int n, BitWriter *out)
{
    std::vector<PreSymbol> run;
    run.reserve(static_cast<size_t>(n));
    const auto delta = [&](int i, int value) { return static_cast<quint8>((previous[i] - value + 17) % 17); };
    int i = 0;
    while (i < n) {
        int same = 1;
        while (i + same < n && lengths[i + same] == lengths[i])
            ++same;
        if (lengths[i] == 0 && same >= 4) {
            while (same >= 20) {
                int take = std::min(same, 51);
                if (same - take > 0 && same - take < 4)
                    take -= 4 - (same - take);
                run.push_back({18, 5, static_cast<quint8>(take - 20)});
                i += take;
                same -= take;
            }
            if (same >= 4) {
                run.push_back({17, 4, static_cast<quint8>(same - 4)});
                i += same;
                same = 0;
            }
            for (; same > 0; --same, ++i)
                run.push_back({delta(i, 0), 0, 0});
        } else if (same >= 4) {
            const int take = std::min(same, 5);
            run.push_back({19, 1, static_cast<quint8>(take - 4)});
            run.push_back({delta(i, lengths[i]), 0, 0});
            i += take;
        } else {
            run.push_back({delta(i, lengths[i]), 0, 0});
            ++i;
        }
    }
    std::array<quint32, PretreeSymbols> freq{};
    for (const PreSymbol &p : run)
        ++freq[p.symbol];
    const std::vector<quint8> treeLengths = Huffman::buildLengths(freq, 15);
    quint64 bits = 4 * PretreeSymbols;
    for (const PreSymbol &p : run)
        bits += treeLengths[p.symbol] + p.extraBits;
    if (out) {
        const std::vector<quint16> codes = Huffman::assignCodes(treeLengths);
        for (quint8 len : treeLengths)
            out->put(len, 4);
        for (const PreSymbol &p : run) {
            out->put(codes[p.symbol], treeLengths[p.symbol]);
            if (p.extraBits)
                out->put(p.extra, p.extraBits);
        }
    }
    return bits;
}

struct Trees
{
    BlockType type = BlockType::Verbatim;
    std::vector<quint8> main;
    std::vector<quint8> length;
    std::vector<quint8> aligned;
    quint64 headerBits = 0; // block header and trees
};

quint64 symbolBits(const Counts &c, const Trees &t)
{
    quint64 bits = c.footerBits;
    for (size_t s = 0; s < c.main.size(); ++s)
        bits += quint64(c.main[s]) * t.main[s];
    for (size_t s = 0; s < c.length.size(); ++s)
        bits += quint64(c.length[s]) * t.length[s];
    if (t.type == BlockType::Aligned) {
        for (size_t s = 0; s < c.aligned.size(); ++s)
            bits += quint64(c.aligned[s]) * t.aligned[s];
        bits -= 3 * quint64(c.alignedFooters);
    }
    return bits;
}

quint64 treeBits(const Trees &t, const quint8 *prevMain, const quint8 *prevLength, BitWriter *out)
{
    quint64 bits = 0;
    if (t.type == BlockType::Aligned) {
        for (quint8 len : t.aligned) {
            if (out)
                out->put(len, 3);
        }
        bits += 3 * AlignedSymbols;
    }
    bits += sendLengths(t.main.data(), prevMain, 256, out);
    bits += sendLengths(t.main.data() + 256, prevMain + 256, MainSymbols - 256, out);
    bits += sendLengths(t.length.data(), prevLength, LengthSymbols, out);
    return bits;
}

// The cheaper of a verbatim and an aligned-offset block for these symbols.
Trees chooseTrees(const Counts &c, const quint8 *prevMain, const quint8 *prevLength)
{
    Trees verbatim;
    verbatim.main = Huffman::buildLengths(c.main, 16);
    verbatim.length = Huffman::buildLengths(c.length, 16);
    verbatim.headerBits = 27 + treeBits(verbatim, prevMain, prevLength, nullptr);
    if (c.alignedFooters == 0)
        return verbatim;
    Trees aligned = verbatim;
    aligned.type = BlockType::Aligned;
    aligned.aligned = Huffman::buildLengths(c.aligned, 7);
    aligned.headerBits = verbatim.headerBits + 3 * AlignedSymbols;
    if (aligned.headerBits + symbolBits(c, aligned) < verbatim.headerBits + symbolBits(c, verbatim))
        return aligned;
    return verbatim;
}

struct Match
{
    int length = 0;
    int repeat = -1; // 0-2 for R0-R2, -1 for a new distance
    int distance = 0;
    int score = 0;
};

struct IntervalOutput
{
    std::vector<char> bytes;
    std::vector<quint64> frameOffsets; // within bytes
};

// Compresses one reset interval (one or two frames); it shares nothing with the others.
class IntervalEncoder
{
public:
    IntervalEncoder()
        : m_head(size_t(1) << HashBits)
        , m_prev(ResetInterval)
    {
        m_symbols.reserve(ResetInterval);
    }

    IntervalOutput encode(const uchar *data, int size)
    {
        m_data = data;
        m_size = size;
        parse();
        return write();
    }

private:
    quint32 hashAt(int pos) const
    {
        const quint32 v = quint32(m_data[pos]) | quint32(m_data[pos + 1]) << 8 | quint32(m_data[pos + 2]) << 16;
        return (v * 2654435761u) >> (32 - HashBits);
    }

    void insertUpTo(int pos)
    {
        for (; m_inserted < pos && m_inserted + 2 < m_size; ++m_inserted) {
            const quint32 h = hashAt(m_inserted);
            m_prev[static_cast<size_t>(m_inserted)] = m_head[h];
            m_head[h] = m_inserted;
        }
    }

    int matchLength(int from, int pos, int limit) const
    {
        int len = 0;
        while (len + 8 <= limit) {
            quint64 a;
            quint64 b;
            std::memcpy(&a, m_data + from + len, 8);
            std::memcpy(&b, m_data + pos + len, 8);
            if (a != b)
                return len + std::countr_zero(a ^ b) / 8;
            len += 8;
        }
        while (len < limit && m_data[from + len] == m_data[pos + len])
            ++len;
        return len;
    }

    Match bestAt(int pos, int frameEnd)
    {
        insertUpTo(pos);
        Match best;
        const int limit = std::min(MaxMatch, frameEnd - pos);
        if (limit < 2)
            return best;
        for (int r = 0; r < 3; ++r) {
            const int distance = static_cast<int>(m_reps[static_cast<size_t>(r)]);
            if (distance > pos)
                continue;
            const int len = matchLength(pos - distance, pos, limit);
            const int score = len * LiteralCost - RepeatCost;
            if (len >= 2 && score > best.score)
                best = {len, r, distance, score};
        }
        if (limit < 3 || pos + 2 >= m_size)
            return best;
        int longest = std::max(best.length, 2);
        if (longest >= limit)
            return best;
        int chain = MaxChain;
        for (int cand = m_head[hashAt(pos)]; cand >= 0 && chain-- > 0; cand = m_prev[static_cast<size_t>(cand)]) {
            const int distance = pos - cand;
            if (distance > MaxDistance)
                break;
            if (m_data[cand + longest] != m_data[pos + longest] || m_data[cand] != m_data[pos])
                continue;
            const int len = matchLength(cand, pos, limit);
            if (len <= longest)
                continue;
            longest = len;
            const int score = len * LiteralCost - MatchCost - footerBitsOf(distance);
            if (score > best.score)
                best = {len, -1, distance, score};
            if (len >= NiceLength || len == limit)
                break;
        }
        return best;
    }

    void literal(uchar byte) { m_symbols.push_back({byte, 0, 0, 0}); }

    void match(const Match &m)
    {
        int repeat = m.repeat;
        if (repeat < 0) {
            for (int r = 0; r < 3; ++r) {
                if (m_reps[static_cast<size_t>(r)] == static_cast<quint32>(m.distance)) {
                    repeat = r;
                    break;
                }
            }
        }
        quint32 formatted;
        if (repeat == 0) {
            formatted = 0;
        } else if (repeat > 0) {
            formatted = static_cast<quint32>(repeat);
            std::swap(m_reps[0], m_reps[static_cast<size_t>(repeat)]);
        } else {
            formatted = static_cast<quint32>(m.distance + 2);
            m_reps = {static_cast<quint32>(m.distance), m_reps[0], m_reps[1]};
        }
        const int slot = slotOf(formatted);
        const int header = std::min(m.length - 2, 7);
        m_symbols.push_back(
            {static_cast<quint16>(256 + 8 * slot + header), static_cast<quint8>(header == 7 ? m.length - 9 : 0),
             slotTable.bits[static_cast<size_t>(slot)], formatted - slotTable.base[static_cast<size_t>(slot)]});
    }

    // Greedy matching with one-step lazy evaluation; no match crosses a frame end.
    void parse()
    {
        std::fill(m_head.begin(), m_head.end(), -1);
        m_inserted = 0;
        m_symbols.clear();
        m_reps = {1, 1, 1};
        m_split = -1;
        int pos = 0;
        int frameEnd = std::min(FrameSize, m_size);
        while (pos < m_size) {
            if (pos == frameEnd) {
                m_split = static_cast<int>(m_symbols.size());
                m_repsAtSplit = m_reps;
                frameEnd = m_size;
            }
            Match m = bestAt(pos, frameEnd);
            if (m.length == 0) {
                literal(m_data[pos++]);
                continue;
            }
            while (m.length < LazyLength && pos + 1 < frameEnd) {
                const Match next = bestAt(pos + 1, frameEnd);
                if (next.score <= m.score)
                    break;
                literal(m_data[pos++]);
                m = next;
            }
            match(m);
            pos += m.length;
        }
        if (m_split < 0) {
            m_split = static_cast<int>(m_symbols.size());
            m_repsAtSplit = m_reps;
        }
    }

    Counts count(int from, int to) const
    {
        Counts c;
        for (int i = from; i < to; ++i)
            c.add(m_symbols[static_cast<size_t>(i)]);
        return c;
    }

    void writeSymbols(BitWriter &w, int from, int to, const Trees &t) const
    {
        const std::vector<quint16> mainCodes = Huffman::assignCodes(t.main);
        const std::vector<quint16> lengthCodes = Huffman::assignCodes(t.length);
        const std::vector<quint16> alignedCodes = Huffman::assignCodes(t.aligned);
        const bool aligned = t.type == BlockType::Aligned;
        for (int i = from; i < to; ++i) {
            const Symbol &s = m_symbols[static_cast<size_t>(i)];
            w.put(mainCodes[s.main], t.main[s.main]);
            if (s.main < 256)
                continue;
            if ((s.main & 7) == 7)
                w.put(lengthCodes[s.length], t.length[s.length]);
            if (aligned && s.footerBits >= 3) {
                w.put(s.footer >> 3, s.footerBits - 3);
                w.put(alignedCodes[s.footer & 7], t.aligned[s.footer & 7]);
            } else if (s.footerBits > 0) {
                w.put(s.footer, s.footerBits);
            }
        }
    }

    void writeHeader(BitWriter &w, const Trees &t, int size, const quint8 *prevMain, const quint8 *prevLength) const
    {
        w.put(static_cast<quint32>(t.type), 3);
        w.put(static_cast<quint32>(size), 24);
        treeBits(t, prevMain, prevLength, &w);
    }

    void writeUncompressed(BitWriter &w, int from, int size, const std::array<quint32, 3> &reps) const
    {
        w.put(static_cast<quint32>(BlockType::Uncompressed), 3);
        w.put(static_cast<quint32>(size), 24);
        // The decoder always drops 1 to 16 bits here, a whole word when already on a boundary.
        if (w.onBoundary())
            w.put(0, 16);
        w.alignTo16();
        for (quint32 r : reps)
            w.putDword(r);
        w.putBytes(m_data + from, size);
    }

    static quint64 uncompressedBits(int size) { return 27 + 16 + 96 + 8 * quint64(size); }

    IntervalOutput write() const
    {
        IntervalOutput out;
        BitWriter w;
        w.put(0, 1); // no E8 call translation
        const int frames = m_size > FrameSize ? 2 : 1;
        const int symbolCount = static_cast<int>(m_symbols.size());
        const Counts first = count(0, m_split);
        const Counts second = count(m_split, symbolCount);
        const std::array<quint8, MainSymbols> zeroMain{};
        const std::array<quint8, LengthSymbols> zeroLength{};

        // Plan 1: a block per frame, each compressed or stored, whichever is smaller.
        const Trees firstTrees = chooseTrees(first, zeroMain.data(), zeroLength.data());
        const bool firstStored =
            firstTrees.headerBits + symbolBits(first, firstTrees) >= uncompressedBits(std::min(m_size, FrameSize));
        quint64 perFrameBits =
            firstStored ? uncompressedBits(FrameSize) : firstTrees.headerBits + symbolBits(first, firstTrees);
        Trees secondTrees;
        bool secondStored = true;
        if (frames == 2) {
            const quint8 *prevMain = firstStored ? zeroMain.data() : firstTrees.main.data();
            const quint8 *prevLength = firstStored ? zeroLength.data() : firstTrees.length.data();
            secondTrees = chooseTrees(second, prevMain, prevLength);
            const quint64 compressed = secondTrees.headerBits + symbolBits(second, secondTrees);
            secondStored = compressed >= uncompressedBits(m_size - FrameSize);
            perFrameBits += secondStored ? uncompressedBits(m_size - FrameSize) : compressed;
        }

        // Plan 2: one block over both frames, unless a frame would grow past what readers accept.
        if (frames == 2) {
            Counts both = first;
            both.add(second);
            const Trees shared = chooseTrees(both, zeroMain.data(), zeroLength.data());
            const quint64 firstBits = shared.headerBits + symbolBits(first, shared);
            const quint64 secondBits = symbolBits(second, shared);
            if (firstBits + secondBits + 16 < perFrameBits && firstBits + 17 <= MaxFrameBits &&
                secondBits + 16 <= MaxFrameBits) {
                writeHeader(w, shared, m_size, zeroMain.data(), zeroLength.data());
                writeSymbols(w, 0, m_split, shared);
                w.alignTo16();
                out.frameOffsets = {0, w.size()};
                writeSymbols(w, m_split, symbolCount, shared);
                w.alignTo16();
                out.bytes = std::move(w.bytes());
                return out;
            }
        }

        out.frameOffsets.push_back(0);
        const int firstSize = std::min(m_size, FrameSize);
        if (firstStored) {
            writeUncompressed(w, 0, firstSize, m_repsAtSplit);
        } else {
            writeHeader(w, firstTrees, firstSize, zeroMain.data(), zeroLength.data());
            writeSymbols(w, 0, m_split, firstTrees);
        }
        w.alignTo16();
        if (frames == 2) {
            out.frameOffsets.push_back(w.size());
            if (secondStored) {
                writeUncompressed(w, FrameSize, m_size - FrameSize, m_reps);
            } else {
                writeHeader(w, secondTrees, m_size - FrameSize, firstStored ? zeroMain.data() : firstTrees.main.data(),
                            firstStored ? zeroLength.data() : firstTrees.length.data());
                writeSymbols(w, m_split, symbolCount, secondTrees);
            }
            w.alignTo16();
        }
        out.bytes = std::move(w.bytes());
        return out;
    }

    const uchar *m_data = nullptr;
    int m_size = 0;
    std::vector<int> m_head;
    std::vector<int> m_prev;
    int m_inserted = 0;
    std::vector<Symbol> m_symbols;
    std::array<quint32, 3> m_reps{1, 1, 1};
    std::array<quint32, 3> m_repsAtSplit{1, 1, 1};
    int m_split = -1; // index of the first symbol of the second frame
};

} // namespace

Stream compress(QByteArrayView data, int threads, const PrefixProgress &progress)
{
    Stream stream;
    const qsizetype padded = (data.size() + FrameSize - 1) / FrameSize * FrameSize;
    const auto intervals = static_cast<size_t>((padded + ResetInterval - 1) / ResetInterval);
    std::vector<IntervalOutput> outputs(intervals);
    std::atomic<size_t> next{0};
    // Intervals finish out of order; the progress counts only the unbroken run of finished ones.
    const auto finished = std::make_unique<std::atomic<bool>[]>(intervals);
    size_t finishedRun = 0; // touched by the calling thread only
    const auto work = [&](bool reports) {
        IntervalEncoder encoder;
        std::vector<uchar> buffer(ResetInterval);
        for (size_t i = next++; i < intervals; i = next++) {
            const qsizetype start = static_cast<qsizetype>(i) * ResetInterval;
            const int size = static_cast<int>(std::min<qsizetype>(ResetInterval, padded - start));
            const qsizetype available = std::clamp<qsizetype>(data.size() - start, 0, size);
            std::memcpy(buffer.data(), data.data() + start, static_cast<size_t>(available));
            std::fill(buffer.begin() + available, buffer.begin() + size, uchar(0));
            outputs[i] = encoder.encode(buffer.data(), size);
            finished[i].store(true, std::memory_order_release);
            if (!reports || !progress)
                continue;
            const size_t before = finishedRun;
            while (finishedRun < intervals && finished[finishedRun].load(std::memory_order_acquire))
                ++finishedRun;
            if (finishedRun > before && finishedRun < intervals)
                progress(static_cast<qsizetype>(finishedRun) * ResetInterval);
        }
    };
    size_t workers = threads > 0 ? static_cast<size_t>(threads) : std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, intervals);
    std::vector<std::thread> pool;
    for (size_t t = 1; t < workers; ++t)
        pool.emplace_back(work, false);
    work(true);
    for (std::thread &t : pool)
        t.join();

    qsizetype total = 0;
    for (const IntervalOutput &o : outputs)
        total += static_cast<qsizetype>(o.bytes.size());
    stream.bytes.reserve(total);
    for (const IntervalOutput &o : outputs) {
        for (quint64 offset : o.frameOffsets)
            stream.frameOffsets.push_back(static_cast<quint64>(stream.bytes.size()) + offset);
        stream.bytes.append(o.bytes.data(), static_cast<qsizetype>(o.bytes.size()));
    }
    return stream;
}

} // namespace HelpFile::Lzx
