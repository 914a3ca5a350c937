#pragma once

#include "common/result.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace Archive {

// The names the archive folder holds besides the category folders and index pages: the full list,
// the start page, the help project and the pictures folder.
const QStringList &reservedNames();

// Compares names as a file system that ignores ASCII case does.
QString foldedName(const QString &name);

// A category's folder name: safeFileName(category), unless that is one of the reservedNames() in
// any ASCII case, which the folder would shadow; then that name + "~1". It never depends on the
// other categories, so every part of the program finds the folder from the category alone. Two
// categories whose names agree share their folder, which is harmless: article files are named by
// their links, and every category keeps index pages of its own.
QString folderNameFor(const QString &category);

// folderNameFor, worked out once per category.
class FolderNames
{
public:
    const QString &of(const QString &category) const;

private:
    mutable QHash<QString, QString> m_names;
};

// Where one blog's files lie in the program folder:
//   task file        program folder / blog name + ".ini"
//   help file        program folder / blog name + ".chm"
//   archive folder   program folder / blog name
//   category folder  archive folder / folderNameFor(category)
//   article file     category folder / linkFileName(link)
// Pages and the help project name an article by its folder name + "\" + linkFileName(link), as
// entryPath() gives it, so that they always agree with the file on disk. Index page names are given
// by PageNames.
class Layout
{
public:
    Layout(QString programFolder, QString blogName);

    const QString &archiveFolder() const { return m_archiveFolder; }
    QString taskFile() const { return m_archiveFolder + QStringLiteral(".ini"); }
    QString helpFile() const { return m_archiveFolder + QStringLiteral(".chm"); }
    const QString &folderName(const QString &category) const { return m_folders.of(category); }
    QString categoryFolder(const QString &category) const;
    QString articleFile(const QString &category, const QString &link) const;
    // A file directly in the archive folder (pages, help project files).
    QString file(const QString &name) const;

    // The article file relative to the archive folder as pages and the help project write it:
    // folder name + "\" + linkFileName(link).
    QString entryPath(const QString &category, const QString &link) const;

    // Refuses, with the reason, links and categories that would leave the archive folder or name
    // no file: a link that is empty (or the table's placeholder for it), "." or "..", or holds "/",
    // "\" or a control character (NUL included), and a category whose folder name is empty, "." or
    // "..".
    Result<void> checkArticle(const QString &category, const QString &link) const;

    // An archive written before folder names avoided the reservedNames() kept such a category's
    // articles in safeFileName(category). Moves the article file from there into its folder when
    // it is only there; true when the article file is now in place.
    bool adoptEarlierArticleFile(const QString &category, const QString &link) const;

private:
    QString m_archiveFolder;
    FolderNames m_folders;
};

} // namespace Archive
