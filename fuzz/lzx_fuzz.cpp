#include "chmreaders.h"
#include "fuzzcheck.h"
#include "helpfile/container.h"
#include "helpfile/lzxencoder.h"

#include <QFile>
#include <QTemporaryDir>

using namespace HelpFile;

namespace {

// Enough for four reset intervals, so that matches and resets cross frame and interval bounds.
constexpr qsizetype MaxData = 4 * Lzx::ResetInterval;

// Data from a recipe: literal bytes, runs, and copies at distances near and beyond the window, the
// shapes a match finder gets wrong. A few bytes of input make hundreds of kilobytes of data.
QByteArray expand(QByteArrayView recipe)
{
    QByteArray out;
    qsizetype at = 0;
    const auto next = [&]() -> int { return at < recipe.size() ? static_cast<unsigned char>(recipe[at++]) : 0; };
    while (at < recipe.size() && out.size() < MaxData) {
        const int op = next();
        const int count = (op & 0x3F) + 1;
        switch (op >> 6) {
        case 0: // literal bytes
            out.append(recipe.sliced(at, std::min<qsizetype>(count, recipe.size() - at)));
            at += count;
            break;
        case 1: // a run of one byte
            out.append(QByteArray(count * 64, static_cast<char>(next())));
            break;
        case 2:   // a copy within the window
        case 3: { // a copy from up to four windows back
            const int high = next();
            const qsizetype distance = (1 + (high << 8 | next())) * (op >> 6 == 3 ? 4 : 1);
            const qsizetype length = op >> 6 == 3 ? count * 64 : count * 8;
            if (distance > out.size())
                break;
            for (qsizetype i = 0; i < length; ++i)
                out.append(out.at(out.size() - distance));
            break;
        }
        }
    }
    out.truncate(std::min(out.size(), MaxData));
    return out;
}

} // namespace

// The input is the data of a help file's compressed section, raw or as a recipe (first byte, high
// bit set), spread over one to four files. The compiler compresses them into a help file, and the
// CHM readers of libmspack (which calls lzxd_init with the window bits, reset interval and length
// the file declares) and chmlib decode each file byte for byte. The files' names run opposite to
// their order in the section, so the readers start each one at its reset point.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("t.chm"));
    if (size < 1)
        return 0;
    const QByteArrayView input = fuzzBytes(data, size).sliced(1);
    const QByteArray content =
        data[0] & 0x80 ? expand(input) : input.first(std::min(input.size(), MaxData)).toByteArray();

    const int count = 1 + (data[0] & 3);
    std::vector<ContainerFile> files;
    ChmTest::Files expected;
    for (int k = 0; k < count; ++k) {
        const qsizetype from = content.size() * k / count;
        const qsizetype to = content.size() * (k + 1) / count;
        const QByteArray name = "/" + QByteArray(1, static_cast<char>('a' + count - 1 - k)) + ".bin";
        files.push_back({name, content.mid(from, to - from), false});
        expected.insert(name, files.back().data);
    }
    ContainerOptions options;
    options.threads = 1;
    const Result<QByteArray> chm = buildContainer(files, options);
    check(chm.ok(), "the help file is built");
    QFile out(path);
    check(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(*chm) == chm->size(),
          "the help file can be written");
    out.close();

    for (const ChmTest::ReadBack &back : {ChmTest::readWithMspack(path), ChmTest::readWithChmlib(path)}) {
        if (!back.problems.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(back.problems.join(u'\n')));
        check(back.problems.isEmpty(), "the readers read every file");
        check(ChmTest::differences(expected, back.files).isEmpty(), "every file decodes to its bytes");
    }
    return 0;
}
