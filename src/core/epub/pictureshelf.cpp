#include "epub/pictureshelf.h"

#include "common/paths.h"

#include <QFile>
#include <QRegularExpression>

namespace Epub {

namespace {

QString mediaTypeOf(const QByteArray &head)
{
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return QStringLiteral("image/png");
    if (head.startsWith("\xff\xd8\xff"))
        return QStringLiteral("image/jpeg");
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return QStringLiteral("image/gif");
    return {};
}

QString extensionOf(const QString &mediaType)
{
    if (mediaType == QLatin1String("image/png"))
        return QStringLiteral("png");
    if (mediaType == QLatin1String("image/jpeg"))
        return QStringLiteral("jpg");
    return QStringLiteral("gif");
}

} // namespace

PictureShelf::PictureShelf(QString archiveFolder)
    : m_archiveFolder(std::move(archiveFolder))
{}

Result<QString> PictureShelf::take(const QString &archivePath)
{
    if (const auto it = m_taken.constFind(archivePath); it != m_taken.cend())
        return *it;
    const QString source = Paths::join(m_archiveFolder, archivePath);
    QFile file(source);
    Result<QString> answer = Result<QString>::failure(QStringLiteral("missing picture ") + archivePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QString mediaType = mediaTypeOf(file.read(16));
        if (mediaType.isEmpty()) {
            answer = Result<QString>::failure(QStringLiteral("picture %1 is not PNG, JPEG or GIF").arg(archivePath));
        } else {
            static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_-]{1,64}\\.(png|jpe?g|gif)$"),
                                                      QRegularExpression::CaseInsensitiveOption);
            const QString name = archivePath.section(QLatin1Char('/'), -1);
            const QString id = QStringLiteral("p%1").arg(m_pictures.size() + 1);
            // The image store's own names are kept; anything else, or a name taken in another case, is renamed.
            const bool keepName = archivePath == QStringLiteral("images/") + name && plainName.match(name).hasMatch() &&
                                  !m_bookNames.contains(name.toLower());
            const QString bookPath = QStringLiteral("images/") + (keepName ? name : id + u'.' + extensionOf(mediaType));
            m_bookNames.insert(bookPath.section(QLatin1Char('/'), -1).toLower());
            m_pictures.append({source, bookPath, mediaType, id});
            answer = bookPath;
        }
    }
    m_taken.insert(archivePath, answer);
    return answer;
}

} // namespace Epub
