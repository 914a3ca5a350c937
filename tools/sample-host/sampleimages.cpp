#include "sampleimages.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QUrl>

namespace SampleImages {

namespace {

quint64 seedOf(const QString &blogName, int row, int number)
{
    quint64 hash = 0xCBF29CE484222325ULL;
    const QByteArray bytes = blogName.toUtf8() + '/' + QByteArray::number(row) + '-' + QByteArray::number(number);
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001B3ULL;
    }
    // FNV's low bits follow the last bytes closely; mix them so that every bit counts.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return hash;
}

QString imgLine(const QString &src)
{
    return QStringLiteral("<p><img src=\"") + src + QStringLiteral("\" alt=\"\"></p>");
}

} // namespace

QList<Picture> pictures(const QString &blogName, int row, bool forced)
{
    const quint64 seed = seedOf(blogName, row, 0);
    // About a third of the articles, one or two pictures each.
    if (!forced && seed % 3 != 0)
        return {};
    QList<Picture> list{Picture{row, 1, (seed >> 8) % 2 == 1, false}};
    if ((seed >> 16) % 2 == 1)
        list.append(Picture{row, 2, (seed >> 24) % 2 == 1, true});
    list.append(Picture{0, 0, false, false});
    return list;
}

QString path(const QString &blogName, const Picture &picture)
{
    return QStringLiteral("/img/") + QString::fromLatin1(QUrl::toPercentEncoding(blogName)) + QLatin1Char('/') +
           QString::number(picture.row) + QLatin1Char('-') + QString::number(picture.number) +
           (picture.jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
}

QStringList bodyLines(const QString &blogName, int row, bool forced, bool hostile, const QString &blogBase,
                      const QString &imageBase)
{
    QStringList lines;
    for (const Picture &picture : pictures(blogName, row, forced || hostile)) {
        // Bases end in "/", paths start with one.
        lines.append(imgLine((picture.onImageHost ? imageBase : blogBase).chopped(1) + path(blogName, picture)));
    }
    if (hostile) {
        lines.append(imgLine(QStringLiteral("../../x.png")));
        lines.append(imgLine(QStringLiteral("data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlE"
                                            "QVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==")));
        lines.append(imgLine(QStringLiteral("file:///etc/passwd")));
        // Picture 7 of the row is answered with a redirect to a file: address.
        lines.append(imgLine(blogBase.chopped(1) + path(blogName, Picture{row, 7, false, false})));
        lines.append(QStringLiteral("<table background=\"") + blogBase.chopped(1) +
                     path(blogName, Picture{row, 9, false, false})
                         .replace(QStringLiteral("/img/"), QStringLiteral("/img/../../")) +
                     QStringLiteral("\"><tr><td>x</td></tr></table>"));
    }
    return lines;
}

bool parsePath(const QString &path, QString *blogName, Picture *picture)
{
    static const QRegularExpression route(QStringLiteral("^/img/(.+)/(\\d+)-(\\d+)\\.(png|jpg)$"));
    const QRegularExpressionMatch match = route.match(path);
    if (!match.hasMatch())
        return false;
    bool rowOk = false;
    bool numberOk = false;
    *blogName = match.captured(1);
    picture->row = match.captured(2).toInt(&rowOk);
    picture->number = match.captured(3).toInt(&numberOk);
    picture->jpeg = match.captured(4) == QLatin1String("jpg");
    return rowOk && numberOk;
}

QByteArray bytes(const QString &blogName, const Picture &picture)
{
    quint64 seed = seedOf(blogName, picture.row, picture.number);
    QImage image(96, 64, QImage::Format_RGB32);
    const QRgb background = qRgb(static_cast<int>(seed & 0xFF), static_cast<int>((seed >> 8) & 0xFF),
                                 static_cast<int>((seed >> 16) & 0xFF));
    const QRgb stripe = qRgb(255 - qRed(background), 255 - qGreen(background), 255 - qBlue(background));
    const int step = 4 + static_cast<int>((seed >> 24) % 8);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (x + y) % step == 0 ? stripe : background);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, picture.jpeg ? "JPG" : "PNG", picture.jpeg ? 85 : -1);
    return data;
}

} // namespace SampleImages
