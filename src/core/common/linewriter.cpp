#include "common/linewriter.h"

#include "common/gbkcodec.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes a file with the system calls themselves: Qt's buffered writes lose the reason of a
// failure that a short write leaves behind (a full disk then reads "Unknown error").
Result<void> writeFile(const QString &path, const QByteArray &bytes, int flags, bool full)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
    if (fd < 0)
        return Result<void>::failure(QStringLiteral("cannot create %1: %2").arg(path, systemReason(errno)));
    // Under the full-disk hook the bytes go to /dev/full: the file is left as a full disk leaves it.
    const int sink = full ? ::open("/dev/full", O_WRONLY | O_CLOEXEC) : fd;
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    int error = sink < 0 ? errno : 0;
    while (error == 0 && left > 0) {
        const ssize_t written = ::write(sink, data, static_cast<size_t>(left));
        if (written < 0 && errno != EINTR) {
            error = errno;
        } else if (written > 0) {
            data += written;
            left -= written;
        }
    }
    if (sink >= 0 && sink != fd)
        ::close(sink);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, systemReason(error)));
    return {};
}

} // namespace

Result<void> writeBytes(const QString &path, const QByteArray &bytes, Mode mode)
{
    const bool full = fullDiskHook() && fullDiskHook()(path);
    if (mode != Mode::Atomic)
        return writeFile(path, bytes, mode == Mode::Append ? O_APPEND : O_TRUNC, full);
    // Write beside the target and rename over it: readers see the old file or the whole new one.
    // No flush to the disk here; an interrupted run is what this guards against, not power loss.
    const QString temporary = path + QStringLiteral(".part");
    if (Result<void> written = writeFile(temporary, bytes, O_TRUNC, full); !written) {
        QFile::remove(temporary);
        return Result<void>::failure(QString(written.error()).replace(temporary, path));
    }
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporary);
        return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(path, systemReason(error)));
    }
    return {};
}

} // namespace LineWriter
