#include "common/gbkcodec.h"
#include "common/linewriter.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

TEST(GbkCodec, DecodesGb2312BytesOfTitle)
{
    EXPECT_EQ(Gbk::decode(QByteArray("\xB1\xEA\xCC\xE2")), QStringLiteral("标题"));
}

TEST(GbkCodec, EmptyBodyDecodesToEmptyText)
{
    EXPECT_TRUE(Gbk::decode(QByteArray()).isEmpty());
}

TEST(GbkCodec, DecodesGbkBeyondGb2312)
{
    // 時 is in GBK but not in GB2312.
    const QString text = QStringLiteral("旧時光");
    EXPECT_EQ(Gbk::decode(Gbk::encode(text)), text);
    EXPECT_EQ(Gbk::encode(text).size(), 6);
}

TEST(GbkCodec, OddLengthAndInvalidBytesDoNotCrash)
{
    // A lone lead byte at the end, an invalid pair that must not swallow the LF after it.
    EXPECT_EQ(Gbk::decode(QByteArray("a\xB1")), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(Gbk::decode(QByteArray("\xFF\x41")), QStringLiteral("\uFFFDA"));
    EXPECT_EQ(Gbk::decode(QByteArray("\x81\n")), QStringLiteral("\uFFFD\n"));
}

TEST(GbkCodec, UnencodableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Gbk::encode(QStringLiteral("a😀b")), QByteArray("a?b"));
    EXPECT_EQ(Gbk::encode(QStringLiteral("ä")), QByteArray("?"));
    EXPECT_FALSE(Gbk::canEncode(QStringLiteral("😀")));
    EXPECT_TRUE(Gbk::canEncode(QStringLiteral("随笔 Q&A")));
}

// Text read from the host is written back (task file, pages) and read again: what a broken byte
// decoded to must come back the same, not as "?".
TEST(GbkCodec, ReplacementCharacterSurvivesEncodeAndDecode)
{
    const QString text = Gbk::decode(QByteArray("ab\xFF"
                                                "cd\x81\n\xB1"));
    EXPECT_EQ(text, QStringLiteral("ab\uFFFDcd\uFFFD\n\uFFFD"));
    EXPECT_EQ(Gbk::decode(Gbk::encode(text)), text);
    EXPECT_FALSE(Gbk::canEncode(QStringLiteral("\uFFFD")));
}

TEST(GbkCodec, RoundTripsEveryDoubleByteCharacter)
{
    QByteArray all;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const QString c = Gbk::decode(QByteArray(pair, 2));
            if (c != QStringLiteral("\uFFFD") && c.size() == 1)
                all += QByteArray(pair, 2);
        }
    }
    EXPECT_GT(all.size(), 2 * 21000); // GBK holds about 21,900 double-byte characters
    EXPECT_EQ(Gbk::encode(Gbk::decode(all)), all);
}

TEST(LineWriter, WritesGbkWithCrLfAndNoByteOrderMark)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("a.htm"));
    ASSERT_TRUE(LineWriter::writeLines(path, {QStringLiteral("标题"), QString(), QStringLiteral("x")}));
    EXPECT_EQ(readAll(path), QByteArray("\xB1\xEA\xCC\xE2\r\n\r\nx\r\n"));
    ASSERT_TRUE(LineWriter::writeLines(path, {QStringLiteral("y")}, LineWriter::Mode::Append));
    EXPECT_EQ(readAll(path), QByteArray("\xB1\xEA\xCC\xE2\r\n\r\nx\r\ny\r\n"));
    ASSERT_TRUE(LineWriter::writeLines(path, {QStringLiteral("z")}, LineWriter::Mode::Atomic));
    EXPECT_EQ(readAll(path), QByteArray("z\r\n"));
}

TEST(LineWriter, ReportsAFileThatCannotBeCreated)
{
    TempFolder folder;
    const auto result = LineWriter::writeLines(folder.file(QStringLiteral("missing/a.htm")), {QStringLiteral("x")});
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.error().isEmpty());
}

class LineWriterFullDisk : public ::testing::TestWithParam<LineWriter::Mode>
{
protected:
    void TearDown() override { LineWriter::setFullDiskHook({}); }
};

TEST_P(LineWriterFullDisk, ReportsTheSystemsReason)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("a.htm"));
    LineWriter::setFullDiskHook([](const QString &) { return true; });
    const auto result = LineWriter::writeBytes(path, QByteArray(100, 'x'), GetParam());
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().contains(QStringLiteral("No space left on device"))) << result.error().toStdString();
    EXPECT_TRUE(result.error().contains(path)) << result.error().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Modes, LineWriterFullDisk,
                         ::testing::Values(LineWriter::Mode::Truncate, LineWriter::Mode::Append,
                                           LineWriter::Mode::Atomic));

TEST_F(LineWriterFullDisk, FailedAtomicWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("a.htm"));
    writeAll(path, "old");
    LineWriter::setFullDiskHook([](const QString &) { return true; });
    EXPECT_FALSE(LineWriter::writeBytes(path, "new", LineWriter::Mode::Atomic));
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.htm")});
}

// A real full file system where the test may mount one (as root); the hook above stands in for it
// elsewhere.
TEST(LineWriterOnTmpfs, FullFileSystemIsReportedWithTheSystemsReason)
{
    TempFolder folder;
    const QByteArray mountPoint = QFile::encodeName(folder.path());
    if (::geteuid() != 0 || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{mountPoint};
    writeAll(folder.file(QStringLiteral("old.htm")), "old");
    for (const LineWriter::Mode mode : {LineWriter::Mode::Truncate, LineWriter::Mode::Atomic}) {
        const QString path =
            folder.file(mode == LineWriter::Mode::Atomic ? QStringLiteral("old.htm") : QStringLiteral("new.htm"));
        for (const qsizetype size : {qsizetype(100), qsizetype(200 * 1024)}) {
            writeAll(folder.file(QStringLiteral("filler")), QByteArray());
            QFile filler(folder.file(QStringLiteral("filler")));
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
            }
            filler.close();
            const auto result = LineWriter::writeBytes(path, QByteArray(size, 'x'), mode);
            ASSERT_FALSE(result) << size;
            EXPECT_TRUE(result.error().contains(QStringLiteral("No space left on device")))
                << size << " " << result.error().toStdString();
        }
    }
    EXPECT_EQ(readAll(folder.file(QStringLiteral("old.htm"))), "old");
}
