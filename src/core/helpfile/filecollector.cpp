#include "helpfile/filecollector.h"

#include "common/asciitext.h"
#include "helpfile/helpproject.h"
#include "helpfile/htmlscan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace HelpFile {

namespace {

bool isPage(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") || suffix == QLatin1String("xhtml") ||
           suffix == QLatin1String("shtml");
}

QString folderOf(const QString &relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relative.left(slash);
}

} // namespace

FileCollector::FileCollector(const HelpProject &project)
    : m_project(project)
    , m_root(project.folder)
{}

std::optional<QString> FileCollector::normalize(const QString &name, const QString &fromFolder)
{
    QString path = name.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts;
    if (!path.startsWith(QLatin1Char('/')) && !fromFolder.isEmpty())
        parts = fromFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return std::nullopt;
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QLatin1Char('/'));
}

bool FileCollector::isExternal(const QString &target)
{
    if (target.startsWith(QLatin1String("//")) || target.startsWith(QLatin1String("\\\\")) ||
        target.startsWith(QLatin1Char('#')))
        return true;
    // A scheme: a letter, then letters, digits, "+", "-" or ".", then ":" (this also takes "C:").
    for (qsizetype i = 0; i < target.size(); ++i) {
        const char16_t c = target[i].unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c == ':')
            return i > 0;
        if (!(letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
            return false;
    }
    return false;
}

QString FileCollector::stripAnchor(const QString &target)
{
    qsizetype end = target.size();
    for (QChar stop : {QLatin1Char('#'), QLatin1Char('?')}) {
        const qsizetype at = target.indexOf(stop);
        if (at >= 0)
            end = std::min(end, at);
    }
    return target.left(end);
}

// The name as it lies on disk: exact when that exists, else matched folder by folder without regard to
// ASCII case, as the viewer looks names up (the first match in name order, so always the same one).
std::optional<QString> FileCollector::locate(const QString &relative) const
{
    if (QFileInfo(m_root + QLatin1Char('/') + relative).isFile())
        return relative;
    QString found;
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString folder = found.isEmpty() ? m_root : m_root + QLatin1Char('/') + found;
        auto it = m_listings.find(folder);
        if (it == m_listings.end())
            it = m_listings.insert(
                folder, QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                               QDir::Name));
        const QString key = AsciiText::folded(parts.at(i));
        QString match;
        for (const QString &entry : *it) {
            if (AsciiText::folded(entry) == key) {
                match = entry;
                break;
            }
        }
        if (match.isEmpty())
            return std::nullopt;
        found = found.isEmpty() ? match : found + QLatin1Char('/') + match;
    }
    if (!QFileInfo(m_root + QLatin1Char('/') + found).isFile())
        return std::nullopt;
    return found;
}

Result<QString> FileCollector::add(const QString &relative)
{
    if (const auto it = m_byName.constFind(relative); it != m_byName.cend())
        return m_files[static_cast<size_t>(*it)].name;
    const QString path = m_root + QLatin1Char('/') + relative;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QString>::failure(
            QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result<QString>::failure(
            QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const bool page = isPage(relative);
    // A page of 0 bytes was cut short when it was written; packing it would hide the loss.
    if (page && data.isEmpty())
        return Result<QString>::failure(QStringLiteral("The page %1 is empty: it was cut short when it was written.")
                                            .arg(QDir::toNativeSeparators(path)));
    m_byName.insert(relative, static_cast<qsizetype>(m_files.size()));
    m_files.push_back({relative, std::move(data), page});
    return relative;
}

Result<QString> FileCollector::require(const QString &name, const QString &what)
{
    const std::optional<QString> relative = normalize(name, QString());
    if (!relative)
        return Result<QString>::failure(
            QStringLiteral("The %1 %2 does not name a file inside the project folder.").arg(what, name));
    const std::optional<QString> onDisk = locate(*relative);
    if (!onDisk)
        return Result<QString>::failure(QStringLiteral("The %1 %2 is missing: %3")
                                            .arg(what, name, QDir::toNativeSeparators(m_root + u'/' + *relative)));
    return add(*onDisk);
}

Result<bool> FileCollector::addListed(const QString &name)
{
    const std::optional<QString> relative = normalize(name, QString());
    if (!relative)
        return Result<bool>::failure(
            QStringLiteral("The [FILES] entry %1 does not name a file inside the project folder.").arg(name));
    const std::optional<QString> onDisk = locate(*relative);
    if (!onDisk) {
        m_missingKeys.insert(AsciiText::folded(*relative));
        return false;
    }
    if (Result<QString> added = add(*onDisk); !added)
        return failureFrom<bool>(added);
    return true;
}

Result<std::optional<QString>> FileCollector::addIfPresent(const QString &name, const QString &fromFolder)
{
    using R = Result<std::optional<QString>>;
    const QString target = stripAnchor(name.trimmed());
    if (target.isEmpty() || isExternal(target))
        return R(std::nullopt);
    const auto key = std::make_pair(fromFolder, target);
    if (const auto known = m_followed.constFind(key); known != m_followed.cend())
        return R(*known);
    const std::optional<QString> relative = normalize(target, fromFolder);
    if (!relative) {
        m_followed.insert(key, std::nullopt);
        return R(std::nullopt);
    }
    const std::optional<QString> onDisk = locate(*relative);
    if (!onDisk) {
        if (!m_missingKeys.contains(AsciiText::folded(*relative))) {
            m_missingKeys.insert(AsciiText::folded(*relative));
            m_missing.append(*relative);
        }
        m_followed.insert(key, std::nullopt);
        return R(std::nullopt);
    }
    Result<QString> added = add(*onDisk);
    if (!added)
        return failureFrom<std::optional<QString>>(added);
    m_followed.insert(key, *added);
    return R(std::optional<QString>(*added));
}

Result<void> FileCollector::followLinks()
{
    // Pages are appended while they are scanned, so walk by index.
    for (; m_scanned < static_cast<qsizetype>(m_files.size()); ++m_scanned) {
        if (!m_files[static_cast<size_t>(m_scanned)].page)
            continue;
        const QString folder = folderOf(m_files[static_cast<size_t>(m_scanned)].name);
        const std::vector<QByteArray> links = Html::linkValues(m_files[static_cast<size_t>(m_scanned)].data);
        for (const QByteArray &link : links) {
            Result<std::optional<QString>> added = addIfPresent(m_project.decode(link), folder);
            if (!added)
                return Result<void>::failure(added.error());
        }
    }
    return {};
}

std::optional<QString> FileCollector::resolve(const QString &name, const QString &fromFolder) const
{
    const QString target = stripAnchor(name.trimmed());
    if (target.isEmpty() || isExternal(target))
        return std::nullopt;
    if (const auto known = m_followed.constFind(std::make_pair(fromFolder, target)); known != m_followed.cend())
        return *known;
    const std::optional<QString> relative = normalize(target, fromFolder);
    if (!relative)
        return std::nullopt;
    const std::optional<QString> onDisk = locate(*relative);
    if (!onDisk || !m_byName.contains(*onDisk))
        return std::nullopt;
    return onDisk;
}

void FileCollector::replaceData(const QString &name, QByteArray data)
{
    if (const auto it = m_byName.constFind(name); it != m_byName.cend())
        m_files[static_cast<size_t>(*it)].data = std::move(data);
}

} // namespace HelpFile
