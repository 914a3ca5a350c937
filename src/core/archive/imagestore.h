#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace Archive {

// The pictures of one archive: <archive>/images/<hash>.<ext>. A file is named after a hash of the
// address it came from and the extension of its Content-Type, never after anything the host sent,
// so no address can name a file outside the folder. A picture on disk is never fetched again.
class ImageStore
{
public:
    static constexpr const char *FolderName = "images";

    explicit ImageStore(QString folder);

    // Reads the folder once; files of other shapes (temporary ones of an interrupted write) are
    // left out.
    void load();

    // The file name already saved for this address, or an empty string.
    QString find(QByteArrayView address) const;
    // Writes the picture atomically and returns its file name.
    Result<QString> save(QByteArrayView address, const QString &extension, const QByteArray &bytes);

    const QString &folder() const { return m_folder; }

    // The hash part of a picture's file name.
    static QString hashOf(QByteArrayView address);
    // "png", "jpg", … for an image/* Content-Type (parameters ignored); "img" for other image types.
    static QString extensionFor(QByteArrayView contentType);
    // The link an article file one folder below the archive folder uses for a saved picture.
    static QByteArray linkTo(const QString &fileName);

private:
    QString m_folder;
    QHash<QString, QString> m_byHash; // hash -> file name
};

} // namespace Archive
