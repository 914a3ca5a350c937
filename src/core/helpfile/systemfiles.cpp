#include "helpfile/systemfiles.h"

#include "helpfile/helpproject.h"
#include "helpfile/littleendian.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <array>

namespace HelpFile {

namespace {

using namespace LittleEndian;

constexpr int PageSize = 4096;
constexpr int UrlRecordsPerPage = 341;
constexpr int WindowRecordSize = 196;
constexpr int WindowRecordSize10 = 188;

// #STRINGS: a leading NUL, then NUL-terminated strings that never cross a 4096-byte page.
class StringTable
{
public:
    StringTable() { m_bytes.append('\0'); }

    quint32 add(const QByteArray &text)
    {
        if (text.isEmpty())
            return 0;
        if (const auto it = m_offsets.constFind(text); it != m_offsets.cend())
            return *it;
        const qsizetype used = m_bytes.size() % PageSize;
        if (used + text.size() + 1 > PageSize && text.size() + 1 <= PageSize)
            m_bytes.append(QByteArray(PageSize - used, '\0'));
        const auto offset = static_cast<quint32>(m_bytes.size());
        m_bytes.append(text);
        m_bytes.append('\0');
        m_offsets.insert(text, offset);
        return offset;
    }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    QHash<QByteArray, quint32> m_offsets;
};

void systemRecord(QByteArray &out, quint16 code, const QByteArray &data)
{
    putWord(out, code);
    putWord(out, static_cast<quint32>(data.size()));
    out.append(data);
}

void systemString(QByteArray &out, quint16 code, const QByteArray &text)
{
    QByteArray data = text;
    data.append('\0');
    systemRecord(out, code, data);
}

QByteArray dword(quint32 v)
{
    QByteArray out;
    putDword(out, v);
    return out;
}

quint32 fieldNumber(const WindowDefinition &w, int index)
{
    return static_cast<quint32>(parseNumber(w.field(index)).value_or(0));
}

// The HH_WINTYPE record of one window definition; string fields are #STRINGS offsets.
QByteArray windowRecord(const HelpProject &project, const WindowDefinition &w, StringTable &strings)
{
    const int size = project.compatibility10 ? WindowRecordSize10 : WindowRecordSize;
    QByteArray r(size, '\0');
    const auto str = [&](int at, const QString &text) { setDword(r, at, strings.add(project.encode(text))); };
    const auto has = [&](int index) { return !w.field(index).isEmpty(); };
    setDword(r, 0x00, static_cast<quint32>(size));
    str(0x08, w.name);
    // Arguments and the fsValidMembers bit each sets when it is given.
    static constexpr std::array<std::pair<int, quint32>, 10> valid{{{9, 0x2},
                                                                    {13, 0x4},
                                                                    {14, 0x8},
                                                                    {12, 0x10},
                                                                    {10, 0x20},
                                                                    {15, 0x40},
                                                                    {11, 0x100},
                                                                    {16, 0x200},
                                                                    {18, 0x400},
                                                                    {17, 0x2000}}};
    quint32 members = 0;
    for (const auto &[index, bit] : valid) {
        if (has(index))
            members |= bit;
    }
    setDword(r, 0x0C, members);
    setDword(r, 0x10, fieldNumber(w, 9));
    str(0x14, w.field(0));
    setDword(r, 0x18, fieldNumber(w, 13));
    setDword(r, 0x1C, fieldNumber(w, 14));
    QString rect = w.field(12);
    rect.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    const QStringList corners = rect.split(QLatin1Char(','));
    for (int i = 0; i < 4 && i < corners.size(); ++i)
        setDword(r, 0x20 + 4 * i, static_cast<quint32>(parseNumber(corners.at(i)).value_or(0)));
    setDword(r, 0x30, fieldNumber(w, 15));
    setDword(r, 0x4C, fieldNumber(w, 10));
    str(0x60, w.field(1));
    str(0x64, w.field(2));
    str(0x68, w.field(3));
    str(0x6C, w.field(4));
    setDword(r, 0x70, fieldNumber(w, 11));
    setDword(r, 0x74, fieldNumber(w, 16));
    setDword(r, 0x78, fieldNumber(w, 17));
    setDword(r, 0x7C, fieldNumber(w, 18));
    setDword(r, 0x80, fieldNumber(w, 19));
    str(0x9C, w.field(6));
    str(0xA0, w.field(8));
    str(0xA4, w.field(5));
    str(0xA8, w.field(7));
    return r;
}

QByteArray indexHeader(quint32 topicCount, quint32 timestamp)
{
    QByteArray h(PageSize, '\0');
    h.replace(0, 4, "T#SM");
    setDword(h, 0x04, timestamp);
    setDword(h, 0x08, 1);
    setDword(h, 0x0C, topicCount);
    setDword(h, 0x14, 0xFFFFFFFFu); // no image list
    for (int at : {0x20, 0x24, 0x28, 0x2C, 0x30, 0x34, 0x38, 0x3C})
        setDword(h, at, 0xFFFFFFFFu); // colours, font, styles, frame and window not set
    setDword(h, 0x44, 1);
    return h;
}

} // namespace

quint32 urlHash(QByteArrayView path)
{
    quint32 h = 0;
    for (char byte : path) {
        const auto c = static_cast<signed char>(byte);
        quint32 v;
        if (c == '/' || c == '\\')
            v = 0x2C;
        else if (c <= 'Z')
            v = static_cast<quint32>(c - 0x30);
        else
            v = static_cast<quint32>(c - 0x50);
        h = h * 43 + v;
    }
    return h == 0 ? 1 : h;
}

namespace {

// #URLSTR and #URLTBL, one record per topic, the table sorted by hash; returns each topic's offset
// in #URLTBL.
std::vector<quint32> buildUrlFiles(const std::vector<Topic> &topics, SystemFiles &files)
{
    files.urlStrings.append('\0');
    struct UrlRecord
    {
        quint32 hash;
        quint32 topic;
        quint32 string;
    };
    std::vector<UrlRecord> urls;
    for (size_t t = 0; t < topics.size(); ++t) {
        const qsizetype recordSize = 8 + topics[t].path.size() + 1;
        const qsizetype used = files.urlStrings.size() % PageSize;
        if (used + recordSize > PageSize && recordSize <= PageSize)
            files.urlStrings.append(QByteArray(PageSize - used, '\0'));
        urls.push_back(
            {urlHash(topics[t].path), static_cast<quint32>(t), static_cast<quint32>(files.urlStrings.size())});
        putDword(files.urlStrings, 0);
        putDword(files.urlStrings, 0);
        files.urlStrings.append(topics[t].path);
        files.urlStrings.append('\0');
    }
    std::stable_sort(urls.begin(), urls.end(), [](const UrlRecord &a, const UrlRecord &b) { return a.hash < b.hash; });
    std::vector<quint32> urlOffset(topics.size());
    for (size_t r = 0; r < urls.size(); ++r) {
        if (r > 0 && r % UrlRecordsPerPage == 0)
            files.urlTable.append(QByteArray(PageSize - UrlRecordsPerPage * 12, '\0'));
        urlOffset[urls[r].topic] = static_cast<quint32>(files.urlTable.size());
        putDword(files.urlTable, urls[r].hash);
        putDword(files.urlTable, urls[r].topic);
        putDword(files.urlTable, urls[r].string);
    }

    return urlOffset;
}

// #SYSTEM in the customary record order.
QByteArray systemFile(const HelpProject &project, const QString &defaultTopic, const QByteArray &indexHeader,
                      qint64 timestamp, bool searchable)
{
    const auto stamp = static_cast<quint32>(timestamp);
    QByteArray s;
    putDword(s, project.compatibility10 ? 2 : 3);
    systemRecord(s, 10, dword(stamp));
    systemString(s, 9, QByteArrayLiteral("Pelmora HTML Help compiler 1.0"));
    QByteArray locale;
    putDword(locale, project.lcid);
    putDword(locale, 1); // double-byte characters possible
    putDword(locale, searchable ? 1 : 0);
    putDword(locale, 0); // no binary index
    putDword(locale, 0); // no associative links
    const quint64 fileTime = (static_cast<quint64>(timestamp) + 11644473600ull) * 10000000ull;
    putDword(locale, static_cast<quint32>(fileTime));
    putDword(locale, static_cast<quint32>(fileTime >> 32));
    putDword(locale, 0);
    putDword(locale, 0);
    systemRecord(s, 4, locale);
    if (!defaultTopic.isEmpty())
        systemString(s, 2, project.encode(defaultTopic));
    if (!project.title.isEmpty())
        systemString(s, 3, project.encode(project.title));
    if (!project.defaultFont.isEmpty())
        systemString(s, 16, project.encode(project.defaultFont));
    QString stem = project.compiledName;
    stem.replace(QLatin1Char('\\'), QLatin1Char('/'));
    stem = QFileInfo(stem).completeBaseName();
    for (QChar &c : stem) {
        if (c.unicode() < 128)
            c = c.toLower();
    }
    systemString(s, 6, project.encode(stem));
    if (!project.contentsFile.isEmpty())
        systemString(s, 0, project.encode(project.contentsFile));
    if (!project.indexFile.isEmpty())
        systemString(s, 1, project.encode(project.indexFile));
    if (!project.defaultWindow.isEmpty())
        systemString(s, 5, project.encode(project.defaultWindow));
    systemRecord(s, 12, dword(0));
    systemRecord(s, 13, indexHeader);
    systemRecord(s, 15, dword(0));
    return s;
}

} // namespace

SystemFiles buildSystemFiles(const HelpProject &project, const QString &defaultTopic, const std::vector<Topic> &topics,
                             qint64 timestamp, bool searchable)
{
    SystemFiles files;
    StringTable strings;

    // #WINDOWS first, so that its strings lead #STRINGS as Microsoft's compiler lays them out.
    putDword(files.windows, static_cast<quint32>(project.windows.size()));
    putDword(files.windows, project.compatibility10 ? WindowRecordSize10 : WindowRecordSize);
    for (const WindowDefinition &w : project.windows)
        files.windows.append(windowRecord(project, w, strings));

    const std::vector<quint32> urlOffset = buildUrlFiles(topics, files);
    for (size_t t = 0; t < topics.size(); ++t) {
        putDword(files.topics, 0);
        putDword(files.topics, topics[t].title.isEmpty() ? 0xFFFFFFFFu : strings.add(topics[t].title));
        putDword(files.topics, urlOffset[t]);
        putWord(files.topics, topics[t].inContents ? 6 : 2);
        putWord(files.topics, 0);
    }
    files.strings = strings.bytes();
    files.indexHeader = indexHeader(static_cast<quint32>(topics.size()), static_cast<quint32>(timestamp));

    files.system = systemFile(project, defaultTopic, files.indexHeader, timestamp, searchable);
    return files;
}

} // namespace HelpFile
