#include "common/linewriter.h"

#include "common/gbkcodec.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
        // Write beside the target and rename over it: readers see the old file or the whole new one.
        // No flush to the disk here; an interrupted run is what this guards against, not power loss.
        const QString temporary = path + QStringLiteral(".part");
        QFile file(temporary);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return Result<void>::failure(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
        const bool written = file.write(bytes) == bytes.size() && file.flush();
        file.close();
        if (!written ||
            std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
            const QString reason = written ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
            QFile::remove(temporary);
            return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, reason));
        }
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
