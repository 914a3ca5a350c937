#include "archive/articlesaver.h"
#include "common/gbkcodec.h"
#include "fuzzcheck.h"

#include <QStringList>

using namespace Archive;

namespace {

const QString BodyStart = QStringLiteral("查看文章</span></div></td>");
const QString BodyEnd = QStringLiteral("网友评论：</div>");

} // namespace

// The input is an article page as the host sends it, read as GBK.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = Gbk::decode(fuzzBytes(data, size));
    const PreparedArticle article = prepareArticle(page, QStringLiteral("http://127.0.0.1:8642/"),
                                                   QStringLiteral("qiruvo"), QStringLiteral("a.html"));
    // The first line holding either marker decides: an end marker stops the scan with nothing kept,
    // while a start marker line is kept even when it holds the end marker too.
    for (const QStringView line : QStringView(page).split(QLatin1Char('\n'))) {
        if (line.contains(BodyStart)) {
            check(article.outcome == SaveOutcome::Saved, "a body start before any body end makes a body");
            break;
        }
        if (line.contains(BodyEnd))
            break;
    }
    switch (article.outcome) {
    case SaveOutcome::Broken:
        check(article.bytes.isEmpty(), "a broken page keeps nothing");
        check(!isHostPage(page), "a host page is never broken");
        return 0;
    case SaveOutcome::Withdrawn:
        check(isHostPage(page), "only a host page is withdrawn");
        check(article.bytes.endsWith("\r\n") && article.bytes.count('\n') == 1, "the notice is one line");
        return 0;
    case SaveOutcome::Saved:
        break;
    case SaveOutcome::Failed:
        check(false, "judging a page touches no file, so it cannot fail");
    }

    // The body: whole lines, the first holding the start marker, none after it the end marker
    // unless it holds the start marker too.
    check(article.bytes.size() >= 5 && article.bytes.endsWith("\r\n"), "a body is whole lines");
    QStringList lines = Gbk::decode(article.bytes).split(QLatin1Char('\n'));
    check(lines.takeLast().isEmpty(), "the body ends with a line end");
    check(lines.first().contains(BodyStart), "the body begins at the start marker");
    for (const QString &line : std::as_const(lines)) {
        check(line.endsWith(QLatin1Char('\r')), "every body line ends in CR LF");
        check(line.contains(BodyStart) || !line.contains(BodyEnd), "the body stops before the end marker");
    }
    check(article.bytes == articleBody(page), "the saved bytes are the cut body");
    return 0;
}
