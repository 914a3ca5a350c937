#include "blog/listparser.h"

namespace Blog::ListParser {

namespace {

const QString PagerMarker = QStringLiteral("0>[首页]</a>");
const QString EntryMarker = QStringLiteral("<div class=\"tit\"><a");
const QString ArticlePathMarker = QStringLiteral("/blog/item/");
const QString TitleEndMarker = QStringLiteral("</a></div>");
const QString CategoryLineMarker = QStringLiteral(">类别");
const QString CategoryTextMarker = QStringLiteral(">类别：");
const QString LinkMarker = QStringLiteral("item/");
const QString DateLineMarker = QStringLiteral("<div class=");
constexpr int LinkLength = 29;

// Forward searches for one marker over the lines of one page. Callers ask with a non-decreasing
// start line, so the page is scanned once per marker however many entries ask.
class LineFinder
{
public:
    LineFinder(const QStringList &lines, const QString &marker)
        : m_lines(lines)
        , m_marker(marker)
    {}

    // The index of the first line from `from` on that holds the marker, or -1.
    qsizetype next(qsizetype from)
    {
        // No line in [m_scannedFrom, m_found) holds the marker, so the last answer holds for any
        // start up to it (or to the end when there was none).
        if (m_scannedFrom >= 0 && from >= m_scannedFrom && (m_found < 0 || from <= m_found))
            return m_found;
        return scan(from);
    }

private:
    qsizetype scan(qsizetype from)
    {
        m_scannedFrom = from;
        m_found = -1;
        for (qsizetype i = from; i < m_lines.size(); ++i) {
            if (m_lines[i].contains(m_marker)) {
                m_found = i;
                break;
            }
        }
        return m_found;
    }

    const QStringList &m_lines;
    const QString &m_marker;
    qsizetype m_scannedFrom = -1;
    qsizetype m_found = -1;
};

// A part of a line by 1-based start and length; no value when the length is negative, the case
// in which the host's pages give no field.
bool cut(const QString &line, qsizetype start, qsizetype length, QString &out)
{
    if (length < 0 || start < 1)
        return false;
    out = line.mid(start - 1, length);
    return true;
}

} // namespace

int highestPageNumber(const QString &page)
{
    int highest = 0;
    const QStringList lines = page.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.contains(PagerMarker))
            continue;
        const QStringList pieces = line.split(QStringLiteral("index/"));
        for (qsizetype i = 1; i < pieces.size(); ++i) {
            const QString &piece = pieces[i];
            const qsizetype gt = piece.indexOf(QLatin1Char('>')) + 1; // 1-based, 0 when absent
            if (gt < 3)
                continue;
            const QString digits = piece.left(gt - 2);
            bool allDigits = true;
            for (const QChar c : digits)
                allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
            if (!allDigits)
                continue;
            bool ok = false;
            const qlonglong n = digits.toLongLong(&ok);
            if (!ok)
                continue;
            highest = static_cast<int>(std::max<qlonglong>(highest, std::min<qlonglong>(n, MaxPageNumber)));
        }
    }
    return highest;
}

QStringList splitListPage(const QString &page)
{
    return page.split(QStringLiteral("\n\t"));
}

QList<Entry> parseListPage(const QString &page, Entry &carry)
{
    QList<Entry> entries;
    const QStringList lines = splitListPage(page);
    LineFinder titles(lines, TitleEndMarker);
    LineFinder categories(lines, CategoryLineMarker);
    LineFinder dates(lines, DateLineMarker);
    for (qsizetype j = 0; j < lines.size(); ++j) {
        const QString &line = lines[j];
        if (!line.contains(EntryMarker) || !line.contains(ArticlePathMarker))
            continue;
        const qsizetype titleLine = titles.next(j);
        const qsizetype categoryLine = categories.next(j);
        const qsizetype dateLine = dates.next(j + 2);
        if (titleLine < 0 || categoryLine < 0 || dateLine < 0)
            continue;

        const QString &t = lines[titleLine];
        if (t.size() >= 10)
            carry.title = t.left(t.size() - 10);

        const QString &c = lines[categoryLine];
        const qsizetype p = c.indexOf(CategoryTextMarker) + 1;
        cut(c, p + 4, c.size() - p - 9, carry.category);

        cut(line, line.indexOf(LinkMarker) + 1 + LinkMarker.size(), LinkLength, carry.link);

        const QString &d = lines[dateLine];
        const qsizetype q = d.indexOf(QLatin1Char('>')) + 1;
        cut(d, q + 1, d.size() - 24, carry.date);

        entries.append(carry);
    }
    return entries;
}

} // namespace Blog::ListParser
