#include "chmreaders.h"
#include "helpfile/container.h"
#include "helpfile/huffman.h"
#include "helpfile/lzxencoder.h"
#include "support/tempfolder.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <lzx.h>
#include <numeric>
#include <random>

namespace {

using namespace HelpFile;

// Decodes a stream frame by frame as chmlib does for a compiled file: each frame from its own offset,
// the state reset at the start of every 64 KiB interval.
QByteArray decodeWithChmlib(const Lzx::Stream &stream, qsizetype size, QString *problem)
{
    QByteArray out;
    LZXstate *state = LZXinit(16);
    const size_t frames = stream.frameOffsets.size();
    for (size_t i = 0; i < frames; ++i) {
        if (i % Lzx::FramesPerReset == 0)
            LZXreset(state);
        const quint64 begin = stream.frameOffsets[i];
        const quint64 end = i + 1 < frames ? stream.frameOffsets[i + 1] : static_cast<quint64>(stream.bytes.size());
        // The decoder may look a few bytes past the frame; give it zeros there.
        QByteArray in = stream.bytes.mid(static_cast<qsizetype>(begin), static_cast<qsizetype>(end - begin));
        in.append(QByteArray(64, '\0'));
        QByteArray frame(Lzx::FrameSize, '\0');
        if (LZXdecompress(state, reinterpret_cast<unsigned char *>(in.data()),
                          reinterpret_cast<unsigned char *>(frame.data()), static_cast<int>(end - begin),
                          Lzx::FrameSize) != DECR_OK) {
            *problem = QStringLiteral("frame %1 does not decode").arg(i);
            break;
        }
        if (end - begin > Lzx::FrameSize + 6144)
            *problem = QStringLiteral("frame %1 is larger than chmlib accepts").arg(i);
        out.append(frame);
    }
    LZXteardown(state);
    out.truncate(size);
    return out;
}

QByteArray randomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray out(size, '\0');
    for (char &c : out)
        c = static_cast<char>(rng());
    return out;
}

QByteArray text(qsizetype size, unsigned seed)
{
    std::mt19937 rng(seed);
    const char *words[] = {"<p>", "archive ", "blog ", "</p>\r\n", "\xD6\xD0\xCE\xC4", "help ", "<a href=x.html>"};
    QByteArray out;
    while (out.size() < size)
        out.append(words[rng() % 7]).append(QByteArray::number(static_cast<int>(rng() % 300)));
    out.truncate(size);
    return out;
}

struct Sample
{
    const char *name;
    QByteArray (*make)();
};

const Sample samples[] = {
    {"OneByte", [] { return QByteArray("x"); }},
    {"FrameMinusOne", [] { return text(32767, 1); }},
    {"ExactFrame", [] { return text(32768, 2); }},
    {"FramePlusOne", [] { return text(32769, 3); }},
    {"ExactInterval", [] { return text(65536, 4); }},
    {"Random", [] { return randomBytes(300000, 5); }},
    {"Zeros", [] { return QByteArray(200000, '\0'); }},
    {"OneLetterRepeated", [] { return QByteArray(131072, 'a'); }},
    {"Text", [] { return text(250000, 6); }},
    {"TextThenRandomThenText",
     [] {
         QByteArray out = text(40000, 7);
         out += randomBytes(30000, 8);
         out += text(70000, 9);
         out += randomBytes(5, 10);
         return out;
     }},
    {"ShortPeriods",
     [] {
         QByteArray out;
         for (int i = 0; out.size() < 150000; ++i)
             out.append(QByteArray(1 + i % 13, static_cast<char>('a' + i % 3)));
         return out;
     }},
};

class LzxRoundTrip : public ::testing::TestWithParam<Sample>
{};

TEST_P(LzxRoundTrip, ChmlibDecodesWhatWasCompressed)
{
    const QByteArray data = GetParam().make();
    const Lzx::Stream stream = Lzx::compress(data);
    ASSERT_EQ(stream.frameOffsets.size(), static_cast<size_t>((data.size() + Lzx::FrameSize - 1) / Lzx::FrameSize));
    for (quint64 offset : stream.frameOffsets)
        EXPECT_EQ(offset % 2, 0u) << "frames start on 16-bit words";
    QString problem;
    const QByteArray back = decodeWithChmlib(stream, data.size(), &problem);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    EXPECT_TRUE(back == data);
}

// libmspack decodes LZX only inside a compiled file, so the data goes in as the one file of one.
TEST_P(LzxRoundTrip, LibmspackDecodesWhatWasCompressed)
{
    if (!ChmTest::haveMspack())
        GTEST_SKIP() << "libmspack is not installed";
    const QByteArray data = GetParam().make();
    const Result<QByteArray> chm = buildContainer({{"/data.bin", data, false}}, ContainerOptions{});
    ASSERT_TRUE(chm.ok());
    TempFolder folder;
    writeAll(folder.file(QStringLiteral("t.chm")), *chm);
    const ChmTest::ReadBack back = ChmTest::readWithMspack(folder.file(QStringLiteral("t.chm")));
    EXPECT_TRUE(back.problems.isEmpty()) << back.problems.join(u'\n').toStdString();
    EXPECT_TRUE(back.files.value("/data.bin") == data);
}

INSTANTIATE_TEST_SUITE_P(Data, LzxRoundTrip, ::testing::ValuesIn(samples),
                         [](const ::testing::TestParamInfo<Sample> &p) { return std::string(p.param.name); });

TEST(LzxCompress, CompressibleDataShrinksAndRandomDataBarelyGrows)
{
    const QByteArray plain = text(200000, 11);
    EXPECT_LT(Lzx::compress(plain).bytes.size(), plain.size() / 3);
    const QByteArray noise = randomBytes(200000, 12);
    // Stored frames cost 16 bytes each; the last one, mostly padding, is compressed with its trees.
    EXPECT_LE(Lzx::compress(noise).bytes.size(), noise.size() + 16 * 6 + 256);
    EXPECT_TRUE(Lzx::compress(QByteArray()).bytes.isEmpty());
}

TEST(LzxCompress, ThreadCountDoesNotChangeTheStream)
{
    const QByteArray data = text(400000, 13);
    const Lzx::Stream one = Lzx::compress(data, 1);
    const Lzx::Stream two = Lzx::compress(data, 2);
    EXPECT_TRUE(one.bytes == two.bytes);
    EXPECT_EQ(one.frameOffsets, two.frameOffsets);
}

TEST(LzxCompress, ProgressRisesByWholeIntervalsAndStopsShortOfTheEnd)
{
    const QByteArray data = text(400000, 14); // seven intervals, the last one short
    for (int threads : {1, 4}) {
        std::vector<qsizetype> seen;
        Lzx::compress(data, threads, [&](qsizetype compressed) { seen.push_back(compressed); });
        if (threads == 1) {
            std::vector<qsizetype> expected;
            for (qsizetype n = 1; n <= 6; ++n)
                expected.push_back(n * Lzx::ResetInterval);
            EXPECT_EQ(seen, expected);
        }
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i] % Lzx::ResetInterval, 0);
            EXPECT_LT(seen[i], data.size());
            EXPECT_TRUE(i == 0 || seen[i] > seen[i - 1]) << threads << " threads";
        }
    }
}

// Kraft sum of a code, scaled so that a complete code of limit `maxLength` gives 2^maxLength.
quint64 kraft(const std::vector<quint8> &lengths, int maxLength)
{
    quint64 sum = 0;
    for (quint8 len : lengths) {
        if (len)
            sum += quint64(1) << (maxLength - len);
    }
    return sum;
}

TEST(Huffman, SkewedFrequenciesStayWithinTheLimitAndComplete)
{
    // Fibonacci frequencies would need codes as long as the alphabet without a limit.
    std::vector<quint32> freq(40);
    freq[0] = freq[1] = 1;
    for (size_t i = 2; i < freq.size(); ++i)
        freq[i] = freq[i - 1] + freq[i - 2];
    for (int limit : {7, 15, 16}) {
        const std::vector<quint8> lengths = Huffman::buildLengths(freq, limit);
        EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), limit);
        EXPECT_EQ(kraft(lengths, limit), quint64(1) << limit);
    }
}

TEST(Huffman, LoneSymbolGetsAPartnerAndNoSymbolGetsNoCode)
{
    std::vector<quint32> freq(8, 0);
    freq[5] = 9;
    const std::vector<quint8> lengths = Huffman::buildLengths(freq, 7);
    EXPECT_EQ(lengths[5], 1);
    EXPECT_EQ(std::accumulate(lengths.begin(), lengths.end(), 0), 2);
    const std::vector<quint8> none = Huffman::buildLengths(std::vector<quint32>(8, 0), 7);
    EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0), 0);
}

TEST(Huffman, CodesAreCanonical)
{
    const std::vector<quint8> lengths{3, 3, 3, 3, 3, 2, 4, 4};
    const std::vector<quint16> codes = Huffman::assignCodes(lengths);
    const std::vector<quint16> expected{2, 3, 4, 5, 6, 0, 14, 15};
    EXPECT_EQ(codes, expected);
}

} // namespace
