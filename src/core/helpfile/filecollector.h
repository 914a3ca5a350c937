#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace HelpFile {

struct HelpProject;

struct CollectedFile
{
    QString name; // relative to the project folder, "/" separators, as named on disk
    QByteArray data;
    bool page = false; // HTML, whose links are followed
};

// Gathers the files of a help file: those the project names and every local file their links reach,
// all inside the project folder. Names from the project are text in its code page with "\" or "/".
// A name finds the file of exactly that name, else one whose name differs only in ASCII case, as the
// viewer looks names up; files whose names differ only in case are different files. Every failure
// to add a file names it: unreadable, or a page of 0 bytes (cut short when it was written).
class FileCollector
{
public:
    explicit FileCollector(const HelpProject &project);

    // Adds a file that must exist; `what` names its role in the error ("contents file").
    Result<QString> require(const QString &name, const QString &what);
    // Adds a file that the project lists; false when it is missing, which the caller reports.
    Result<bool> addListed(const QString &name);
    // Adds a file if it exists; nothing when it is missing, outside the folder or not local.
    Result<std::optional<QString>> addIfPresent(const QString &name, const QString &fromFolder = QString());
    // Follows href, src and background links of every page added so far and of those they reach.
    Result<void> followLinks();

    // The name of the added file that a project name or link written in `fromFolder` leads to; a link
    // already followed is answered from memory, without looking at the folder again.
    std::optional<QString> resolve(const QString &name, const QString &fromFolder = QString()) const;

    const std::vector<CollectedFile> &files() const { return m_files; }
    // Puts other bytes in place of an added file's, for the compiled copy only; the links of the
    // new bytes are not followed.
    void replaceData(const QString &name, QByteArray data);
    // Link targets that name no file, relative to the project folder, each once; listed files that
    // are missing are not repeated here.
    const QStringList &missingLinks() const { return m_missing; }

    // A project-relative path for a name written relative to `fromFolder`: backslashes become "/",
    // "." and ".." are resolved, and a name that would leave the folder gives nothing.
    static std::optional<QString> normalize(const QString &name, const QString &fromFolder);
    // True for targets that are not local files: "http:", "mailto:", "ms-its:", "//host", "#anchor".
    static bool isExternal(const QString &target);
    // The target without its "#fragment" and "?query".
    static QString stripAnchor(const QString &target);

private:
    std::optional<QString> locate(const QString &relative) const;
    Result<QString> add(const QString &relative);

    const HelpProject &m_project;
    QString m_root;
    std::vector<CollectedFile> m_files;
    QHash<QString, qsizetype> m_byName; // name on disk -> index in m_files
    QStringList m_missing;
    QSet<QString> m_missingKeys; // ASCII-folded, listed files included
    qsizetype m_scanned = 0;
    // Where each link followed so far leads: (folder it is written in, target) -> name on disk.
    QHash<std::pair<QString, QString>, std::optional<QString>> m_followed;
    mutable QHash<QString, QStringList> m_listings;
};

} // namespace HelpFile
