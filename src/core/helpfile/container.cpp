#include "helpfile/container.h"

#include "helpfile/littleendian.h"
#include "helpfile/lzxencoder.h"

#include <QString>
#include <algorithm>
#include <map>

namespace HelpFile {

namespace {

using namespace LittleEndian;

constexpr int ChunkSize = 0x1000;
constexpr int PmglHeader = 0x14;
constexpr int PmgiHeader = 0x08;
constexpr int QuickrefStep = 5; // 1 + 2^density with density 2
constexpr int ItsfHeaderSize = 0x60;
constexpr int HeaderSection0Size = 0x18;
constexpr int ItspHeaderSize = 0x54;

const QByteArray transformGuid = QByteArrayLiteral("{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}");
const QByteArray storage = QByteArrayLiteral("::DataSpace/Storage/MSCompressed/");

void putGuid(QByteArray &out, quint32 a, quint16 b, quint16 c, std::initializer_list<quint8> rest)
{
    putDword(out, a);
    putWord(out, b);
    putWord(out, c);
    for (quint8 x : rest)
        out.append(static_cast<char>(x));
}

QByteArray utf16(QStringView text)
{
    QByteArray out;
    for (QChar c : text)
        putWord(out, c.unicode());
    return out;
}

int quickrefReserve(int entries)
{
    return entries == 0 ? 0 : 2 + 2 * ((entries - 1) / QuickrefStep);
}

QByteArray foldedKey(QByteArrayView name)
{
    QByteArray key(name.data(), name.size());
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

struct DirectoryEntry
{
    QByteArray name;
    int section = 0;
    quint64 offset = 0;
    quint64 length = 0;
};

// Packs entries into 4096-byte chunks (PMGL when `listing`, else PMGI) with their quickref areas,
// and returns the chunks and the first name of each.
struct ChunkLevel
{
    std::vector<QByteArray> chunks;
    std::vector<QByteArray> firstNames;
};

Result<ChunkLevel> packChunks(const std::vector<QByteArray> &entries, const std::vector<QByteArray> &names,
                              bool listing, int firstChunkNumber)
{
    const int header = listing ? PmglHeader : PmgiHeader;
    ChunkLevel level;
    std::vector<std::vector<size_t>> groups;
    std::vector<size_t> current;
    int used = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int size = static_cast<int>(entries[i].size());
        if (header + size + quickrefReserve(1) > ChunkSize)
            return Result<ChunkLevel>::failure(QStringLiteral("The name %1 is too long for the help file directory.")
                                                   .arg(QString::fromUtf8(names[i])));
        if (!current.empty() &&
            header + used + size + quickrefReserve(static_cast<int>(current.size()) + 1) > ChunkSize) {
            groups.push_back(std::move(current));
            current.clear();
            used = 0;
        }
        current.push_back(i);
        used += size;
    }
    if (!current.empty() || groups.empty())
        groups.push_back(std::move(current));

    for (size_t g = 0; g < groups.size(); ++g) {
        QByteArray chunk;
        chunk.reserve(ChunkSize);
        chunk.append(listing ? "PMGL" : "PMGI", 4);
        putDword(chunk, 0); // free space, set below
        if (listing) {
            putDword(chunk, 0);
            putDword(chunk, g == 0 ? 0xFFFFFFFFu : static_cast<quint32>(firstChunkNumber + static_cast<int>(g) - 1));
            putDword(chunk, g + 1 == groups.size() ? 0xFFFFFFFFu
                                                   : static_cast<quint32>(firstChunkNumber + static_cast<int>(g) + 1));
        }
        std::vector<int> offsets;
        for (size_t i : groups[g]) {
            offsets.push_back(static_cast<int>(chunk.size()) - header);
            chunk.append(entries[i]);
        }
        const int end = static_cast<int>(chunk.size());
        chunk[4] = static_cast<char>((ChunkSize - end) & 0xFF);
        chunk[5] = static_cast<char>(((ChunkSize - end) >> 8) & 0xFF);
        chunk.append(QByteArray(ChunkSize - end, '\0'));
        const int count = static_cast<int>(offsets.size());
        setWord(chunk, ChunkSize - 2, static_cast<quint32>(count));
        for (int k = 1; k * QuickrefStep < count; ++k)
            setWord(chunk, ChunkSize - 2 - 2 * k, static_cast<quint32>(offsets[static_cast<size_t>(k * QuickrefStep)]));
        level.chunks.push_back(std::move(chunk));
        level.firstNames.push_back(groups[g].empty() ? QByteArray() : names[groups[g].front()]);
    }
    return level;
}

QByteArray listingEntry(const DirectoryEntry &e)
{
    QByteArray out = encodeEncint(static_cast<quint64>(e.name.size()));
    out.append(e.name);
    out.append(encodeEncint(static_cast<quint64>(e.section)));
    out.append(encodeEncint(e.offset));
    out.append(encodeEncint(e.length));
    return out;
}

QByteArray indexEntry(const QByteArray &name, int chunk)
{
    QByteArray out = encodeEncint(static_cast<quint64>(name.size()));
    out.append(name);
    out.append(encodeEncint(static_cast<quint64>(chunk)));
    return out;
}

} // namespace

QByteArray encodeEncint(quint64 value)
{
    char groups[10];
    int n = 0;
    do {
        groups[n++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    QByteArray out;
    for (int i = n - 1; i >= 0; --i)
        out.append(static_cast<char>(groups[i] | (i > 0 ? 0x80 : 0)));
    return out;
}

bool directoryLess(QByteArrayView a, QByteArrayView b)
{
    const auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const auto x = fold(a[i]);
        const auto y = fold(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

namespace {

// The directory entries and section 0 as the container is laid out.
struct ContainerLayout
{
    std::vector<DirectoryEntry> directory;
    std::map<QByteArray, QByteArray> seen; // folded name -> name
    QByteArray section0;
    std::vector<qsizetype> section1Ends; // of each file in order: section 1's length once it is laid out

    // False when a name that differs only in case is listed already.
    bool add(const DirectoryEntry &e)
    {
        const auto [it, inserted] = seen.emplace(foldedKey(e.name), e.name);
        if (inserted)
            directory.push_back(e);
        return inserted;
    }
};

// Lists every file with the folders it lies in; returns section 1, still uncompressed.
Result<QByteArray> layOutFiles(const std::vector<ContainerFile> &files, ContainerLayout &layout)
{
    QByteArray &section0 = layout.section0;
    const auto addEntry = [&](const DirectoryEntry &e) { return layout.add(e); };
    // Section 1: the compressed files back to back, each in bytes of its own.
    QByteArray section1;
    qsizetype total = 0;
    for (const ContainerFile &f : files) {
        if (!f.stored)
            total += f.data.size();
    }
    section1.reserve(total);
    for (const ContainerFile &f : files) {
        DirectoryEntry e{f.name, 0, 0, static_cast<quint64>(f.data.size())};
        if (f.data.isEmpty()) {
            e.length = 0;
        } else if (f.stored) {
            e.offset = static_cast<quint64>(section0.size());
            section0.append(f.data);
        } else {
            e.section = 1;
            e.offset = static_cast<quint64>(section1.size());
            section1.append(f.data);
        }
        if (!addEntry(e))
            return Result<QByteArray>::failure(
                QStringLiteral("Two files are named %1 (names ignore the case of letters).")
                    .arg(QString::fromUtf8(f.name)));
        // Every folder the file lies in gets an entry of its own.
        if (f.name.startsWith('/')) {
            for (qsizetype slash = f.name.indexOf('/'); slash >= 0; slash = f.name.indexOf('/', slash + 1))
                addEntry({f.name.left(slash + 1), 0, 0, 0});
        }
        layout.section1Ends.push_back(section1.size());
    }

    return section1;
}

// The ::DataSpace files that describe section 1 to a reader, stored in section 0.
void addDataSpace(ContainerLayout &layout, const Lzx::Stream &stream, quint64 uncompressed)
{
    QByteArray nameList;
    putWord(nameList, 30);
    putWord(nameList, 2);
    for (QStringView s : {u"Uncompressed", u"MSCompressed"}) {
        putWord(nameList, static_cast<quint32>(s.size()));
        nameList.append(utf16(s));
        putWord(nameList, 0);
    }
    QByteArray controlData;
    putDword(controlData, 6);
    controlData.append("LZXC", 4);
    putDword(controlData, 2);
    putDword(controlData, Lzx::FramesPerReset);
    putDword(controlData, Lzx::WindowSize / Lzx::FrameSize);
    putDword(controlData, 1);
    putDword(controlData, 0);
    QByteArray spanInfo;
    putQword(spanInfo, uncompressed);
    const QByteArray transformList = utf16(QString::fromLatin1(transformGuid)).left(38);
    // One entry per frame plus one for the end of the stream, which 7-Zip needs when the length is a
    // multiple of the frame size.
    QByteArray resetTable;
    putDword(resetTable, 2);
    putDword(resetTable, static_cast<quint32>(stream.frameOffsets.size() + 1));
    putDword(resetTable, 8);
    putDword(resetTable, 0x28);
    putQword(resetTable, uncompressed);
    putQword(resetTable, static_cast<quint64>(stream.bytes.size()));
    putQword(resetTable, Lzx::FrameSize);
    for (quint64 offset : stream.frameOffsets)
        putQword(resetTable, offset);
    putQword(resetTable, static_cast<quint64>(stream.bytes.size()));

    const QByteArray instance = storage + "Transform/" + transformGuid + "/InstanceData/";
    const std::vector<std::pair<QByteArray, const QByteArray *>> dataSpace{
        {QByteArrayLiteral("::DataSpace/NameList"), &nameList},
        {storage + "ControlData", &controlData},
        {storage + "SpanInfo", &spanInfo},
        {storage + "Transform/List", &transformList},
        {instance + "ResetTable", &resetTable},
        {storage + "Content", &stream.bytes},
    };
    for (const auto &[name, data] : dataSpace) {
        layout.add({name, 0, static_cast<quint64>(layout.section0.size()), static_cast<quint64>(data->size())});
        layout.section0.append(*data);
    }
    layout.add({instance, 0, 0, 0});
}

struct DirectoryChunks
{
    std::vector<QByteArray> chunks;
    int depth = 1;
    int root = -1;
    int lastListing = 0;
};

// The PMGL listing chunks in directory order and the PMGI index levels above them.
Result<DirectoryChunks> directoryChunks(std::vector<DirectoryEntry> directory)
{
    std::sort(directory.begin(), directory.end(),
              [](const DirectoryEntry &a, const DirectoryEntry &b) { return directoryLess(a.name, b.name); });
    std::vector<QByteArray> entries;
    std::vector<QByteArray> names;
    for (const DirectoryEntry &e : directory) {
        entries.push_back(listingEntry(e));
        names.push_back(e.name);
    }
    Result<ChunkLevel> listing = packChunks(entries, names, true, 0);
    if (!listing)
        return failureFrom<DirectoryChunks>(listing);
    std::vector<QByteArray> chunks = listing->chunks;
    const int lastListing = static_cast<int>(chunks.size()) - 1;
    int depth = 1;
    int root = -1;
    ChunkLevel level = std::move(*listing);
    int levelStart = 0;
    while (level.chunks.size() > 1) {
        std::vector<QByteArray> indexEntries;
        for (size_t i = 0; i < level.chunks.size(); ++i)
            indexEntries.push_back(indexEntry(level.firstNames[i], levelStart + static_cast<int>(i)));
        levelStart = static_cast<int>(chunks.size());
        Result<ChunkLevel> index = packChunks(indexEntries, level.firstNames, false, levelStart);
        if (!index)
            return failureFrom<DirectoryChunks>(index);
        level = std::move(*index);
        chunks.insert(chunks.end(), level.chunks.begin(), level.chunks.end());
        ++depth;
        root = static_cast<int>(chunks.size()) - 1;
    }

    return DirectoryChunks{std::move(chunks), depth, root, lastListing};
}

// The ITSF and ITSP headers for a directory of `d` and a section 0 of `section0Size` bytes.
QByteArray fileHeaders(const ContainerOptions &options, const DirectoryChunks &d, qsizetype section0Size)
{
    const std::vector<QByteArray> &chunks = d.chunks;
    const int depth = d.depth;
    const int root = d.root;
    const int lastListing = d.lastListing;
    const quint64 directoryLength = ItspHeaderSize + quint64(ChunkSize) * chunks.size();
    const quint64 dataOffset = ItsfHeaderSize + HeaderSection0Size + directoryLength;
    const quint64 fileSize = dataOffset + static_cast<quint64>(section0Size);

    QByteArray out;
    out.reserve(static_cast<qsizetype>(fileSize));
    out.append("ITSF", 4);
    putDword(out, 3);
    putDword(out, ItsfHeaderSize);
    putDword(out, 1);
    out.append(static_cast<char>((options.timestamp >> 24) & 0xFF));
    out.append(static_cast<char>((options.timestamp >> 16) & 0xFF));
    out.append(static_cast<char>((options.timestamp >> 8) & 0xFF));
    out.append(static_cast<char>(options.timestamp & 0xFF));
    putDword(out, options.lcid);
    putGuid(out, 0x7C01FD10, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    putGuid(out, 0x7C01FD11, 0x7BAA, 0x11D0, {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    putQword(out, ItsfHeaderSize);
    putQword(out, HeaderSection0Size);
    putQword(out, ItsfHeaderSize + HeaderSection0Size);
    putQword(out, directoryLength);
    putQword(out, dataOffset);

    putDword(out, 0x01FE);
    putDword(out, 0);
    putQword(out, fileSize);
    putDword(out, 0);
    putDword(out, 0);

    out.append("ITSP", 4);
    putDword(out, 1);
    putDword(out, ItspHeaderSize);
    putDword(out, 0x0A);
    putDword(out, ChunkSize);
    putDword(out, 2);
    putDword(out, static_cast<quint32>(depth));
    putDword(out, static_cast<quint32>(root));
    putDword(out, 0);
    putDword(out, static_cast<quint32>(lastListing));
    putDword(out, 0xFFFFFFFFu);
    putDword(out, static_cast<quint32>(chunks.size()));
    putDword(out, options.lcid);
    putGuid(out, 0x5D02926A, 0x212E, 0x11D0, {0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    putDword(out, ItspHeaderSize);
    for (int i = 0; i < 3; ++i)
        putDword(out, 0xFFFFFFFFu);
    return out;
}

} // namespace

Result<QByteArray> buildContainer(const std::vector<ContainerFile> &files, const ContainerOptions &options)
{
    ContainerLayout layout;
    Result<QByteArray> laidOut = layOutFiles(files, layout);
    if (!laidOut)
        return laidOut;
    QByteArray &section1 = *laidOut;
    // libmspack always decodes one frame past the end of the file it extracts, so a section that ends
    // exactly on a frame boundary gets one spare byte and with it one more frame.
    if (!section1.isEmpty() && section1.size() % Lzx::FrameSize == 0)
        section1.append('\0');
    size_t filesDone = 0;
    const auto reportFilesUpTo = [&](qsizetype compressed) {
        for (; filesDone < layout.section1Ends.size() && layout.section1Ends[filesDone] <= compressed; ++filesDone)
            options.filesDone(static_cast<int>(filesDone + 1));
    };
    const Lzx::Stream stream =
        Lzx::compress(section1, options.threads, options.filesDone ? Lzx::PrefixProgress(reportFilesUpTo) : nullptr);
    if (options.filesDone)
        reportFilesUpTo(section1.size());
    const auto uncompressed = static_cast<quint64>(section1.size());
    section1.clear();

    addDataSpace(layout, stream, uncompressed);
    Result<DirectoryChunks> d = directoryChunks(std::move(layout.directory));
    if (!d)
        return failureFrom<QByteArray>(d);
    QByteArray out = fileHeaders(options, *d, layout.section0.size());
    for (const QByteArray &chunk : d->chunks)
        out.append(chunk);
    out.append(layout.section0);
    return out;
}

} // namespace HelpFile
