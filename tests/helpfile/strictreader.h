#pragma once

// A strict reader of compiled help files, as the readers outside Windows behave: names are looked up
// with chmlib's chm_resolve_object exactly as written ("\" is part of a name, no other code page is
// tried), pages are shown in the charset they declare, and sitemap params must be quoted. Its own
// scanning is deliberately simple and shares nothing with the compiler's.

#include "common/gbkcodec.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <chm_lib.h>
#include <vector>

namespace ChmTest {

struct Link
{
    qsizetype start; // the raw value, quotes excluded
    qsizetype end;
    QByteArray value;
};

// Every href, src and background value inside a tag, in page order.
inline std::vector<Link> pageLinks(const QByteArray &page)
{
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z][^>]*>"));
    static const QRegularExpression attribute(
        QStringLiteral("[\\s\"'](href|src|background)\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>\"']+))"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<Link> links;
    const QString text = QString::fromLatin1(page); // one character per byte, so positions carry over
    for (auto tags = tag.globalMatch(text); tags.hasNext();) {
        const QRegularExpressionMatch t = tags.next();
        const qsizetype at = t.capturedStart();
        for (auto values = attribute.globalMatch(t.captured()); values.hasNext();) {
            const QRegularExpressionMatch v = values.next();
            const int group = v.capturedStart(3) >= 0 ? 3 : v.capturedStart(4) >= 0 ? 4 : 5;
            links.push_back({at + v.capturedStart(group), at + v.capturedEnd(group), v.captured(group).toLatin1()});
        }
    }
    return links;
}

inline bool isRemote(const QByteArray &target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return target.isEmpty() || target.startsWith('#') || target.startsWith("//") ||
           scheme.match(QString::fromLatin1(target)).hasMatch();
}

inline QByteArray withoutAnchor(QByteArray target)
{
    for (char stop : {'#', '?'}) {
        const qsizetype at = target.indexOf(stop);
        if (at >= 0)
            target.truncate(at);
    }
    return target.replace("&amp;", "&");
}

// "/dir/" + "../a/b.html" -> "/a/b.html"; empty when it leaves the root.
inline QByteArray joinPath(const QByteArray &folder, const QByteArray &target)
{
    QList<QByteArray> parts = target.startsWith('/') ? QList<QByteArray>() : folder.split('/');
    for (const QByteArray &part : target.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            while (!parts.isEmpty() && parts.last().isEmpty())
                parts.removeLast();
            if (parts.isEmpty())
                return {};
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QByteArray out;
    for (const QByteArray &part : parts) {
        if (!part.isEmpty())
            out += '/' + part;
    }
    return out;
}

inline QByteArray folderOf(const QByteArray &name)
{
    return name.left(name.lastIndexOf('/') + 1);
}

inline bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

inline bool isPageName(const QByteArray &name)
{
    const QByteArray lower = name.toLower();
    return lower.endsWith(".htm") || lower.endsWith(".html");
}

struct StrictReport
{
    bool opened = false;
    QStringList problems;
    QMap<QByteArray, QByteArray> files; // stored name -> bytes, folders left out
    int pages = 0;
    int links = 0;  // local page links that were resolved
    int locals = 0; // sitemap Locals that were resolved
};

// Reads every stored file and follows every local link and every Local.
inline StrictReport strictRead(const QString &path)
{
    StrictReport report;
    chmFile *chm = chm_open(QFile::encodeName(path).constData());
    if (!chm) {
        report.problems << QStringLiteral("chmlib cannot open ") + path;
        return report;
    }
    report.opened = true;
    std::vector<chmUnitInfo> units;
    chm_enumerate(
        chm, CHM_ENUMERATE_ALL,
        [](chmFile *, chmUnitInfo *ui, void *context) {
            static_cast<std::vector<chmUnitInfo> *>(context)->push_back(*ui);
            return CHM_ENUMERATOR_CONTINUE;
        },
        &units);
    for (chmUnitInfo &ui : units) {
        const QByteArray name(ui.path);
        if (!isAscii(name))
            report.problems << QStringLiteral("stored name is not ASCII: ") + QString::fromUtf8(name);
        if (name.endsWith('/'))
            continue;
        QByteArray data(static_cast<qsizetype>(ui.length), '\0');
        if (ui.length > 0)
            chm_retrieve_object(chm, &ui, reinterpret_cast<unsigned char *>(data.data()), 0,
                                static_cast<LONGINT64>(ui.length));
        report.files.insert(name, data);
    }
    const auto resolves = [&](const QByteArray &name) {
        chmUnitInfo found{};
        return chm_resolve_object(chm, name.constData(), &found) == CHM_RESOLVE_SUCCESS;
    };
    static const QRegularExpression param(QStringLiteral("<param\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression quotedParam(QStringLiteral("^<param name=\"([^\"]*)\" value=\"([^\"]*)\"\\s*/?>$"),
                                                QRegularExpression::CaseInsensitiveOption);
    for (auto it = report.files.cbegin(); it != report.files.cend(); ++it) {
        const QByteArray &name = it.key();
        const QByteArray &data = it.value();
        const QString shown = QString::fromUtf8(name);
        if (name.endsWith(".hhc") || name.endsWith(".hhk")) {
            for (auto params = param.globalMatch(QString::fromLatin1(data)); params.hasNext();) {
                const QString tag = params.next().captured();
                const QRegularExpressionMatch quoted = quotedParam.match(tag);
                if (!quoted.hasMatch()) {
                    report.problems << shown + QStringLiteral(": param not quoted: ") + Gbk::decode(tag.toLatin1());
                    continue;
                }
                if (quoted.captured(1).compare(QLatin1String("Local"), Qt::CaseInsensitive) != 0)
                    continue;
                const QByteArray local = quoted.captured(2).toLatin1();
                if (!isAscii(local))
                    report.problems << shown + QStringLiteral(": Local is not ASCII: ") + Gbk::decode(local);
                if (isRemote(local))
                    continue;
                ++report.locals;
                if (!resolves(joinPath("/", withoutAnchor(local))))
                    report.problems << shown + QStringLiteral(": Local leads nowhere: ") + Gbk::decode(local);
            }
            continue;
        }
        if (!isPageName(name))
            continue;
        ++report.pages;
        if (!data.left(1024).toLower().contains("charset=gbk"))
            report.problems << shown + QStringLiteral(": no charset=gbk in the first 1,024 bytes");
        for (const Link &link : pageLinks(data)) {
            const QByteArray target = link.value.trimmed();
            if (isRemote(target))
                continue;
            if (!isAscii(target))
                report.problems << shown + QStringLiteral(": link is not ASCII: ") + Gbk::decode(target);
            ++report.links;
            if (!resolves(joinPath(folderOf(name), withoutAnchor(target))))
                report.problems << shown + QStringLiteral(": link leads nowhere: ") + Gbk::decode(target);
        }
    }
    chm_close(chm);
    return report;
}

// The stored page without the charset declaration the compiler puts first, and with "&lt;" read
// back as the "<" it stands for.
inline QByteArray unstoredText(QByteArray stored)
{
    static const QByteArray declaration = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n";
    if (stored.startsWith(declaration))
        stored.remove(0, declaration.size());
    return stored.replace("&lt;", "<");
}

// The page cut at its link values: the text between them, and the values.
inline std::pair<QList<QByteArray>, QList<QByteArray>> splitAtLinks(const QByteArray &page)
{
    QList<QByteArray> text;
    QList<QByteArray> values;
    qsizetype at = 0;
    for (const Link &link : pageLinks(page)) {
        text << page.mid(at, link.start - at);
        values << link.value;
        at = link.end;
    }
    text << page.mid(at);
    return {text, values};
}

// Whether a stored page is its page on disk but for the declaration and the link values, each of
// which, where it changed, leads inside the compiled file to the copy of the file the original leads
// to on disk. Pages reached that way are compared the same way, without following their links.
inline QStringList contentKept(const QString &diskRoot, const QString &diskName, const StrictReport &chm,
                               const QByteArray &storedName, bool followLinks = true)
{
    QStringList problems;
    const QString shown = diskName + QStringLiteral(" as ") + QString::fromUtf8(storedName);
    // A link may name its file in another case, as Windows allows.
    QString path = diskRoot + QLatin1Char('/') + diskName;
    if (!QFileInfo::exists(path)) {
        const QFileInfo wanted(path);
        for (const QString &entry : wanted.dir().entryList(QDir::Files)) {
            if (entry.compare(wanted.fileName(), Qt::CaseInsensitive) == 0)
                path = wanted.dir().filePath(entry);
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read ") + diskName};
    const QByteArray disk = file.readAll();
    if (!chm.files.contains(storedName))
        return {QStringLiteral("not stored: ") + shown};
    if (!isPageName(storedName)) {
        if (chm.files.value(storedName) != disk)
            problems << QStringLiteral("bytes differ: ") + shown;
        return problems;
    }
    const auto [diskText, diskLinks] = splitAtLinks(QByteArray(disk).replace("&lt;", "<"));
    const auto [storedText, storedLinks] = splitAtLinks(unstoredText(chm.files.value(storedName)));
    if (diskText != storedText || diskLinks.size() != storedLinks.size())
        return {QStringLiteral("text differs: ") + shown};
    if (!followLinks)
        return problems;
    const QString diskFolder = QFileInfo(diskName).path();
    for (qsizetype i = 0; i < diskLinks.size(); ++i) {
        if (diskLinks[i] == storedLinks[i])
            continue;
        const QByteArray original = diskLinks[i].trimmed();
        const QByteArray stored = storedLinks[i].trimmed();
        if (original.mid(withoutAnchor(original).size()) != stored.mid(withoutAnchor(stored).size()))
            problems << shown + QStringLiteral(": anchor changed in ") + Gbk::decode(original);
        QString target = Gbk::decode(withoutAnchor(original));
        target.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString onDisk = QDir::cleanPath(diskFolder + QLatin1Char('/') + target);
        const QByteArray inside = joinPath(folderOf(storedName), withoutAnchor(stored));
        problems << contentKept(diskRoot, onDisk, chm, inside, false);
    }
    return problems;
}

} // namespace ChmTest
