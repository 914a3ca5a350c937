#include "epub/linkresolver.h"

#include "blog/addresses.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace Epub {

namespace {

bool hasScheme(const QString &address)
{
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    // "c:" is a drive, not a scheme.
    if (colon < 2)
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = address.at(i);
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('+') && c != QLatin1Char('-') &&
            c != QLatin1Char('.'))
            return false;
    }
    return true;
}

// The path part of a relative address, decoded, without query and fragment.
QString pathOf(QString address)
{
    address.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype end = address.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (end >= 0)
        address.truncate(end);
    return QUrl::fromPercentEncoding(address.toUtf8());
}

// The address relative to the archive folder, or empty when it leaves the folder.
QString resolve(const QString &address, const QString &fromArchivePath)
{
    const QString path = pathOf(address.trimmed());
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return {};
    const QString folder = fromArchivePath.section(QLatin1Char('/'), 0, -2);
    const QString resolved = QDir::cleanPath(folder.isEmpty() ? path : folder + QLatin1Char('/') + path);
    if (resolved == QLatin1String("..") || resolved.startsWith(QLatin1String("../")) || resolved == QLatin1String("."))
        return {};
    return resolved;
}

} // namespace

LinkResolver::LinkResolver(const BookPlan &plan, const QString &hostBase)
    : m_plan(plan)
    , m_articlePrefix(Blog::Address::article(Blog::Address::blog(hostBase, plan.blogName), QString()))
{}

QString LinkResolver::link(const QString &href, const QString &fromArchivePath) const
{
    const QString address = href.trimmed();
    if (hasScheme(address)) {
        if (address.startsWith(m_articlePrefix)) {
            const QString link = pathOf(address.mid(m_articlePrefix.size()));
            if (const auto it = m_plan.documentByLink.constFind(link); it != m_plan.documentByLink.cend())
                return *it;
        }
        const QString scheme = address.section(QLatin1Char(':'), 0, 0).toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mailto"))
            return {};
        const QUrl url(address, QUrl::TolerantMode);
        return url.isValid() && !url.host().isEmpty() == (scheme != QLatin1String("mailto"))
                   ? url.toString(QUrl::FullyEncoded)
                   : QString();
    }
    const QString path = resolve(address, fromArchivePath);
    if (path.isEmpty())
        return {};
    if (const auto it = m_plan.documentByPath.constFind(path); it != m_plan.documentByPath.cend())
        return *it;
    // The start page, the full list and the category pages lie in the archive folder itself.
    const bool indexPage = !path.contains(QLatin1Char('/')) &&
                           (path.endsWith(QLatin1String(".htm")) || path.endsWith(QLatin1String(".html")));
    return indexPage ? QStringLiteral("contents.xhtml") : QString();
}

QString LinkResolver::localFile(const QString &src, const QString &fromArchivePath) const
{
    if (hasScheme(src.trimmed()))
        return {};
    return resolve(src, fromArchivePath);
}

} // namespace Epub
