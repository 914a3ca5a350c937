#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace HelpFile {

// The names files get inside the compiled copy. Readers outside Windows look names up by their
// bytes and without regard to ASCII case, so every stored name is ASCII and no two differ only in
// case. A name that is ASCII already stays as it is; any other character becomes "u" and four
// hexadecimal digits per UTF-16 unit (随笔 → u968fu7b14), and so do the ASCII characters that links
// cannot carry plainly (blanks, "#", "%", "?", quotes). A segment that would pass 251 characters
// keeps its beginning and extension with a hash of the whole between, so that the files can still be
// extracted. Of two names that would still collide, the one later in code-unit order gets "~2" (or
// "~3"…) before its extension, in its own folder.
class StoredNames
{
public:
    // `sourceNames` are paths relative to the project folder with "/" separators, each once.
    explicit StoredNames(QStringList sourceNames);

    // The stored name of one of the source names; the name itself when it was not given.
    QString name(const QString &sourceName) const;

    // One path segment made ASCII as described above, without making it unique.
    static QString asciiSegment(QStringView segment);

private:
    QString claim(const QString &parent, const QString &segment, bool file);

    QHash<QString, QString> m_files;   // source path -> stored path
    QHash<QString, QString> m_folders; // source folder -> stored folder
    QSet<QString> m_taken;             // stored paths, ASCII case folded
};

} // namespace HelpFile
