#include "archive/layout.h"

#include "archive/imagestore.h"
#include "archive/safefilename.h"
#include "blog/articletable.h"
#include "common/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Archive {

namespace {

const QString RenamedFolderSuffix = QStringLiteral("~1");

bool isReserved(const QString &name)
{
    return reservedNames().contains(foldedName(name));
}

} // namespace

const QStringList &reservedNames()
{
    static const QStringList names{QStringLiteral("all.htm"),  QStringLiteral("index.html"),
                                   QStringLiteral("nolv.hhp"), QStringLiteral("nolv.hhk"),
                                   QStringLiteral("nolv.hhc"), QString::fromLatin1(ImageStore::FolderName)};
    return names;
}

QString foldedName(const QString &name)
{
    QString folded = name;
    for (QChar &c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

QString folderNameFor(const QString &category)
{
    const QString name = safeFileName(category);
    return isReserved(name) ? name + RenamedFolderSuffix : name;
}

const QString &FolderNames::of(const QString &category) const
{
    auto it = m_names.constFind(category);
    if (it == m_names.constEnd())
        it = m_names.insert(category, folderNameFor(category));
    return *it;
}

Layout::Layout(QString programFolder, QString blogName)
    : m_archiveFolder(Paths::join(programFolder, blogName))
{}

QString Layout::categoryFolder(const QString &category) const
{
    return Paths::join(m_archiveFolder, folderName(category));
}

QString Layout::articleFile(const QString &category, const QString &link) const
{
    return Paths::join(m_archiveFolder, folderName(category), linkFileName(link));
}

QString Layout::entryPath(const QString &category, const QString &link) const
{
    return folderName(category) + QLatin1Char('\\') + linkFileName(link);
}

QString Layout::file(const QString &name) const
{
    return Paths::join(m_archiveFolder, name);
}

Result<void> Layout::checkArticle(const QString &category, const QString &link) const
{
    if (link.isEmpty() || link == Blog::Placeholder::link())
        return Result<void>::failure(QStringLiteral("the list page gave no link"));
    if (link == QLatin1String(".") || link == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("link \"%1\" names no file").arg(link));
    for (const QChar c : link) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return Result<void>::failure(QStringLiteral("link \"%1\" would leave its folder").arg(link));
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return Result<void>::failure(
                QStringLiteral("link holds the control character U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    const QString &folder = folderName(category);
    if (folder.isEmpty())
        return Result<void>::failure(QStringLiteral("empty category"));
    if (folder == QLatin1String(".") || folder == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("category \"%1\" names no folder").arg(category));
    return {};
}

bool Layout::adoptEarlierArticleFile(const QString &category, const QString &link) const
{
    // Only a folder that avoids a reserved name differs from safeFileName(category): by its "~1".
    const QString &folder = folderName(category);
    if (!folder.endsWith(RenamedFolderSuffix) || !isReserved(folder.chopped(RenamedFolderSuffix.size())))
        return false;
    const QString earlierFolder = folder.chopped(RenamedFolderSuffix.size());
    const QString earlier = Paths::join(m_archiveFolder, earlierFolder, linkFileName(link));
    if (!QFileInfo(earlier).isFile())
        return false;
    if (!QDir().mkpath(categoryFolder(category)) || !QFile::rename(earlier, articleFile(category, link)))
        return false;
    // An emptied folder named like the full list or the start page would keep that page from
    // being written.
    QDir().rmdir(Paths::join(m_archiveFolder, earlierFolder));
    return true;
}

} // namespace Archive
