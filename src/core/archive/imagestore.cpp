#include "archive/imagestore.h"

#include "common/linewriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace Archive {

namespace {

// 96 bits of SHA-1: distinct addresses of one archive do not meet, and names stay short.
constexpr qsizetype HashChars = 24;

bool isPictureName(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot != HashChars || name.size() < dot + 2 || name.size() > dot + 6)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool lower = c >= QLatin1Char('a') && c <= QLatin1Char('z');
        if (i != dot && !digit && !lower)
            return false;
    }
    return true;
}

} // namespace

ImageStore::ImageStore(QString folder)
    : m_folder(std::move(folder))
{}

void ImageStore::load()
{
    m_byHash.clear();
    const QStringList names = QDir(m_folder).entryList(QDir::Files);
    for (const QString &name : names) {
        if (isPictureName(name) && QFileInfo(QDir(m_folder).filePath(name)).size() > 0)
            m_byHash.insert(name.left(HashChars), name);
    }
}

QString ImageStore::find(QByteArrayView address) const
{
    return m_byHash.value(hashOf(address));
}

Result<QString> ImageStore::save(QByteArrayView address, const QString &extension, const QByteArray &bytes)
{
    if (!QFileInfo::exists(m_folder) && !QDir().mkpath(m_folder))
        return Result<QString>::failure(QStringLiteral("cannot create folder %1").arg(m_folder));
    const QString hash = hashOf(address);
    const QString name = hash + QLatin1Char('.') + extension;
    if (auto written = LineWriter::writeBytes(QDir(m_folder).filePath(name), bytes, LineWriter::Mode::Atomic); !written)
        return failureFrom<QString>(written);
    m_byHash.insert(hash, name);
    return name;
}

QString ImageStore::hashOf(QByteArrayView address)
{
    return QString::fromLatin1(QCryptographicHash::hash(address, QCryptographicHash::Sha1).toHex().left(HashChars));
}

QString ImageStore::extensionFor(QByteArrayView contentType)
{
    QByteArray type = contentType.toByteArray();
    if (const qsizetype semicolon = type.indexOf(';'); semicolon >= 0)
        type.truncate(semicolon);
    type = type.trimmed().toLower();
    static const QHash<QByteArray, QString> known{
        {"image/png", QStringLiteral("png")},
        {"image/jpeg", QStringLiteral("jpg")},
        {"image/jpg", QStringLiteral("jpg")},
        {"image/pjpeg", QStringLiteral("jpg")},
        {"image/gif", QStringLiteral("gif")},
        {"image/webp", QStringLiteral("webp")},
        {"image/bmp", QStringLiteral("bmp")},
        {"image/x-ms-bmp", QStringLiteral("bmp")},
        {"image/svg+xml", QStringLiteral("svg")},
        {"image/x-icon", QStringLiteral("ico")},
        {"image/vnd.microsoft.icon", QStringLiteral("ico")},
        {"image/tiff", QStringLiteral("tif")},
        {"image/avif", QStringLiteral("avif")},
    };
    return known.value(type, QStringLiteral("img"));
}

QByteArray ImageStore::linkTo(const QString &fileName)
{
    return QByteArray("../") + FolderName + '/' + fileName.toLatin1();
}

} // namespace Archive
