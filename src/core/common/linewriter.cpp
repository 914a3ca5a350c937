#include "common/linewriter.h"

#include "common/gbkcodec.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace LineWriter {

namespace {

std::function<bool(const QString &)> &fullDiskHook()
{
    static std::function<bool(const QString &)> hook;
    return hook;
}

} // namespace

void setFullDiskHook(std::function<bool(const QString &path)> hook)
{
    fullDiskHook() = std::move(hook);
}

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

namespace {

// Writes the whole of `bytes` to an open file and flushes it; the system's reason on failure.
// Under the full-disk hook the bytes go to /dev/full, so the file is left as a full disk leaves it.
Result<void> writeAndFlush(QFile &file, const QByteArray &bytes, bool full)
{
    QFile devFull(QStringLiteral("/dev/full"));
    QFile &sink = full && devFull.open(QIODevice::WriteOnly) ? devFull : file;
    if (sink.write(bytes) != bytes.size() || !sink.flush())
        return Result<void>::failure(sink.errorString());
    return {};
}

} // namespace

Result<void> writeBytes(const QString &path, const QByteArray &bytes, Mode mode)
{
    const auto failed = [&path](const char16_t *what, const QString &reason) {
        return Result<void>::failure(QStringLiteral("cannot %1 %2: %3").arg(QStringView(what), path, reason));
    };
    const bool full = fullDiskHook() && fullDiskHook()(path);
    if (mode == Mode::Atomic) {
        // Write beside the target and rename over it: readers see the old file or the whole new one.
        // No flush to the disk here; an interrupted run is what this guards against, not power loss.
        const QString temporary = path + QStringLiteral(".part");
        QFile file(temporary);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return failed(u"create", file.errorString());
        // The reason is taken before close(), which resets it.
        if (const Result<void> written = writeAndFlush(file, bytes, full); !written) {
            file.close();
            QFile::remove(temporary);
            return failed(u"write", written.error());
        }
        file.close();
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(temporary);
            return failed(u"write", reason);
        }
        return {};
    }
    QFile file(path);
    const QIODevice::OpenMode openMode =
        mode == Mode::Append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file.open(openMode))
        return failed(u"open", file.errorString());
    if (const Result<void> written = writeAndFlush(file, bytes, full); !written)
        return failed(u"write", written.error());
    file.close();
    return {};
}

} // namespace LineWriter
