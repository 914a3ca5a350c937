#include "archive/layout.h"

#include "archive/rep.h"
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
    return Paths::join(m_archiveFolder, Rep(category), link);
}

QString Layout::file(const QString &name) const
{
    return Paths::join(m_archiveFolder, name);
}

Result<void> Layout::checkArticle(const QString &category, const QString &link)
{
    if (link.isEmpty())
        return Result<void>::failure(QStringLiteral("empty link"));
    if (link == QLatin1String(".") || link == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("link \"%1\" names no file").arg(link));
    for (const QChar c : link) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            return Result<void>::failure(QStringLiteral("link \"%1\" would leave its folder").arg(link));
    }
    const QString folder = Rep(category);
    if (folder == QLatin1String(".") || folder == QLatin1String(".."))
        return Result<void>::failure(QStringLiteral("category \"%1\" names no folder").arg(category));
    if (category.contains(QChar(0)))
        return Result<void>::failure(QStringLiteral("category holds a NUL character"));
    return {};
}

} // namespace Archive
