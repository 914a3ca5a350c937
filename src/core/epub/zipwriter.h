#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QString>

struct zip;

namespace Epub {

// A zip file written with libzip. Entries are stored in the order they are added; nothing reaches
// the target until close(), which writes beside it and renames over it, so that a failed or
// abandoned write leaves an earlier file as it was. Files added from disk are read at close().
class ZipWriter
{
public:
    explicit ZipWriter(const QString &target);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    enum class Compression { Store, Deflate };

    // Fails with the reason when the target's folder cannot take the file.
    Result<void> open();
    Result<void> add(const QString &name, const QByteArray &data, Compression compression = Compression::Deflate);
    Result<void> addFile(const QString &name, const QString &path);
    Result<void> close();

private:
    Result<void> finishAdding(qint64 index, Compression compression);
    Result<void> failure(const QString &what);

    QString m_target;
    zip *m_zip = nullptr;
};

} // namespace Epub
