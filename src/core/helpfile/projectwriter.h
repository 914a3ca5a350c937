#pragma once

#include "common/result.h"

#include <QString>
#include <QStringList>

namespace Blog {
class ArticleTable;
}

namespace HelpFile {

// The help project "nolv.hhp", index "nolv.hhk" and contents "nolv.hhc" over one archive folder.
// Entries are the article files, Rep(category) + "\" + link, in table order.
QStringList projectLines(const QString &blogName, const Blog::ArticleTable &table);
QStringList indexLines(const Blog::ArticleTable &table);
QStringList contentsLines(const Blog::ArticleTable &table);

// Writes the three files into the archive folder, replacing earlier ones.
Result<void> writeProject(const QString &archiveFolder, const QString &blogName, const Blog::ArticleTable &table);

inline QString projectFileName()
{
    return QStringLiteral("nolv.hhp");
}

} // namespace HelpFile
