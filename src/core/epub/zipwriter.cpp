#include "epub/zipwriter.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <zip.h>

namespace Epub {

ZipWriter::ZipWriter(const QString &target)
    : m_target(target)
{}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zip_discard(m_zip);
}

Result<void> ZipWriter::open()
{
    int error = 0;
    m_zip = zip_open(QFile::encodeName(m_target).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (m_zip)
        return {};
    zip_error_t details;
    zip_error_init_with_code(&details, error);
    const QString reason = QString::fromLocal8Bit(zip_error_strerror(&details));
    zip_error_fini(&details);
    return Result<void>::failure(QStringLiteral("cannot write %1: %2").arg(m_target, reason));
}

Result<void> ZipWriter::add(const QString &name, const QByteArray &data, Compression compression)
{
    // libzip takes the buffer over and frees it once the file is written.
    void *copy = std::malloc(static_cast<size_t>(std::max<qsizetype>(data.size(), 1)));
    if (!copy)
        return Result<void>::failure(QStringLiteral("out of memory"));
    std::memcpy(copy, data.constData(), static_cast<size_t>(data.size()));
    zip_source_t *source = zip_source_buffer(m_zip, copy, static_cast<zip_uint64_t>(data.size()), 1);
    if (!source) {
        std::free(copy);
        return failure(name);
    }
    const zip_int64_t index = zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return failure(name);
    }
    return finishAdding(index, compression);
}

Result<void> ZipWriter::addFile(const QString &name, const QString &path)
{
    zip_source_t *source = zip_source_file(m_zip, QFile::encodeName(path).constData(), 0, -1);
    if (!source)
        return failure(path);
    const zip_int64_t index = zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return failure(name);
    }
    return finishAdding(index, Compression::Deflate);
}

Result<void> ZipWriter::finishAdding(qint64 index, Compression compression)
{
    const auto at = static_cast<zip_uint64_t>(index);
    const zip_int32_t method = compression == Compression::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(m_zip, at, method, 0) != 0)
        return failure(QStringLiteral("compression"));
    return {};
}

Result<void> ZipWriter::close()
{
    if (zip_close(m_zip) == 0) {
        m_zip = nullptr;
        return {};
    }
    return failure(m_target);
}

Result<void> ZipWriter::failure(const QString &what)
{
    return Result<void>::failure(
        QStringLiteral("cannot write %1: %2").arg(what, QString::fromLocal8Bit(zip_strerror(m_zip))));
}

} // namespace Epub
