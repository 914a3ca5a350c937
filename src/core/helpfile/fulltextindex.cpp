#include "helpfile/fulltextindex.h"

#include "helpfile/hitlistcoding.h"
#include "helpfile/littleendian.h"
#include "helpfile/pagewords.h"

#include <algorithm>
#include <cstring>
#include <utility>

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
// The roots of the codes are chosen from the hits of the first topics, up to this many.
constexpr size_t SampledOccurrences = 1 << 20;

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
    , m_characterIds(0x10000, 0)
{}

quint32 FullTextIndex::wordId(QByteArrayView word)
{
    const auto add = [this](QByteArrayView bytes) {
        m_words.push_back({bytes.toByteArray(), {}, {}});
        return static_cast<quint32>(m_words.size() - 1);
    };
    if (word.size() == 2 && static_cast<unsigned char>(word[0]) >= 0x80) {
        quint32 &id = m_characterIds[static_cast<unsigned char>(word[0]) << 8 | static_cast<unsigned char>(word[1])];
        if (id == 0)
            id = add(word) + 1;
        return id - 1;
    }
    const auto it = m_ids.constFind(QByteArray::fromRawData(word.data(), word.size()));
    if (it != m_ids.cend())
        return *it;
    const quint32 id = add(word);
    m_ids.insert(m_words.back().bytes, id);
    return id;
}

void FullTextIndex::collect(std::vector<Occurrence> &into, QByteArrayView word, quint32 location)
{
    into.push_back({wordId(word), location});
    ++m_occurrences;
    m_occurrenceBytes += static_cast<quint64>(word.size());
}

namespace {

// Calls `group(first, last)` for each run of occurrences of one word.
template <typename Occurrences, typename Group> void forEachWord(const Occurrences &occurrences, Group group)
{
    for (size_t first = 0; first < occurrences.size();) {
        size_t last = first + 1;
        while (last < occurrences.size() && occurrences[last].word == occurrences[first].word)
            ++last;
        group(first, last);
        first = last;
    }
}

} // namespace

void FullTextIndex::append(quint32 topic, const std::vector<Occurrence> &occurrences, bool title)
{
    forEachWord(occurrences, [&](size_t first, size_t last) {
        Word &word = m_words[occurrences[first].word];
        HitList &list = title ? word.title : word.body;
        BitWriter bits(list.bits);
        bits.putScaleRoot(topic - list.lastTopic, m_roots.document);
        bits.putScaleRoot(static_cast<quint32>(last - first), m_roots.count);
        quint32 previous = 0;
        for (size_t k = first; k < last; ++k) {
            bits.putScaleRoot(occurrences[k].location - previous, m_roots.location);
            previous = occurrences[k].location;
        }
        bits.padToByte();
        list.lastTopic = topic;
        ++list.topics;
    });
}

void FullTextIndex::chooseRoots()
{
    ValueHistogram documents;
    ValueHistogram counts;
    ValueHistogram locations;
    std::vector<quint32> lastTopic(m_words.size() * 2, 0);
    for (const SampledTopic &sampled : m_sample) {
        for (const auto *occurrences : {&sampled.body, &sampled.title}) {
            forEachWord(*occurrences, [&](size_t first, size_t last) {
                quint32 &previousTopic = lastTopic[(*occurrences)[first].word * 2 + (occurrences == &sampled.title)];
                documents.add(sampled.topic - previousTopic);
                previousTopic = sampled.topic;
                counts.add(static_cast<quint32>(last - first));
                quint32 previous = 0;
                for (size_t k = first; k < last; ++k) {
                    locations.add((*occurrences)[k].location - previous);
                    previous = (*occurrences)[k].location;
                }
            });
        }
    }
    m_roots = {documents.bestRoot(), counts.bestRoot(), locations.bestRoot()};
    m_rootsChosen = true;
    for (const SampledTopic &sampled : m_sample) {
        append(sampled.topic, sampled.body, false);
        append(sampled.topic, sampled.title, true);
    }
    m_sample = {};
}

std::vector<FullTextIndex::Occurrence> FullTextIndex::groupedByWord(const std::vector<Occurrence> &occurrences)
{
    Grouping &g = m_grouping;
    ++g.current;
    g.round.resize(m_words.size(), 0);
    g.group.resize(m_words.size());
    g.starts.clear();
    for (const Occurrence &o : occurrences) {
        if (g.round[o.word] != g.current) {
            g.round[o.word] = g.current;
            g.group[o.word] = static_cast<quint32>(g.starts.size());
            g.starts.push_back(0);
        }
        ++g.starts[g.group[o.word]];
    }
    quint32 start = 0;
    for (quint32 &s : g.starts)
        start += std::exchange(s, start);
    std::vector<Occurrence> grouped(occurrences.size());
    for (const Occurrence &o : occurrences)
        grouped[g.starts[g.group[o.word]]++] = o;
    return grouped;
}

void FullTextIndex::addTopic(quint32 topic, QByteArrayView html, QByteArrayView title)
{
    // Words come with increasing locations, so grouping them keeps each word's locations in order.
    const auto wordsOf = [&](const auto &forEach, QByteArrayView text) {
        m_scratch.clear();
        forEach(text, [this](QByteArrayView word, quint32 location) { collect(m_scratch, word, location); });
        return groupedByWord(m_scratch);
    };
    SampledTopic words{topic, wordsOf(forEachPageWord, html), wordsOf(forEachTextWord, title)};
    ++m_topicCount;
    if (m_rootsChosen) {
        append(topic, words.body, false);
        append(topic, words.title, true);
        return;
    }
    m_sampledOccurrences += words.body.size() + words.title.size();
    m_sample.push_back(std::move(words));
    if (m_sampledOccurrences >= SampledOccurrences)
        chooseRoots();
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
    if (!m_rootsChosen)
        chooseRoots();
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
    const char roots[] = {2, static_cast<char>(m_roots.document), 2, static_cast<char>(m_roots.count),
                          2, static_cast<char>(m_roots.location)};
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
