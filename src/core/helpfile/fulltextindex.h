#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <vector>

// The full-text index of a help file ($FIftiMain): a B-tree of 4,096-byte nodes over the words of its
// pages (pagewords.h), each word pointing to a bit-packed list of the topics that hold it and where.
// A word in a topic's title gets a second entry, marked as a title hit, just after its body entry.
// Readers find a topic's title and address through #TOPICS, so topics are numbered as there.
namespace HelpFile {

struct LeafEntry;

class FullTextIndex
{
public:
    // `codePage` and `lcid` tell a reader how the words are encoded (936 and 0x804 for GBK).
    FullTextIndex(quint32 codePage, quint32 lcid);

    // Adds one topic; topics come in increasing order. `title` is text in the page's code page.
    void addTopic(quint32 topic, QByteArrayView html, QByteArrayView title);

    // The bytes of $FIftiMain.
    QByteArray finish();

    int topicCount() const { return m_topicCount; }
    int distinctWords() const { return static_cast<int>(m_words.size()); }

private:
    // The hit list of one word in one context (body or title), built as topics come; each topic's
    // part starts on a byte of its own.
    struct HitList
    {
        QByteArray bits;
        quint32 topics = 0; // topics holding the word
        quint32 lastTopic = 0;
    };
    struct Word
    {
        QByteArray bytes;
        HitList body;
        HitList title;
    };
    struct Occurrence
    {
        quint32 word;
        quint32 location;
    };
    // A topic's words grouped by word, kept until the roots of the codes are chosen.
    struct SampledTopic
    {
        quint32 topic;
        std::vector<Occurrence> body;
        std::vector<Occurrence> title;
    };
    struct Roots
    {
        int document = 1;
        int count = 1;
        int location = 4;
    };
    struct Totals
    {
        quint64 distinctBytes = 0;
        quint32 longest = 0;
    };
    // Per word, the group it has in the text being grouped, valid where `round` matches.
    struct Grouping
    {
        std::vector<quint32> round;
        std::vector<quint32> group;
        std::vector<quint32> starts;
        quint32 current = 0;
    };
    quint32 wordId(QByteArrayView word);
    // The occurrences of each word together, in the order words first occur; each word's locations
    // keep their increasing order.
    std::vector<Occurrence> groupedByWord(const std::vector<Occurrence> &occurrences);
    void collect(std::vector<Occurrence> &into, QByteArrayView word, quint32 location);
    // Picks the roots that code the sampled topics best, then codes them.
    void chooseRoots();
    // Appends every hit list to `out` in word order; returns the leaf entries that point to them.
    std::vector<LeafEntry> appendHitLists(QByteArray &out, Totals &totals);
    void append(quint32 topic, const std::vector<Occurrence> &occurrences, bool title);

    quint32 m_codePage;
    quint32 m_lcid;
    QHash<QByteArray, quint32> m_ids;    // ASCII word -> index in m_words
    std::vector<quint32> m_characterIds; // double-byte character -> index in m_words + 1, or 0
    std::vector<Word> m_words;
    std::vector<Occurrence> m_scratch;
    Grouping m_grouping;
    std::vector<SampledTopic> m_sample;
    size_t m_sampledOccurrences = 0;
    bool m_rootsChosen = false;
    Roots m_roots;
    int m_topicCount = 0;
    quint64 m_occurrences = 0;
    quint64 m_occurrenceBytes = 0;
};

} // namespace HelpFile
