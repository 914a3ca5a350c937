#include "archive/imagestore.h"

#include "common/linewriter.h"
#include "common/mediatype.h"

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

ImageStore::ImageStore(QString folder, Hash hash)
    : m_folder(std::move(folder))
    , m_hash(hash)
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

QString ImageStore::find(QByteArrayView address)
{
    if (const QString numbered = m_namedAfter.value(address.toByteArray()); !numbered.isEmpty())
        return numbered;
    const QString hash = m_hash(address);
    const QString name = m_byHash.value(hash);
    if (name.isEmpty())
        return {};
    const auto owner = m_owner.constFind(hash);
    if (owner != m_owner.constEnd() && *owner != address)
        return {};
    m_owner.insert(hash, address.toByteArray());
    return name;
}

Result<QString> ImageStore::save(QByteArrayView address, const QString &extension, const QByteArray &bytes)
{
    if (!QFileInfo::exists(m_folder) && !QDir().mkpath(m_folder))
        return Result<QString>::failure(QStringLiteral("cannot create folder %1").arg(m_folder));
    const QString hash = m_hash(address);
    const auto owner = m_owner.constFind(hash);
    const bool taken = owner != m_owner.constEnd() && *owner != address;
    const QString name = taken ? freeNameAfter(hash, extension) : hash + QLatin1Char('.') + extension;
    if (auto written = LineWriter::writeBytes(QDir(m_folder).filePath(name), bytes, LineWriter::Mode::Atomic); !written)
        return failureFrom<QString>(written);
    if (taken) {
        m_namedAfter.insert(address.toByteArray(), name);
    } else {
        m_byHash.insert(hash, name);
        m_owner.insert(hash, address.toByteArray());
    }
    return name;
}

QString ImageStore::freeNameAfter(const QString &hash, const QString &extension) const
{
    for (int number = 2;; ++number) {
        const QString name = hash + QLatin1Char('-') + QString::number(number) + QLatin1Char('.') + extension;
        if (!QFileInfo::exists(QDir(m_folder).filePath(name)))
            return name;
    }
}

QString ImageStore::hashOf(QByteArrayView address)
{
    return QString::fromLatin1(QCryptographicHash::hash(address, QCryptographicHash::Sha1).toHex().left(HashChars));
}

QString ImageStore::extensionFor(QByteArrayView contentType)
{
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
    return known.value(mediaTypeOf(contentType), QStringLiteral("img"));
}

QByteArray ImageStore::linkTo(const QString &fileName)
{
    return QByteArray("../") + FolderName + '/' + fileName.toLatin1();
}

} // namespace Archive
