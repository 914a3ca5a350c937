#include "archive/layout.h"

#include "archive/rep.h"
#include "blog/articletable.h"
#include "common/paths.h"

namespace Archive {

Layout::Layout(QString programFolder, QString blogName)
    : m_archiveFolder(Paths::join(programFolder, blogName))
{}

QString Layout::categoryFolder(const QString &category) const
{
    return Paths::join(m_archiveFolder, Rep(category));
}

QString Layout::articleFile(const QString &category, const QString &link) const
{
    return Paths::join(m_archiveFolder, Rep(category), linkFileName(link));
}

QString Layout::entryPath(const QString &category, const QString &link)
{
    return Rep(category) + QLatin1Char('\\') + linkFileName(link);
}

QString Layout::file(const QString &name) const
{
    return Paths::join(m_archiveFolder, name);
}

Result<void> Layout::checkArticle(const QString &category, const QString &link)
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
    const QString folder = Rep(category);
    if (folder.isEmpty())
        return Result<void>::failure(QStringLiteral("empty category"));
    if (folder == QLatin1String(".") || folder == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("category \"%1\" names no folder").arg(category));
    return {};
}

} // namespace Archive
