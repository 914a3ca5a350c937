#pragma once

#include "common/result.h"

#include <QString>
#include <QStringList>

namespace Blog {
class ArticleTable;
}

namespace Archive {

// The help project "nolv.hhp", index "nolv.hhk" and contents "nolv.hhc" over one archive folder.
// Entries are the article files, safeFileName(category) + "\" + link, in table order.
QStringList projectLines(const QString &blogName, const Blog::ArticleTable &table);
QStringList indexLines(const Blog::ArticleTable &table);
QStringList contentsLines(const Blog::ArticleTable &table);

// The articles behind entry paths (a compile's missing [FILES] entries), as "title (entry path)", in
// table order; an entry that matches no row is given as it is.
QStringList describeEntries(const Blog::ArticleTable &table, const QStringList &entries);

// Writes the three files into the archive folder, each beside its final name and then renamed over
// it, so that a kill or a full disk leaves the earlier file or the whole new one. Fails with the
// system's reason for the first file that cannot be written.
Result<void> writeProject(const QString &archiveFolder, const QString &blogName, const Blog::ArticleTable &table);

inline QString projectFileName()
{
    return QStringLiteral("nolv.hhp");
}

} // namespace Archive
