#include "chmreaders.h"
#include "helpfile/container.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using namespace HelpFile;
using ChmTest::Files;

struct EncintCase
{
    quint64 value;
    QByteArray bytes;
};

class Encint : public ::testing::TestWithParam<EncintCase>
{};

TEST_P(Encint, WritesSevenBitGroupsMostSignificantFirst)
{
    EXPECT_EQ(encodeEncint(GetParam().value).toHex(' '), GetParam().bytes.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    RoundValues, Encint,
    ::testing::Values(EncintCase{0, QByteArray::fromHex("00")}, EncintCase{127, QByteArray::fromHex("7f")},
                      EncintCase{128, QByteArray::fromHex("8100")}, EncintCase{0x2A37, QByteArray::fromHex("d437")},
                      EncintCase{16383, QByteArray::fromHex("ff7f")}, EncintCase{16384, QByteArray::fromHex("818000")},
                      EncintCase{300000, QByteArray::fromHex("92a760")},
                      EncintCase{0xFFFFFFFFull, QByteArray::fromHex("8fffffff7f")},
                      EncintCase{0x100000000ull, QByteArray::fromHex("9080808000")}));

TEST(DirectoryOrder, FoldsAsciiCaseOnlyAndComparesBytes)
{
    EXPECT_TRUE(directoryLess("/_a", "/a"));
    EXPECT_TRUE(directoryLess("/Zeta", "/_x") == false);
    EXPECT_TRUE(directoryLess("/ABC", "/abd"));
    EXPECT_FALSE(directoryLess("/abc", "/ABC"));
    EXPECT_TRUE(directoryLess("/abc", "/abcd"));
    EXPECT_TRUE(directoryLess("/zzz", "::DataSpace/NameList"));
    EXPECT_TRUE(directoryLess("/zzz", QStringLiteral("/随笔").toUtf8()));
}

QByteArray fill(qsizetype size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray out(size, '\0');
    for (char &c : out)
        c = static_cast<char>('a' + rng() % (seed % 2 ? 26 : 3));
    return out;
}

class ContainerFixture : public ::testing::Test
{
protected:
    QString write(const std::vector<ContainerFile> &files)
    {
        Result<QByteArray> bytes = buildContainer(files, {});
        EXPECT_TRUE(bytes.ok()) << bytes.error().toStdString();
        const QString path = m_folder.file(QStringLiteral("t.chm"));
        writeAll(path, bytes.ok() ? *bytes : QByteArray());
        return path;
    }

    static Files expected(const std::vector<ContainerFile> &files)
    {
        Files out;
        for (const ContainerFile &f : files)
            out.insert(f.name, f.data);
        return out;
    }

    TempFolder m_folder;
};

// The section length modulo the frame size decides how 7-Zip checks the reset table.
class SectionLength : public ContainerFixture, public ::testing::WithParamInterface<int>
{};

TEST_P(SectionLength, EveryReaderGetsEveryFileBack)
{
    const int total = GetParam();
    std::vector<ContainerFile> files{{"/#SYSTEM", QByteArray(40, 's'), true}, {"/#ITBITS", {}, false}};
    const int pieces = total > 70000 ? 5 : 1;
    for (int i = 0; i < pieces; ++i) {
        const int size = i + 1 < pieces ? total / pieces : total - (pieces - 1) * (total / pieces);
        files.push_back({QStringLiteral("/随笔/%1.html").arg(i).toUtf8(), fill(size, static_cast<unsigned>(i)), false});
    }
    const QString path = write(files);
    const ChmTest::ReadBack chm = ChmTest::readWithChmlib(path);
    EXPECT_TRUE(chm.problems.isEmpty()) << chm.problems.join(u'\n').toStdString();
    EXPECT_TRUE(ChmTest::differences(expected(files), chm.files).isEmpty());
    if (ChmTest::haveMspack()) {
        const ChmTest::ReadBack mspack = ChmTest::readWithMspack(path);
        EXPECT_TRUE(mspack.problems.isEmpty()) << mspack.problems.join(u'\n').toStdString();
    }
    if (!ChmTest::sevenZip().isEmpty()) {
        const ChmTest::ReadBack sevenZip = ChmTest::readWithSevenZip(path);
        EXPECT_TRUE(sevenZip.problems.isEmpty()) << sevenZip.problems.join(u'\n').toStdString();
        files.erase(files.begin(), files.begin() + 2);
        EXPECT_TRUE(ChmTest::differences(expected(files), sevenZip.files).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SectionLength,
                         ::testing::Values(1, 32767, 32768, 32769, 65535, 65536, 65537, 98304, 229375, 229376));

TEST_F(ContainerFixture, ThousandsOfFilesSpanSeveralChunksUnderAnIndex)
{
    std::vector<ContainerFile> files;
    for (int i = 0; i < 3000; ++i) {
        const QString folder = i % 3 == 0   ? QStringLiteral("随笔")
                               : i % 3 == 1 ? QStringLiteral("Q_A__1")
                                            : QStringLiteral("Tech");
        files.push_back({QStringLiteral("/%1/Article%2.html").arg(folder).arg(i).toUtf8(),
                         QByteArray::number(i) + "<p>" + fill(i % 50, static_cast<unsigned>(i)), false});
    }
    const QString path = write(files);
    const QByteArray bytes = readAll(path);
    const auto dword = [&](int at) {
        return static_cast<qint32>(static_cast<uchar>(bytes[at]) | static_cast<uchar>(bytes[at + 1]) << 8 |
                                   static_cast<uchar>(bytes[at + 2]) << 16 | static_cast<uchar>(bytes[at + 3]) << 24);
    };
    const int itsp = 0x78;
    const int chunks = dword(itsp + 0x2C);
    EXPECT_GE(dword(itsp + 0x18), 2) << "depth";
    EXPECT_EQ(dword(itsp + 0x1C), chunks - 1) << "root is the last chunk";
    EXPECT_EQ(dword(itsp + 0x20), 0);
    EXPECT_GT(dword(itsp + 0x24), 1) << "several listing chunks";
    EXPECT_EQ(bytes.mid(itsp + 0x54 + 0x1000 * (chunks - 1), 4), "PMGI");

    const ChmTest::ReadBack chm = ChmTest::readWithChmlib(path);
    EXPECT_TRUE(chm.problems.isEmpty()) << chm.problems.mid(0, 5).join(u'\n').toStdString();
    EXPECT_TRUE(ChmTest::differences(expected(files), chm.files).isEmpty());
    if (ChmTest::haveMspack()) {
        const ChmTest::ReadBack mspack = ChmTest::readWithMspack(path);
        EXPECT_TRUE(mspack.problems.isEmpty()) << mspack.problems.mid(0, 5).join(u'\n').toStdString();
    }
    if (!ChmTest::sevenZip().isEmpty()) {
        const ChmTest::ReadBack sevenZip = ChmTest::readWithSevenZip(path, false);
        EXPECT_TRUE(sevenZip.problems.isEmpty()) << sevenZip.problems.join(u'\n').toStdString();
    }
}

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | static_cast<uchar>(bytes[at + i]);
    return v;
}

quint64 readEncint(const QByteArray &bytes, qsizetype &at)
{
    quint64 v = 0;
    while (at < bytes.size()) {
        const auto b = static_cast<uchar>(bytes[at++]);
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80))
            break;
    }
    return v;
}

// What 7-Zip checks of every directory chunk: its entries, parsed one by one, end exactly where the
// free space says, before the quickref area, and their number is the one in the last word.
QStringList chunkProblems(const QByteArray &file)
{
    QStringList problems;
    const qsizetype first = 0x78 + 0x54;
    const quint32 chunks = littleEndian(file, 0x78 + 0x2C, 4);
    for (quint32 k = 0; k < chunks; ++k) {
        const qsizetype at = first + 0x1000 * static_cast<qsizetype>(k);
        const QByteArray chunk = file.mid(at, 0x1000);
        const bool listing = chunk.startsWith("PMGL");
        const quint32 count = littleEndian(chunk, 0x1000 - 2, 2);
        const qsizetype entriesEnd = 0x1000 - littleEndian(chunk, 4, 4);
        const qsizetype quickrefArea = 0x1000 - 2 - 2 * ((count - 1) / 5);
        if (entriesEnd > quickrefArea)
            problems << QStringLiteral("chunk %1: entries end at %2, in the quickref area from %3")
                            .arg(k)
                            .arg(entriesEnd)
                            .arg(quickrefArea);
        qsizetype pos = listing ? 0x14 : 0x08;
        for (quint32 e = 0; e < count && pos < entriesEnd; ++e) {
            pos += static_cast<qsizetype>(readEncint(chunk, pos));
            for (int field = 0; field < (listing ? 3 : 1); ++field)
                readEncint(chunk, pos);
        }
        if (pos != entriesEnd)
            problems << QStringLiteral("chunk %1: %2 entries end at %3, the free space says %4")
                            .arg(k)
                            .arg(count)
                            .arg(pos)
                            .arg(entriesEnd);
    }
    return problems;
}

// Names of one length fill chunks up to every possible edge; 31 and 77 are lengths where a chunk
// ended two bytes into its quickref area, which 7-Zip refuses.
TEST_F(ContainerFixture, EveryChunkKeepsItsQuickrefAreaFreeWhateverTheNameLength)
{
    for (int length = 6; length <= 120; ++length) {
        SCOPED_TRACE(length);
        std::vector<ContainerFile> files;
        for (int i = 0; i < 700; ++i) {
            QByteArray name = "/" + QByteArray::number(i).rightJustified(5, '0');
            files.push_back({name.leftJustified(length, 'x', true), QByteArray(1 + i % 3, 'p'), false});
        }
        const QString path = write(files);
        const QStringList problems = chunkProblems(readAll(path));
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
        if ((length == 31 || length == 77) && !ChmTest::sevenZip().isEmpty()) {
            const ChmTest::ReadBack sevenZip = ChmTest::readWithSevenZip(path, false);
            EXPECT_TRUE(sevenZip.problems.isEmpty()) << sevenZip.problems.join(u'\n').toStdString();
        }
    }
}

TEST(Container, NamesDifferingOnlyInCaseAreRefused)
{
    const Result<QByteArray> r =
        buildContainer({{"/Page.html", "a", false}, {"/page.HTML", "b", false}}, ContainerOptions{});
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains(QStringLiteral("page.HTML")));
}

TEST(Container, FoldersGetEntriesAndEmptyFilesLieInSectionZero)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("t.chm"));
    Result<QByteArray> bytes =
        buildContainer({{"/#ITBITS", {}, false}, {"/a/b/c.html", "abc", false}}, ContainerOptions{});
    ASSERT_TRUE(bytes.ok());
    writeAll(path, *bytes);
    chmFile *chm = chm_open(QFile::encodeName(path).constData());
    ASSERT_NE(chm, nullptr);
    for (const char *name : {"/", "/a/", "/a/b/", "/#ITBITS"}) {
        chmUnitInfo ui{};
        EXPECT_EQ(chm_resolve_object(chm, name, &ui), CHM_RESOLVE_SUCCESS) << name;
        EXPECT_EQ(ui.space, CHM_UNCOMPRESSED) << name;
        EXPECT_EQ(ui.length, 0u) << name;
    }
    chmUnitInfo ui{};
    EXPECT_EQ(chm_resolve_object(chm, "/A/B/C.HTML", &ui), CHM_RESOLVE_SUCCESS);
    EXPECT_EQ(ui.space, CHM_COMPRESSED);
    chm_close(chm);
}

} // namespace
