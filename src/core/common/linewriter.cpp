#include "common/linewriter.h"

#include "common/gbkcodec.h"

#include <QFile>
#include <QSaveFile>

namespace LineWriter {

void appendLine(QByteArray &buffer, QStringView line)
{
    buffer += Gbk::encode(line);
    buffer += "\r\n";
}

QByteArray encodeLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        appendLine(bytes, line);
    return bytes;
}

Result<void> writeLines(const QString &path, const QStringList &lines, Mode mode)
{
    return writeBytes(path, encodeLines(lines), mode);
}

Result<void> writeBytes(const QString &path, const QByteArray &bytes, Mode mode)
{
    if (mode == Mode::Atomic) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return Result<void>::failure(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
        if (file.write(bytes) != bytes.size() || !file.commit())
            return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return {};
    }
    QFile file(path);
    const QIODevice::OpenMode openMode =
        mode == Mode::Append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file.open(openMode))
        return Result<void>::failure(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size())
        return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

} // namespace LineWriter
