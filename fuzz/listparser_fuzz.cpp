#include "blog/listparser.h"
#include "common/gbkcodec.h"
#include "fuzzcheck.h"

using namespace Blog::ListParser;

// The input is one or two pages of a Find, cut at the first NUL, read as the host's GBK.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzzBytes(data, size);
    const qsizetype cut = bytes.indexOf('\0');
    const QString pages[] = {Gbk::decode(cut < 0 ? bytes : bytes.first(cut)),
                             cut < 0 ? QString() : Gbk::decode(bytes.sliced(cut + 1))};

    const int highest = highestPageNumber(pages[0]);
    check(highest >= 0 && highest <= MaxPageNumber, "the page number stays within 0..MaxPageNumber");

    Entry carry;
    for (const QString &page : pages) {
        qsizetype entryLines = 0;
        for (const QString &line : splitListPage(page)) {
            if (line.contains(QStringLiteral("<div class=\"tit\"><a")) && line.contains(QStringLiteral("/blog/item/")))
                ++entryLines;
        }
        const QList<Entry> entries = parseListPage(page, carry);
        check(entries.size() <= entryLines, "at most one entry per entry line");
        for (const Entry &e : entries)
            check(e.link.size() <= 29, "a link is at most 29 characters");
    }
    return 0;
}
