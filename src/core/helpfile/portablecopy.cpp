#include "helpfile/portablecopy.h"

#include "common/asciitext.h"
#include "common/bytesplice.h"
#include "helpfile/filecollector.h"
#include "helpfile/htmlscan.h"

#include <QSet>
#include <algorithm>

namespace HelpFile {

namespace {

using ByteSplice::Edit;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when an "&" at `at` begins a character reference such as "&amp;", "&#35;" or "&#x23;".
bool startsEntity(QByteArrayView text, qsizetype at)
{
    qsizetype i = at + 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        while (i < text.size() && (hex ? isHexDigit(text[i]) : isDigit(text[i])))
            ++i;
        return i > digits && i < text.size() && text[i] == ';';
    }
    if (i >= text.size() || !AsciiText::isLetter(text[i]))
        return false;
    while (i < text.size() && (AsciiText::isLetter(text[i]) || isDigit(text[i])))
        ++i;
    return i < text.size() && text[i] == ';';
}

// A raw attribute value made fit to stand between double quotes. Markup bytes never occur inside a
// GBK character, so this works byte by byte.
QByteArray quotable(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        switch (value[i]) {
        case '"':
            out.append("&quot;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append(startsEntity(value, i) ? "&" : "&amp;");
            break;
        default:
            out.append(value[i]);
        }
    }
    return out;
}

bool containsNoCase(QByteArrayView text, QByteArrayView lowerNeedle)
{
    return text.toByteArray().toLower().contains(lowerNeedle);
}

QString folderOf(const QString &relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relative.left(slash);
}

} // namespace

QByteArray charsetOf(quint32 lcid)
{
    switch (lcid) {
    case 0x0804: // Chinese (PRC)
    case 0x1004: // Chinese (Singapore)
        return QByteArrayLiteral("gbk");
    case 0x0404: // Chinese (Taiwan)
    case 0x0C04: // Chinese (Hong Kong)
    case 0x1404: // Chinese (Macao)
        return QByteArrayLiteral("big5");
    case 0x0411:
        return QByteArrayLiteral("shift_jis");
    case 0x0412:
        return QByteArrayLiteral("euc-kr");
    default:
        break;
    }
    switch (lcid & 0x3FF) { // the primary language
    case 0x07:              // German
    case 0x09:              // English
    case 0x0A:              // Spanish
    case 0x0C:              // French
    case 0x10:              // Italian
    case 0x13:              // Dutch
    case 0x16:              // Portuguese
        return QByteArrayLiteral("windows-1252");
    case 0x19: // Russian
        return QByteArrayLiteral("windows-1251");
    default:
        return {};
    }
}

QString relativePath(const QString &fromFolder, const QString &to)
{
    const QStringList from = fromFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList target = to.split(QLatin1Char('/'));
    qsizetype common = 0;
    while (common < from.size() && common + 1 < target.size() && from[common] == target[common])
        ++common;
    QString out;
    for (qsizetype i = common; i < from.size(); ++i)
        out += QStringLiteral("../");
    return out + target.mid(common).join(QLatin1Char('/'));
}

QByteArray portablePage(QByteArrayView html, const Relinker &relink, QByteArrayView charset)
{
    std::vector<Edit> edits;
    bool declared = html.startsWith("\xEF\xBB\xBF");
    QByteArray rawText; // "script" or "style" while inside one: "<" there is code, not text
    Html::forEachTag(
        html,
        [&](const Html::Tag &tag) {
            if (tag.name == "script" || tag.name == "style")
                rawText = tag.name;
            else if (!rawText.isEmpty() && tag.name == "/" + rawText)
                rawText.clear();
            for (const Html::Attribute &a : tag.attributes) {
                if (tag.name == "meta" &&
                    (a.name == "charset" || (a.name == "content" && containsNoCase(a.value, "charset="))))
                    declared = true;
                else if (tag.name == "?xml" && a.name == "encoding")
                    declared = true;
                if (!Html::isLinkAttribute(a.name) || a.valueStart < 0)
                    continue;
                const auto [start, end] = HtmlTags::trimmedValueSpan(html, a);
                const Relink r = relink(html.sliced(start, end - start));
                if (r.kind == Relink::Replace && html.sliced(start, end - start) != r.target)
                    edits.push_back({start, end, r.target});
            }
        },
        [&](qsizetype at) {
            if (rawText.isEmpty())
                edits.push_back({at, at + 1, QByteArrayLiteral("&lt;")});
        });
    QByteArray prefix;
    if (!declared && !charset.isEmpty())
        prefix = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset.toByteArray() + "\">\r\n";
    return ByteSplice::apply(html, std::move(edits), prefix);
}

QByteArray portableSitemap(QByteArrayView sitemap, const Relinker &relink, int *dropped)
{
    std::vector<Edit> edits;
    struct Entry
    {
        qsizetype start;  // the <LI> before the object, or the object itself
        size_t firstEdit; // edits made inside the entry
        bool missing = false;
        bool reachable = false;
    };
    std::optional<Entry> entry;
    qsizetype itemStart = -1;
    qsizetype itemEnd = -1;
    const auto onlySpaceBetween = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (!AsciiText::isSpace(sitemap[i]))
                return false;
        }
        return true;
    };
    Html::forEachTag(sitemap, [&](const Html::Tag &tag) {
        if (tag.name == "li") {
            itemStart = tag.start;
            itemEnd = tag.end;
        } else if (tag.name == "object") {
            const bool inItem = itemEnd >= 0 && onlySpaceBetween(itemEnd, tag.start);
            entry = Entry{inItem ? itemStart : tag.start, edits.size()};
        } else if (tag.name == "param") {
            QByteArray name;
            QByteArray value;
            for (const Html::Attribute &a : tag.attributes) {
                if (a.name == "name")
                    name = a.value;
                else if (a.name == "value")
                    value = a.value;
            }
            if (entry && name.trimmed().toLower() == "local") {
                const Relink r = relink(value.trimmed());
                if (r.kind == Relink::Replace)
                    value = r.target;
                entry->missing = entry->missing || r.kind == Relink::Missing;
                entry->reachable = entry->reachable || r.kind != Relink::Missing;
            }
            edits.push_back(
                {tag.start, tag.end, "<param name=\"" + quotable(name) + "\" value=\"" + quotable(value) + "\">"});
        } else if (tag.name == "/object" && entry) {
            if (entry->missing && !entry->reachable) {
                // The whole entry goes, with its line when it stands on one of its own.
                edits.erase(edits.begin() + static_cast<qsizetype>(entry->firstEdit), edits.end());
                qsizetype start = entry->start;
                while (start > 0 && (sitemap[start - 1] == ' ' || sitemap[start - 1] == '\t'))
                    --start;
                qsizetype end = tag.end;
                if (start == 0 || sitemap[start - 1] == '\n') {
                    while (end < sitemap.size() && (sitemap[end] == ' ' || sitemap[end] == '\t'))
                        ++end;
                    if (sitemap.sliced(end).startsWith("\r\n"))
                        end += 2;
                    else if (end < sitemap.size() && sitemap[end] == '\n')
                        ++end;
                } else {
                    start = entry->start;
                }
                edits.push_back({start, end, {}});
                if (dropped)
                    ++*dropped;
            }
            entry.reset();
        }
    });
    return ByteSplice::apply(sitemap, std::move(edits));
}

PortableCopy::PortableCopy(const HelpProject &project, const FileCollector &collector, const QStringList &sitemaps)
    : m_project(project)
    , m_collector(collector)
    , m_names([&] {
        QStringList names;
        for (const CollectedFile &f : collector.files())
            names << f.name;
        return names;
    }())
    , m_storedProject(project)
{
    const QByteArray charset = charsetOf(project.lcid);
    const QSet<QString> sitemapNames(sitemaps.cbegin(), sitemaps.cend());
    m_files.reserve(collector.files().size());
    for (const CollectedFile &f : collector.files()) {
        StoredFile stored{f.name, m_names.name(f.name), {}};
        if (sitemapNames.contains(f.name))
            stored.data = portableSitemap(f.data, relinker(QString(), QString()), &m_dropped);
        else if (f.page)
            stored.data = portablePage(f.data, relinker(folderOf(f.name), folderOf(stored.name)), charset);
        else
            stored.data = f.data;
        m_files.push_back(std::move(stored));
    }

    const auto replace = [&](QString &name) {
        if (const std::optional<QString> stored = storedName(name))
            name = *stored;
    };
    replace(m_storedProject.contentsFile);
    replace(m_storedProject.indexFile);
    replace(m_storedProject.defaultTopic);
    for (WindowDefinition &w : m_storedProject.windows) {
        for (int field : {1, 2, 3, 4}) {
            if (field < w.fields.size())
                replace(w.fields[field]);
        }
    }
}

std::optional<QString> PortableCopy::storedName(const QString &name, const QString &fromFolder) const
{
    const std::optional<QString> source = m_collector.resolve(name, fromFolder);
    if (!source)
        return std::nullopt;
    return m_names.name(*source);
}

Relinker PortableCopy::relinker(const QString &fromFolder, const QString &storedFolder) const
{
    return [this, fromFolder, storedFolder](QByteArrayView raw) {
        const QString target = m_project.decode(Html::linkTarget(raw));
        const QString path = FileCollector::stripAnchor(target.trimmed());
        if (path.isEmpty() || FileCollector::isExternal(path))
            return Relink{};
        const std::optional<QString> stored = storedName(path, fromFolder);
        if (!stored)
            return Relink{Relink::Missing};
        // An anchor or query stays as written.
        qsizetype suffix = raw.size();
        for (char stop : {'#', '?'}) {
            const qsizetype at = raw.indexOf(stop);
            if (at >= 0)
                suffix = std::min(suffix, at);
        }
        return Relink{Relink::Replace,
                      relativePath(storedFolder, *stored).toLatin1() + raw.sliced(suffix).toByteArray()};
    };
}

} // namespace HelpFile
