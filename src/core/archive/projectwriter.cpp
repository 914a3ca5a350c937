#include "archive/projectwriter.h"

#include "archive/layout.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/linewriter.h"
#include "common/paths.h"

#include <QSet>

namespace Archive {

namespace {

// Every row's entry path in table order, each category's folder name worked out once.
QStringList entryPaths(const Blog::ArticleTable &table)
{
    const FolderNames folders;
    QStringList paths;
    paths.reserve(table.articleCount());
    for (int row = 1; row <= table.articleCount(); ++row) {
        const Blog::Article &a = table.article(row);
        paths.append(folders.of(a.category) + QLatin1Char('\\') + linkFileName(a.link));
    }
    return paths;
}

} // namespace

QStringList describeEntries(const Blog::ArticleTable &table, const QStringList &entries)
{
    QSet<QString> wanted(entries.cbegin(), entries.cend());
    QStringList described;
    const QStringList paths = entryPaths(table);
    for (int row = 1; row <= table.articleCount() && !wanted.isEmpty(); ++row) {
        const QString &entry = paths[row - 1];
        if (wanted.remove(entry))
            described << table.article(row).title + QStringLiteral(" (") + entry + QLatin1Char(')');
    }
    for (const QString &entry : entries) {
        if (wanted.contains(entry))
            described << entry;
    }
    return described;
}

QStringList projectLines(const QString &blogName, const Blog::ArticleTable &table)
{
    const QString q = QStringLiteral("\"");
    QStringList lines{
        QStringLiteral("[Options]"),
        QStringLiteral("Compatibility = 1.1 Or later"),
        QStringLiteral("Compiled file = ..\\") + blogName + QStringLiteral(".chm"),
        QStringLiteral("Contents file = nolv.hhc"),
        QStringLiteral("Default window = main"),
        QStringLiteral("Display compile progress=Yes"),
        QStringLiteral("Index file = nolv.hhk"),
        QStringLiteral("Language=0x804"),
        QStringLiteral("Title = ") + q + blogName + q,
        QString(),
        QStringLiteral("[WINDOWS]"),
        QStringLiteral("main=") + q + blogName + q +
            QStringLiteral(",\"nolv.hhc\",\"nolv.hhk\",\"index.html\",\"index.html\""
                           ",,,,,0x21120,250,0x6e,[1,1,798,566],0x18b0000,,,1,,,0"),
        QStringLiteral("[Files]"),
    };
    lines += entryPaths(table);
    lines.append(QString());
    lines.append(QStringLiteral("[INFOTYPES]"));
    return lines;
}

QStringList indexLines(const Blog::ArticleTable &table)
{
    QStringList lines{QStringLiteral("<UL>")};
    for (const QString &path : entryPaths(table)) {
        lines.append(QStringLiteral("<LI> <OBJECT type=Text/sitemap> <param name=Name value=") + path +
                     QStringLiteral("> <param name=Local value=") + path + QStringLiteral("></OBJECT>"));
    }
    lines.append(QString());
    lines.append(QStringLiteral("</UL>"));
    return lines;
}

QStringList contentsLines(const Blog::ArticleTable &table)
{
    QStringList lines{QStringLiteral("<UL>")};
    for (const QString &path : entryPaths(table)) {
        lines.append(QStringLiteral("<LI> <OBJECT type=Text/sitemap> <param name=Name value=") + path +
                     QStringLiteral(">  <param name=Local value=") + path +
                     QStringLiteral(">  <param name=ImageNumber value=11> </OBJECT>"));
    }
    lines.append(QString());
    lines.append(QStringLiteral("</UL>"));
    return lines;
}

Result<void> writeProject(const QString &archiveFolder, const QString &blogName, const Blog::ArticleTable &table)
{
    using LineWriter::Mode;
    if (auto r = LineWriter::writeLines(Paths::join(archiveFolder, projectFileName()), projectLines(blogName, table),
                                        Mode::Atomic);
        !r)
        return r;
    if (auto r = LineWriter::writeLines(Paths::join(archiveFolder, QStringLiteral("nolv.hhk")), indexLines(table),
                                        Mode::Atomic);
        !r)
        return r;
    return LineWriter::writeLines(Paths::join(archiveFolder, QStringLiteral("nolv.hhc")), contentsLines(table),
                                  Mode::Atomic);
}

} // namespace Archive
