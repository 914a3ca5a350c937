#pragma once

#include "common/result.h"

#include <QString>

namespace Archive {

// Where one blog's files lie in the program folder:
//   task file        program folder / blog name + ".ini"
//   help file        program folder / blog name + ".chm"
//   archive folder   program folder / blog name
//   category folder  archive folder / Rep(category)
//   article file     category folder / linkFileName(link)
// Pages and the help project name an article by entryPath(), so that they always agree with the
// file on disk.
class Layout
{
public:
    Layout(QString programFolder, QString blogName);

    const QString &archiveFolder() const { return m_archiveFolder; }
    QString taskFile() const { return m_archiveFolder + QStringLiteral(".ini"); }
    QString helpFile() const { return m_archiveFolder + QStringLiteral(".chm"); }
    QString categoryFolder(const QString &category) const;
    QString articleFile(const QString &category, const QString &link) const;
    // A file directly in the archive folder (pages, help project files).
    QString file(const QString &name) const;

    // The article file relative to the archive folder as pages and the help project write it:
    // Rep(category) + "\" + linkFileName(link).
    static QString entryPath(const QString &category, const QString &link);

    // Refuses, with the reason, links and categories that would leave the archive folder or name
    // no file: a link that is empty (or the table's placeholder for it), "." or "..", or holds "/",
    // "\" or a control character (NUL included), and a category whose Rep is empty, "." or "..".
    static Result<void> checkArticle(const QString &category, const QString &link);

private:
    QString m_archiveFolder;
};

} // namespace Archive
