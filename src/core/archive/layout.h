#pragma once

#include "common/result.h"

#include <QString>

namespace Archive {

// Where one blog's archive lies below the program folder:
//   archive folder   program folder / blog name
//   category folder  archive folder / Rep(category)
//   article file     category folder / link
class Layout
{
public:
    Layout(QString programFolder, QString blogName);

    const QString &archiveFolder() const { return m_archiveFolder; }
    QString categoryFolder(const QString &category) const;
    QString articleFile(const QString &category, const QString &link) const;
    // A file directly in the archive folder (pages, help project files).
    QString file(const QString &name) const;

    // Refuses links and categories that would leave the archive folder or name no file: a link
    // holding "/", "\" or NUL or equal to "." or "..", and a category whose Rep is "." or "..".
    static Result<void> checkArticle(const QString &category, const QString &link);

private:
    QString m_archiveFolder;
};

} // namespace Archive
