#include "helpfile/storednames.h"

#include "common/asciitext.h"

#include <algorithm>

namespace HelpFile {

namespace {

// Readers that extract the files need names their file system takes; "~n" may still follow.
constexpr qsizetype MaxSegment = 255 - 4;
constexpr qsizetype MaxExtension = 16;

// FNV-1a over the UTF-16 units: the same on every run, unlike qHash.
quint32 stableHash(QStringView text)
{
    quint32 h = 2166136261u;
    for (QChar c : text) {
        h = (h ^ (c.unicode() & 0xFF)) * 16777619u;
        h = (h ^ (c.unicode() >> 8)) * 16777619u;
    }
    return h;
}

bool isPlain(char16_t c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    for (char plain : {'-', '_', '.', '~', '!', '$', '(', ')', '*', '+', ',', '=', '@'}) {
        if (c == static_cast<char16_t>(plain))
            return true;
    }
    return false;
}

QString joined(const QString &parent, const QString &segment)
{
    return parent.isEmpty() ? segment : parent + QLatin1Char('/') + segment;
}

} // namespace

QString StoredNames::asciiSegment(QStringView segment)
{
    QString out;
    out.reserve(segment.size());
    for (QChar c : segment) {
        if (isPlain(c.unicode()))
            out.append(c);
        else
            out += QLatin1Char('u') + QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

StoredNames::StoredNames(QStringList sourceNames)
{
    // Names are claimed in one fixed order, so the same files always get the same names.
    std::sort(sourceNames.begin(), sourceNames.end());
    for (const QString &source : std::as_const(sourceNames)) {
        const QStringList segments = source.split(QLatin1Char('/'));
        QString sourceFolder;
        QString storedFolder;
        for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
            sourceFolder = joined(sourceFolder, segments[i]);
            const auto it = m_folders.constFind(sourceFolder);
            if (it != m_folders.cend()) {
                storedFolder = *it;
                continue;
            }
            storedFolder = claim(storedFolder, segments[i], false);
            m_folders.insert(sourceFolder, storedFolder);
        }
        m_files.insert(source, claim(storedFolder, segments.last(), true));
    }
}

QString StoredNames::claim(const QString &parent, const QString &segment, bool file)
{
    const QString ascii = asciiSegment(segment);
    // The extension stays last, so that readers still know the kind of file.
    const qsizetype dot = file ? ascii.lastIndexOf(QLatin1Char('.')) : -1;
    const bool hasExtension = dot > 0 && ascii.size() - dot <= MaxExtension;
    QString stem = hasExtension ? ascii.left(dot) : ascii;
    const QString extension = hasExtension ? ascii.mid(dot) : QString();
    // A long name keeps its beginning and gets a hash of the whole for the rest.
    if (stem.size() + extension.size() > MaxSegment)
        stem = stem.left(MaxSegment - extension.size() - 9) + QLatin1Char('~') +
               QStringLiteral("%1").arg(stableHash(segment), 8, 16, QLatin1Char('0'));
    QString candidate = joined(parent, stem + extension);
    for (int n = 2; m_taken.contains(AsciiText::folded(candidate)); ++n)
        candidate = joined(parent, stem + QLatin1Char('~') + QString::number(n) + extension);
    m_taken.insert(AsciiText::folded(candidate));
    return candidate;
}

QString StoredNames::name(const QString &sourceName) const
{
    return m_files.value(sourceName, sourceName);
}

} // namespace HelpFile
