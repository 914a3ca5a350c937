#include "helpfile/fulltextindex.h"

#include "helpfile/littleendian.h"
#include "helpfile/pagewords.h"

#include <algorithm>
#include <cstring>

namespace HelpFile {

// One entry of a leaf: a word in one context and where its hit list lies.
struct LeafEntry
{
    const QByteArray *word;
    bool title;
    quint32 topics;
    quint32 offset;
    quint32 size;
};

namespace {

using namespace LittleEndian;

constexpr int HeaderSize = 0x400;
constexpr int NodeSize = 4096;
constexpr int LeafHeaderSize = 8;  // next leaf, 0, free space
constexpr int IndexHeaderSize = 2; // free space
// Hit lists are "scale and root" codes with scale 2; these roots suit the numbers they hold:
// differences between topic numbers (mostly small), hits per topic (a few) and between locations.
constexpr int DocumentRoot = 1;
constexpr int CountRoot = 1;
constexpr int LocationRoot = 4;

// 7 bits a byte, the lowest group first, the high bit set on every byte but the last.
void putEncint(QByteArray &out, quint64 value)
{
    while (value >= 0x80) {
        out.append(static_cast<char>(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    out.append(static_cast<char>(value));
}

bool byteLess(const QByteArray &a, const QByteArray &b)
{
    const int c = std::memcmp(a.constData(), b.constData(), static_cast<size_t>(std::min(a.size(), b.size())));
    return c != 0 ? c < 0 : a.size() < b.size();
}

qsizetype sharedPrefix(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min({a.size(), b.size(), qsizetype(255)});
    qsizetype k = 0;
    while (k < n && a[k] == b[k])
        ++k;
    return k;
}

// A word as a node stores it: length of the new part + 1, bytes shared with the previous word, new part.
void putWordBytes(QByteArray &out, const QByteArray &word, const QByteArray &previous)
{
    const qsizetype shared = sharedPrefix(word, previous);
    out.append(static_cast<char>(word.size() - shared + 1));
    out.append(static_cast<char>(shared));
    out.append(word.constData() + shared, word.size() - shared);
}

// A node being filled: its bytes and the last word written, which the next one is compressed against.
struct Node
{
    QByteArray bytes;
    QByteArray lastWord;
};

void closeNode(Node &node, int freeSpaceAt)
{
    setWord(node.bytes, freeSpaceAt, static_cast<quint32>(NodeSize - node.bytes.size()));
    node.bytes.append(QByteArray(NodeSize - node.bytes.size(), '\0'));
}

struct Child
{
    quint32 offset;
    QByteArray lastWord;
};

// The index nodes over one level of children, appended to `out`; returns the level above.
std::vector<Child> indexLevel(QByteArray &out, const std::vector<Child> &children)
{
    std::vector<Child> parents;
    Node node{QByteArray(IndexHeaderSize, '\0'), {}};
    const auto flush = [&] {
        closeNode(node, 0);
        parents.push_back({static_cast<quint32>(out.size()), node.lastWord});
        out.append(node.bytes);
        node = {QByteArray(IndexHeaderSize, '\0'), {}};
    };
    for (const Child &child : children) {
        QByteArray entry;
        putWordBytes(entry, child.lastWord, node.lastWord);
        if (node.bytes.size() + entry.size() + 6 > NodeSize) {
            flush();
            entry.clear();
            putWordBytes(entry, child.lastWord, {});
        }
        putDword(entry, child.offset);
        putWord(entry, 0);
        node.bytes.append(entry);
        node.lastWord = child.lastWord;
    }
    flush();
    return parents;
}

} // namespace

FullTextIndex::FullTextIndex(quint32 codePage, quint32 lcid)
    : m_codePage(codePage)
    , m_lcid(lcid)
{}

void FullTextIndex::collect(std::vector<Occurrence> &into, QByteArrayView word, quint32 location)
{
    const QByteArray key = word.toByteArray();
    auto it = m_ids.constFind(key);
    if (it == m_ids.cend()) {
        it = m_ids.insert(key, static_cast<quint32>(m_words.size()));
        m_words.push_back({key, {}, {}});
    }
    into.push_back({*it, location});
    ++m_occurrences;
    m_occurrenceBytes += static_cast<quint64>(word.size());
}

namespace {

void putBit(QByteArray &bits, int &bitsInLastByte, bool bit)
{
    if (bitsInLastByte == 0)
        bits.append('\0');
    if (bit)
        bits[bits.size() - 1] = static_cast<char>(bits.back() | (0x80 >> bitsInLastByte));
    bitsInLastByte = (bitsInLastByte + 1) % 8;
}

// Scale 2: values below 2^root are "0" and `root` bits; larger ones a run of ones, a zero and all
// but the leading bit of the value.
void putScaleRoot(QByteArray &bits, int &bitsInLastByte, quint64 value, int root)
{
    int valueBits = root;
    if (value >= (quint64(1) << root)) {
        valueBits = 63 - __builtin_clzll(value);
        for (int i = 0; i < valueBits - root + 1; ++i)
            putBit(bits, bitsInLastByte, true);
    }
    putBit(bits, bitsInLastByte, false);
    for (int b = valueBits - 1; b >= 0; --b)
        putBit(bits, bitsInLastByte, (value >> b) & 1);
}

} // namespace

void FullTextIndex::append(quint32 topic, std::vector<Occurrence> &occurrences, bool title)
{
    std::sort(occurrences.begin(), occurrences.end(), [](const Occurrence &a, const Occurrence &b) {
        return a.word != b.word ? a.word < b.word : a.location < b.location;
    });
    for (size_t first = 0; first < occurrences.size();) {
        size_t last = first;
        while (last < occurrences.size() && occurrences[last].word == occurrences[first].word)
            ++last;
        Word &word = m_words[occurrences[first].word];
        HitList &list = title ? word.title : word.body;
        putScaleRoot(list.bits, list.bitsInLastByte, topic - list.lastTopic, DocumentRoot);
        putScaleRoot(list.bits, list.bitsInLastByte, last - first, CountRoot);
        quint32 previous = 0;
        for (size_t k = first; k < last; ++k) {
            putScaleRoot(list.bits, list.bitsInLastByte, occurrences[k].location - previous, LocationRoot);
            previous = occurrences[k].location;
        }
        list.bitsInLastByte = 0; // each topic starts on a byte of its own
        list.lastTopic = topic;
        ++list.topics;
        first = last;
    }
}

void FullTextIndex::addTopic(quint32 topic, QByteArrayView html, QByteArrayView title)
{
    const auto collectInto = [this](QByteArrayView word, quint32 location) { collect(m_scratch, word, location); };
    m_scratch.clear();
    forEachPageWord(html, collectInto);
    append(topic, m_scratch, false);
    m_scratch.clear();
    forEachTextWord(title, collectInto);
    append(topic, m_scratch, true);
    ++m_topicCount;
}

namespace {

struct Leaves
{
    std::vector<QByteArray> nodes;
    std::vector<Child> children; // offsets still to be set
    quint32 lastFree = 0;        // free bytes in the last leaf
};

// The leaves in word order, a word's body and title entries always in the same one.
Leaves buildLeaves(const std::vector<LeafEntry> &entries)
{
    Leaves leaves;
    Node leaf{QByteArray(LeafHeaderSize, '\0'), {}};
    const auto closeLeaf = [&] {
        leaves.lastFree = static_cast<quint32>(NodeSize - leaf.bytes.size());
        closeNode(leaf, 6);
        leaves.children.push_back({0, leaf.lastWord});
        leaves.nodes.push_back(leaf.bytes);
        leaf = {QByteArray(LeafHeaderSize, '\0'), {}};
    };
    for (size_t first = 0; first < entries.size();) {
        size_t last = first + 1;
        while (last < entries.size() && entries[last].word == entries[first].word)
            ++last;
        const QByteArray &word = *entries[first].word;
        QByteArray group;
        const auto encode = [&](const QByteArray &previous) {
            group.clear();
            for (size_t k = first; k < last; ++k) {
                putWordBytes(group, word, k == first ? previous : word);
                group.append(static_cast<char>(entries[k].title ? 1 : 0));
                putEncint(group, entries[k].topics);
                putDword(group, entries[k].offset);
                putWord(group, 0);
                putEncint(group, entries[k].size);
            }
        };
        encode(leaf.lastWord);
        if (leaf.bytes.size() + group.size() > NodeSize) {
            closeLeaf();
            encode({});
        }
        leaf.bytes.append(group);
        leaf.lastWord = word;
        first = last;
    }
    closeLeaf();
    return leaves;
}

// Appends the leaves, linked in order, and the index levels above them; returns the root's offset
// and the tree's depth.
std::pair<quint32, quint32> appendTree(QByteArray &out, Leaves &leaves)
{
    for (size_t k = 0; k < leaves.nodes.size(); ++k) {
        leaves.children[k].offset = static_cast<quint32>(out.size());
        if (k + 1 < leaves.nodes.size())
            setDword(leaves.nodes[k], 0, static_cast<quint32>(out.size() + NodeSize));
        out.append(leaves.nodes[k]);
    }
    std::vector<Child> level = leaves.children;
    quint32 depth = 1;
    for (; level.size() > 1; ++depth)
        level = indexLevel(out, level);
    return {level.front().offset, depth};
}

} // namespace

std::vector<LeafEntry> FullTextIndex::appendHitLists(QByteArray &out, Totals &totals)
{
    std::vector<quint32> order(m_words.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<quint32>(i);
    std::sort(order.begin(), order.end(),
              [this](quint32 a, quint32 b) { return byteLess(m_words[a].bytes, m_words[b].bytes); });
    std::vector<LeafEntry> entries;
    for (quint32 id : order) {
        Word &word = m_words[id];
        totals.distinctBytes += static_cast<quint64>(word.bytes.size());
        totals.longest = std::max(totals.longest, static_cast<quint32>(word.bytes.size()));
        for (HitList *list : {&word.body, &word.title}) {
            if (list->topics == 0)
                continue;
            entries.push_back({&word.bytes, list == &word.title, list->topics, static_cast<quint32>(out.size()),
                               static_cast<quint32>(list->bits.size())});
            out.append(list->bits);
            *list = {};
        }
    }
    return entries;
}

QByteArray FullTextIndex::finish()
{
    QByteArray out(HeaderSize, '\0');
    Totals totals;
    const std::vector<LeafEntry> entries = appendHitLists(out, totals);
    Leaves leaves = buildLeaves(entries);
    const auto [root, depth] = appendTree(out, leaves);

    setDword(out, 0x00, 0x00280000);
    setDword(out, 0x04, static_cast<quint32>(m_topicCount));
    setDword(out, 0x08, root);
    setDword(out, 0x10, static_cast<quint32>(leaves.nodes.size()));
    setDword(out, 0x14, root);
    setWord(out, 0x18, depth);
    setDword(out, 0x1A, 7);
    const char roots[] = {2, DocumentRoot, 2, CountRoot, 2, LocationRoot};
    out.replace(0x1E, 6, roots, 6);
    setDword(out, 0x2E, NodeSize);
    setDword(out, 0x36, 1);
    setDword(out, 0x3A, 5);
    setDword(out, 0x3E, totals.longest);
    setDword(out, 0x42, static_cast<quint32>(m_occurrences));
    setDword(out, 0x46, static_cast<quint32>(m_words.size()));
    setDword(out, 0x4A, static_cast<quint32>(m_occurrenceBytes));
    setDword(out, 0x4E, static_cast<quint32>(m_occurrenceBytes >> 32));
    setDword(out, 0x52, static_cast<quint32>(totals.distinctBytes));
    setDword(out, 0x56, leaves.lastFree);
    setDword(out, 0x5E, static_cast<quint32>(std::max(m_topicCount - 1, 0)));
    setDword(out, 0x7A, m_codePage);
    setDword(out, 0x7E, m_lcid);
    return out;
}

} // namespace HelpFile
